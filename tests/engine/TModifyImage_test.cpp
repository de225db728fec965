// The modification list's bookkeeping.
#include "TModifyImage.h"

#include "Bitmap24.h"
#include "GrLib.h"
#include "TJPEGImage.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::vector<int> Kinds(const TModifyImage& list) {
    std::vector<int> kinds;
    for (int i = 1; i <= list.Count(); ++i)
        kinds.push_back(list.Entry(i).ModifyType);
    return kinds;
}

TEST(TModifyImage, AddModificationInsertsReplacesAndComposes) {
    TModifyImage list;
    list.AddModification(2, 10, 0, 0, false, false);
    list.AddModification(3, 5, 0, 0, true, false);
    EXPECT_EQ(Kinds(list), (std::vector<int>{3, 2})); // the most recent first
    EXPECT_EQ(list.IndexOfKind(2), 2);
    EXPECT_EQ(list.IndexOfKind(9), 0);

    list.AddModification(2, 99, 0, 0, false, true); // if absent: kind 2 is there, nothing changes
    EXPECT_EQ(list.Entry(2).Value1_, 10);

    list.AddModification(0, 1, 0, 0, true, false);
    list.AddModification(0, 2, 0, 0, true, false); // replaces the recorded resize
    EXPECT_EQ(Kinds(list), (std::vector<int>{0, 3, 2}));
    EXPECT_EQ(list.Entry(1).Value1_, 2);

    list.AddModification(7, 1, 0, 0, true, false); // 90 degrees clockwise
    list.AddModification(7, 1, 0, 0, true, false); // and again: 180
    EXPECT_EQ(list.Entry(list.IndexOfKind(7)).Value1_, 3);
    list.AddModification(7, 3, 0, 0, true, false); // 180 + 180 = none: the entry goes
    EXPECT_EQ(list.IndexOfKind(7), 0);
    EXPECT_EQ(list.Count(), 3);
}

TEST(TModifyImage, RotCompose) {
    const int expected[4][4] = {{0, 1, 2, 3}, {0, 3, 0, 2}, {0, 0, 3, 1}, {0, 2, 1, 0}};
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b)
            EXPECT_EQ(TModifyImage::RotCompose(a, b), expected[a][b]) << a << " " << b;
}

TEST(TModifyImage, PendingEntryAndQueries) {
    TModifyImage list;
    EXPECT_TRUE(list.OnlyRotations());
    list.Pending().ModifyType = 4;
    list.Pending().Value1_ = 30;
    list.CommitPending();
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Entry(1).Applied, 1);
    EXPECT_EQ(list.Pending(), vantorel::ModificationEntry{});

    list.AddModification(7, 2, 0, 0, false, false);
    EXPECT_FALSE(list.OnlyRotations());
    EXPECT_TRUE(list.HasUnapplied());
    EXPECT_TRUE(list.HasNonRotation(true));
    EXPECT_FALSE(list.HasNonRotation(false));
    list.MarkAllApplied();
    EXPECT_FALSE(list.HasUnapplied());

    list.DeleteModification(0); // nothing
    list.DeleteModification(5); // nothing
    list.DeleteModification(2);
    EXPECT_TRUE(list.OnlyRotations());

    list.Pending().Value2_ = 8;
    list.ClearPending();
    EXPECT_EQ(list.Pending().Value2_, 0);
}

int RoundHalf(int v) { return static_cast<int>(std::nearbyint(v * 0.5f)); }

// Applies one recorded entry to the engine's source and returns the engine's new bitmap.
QImage ApplyOne(TJPEGImage& engine, std::uint8_t kind, int v1, int v2 = 0, int v3 = 0) {
    engine.Modifications().Clear();
    engine.Modifications().AddModification(kind, v1, v2, v3, false, false);
    engine.Modifications().ApplyModification(1);
    EXPECT_EQ(engine.Modifications().Entry(1).Applied, 1);
    return engine.DecodedBitmap();
}

std::array<int, 3> Rgb(const QImage& image, int x, int y) {
    const std::uint8_t* p = image.constScanLine(y) + x * 3;
    return {p[2], p[1], p[0]};
}

TEST(ApplyModification, CorrectionKindsOnTheEnginesSource) {
    QImage source = vantorel::MakeBitmap24(4, 2);
    source.fill(QColor(200, 100, 40));
    source.setPixelColor(1, 0, QColor(20, 60, 250));
    TJPEGImage engine;
    engine.SetSource(source);

    EXPECT_EQ(ApplyOne(engine, 1, 1), source); // v = 1 div 2 = 0
    EXPECT_EQ(ApplyOne(engine, 1, -1), source);
    EXPECT_EQ(Rgb(ApplyOne(engine, 1, 100), 0, 0), (std::array<int, 3>{255, 150, 60}));
    EXPECT_EQ(Rgb(ApplyOne(engine, 1, 400), 0, 0), (std::array<int, 3>{255, 150, 60})); // clamped to 100
    EXPECT_EQ(Rgb(ApplyOne(engine, 2, 10, -50, 0), 0, 0), (std::array<int, 3>{220, 50, 40}));
    EXPECT_EQ(Rgb(ApplyOne(engine, 4, 100), 0, 0), (std::array<int, 3>{220, 100, 30}));
    EXPECT_EQ(Rgb(ApplyOne(engine, 4, -100), 0, 0), (std::array<int, 3>{180, 100, 50}));
    const int y = vantorel::Luminance().Luma(20, 60, 250);
    EXPECT_EQ(Rgb(ApplyOne(engine, 3, -100), 1, 0), (std::array<int, 3>{y, y, y}));
    EXPECT_EQ(ApplyOne(engine, 5, 0), source); // sharpness 0: the identity kernel
    EXPECT_EQ(ApplyOne(engine, 6, -1), source); // v = 0
    EXPECT_EQ(ApplyOne(engine, 6, 0), source);
    EXPECT_EQ(engine.SourceBitmap(), source); // the source itself is never written
}

TEST(ApplyModification, ContrastMovesHalfwayToTheMedian) {
    QImage source = vantorel::MakeBitmap24(5, 1);
    const int levels[5] = {20, 60, 100, 180, 240};
    for (int x = 0; x < 5; ++x)
        source.setPixelColor(x, 0, QColor(levels[x], levels[x], levels[x]));
    TJPEGImage engine;
    engine.SetSource(source);
    const QImage reduced = ApplyOne(engine, 6, -100);
    // The median is where the count reaches half the pixels (two of five): 60.
    for (int x = 0; x < 5; ++x)
        EXPECT_NEAR(Rgb(reduced, x, 0)[1], levels[x] + (60 - levels[x]) / 2.0, 0.011 * levels[x] + 1) << x;
    // Full equalisation spreads the levels: the darkest gets darker or stays, the brightest brighter.
    const QImage equalised = ApplyOne(engine, 6, 100);
    EXPECT_LE(Rgb(equalised, 0, 0)[1], 60);
    EXPECT_GE(Rgb(equalised, 4, 0)[1], 200);
}

TEST(ApplyModification, RotationsAndKindsWithoutPixelWork) {
    const QImage source = testsupport::MakePicture(7, 5, testsupport::PictureKind::kNoise, 4);
    TJPEGImage engine;
    engine.SetSource(source);
    const QImage turned = ApplyOne(engine, 7, 1);
    EXPECT_EQ(turned.size(), QSize(5, 7));
    engine.SetSource(turned); // the document adopts the result
    EXPECT_EQ(ApplyOne(engine, 7, 2), source);
    engine.SetSource(source);
    for (std::uint8_t kind : {0, 8, 9, 10}) {
        const QImage out = ApplyOne(engine, kind, 3, 4, 5);
        EXPECT_EQ(out.constBits(), source.constBits()) << int(kind); // shares the source
    }
    EXPECT_EQ(ApplyOne(engine, 7, 0), source); // no rotation
    // The pending entry is applied the same way.
    engine.Modifications().Pending().ModifyType = 1;
    engine.Modifications().Pending().Value1_ = -100;
    engine.Modifications().ApplyModification(0);
    EXPECT_EQ(engine.Modifications().Pending().Applied, 1);
    EXPECT_EQ(engine.DecodedBitmap().pixelColor(0, 0).red(), RoundHalf(source.pixelColor(0, 0).red()));
}

TEST(ApplyModification, NoPictureIsAnErrorAndLeavesTheEntryUnapplied) {
    TJPEGImage engine;
    engine.Modifications().AddModification(1, 50, 0, 0, false, false);
    EXPECT_THROW(engine.Modifications().ApplyModification(1), vantorel::EngineError);
    EXPECT_EQ(engine.Modifications().Entry(1).Applied, 0);
}

} // namespace
