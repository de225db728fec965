// Selection bitmaps drawn from units, and the block masks built from them.
#include "SelectionMask.h"
#include "TJPEGImage.h"

#include <gtest/gtest.h>

namespace {

using vantorel::SelectionUnit;

bool Black(const QImage& bitmap, int x, int y) { return (bitmap.constScanLine(y)[x >> 3] >> (7 - (x & 7)) & 1) == 0; }

int BlackCount(const QImage& bitmap) {
    int count = 0;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            count += Black(bitmap, x, y);
    return count;
}

QImage Draw(const std::vector<SelectionUnit>& units, int width, int height) {
    QImage bitmap = vantorel::MakeSelectionBitmap(width, height);
    vantorel::DrawUnits(units, width, height, bitmap);
    return bitmap;
}

// Millionths of a 100-pixel side: one pixel is 10,000.
constexpr int kPx = 10000;

TEST(DrawUnits, BoxesHaveExclusiveRightAndBottomEdgesInAnyCornerOrder) {
    const QImage a = Draw({{0, 2 * kPx, 1 * kPx, 5 * kPx, 3 * kPx, {}, true}}, 100, 100);
    const QImage b = Draw({{0, 5 * kPx, 3 * kPx, 2 * kPx, 1 * kPx, {}, true}}, 100, 100);
    EXPECT_EQ(a, b);
    EXPECT_EQ(BlackCount(a), 3 * 2);
    for (int x = 2; x < 5; ++x)
        for (int y = 1; y < 3; ++y)
            EXPECT_TRUE(Black(a, x, y)) << x << "," << y;
    EXPECT_EQ(a.width(), 104); // rounded up to whole blocks
    const QImage ellipse = Draw({{1, 0, 0, 40 * kPx, 20 * kPx, {}, true}}, 100, 100);
    EXPECT_TRUE(Black(ellipse, 20, 10));
    EXPECT_FALSE(Black(ellipse, 0, 0));   // the box's corner is outside the ellipse
    EXPECT_FALSE(Black(ellipse, 40, 10)); // the right edge is exclusive
    EXPECT_NEAR(BlackCount(ellipse), 3.14159 * 20 * 10, 30);
}

TEST(DrawUnits, PolygonsFillEvenOddAndOddInputIsSafe) {
    // One polygon tracing an outer and an inner square: the inner one is a hole under even-odd.
    SelectionUnit ring{2, 0, 0, 0, 0,
                       {{10 * kPx, 10 * kPx}, {90 * kPx, 10 * kPx}, {90 * kPx, 90 * kPx}, {10 * kPx, 90 * kPx},
                        {10 * kPx, 10 * kPx}, {30 * kPx, 30 * kPx}, {70 * kPx, 30 * kPx}, {70 * kPx, 70 * kPx},
                        {30 * kPx, 70 * kPx}, {30 * kPx, 30 * kPx}},
                       true};
    const QImage bitmap = Draw({ring}, 100, 100);
    EXPECT_TRUE(Black(bitmap, 20, 50));
    EXPECT_FALSE(Black(bitmap, 50, 50));
    EXPECT_TRUE(Black(bitmap, 10, 10)); // the outline is part of the shape

    const std::vector<SelectionUnit> odd = {
        {2, 0, 0, 0, 0, {}, true},                                   // no points
        {2, 0, 0, 0, 0, {{5 * kPx, 5 * kPx}}, true},                 // one point
        {2, 0, 0, 0, 0, {{0, 0}, {99 * kPx, 99 * kPx}}, true},       // a line
        {0, -2000000000, -2000000000, 2000000000, 2000000000, {}, true},
        {1, 500000, 500000, 500000, 900000, {}, true},              // no width
        {7, 1, 2, 3, 4, {}, true},                                   // unknown kind
    };
    const QImage safe = Draw(odd, 37, 21);
    EXPECT_EQ(BlackCount(safe), 40 * 24); // the huge rectangle covers everything

    EXPECT_EQ(BlackCount(Draw({{0, 0, 0, 1000000, 1000000, {}, false}}, 16, 16)), 0); // not included
}

// A selection bitmap whose first five blocks hold 0, 32, 33, 63 and 64 selected pixels.
QImage CountedBlocks() {
    QImage bitmap = vantorel::MakeSelectionBitmap(40, 8);
    bitmap.fill(1);
    const int counts[5] = {0, 32, 33, 63, 64};
    for (int b = 0; b < 5; ++b)
        for (int i = 0; i < counts[b]; ++i)
            bitmap.setPixel(8 * b + i % 8, i / 8, 0);
    return bitmap;
}

TEST(BuildBlockMasks, ThresholdCountsSelectedPixelsPerBlock) {
    const auto layout = vantorel::ComputeLayout(40, 8, true, {1, 1, 1}, {1, 1, 1});
    struct Case {
        int threshold;
        std::vector<std::uint8_t> mask;
    };
    for (const Case& c : {Case{0, {1, 1, 1, 1, 1}}, Case{50, {0, 1, 1, 1, 1}}, Case{51, {0, 0, 1, 1, 1}},
                          Case{100, {0, 0, 0, 0, 1}}}) {
        const auto masks = vantorel::BuildBlockMasks(layout, CountedBlocks(), c.threshold);
        ASSERT_EQ(masks.size(), 1u);
        EXPECT_EQ(masks[0], c.mask) << "threshold " << c.threshold;
    }
}

TEST(BuildBlockMasks, ChromaBlocksNeedEveryCoveredLumaBlock) {
    // 4:2:0, the left half of a 64 x 64 picture: luma columns 0..3, chroma columns 0..1.
    const auto normal = vantorel::ComputeLayout(64, 64, false, {2, 1, 1}, {2, 1, 1});
    const auto masks = vantorel::BuildBlockMasks(normal, Draw({{0, 0, 0, 500000, 1000000, {}, true}}, 64, 64), 50);
    ASSERT_EQ(masks.size(), 3u);
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
            EXPECT_EQ(masks[0][static_cast<std::size_t>(r * 8 + c)], c < 4 ? 1 : 0);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(masks[1][static_cast<std::size_t>(r * 4 + c)], c < 2 ? 1 : 0);
            EXPECT_EQ(masks[2][static_cast<std::size_t>(r * 4 + c)], c < 2 ? 1 : 0);
        }

    // 24 pixels wide: 3 luma columns, 2 chroma columns; the right one covers one luma column only.
    const auto narrow = vantorel::ComputeLayout(24, 16, false, {2, 1, 1}, {2, 1, 1});
    const auto all = vantorel::BuildBlockMasks(narrow, Draw({{0, 0, 0, 1000000, 1000000, {}, true}}, 24, 16), 0);
    EXPECT_EQ(all[0], std::vector<std::uint8_t>(6, 1));
    EXPECT_EQ(all[1], (std::vector<std::uint8_t>{1, 0}));

    // Low precision: the chroma components are the larger grid and count the pixels.
    const auto low = vantorel::ComputeLayout(32, 32, false, {1, 2, 2}, {1, 2, 2});
    const auto lowMasks = vantorel::BuildBlockMasks(low, Draw({{0, 0, 0, 500000, 1000000, {}, true}}, 32, 32), 50);
    EXPECT_EQ(lowMasks[1].size(), 16u);
    EXPECT_EQ(lowMasks[0], (std::vector<std::uint8_t>{1, 0, 1, 0}));
    EXPECT_EQ(lowMasks[2], lowMasks[1]);

    // High precision shares the one mask.
    const auto high = vantorel::ComputeLayout(16, 16, false, {1, 1, 1}, {1, 1, 1});
    const auto highMasks = vantorel::BuildBlockMasks(high, Draw({{0, 0, 0, 500000, 1000000, {}, true}}, 16, 16), 50);
    EXPECT_EQ(highMasks[0], highMasks[1]);
}

TEST(BuildBlockMasks, OriginalModeStillDrawsButQuantisesPlainly) {
    TJPEGImage engine;
    QImage picture(64, 48, QImage::Format_BGR888);
    picture.fill(Qt::gray);
    engine.SetSource(picture);
    engine.Settings().SelectiveCompression = true;
    engine.Settings().CompressionMode = 1;
    bool drawn = false;
    engine.OnDrawSelection = [&](QImage& bitmap, int, int) {
        drawn = true;
        bitmap.fill(0);
    };
    engine.Compress();
    EXPECT_TRUE(drawn);
    EXPECT_TRUE(engine.LastTables().Present[4]); // the six tables are still filled
    EXPECT_GT(engine.ResultSize(), 0);
}

} // namespace
