// The target size search: its stopping rules, warm starts, cancellation and the reuse of the DCT.
#include "TJPEGImage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using testsupport::PictureKind;
using vantorel::TJPEGProfile;

namespace {

const QImage& Picture() {
    static const QImage picture = testsupport::MakePicture(320, 240, PictureKind::kPhotoLike, 9);
    return picture;
}

double RatioOf(const TJPEGImage& engine) {
    return static_cast<double>(engine.Data()->Width) * engine.Data()->Height * 3 / engine.ResultSize();
}

TEST(TargetSearch, AFileSizeTargetIsPursuedAsAWholeRatio) {
    TJPEGImage engine;
    engine.SetSource(QImage(3000, 2000, QImage::Format_BGR888));
    engine.SetTargetKind(vantorel::TargetKind::kFileSize);
    engine.SetTargetSize(500);
    EXPECT_FLOAT_EQ(engine.Settings().ComprRatio, 35.0f); // 18,000,000 / 512,000 = 35.16
}

TEST(TargetSearch, StopsAtOnePassWithinToleranceAndAtTheEndsOfTheRange) {
    TJPEGImage plain;
    plain.SetSource(Picture());
    plain.Compress();
    const double reached = RatioOf(plain);

    struct Case {
        const char* name;
        double target;
        int minPasses, maxPasses;
    };
    const Case cases[] = {
        {"first pass just above the target", reached * 0.98, 1, 1},
        {"unreachable: far too small", 100000.0, 2, 10},
        {"unreachable: far too large", 0.5, 2, 10},
        {"reachable", reached * 2.0, 2, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TJPEGImage engine;
        engine.SetSource(Picture());
        engine.SetTargetKind(vantorel::TargetKind::kRatio);
        engine.SetTargetEnabled(true);
        engine.SetTargetRatio(static_cast<float>(c.target));
        engine.Compress();
        EXPECT_GE(engine.PassCount(), c.minPasses);
        EXPECT_LE(engine.PassCount(), c.maxPasses);
        EXPECT_GT(engine.ResultSize(), 0);
        EXPECT_FALSE(engine.Searching());
        // The user's levels are untouched; the working profile holds those found.
        EXPECT_EQ(engine.Settings().LumCompressionLevel, 50);
        EXPECT_EQ(engine.LastResultProfile().LumCompressionLevel, 50);
    }
    TJPEGImage reachable;
    reachable.SetSource(Picture());
    reachable.SetTargetKind(vantorel::TargetKind::kRatio);
    reachable.SetTargetEnabled(true);
    reachable.SetTargetRatio(static_cast<float>(reached * 2.0));
    reachable.Compress();
    EXPECT_NEAR(RatioOf(reachable), reached * 2.0, reached * 2.0 * 0.05 * 2);
}

TEST(TargetSearch, EveryPassEqualsAFreshEncodeWithItsSettings) {
    for (bool fullControl : {false, true}) {
        SCOPED_TRACE(fullControl ? "full control" : "adjustment");
        TJPEGImage engine;
        engine.SetSource(Picture());
        engine.Settings().EqualizerFullControl = fullControl;
        engine.SetTargetKind(vantorel::TargetKind::kRatio);
        engine.SetTargetEnabled(true);
        engine.SetTargetRatio(30.0f);
        std::vector<std::pair<TJPEGProfile, std::vector<std::uint8_t>>> passes;
        engine.OnSearchPass = [&](const TJPEGProfile& working, const TJPEGData& result) {
            passes.emplace_back(working, result.Stream);
        };
        engine.Compress();
        ASSERT_GE(passes.size(), 2u);
        for (std::size_t i = 0; i < passes.size(); ++i) {
            TJPEGProfile p = passes[i].first;
            p.MatchMask = 0x1FFFFF;
            p.ComprRatio = 0;
            p.TargetFileSize = 0;
            TJPEGImage fresh;
            fresh.SetSource(Picture());
            fresh.ApplyProfile(p);
            fresh.Compress();
            EXPECT_EQ(fresh.Data()->Stream, passes[i].second) << "pass " << i + 1;
            if (fullControl) {
                EXPECT_EQ(p.LumCompressionLevel, 50) << "the luma level is never moved under full control";
            }
        }
    }
}

TEST(TargetSearch, ASecondSearchStartsWhereTheFirstEnded) {
    TJPEGImage engine;
    engine.SetSource(Picture());
    engine.SetTargetKind(vantorel::TargetKind::kRatio);
    engine.SetTargetEnabled(true);
    engine.SetTargetRatio(40.0f);
    std::vector<TJPEGProfile> first, second;
    engine.OnSearchPass = [&](const TJPEGProfile& w, const TJPEGData&) { first.push_back(w); };
    engine.Compress();
    const int coldPasses = engine.PassCount();
    engine.OnSearchPass = [&](const TJPEGProfile& w, const TJPEGData&) { second.push_back(w); };
    engine.Compress();
    ASSERT_FALSE(second.empty());
    EXPECT_LE(engine.PassCount(), coldPasses);
    // The warm start takes the levels of the last pass (then shaped by the start step).
    EXPECT_NEAR(second.front().LumCompressionLevel, first.back().LumCompressionLevel, 3);

    // A file-size target never warm-starts: its profile carries no ratio.
    TJPEGImage sized;
    sized.SetSource(Picture());
    sized.SetTargetKind(vantorel::TargetKind::kFileSize);
    sized.SetTargetEnabled(true);
    sized.SetTargetSize(8);
    sized.Compress();
    std::vector<TJPEGProfile> again;
    sized.OnSearchPass = [&](const TJPEGProfile& w, const TJPEGData&) { again.push_back(w); };
    sized.Compress();
    ASSERT_FALSE(again.empty());
    EXPECT_EQ(again.front().LumCompressionLevel, 50);
}

// The search reports its whole span as the percentage and each attempt's own progress beside it.
TEST(TargetSearch, ProgressCarriesTheAttemptBesideTheWholeSearch) {
    TJPEGImage engine;
    engine.SetSource(Picture());
    engine.SetTargetKind(vantorel::TargetKind::kRatio);
    engine.SetTargetEnabled(true);
    engine.SetTargetRatio(40.0f);
    engine.ProgressIntervalMs = 0;
    std::vector<vantorel::ProgressEvent> running;
    engine.OnProgress = [&](const vantorel::ProgressEvent& e) {
        if (e.Stage == vantorel::ProgressStage::kRunning)
            running.push_back(e);
    };
    int passes = 0;
    engine.OnSearchPass = [&](const TJPEGProfile&, const TJPEGData&) { ++passes; };
    engine.Compress();
    ASSERT_GE(passes, 2);
    ASSERT_FALSE(running.empty());
    int restarts = 0;
    for (std::size_t i = 0; i < running.size(); ++i) {
        EXPECT_GE(running[i].AttemptPercent, 0);
        EXPECT_LE(running[i].AttemptPercent, 100);
        if (i > 0) {
            EXPECT_GE(running[i].Percent, running[i - 1].Percent);
            restarts += running[i].AttemptPercent < running[i - 1].AttemptPercent;
        }
    }
    EXPECT_GE(restarts, 1) << "a later attempt starts again from its beginning";
    // A plain encode has no attempts.
    engine.SetTargetEnabled(false);
    running.clear();
    engine.Compress();
    for (const auto& e : running)
        EXPECT_EQ(e.AttemptPercent, -1);
}

TEST(TargetSearch, CancellationRestoresThePreviousResultQuietly) {
    TJPEGImage engine;
    engine.SetSource(Picture());
    engine.Compress();
    const TJPEGDataPtr previous = engine.Data();
    engine.SetTargetKind(vantorel::TargetKind::kRatio);
    engine.SetTargetEnabled(true);
    engine.SetTargetRatio(60.0f);
    engine.ProgressIntervalMs = 0;
    int reports = 0, lastPercent = -1;
    bool monotonic = true;
    engine.OnProgress = [&](const vantorel::ProgressEvent& e) {
        monotonic = monotonic && e.Percent >= lastPercent && e.Percent <= 100;
        lastPercent = e.Percent;
        if (++reports == 12)
            throw vantorel::OperationAborted();
    };
    EXPECT_NO_THROW(engine.Compress());
    EXPECT_EQ(engine.Data(), previous);
    EXPECT_TRUE(monotonic);
    EXPECT_FALSE(engine.Searching());
}

} // namespace
