// GetProfile, ApplyProfile, ProfilesMatch and ResetGroup.
#include "TJPEGImage.h"

#include <gtest/gtest.h>

using vantorel::TJPEGProfile;

namespace {

// A profile that differs from the engine defaults in every part.
TJPEGProfile RichProfile() {
    TJPEGImage source;
    TJPEGProfile p = source.GetProfile();
    p.MatchMask = 0x1FFFFF;
    p.CompressionMode = 0;
    p.LumCompressionLevel = 71;
    p.ChromCompressionLevel = 33;
    p.TargetFileSize = 250;
    p.QualityEqualizerBand = {10, -20, 30, -40, 50};
    p.ActiveFilter = 3;
    p.FilterValue = 42;
    p.FilterRadius = 7;
    p.Grayscale = 0;
    p.ProgressiveEncoding = 1;
    p.Precision = 1;
    p.RestartInterval = 12;
    p.EqualizerFullControl = 1;
    p.SelectiveCompression = 1;
    p.SelLumCompressionLevel = 90;
    p.SelChromCompressionLevel = 80;
    p.SelThreshold = 61;
    p.SelQualityEqualizerBand = {-1, 2, -3, 4, -5};
    p.SelActiveFilter = 5;
    p.SelFilterValue = 17;
    p.SelFilterRadius = 2;
    p.KeepJPEGDataMask = 0x10002;
    p.Comments = "holiday";
    p.ResamplingPurpose = 1;
    p.ResamplingWidth = 800;
    p.ResamplingHeight = 600;
    p.ResamplingMethod = 2;
    p.ResamplingFidLevel = 128;
    p.ResolutionHorzDPI = 300;
    p.ResolutionVertDPI = 200;
    p.DoAutoRotate = 1;
    p.NumModifiers = 2;
    p.Modifiers[0] = {1, 0, 0, 0, 7, 0};
    p.Modifiers[1] = {20, -5, 3, 0, 2, 0};
    p.NumOverlays = 2;
    p.Overlays[0] = vantorel::OverlayEntry::Defaults();
    p.Overlays[0].OverlayText = "(c) me";
    p.Overlays[1] = vantorel::OverlayEntry::Defaults();
    p.Overlays[1].OverlayType = 1;
    p.Overlays[1].OverlayImageFileName = "logo.png";
    vantorel::SelectionUnit rect{0, 100, 200, 300, 400, {}, true};
    vantorel::SelectionUnit poly{2, 0, 0, 0, 0, {{1, 2}, {3, 4}, {5, 6}}, true};
    int used = 0;
    vantorel::AppendToStream(rect, p.SelData, used);
    vantorel::AppendToStream(poly, p.SelData, used);
    p.SelDataCount = used;
    p.NumSelUnits = 2;
    return p;
}

TEST(Profile, ReadBackAfterApplyingWithTheFullMask) {
    const TJPEGProfile p = RichProfile();
    TJPEGImage engine;
    engine.SetSource(QImage(64, 64, QImage::Format_BGR888));
    engine.ApplyProfile(p);
    const TJPEGProfile back = engine.GetProfile();
    EXPECT_TRUE(TJPEGImage::ProfilesMatch(back, p));
    EXPECT_EQ(back.LumCompressionLevel, 71);
    EXPECT_EQ(back.QualityEqualizerBand, p.QualityEqualizerBand);
    EXPECT_EQ(back.FilterValue, 42);
    EXPECT_EQ(back.SelFilterValue, 17);
    EXPECT_EQ(back.TargetFileSize, 250);
    EXPECT_EQ(back.Precision, 1);
    EXPECT_EQ(back.NumOverlays, 2);
    EXPECT_EQ(back.Overlays[1].OverlayImageFileName, "logo.png");
    EXPECT_EQ(back.NumModifiers, 2);
    EXPECT_EQ(back.SelDataCount, p.SelDataCount);
    EXPECT_TRUE(std::equal(back.SelData.begin(), back.SelData.begin() + p.SelDataCount, p.SelData.begin()));
    EXPECT_EQ(engine.SelectionUnits()[1].BegX, 1); // a polygon begins at its first point
    EXPECT_EQ(engine.SelectionUnits()[1].EndY, 6);
    EXPECT_TRUE(engine.ProfileApplied());
    EXPECT_TRUE((engine.Overlays()[1]->Flags & TOverlay::kReloadPicture)); // a new picture overlay loads its picture
    EXPECT_FALSE((engine.Overlays()[0]->Flags & TOverlay::kReloadPicture));
}

TEST(Profile, GetProfileStoresAtMostSixteenOverlaysAndOnlyIncludedUnits) {
    TJPEGImage engine;
    for (int i = 0; i < 20; ++i)
        engine.Overlays().push_back(std::make_unique<TOverlay>(10, 10));
    engine.SelectionUnits().push_back({0, 1, 2, 3, 4, {}, false});
    TJPEGProfile p = engine.GetProfile();
    EXPECT_EQ(p.NumOverlays, 16);
    EXPECT_EQ(p.NumSelUnits, 0);
    EXPECT_EQ(p.SelDataCount, 0);

    // Units that no longer fit in the 8191-integer stream are not stored.
    engine.SelectionUnits().clear();
    for (int i = 0; i < 2000; ++i)
        engine.SelectionUnits().push_back({1, i, i, i + 1, i + 1, {}, true});
    p = engine.GetProfile();
    EXPECT_EQ(p.NumSelUnits, 8191 / 5);
    EXPECT_EQ(p.SelDataCount, (8191 / 5) * 5);
}

TEST(Profile, MaskedPartsAndConditionalFields) {
    TJPEGImage engine;
    engine.SetSource(QImage(100, 100, QImage::Format_BGR888));
    TJPEGProfile p = RichProfile();

    // Resolution bit clear: the engine keeps its densities and the applied copy shows them.
    p.MatchMask = 0x1FFFFF & ~vantorel::kMatchResolution;
    engine.ApplyProfile(p);
    EXPECT_EQ(engine.Settings().XDensity, 96);
    EXPECT_EQ(engine.Settings().Resizing.ResolutionHorzDPI, 96);
    EXPECT_EQ(engine.GetProfile().ResolutionHorzDPI, 96);

    // Precision applies only in the Free mode.
    TJPEGImage original;
    original.Settings().CompressionMode = 1;
    TJPEGProfile precision = original.GetProfile();
    precision.MatchMask = vantorel::kMatchPrecision;
    precision.Precision = 1;
    original.ApplyProfile(precision);
    EXPECT_EQ(original.GetPrecision(), 0);
    original.Settings().CompressionMode = 0;
    original.ApplyProfile(precision);
    EXPECT_EQ(original.GetPrecision(), 1);

    // Grayscale can be switched on by a profile, never off.
    TJPEGImage gray;
    TJPEGProfile off = gray.GetProfile();
    off.MatchMask = vantorel::kMatchGrayscale;
    gray.Settings().Grayscale = true;
    off.Grayscale = 0;
    gray.ApplyProfile(off);
    EXPECT_TRUE(gray.Settings().Grayscale);

    // A ratio target wins over a size target and derives the size.
    TJPEGImage target;
    target.SetSource(QImage(1024, 768, QImage::Format_BGR888));
    TJPEGProfile t = target.GetProfile();
    t.MatchMask = vantorel::kMatchTarget;
    t.ComprRatio = 24.0f;
    t.TargetFileSize = 5;
    target.ApplyProfile(t);
    EXPECT_TRUE(target.TargetEnabled());
    EXPECT_EQ(target.Settings().Target, vantorel::TargetKind::kRatio);
    EXPECT_EQ(target.Settings().TargetFileSize, 96); // 1024 x 768 x 3 / (24 x 1024)
    t.ComprRatio = 0;
    t.TargetFileSize = 0;
    target.ApplyProfile(t);
    EXPECT_FALSE(target.TargetEnabled());

    // Unconditional fields apply under an empty mask; DoAutoRotate goes to the attached source.
    TJPEGImage source, result;
    result.AttachSource(&source);
    TJPEGProfile none = result.GetProfile();
    none.MatchMask = 0;
    none.KeepJPEGDataMask = 0x2;
    none.DoAutoRotate = 1;
    none.ProfileName = std::string(80, 'n');
    result.ApplyProfile(none);
    EXPECT_EQ(result.Settings().KeepJPEGDataMask, 2);
    EXPECT_TRUE(source.Settings().DoAutoRotate);
    EXPECT_FALSE(result.Settings().DoAutoRotate);
    EXPECT_EQ(result.Settings().ProfileName.size(), 64u);
}

TEST(Profile, OverlaysAreReusedOrRecreated) {
    TJPEGImage engine;
    TJPEGProfile p = engine.GetProfile();
    p.MatchMask = vantorel::kMatchWatermarks;
    p.NumOverlays = 1;
    p.Overlays[0] = vantorel::OverlayEntry::Defaults();
    p.Overlays[0].OverlayType = 1;
    p.Overlays[0].OverlayImageFileName = "a.png";
    engine.ApplyProfile(p);
    TOverlay* first = engine.Overlays()[0].get();
    first->Flags = 0;

    engine.ApplyProfile(p); // same count: the object is reused, same file: no reload
    EXPECT_EQ(engine.Overlays()[0].get(), first);
    EXPECT_EQ(first->Flags, TOverlay::kContentChanged);
    
    p.Overlays[0].OverlayImageFileName = "b.png";
    engine.ApplyProfile(p);
    EXPECT_TRUE(first->Flags & TOverlay::kReloadPicture);

    p.NumOverlays = 0; // deletes them
    engine.ApplyProfile(p);
    EXPECT_TRUE(engine.Overlays().empty());
}

TEST(Profile, ModificationsMergeIntoAnExistingList) {
    TJPEGProfile p = RichProfile();
    p.MatchMask = vantorel::kMatchRotation | vantorel::kMatchOtherModifications;

    TJPEGImage fresh; // empty list: entries copied in order, not applied
    fresh.ApplyProfile(p);
    ASSERT_EQ(fresh.Modifications().Count(), 2);
    EXPECT_EQ(fresh.Modifications().Entry(1).ModifyType, 7);
    EXPECT_EQ(fresh.Modifications().Entry(2).ModifyType, 2);

    TJPEGImage busy; // a recorded kind-2 entry stays; the rotation is added
    busy.Modifications().AddModification(2, 99, 0, 0, true, false);
    busy.ApplyProfile(p);
    ASSERT_EQ(busy.Modifications().Count(), 2);
    EXPECT_EQ(busy.Modifications().Entry(1).ModifyType, 7);
    EXPECT_EQ(busy.Modifications().Entry(2).Value1_, 99);

    TJPEGImage rotationsOnly;
    p.MatchMask = vantorel::kMatchRotation;
    rotationsOnly.ApplyProfile(p);
    ASSERT_EQ(rotationsOnly.Modifications().Count(), 1);
    EXPECT_EQ(rotationsOnly.Modifications().Entry(1).ModifyType, 7);
}

TEST(ProfilesMatch, ComparesWhatTheReferenceMaskSelects) {
    const TJPEGProfile a = RichProfile();
    struct Case {
        const char* name;
        std::uint32_t mask;
        void (*change)(TJPEGProfile&);
        bool match;
    };
    const Case cases[] = {
        {"keep mask always compared", 0, [](TJPEGProfile& p) { p.KeepJPEGDataMask = 0; }, false},
        {"levels masked out", 0x1FFFFF & ~vantorel::kMatchLevels, [](TJPEGProfile& p) { p.LumCompressionLevel = 1; }, true},
        {"levels compared", vantorel::kMatchLevels, [](TJPEGProfile& p) { p.LumCompressionLevel = 1; }, false},
        {"comments are case-sensitive", vantorel::kMatchComments, [](TJPEGProfile& p) { p.Comments = "Holiday"; }, false},
        {"active filter compares strength", vantorel::kMatchPrefilter,
         [](TJPEGProfile& p) { p.FilterValue = 1; }, false},
        {"mode compared under bit 20", vantorel::kMatchCompressionMode,
         [](TJPEGProfile& p) { p.CompressionMode = 2; }, false},
        {"selection compared", vantorel::kMatchSelections, [](TJPEGProfile& p) { p.SelData[1] = 5; }, false},
        {"overlay info compared", vantorel::kMatchWatermarks,
         [](TJPEGProfile& p) { p.Overlays[0].OverlayImageInfo = "x"; }, false},
        {"rotation alone ignores others", vantorel::kMatchRotation,
         [](TJPEGProfile& p) { p.Modifiers[1].Value1_ = 1; }, true},
        {"rotation alone compares its value", vantorel::kMatchRotation,
         [](TJPEGProfile& p) { p.Modifiers[0].Value1_ = 2; }, false},
        {"others alone skip rotations", vantorel::kMatchOtherModifications,
         [](TJPEGProfile& p) { p.Modifiers[0].Value1_ = 3; }, true},
        {"others alone: a shorter list differs", vantorel::kMatchOtherModifications,
         [](TJPEGProfile& p) { p.NumModifiers = 1; }, false},
        {"both: byte for byte", vantorel::kMatchRotation | vantorel::kMatchOtherModifications,
         [](TJPEGProfile& p) { p.Modifiers[0].Applied = 1; }, false},
    };
    for (const Case& c : cases) {
        TJPEGProfile reference = a;
        reference.MatchMask = c.mask;
        TJPEGProfile other = a;
        c.change(other);
        EXPECT_EQ(TJPEGImage::ProfilesMatch(other, reference), c.match) << c.name;
    }
    // With the filter inactive its strength is not compared.
    TJPEGProfile inactive = a, reference = a;
    inactive.ActiveFilter = reference.ActiveFilter = 0;
    inactive.FilterValue = 99;
    reference.MatchMask = vantorel::kMatchPrefilter;
    EXPECT_TRUE(TJPEGImage::ProfilesMatch(inactive, reference));
}

TEST(ResetGroup, RestoresDefaultsAndReportsChanges) {
    TJPEGImage engine;
    EXPECT_FALSE(engine.ResetGroup(0));
    engine.Settings().ChromCompressionLevel = 10;
    EXPECT_TRUE(engine.ResetGroup(0));
    EXPECT_EQ(engine.Settings().ChromCompressionLevel, 50);

    engine.Settings().SelThreshold = 3;
    EXPECT_TRUE(engine.ResetGroup(1));
    engine.Settings().QualityEqualizerBand[2] = 5;
    EXPECT_TRUE(engine.ResetGroup(2));
    EXPECT_FALSE(engine.ResetGroup(3));

    // No active kind: "no change", but strengths and radius are restored all the same.
    engine.Settings().BaseFilter.Strengths[2] = 9;
    engine.Settings().BaseFilter.Radius = 8;
    EXPECT_FALSE(engine.ResetGroup(4));
    EXPECT_EQ(engine.Settings().BaseFilter.Strengths[2], 50);
    EXPECT_EQ(engine.Settings().BaseFilter.Radius, 5);
    engine.Settings().SelFilter.ActiveFilter = 2;
    EXPECT_TRUE(engine.ResetGroup(5));

    engine.Overlays().push_back(std::make_unique<TOverlay>(1, 1));
    EXPECT_FALSE(engine.ResetGroup(6));
    EXPECT_TRUE(engine.Overlays().empty());
}

} // namespace
