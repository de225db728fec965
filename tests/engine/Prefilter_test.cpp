// The prefilters: the sliding windows against the direct definition, and the cases that pin the
// definition down.
#include "Prefilter.h"
#include "SelectionMask.h"
#include "TJPEGImage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using testsupport::PictureKind;

namespace {

QImage Filter(const QImage& picture, vantorel::PrefilterSetup setup, bool direct = false) {
    setup.Source = TPixelView::OfShared(picture);
    QImage out(picture.size(), QImage::Format_BGR888);
    for (int y = 0; y < picture.height(); ++y)
        (direct ? vantorel::PrefilterRowDirect : vantorel::PrefilterRow)(setup, y, out.scanLine(y));
    return out;
}

TEST(Prefilter, WindowsHaveTheirPixelCounts) {
    EXPECT_EQ(vantorel::FilterWindow::For(1).Count, 9);
    EXPECT_EQ(vantorel::FilterWindow::For(2).Count, 13);
    EXPECT_EQ(vantorel::FilterWindow::For(8).Count, 197);
    EXPECT_EQ(vantorel::FilterWindow::For(0).Radius, 1);
    EXPECT_EQ(vantorel::FilterWindow::For(99).Radius, 32);
}

TEST(Prefilter, SlidingWindowsEqualTheDirectDefinition) {
    const QImage noise = testsupport::MakePicture(37, 23, PictureKind::kNoise, 4);
    const QImage photo = testsupport::MakePicture(41, 19, PictureKind::kPhotoLike, 5);
    const QImage tiny = testsupport::MakePicture(3, 2, PictureKind::kNoise, 6); // smaller than the window
    QImage selection = vantorel::MakeSelectionBitmap(41, 23);
    vantorel::DrawUnits({{1, 100000, 0, 800000, 900000, {}, true}}, 41, 23, selection);
    for (int kind = 1; kind <= 5; ++kind)
        for (int radius = 1; radius <= 8; ++radius)
            for (int strength : {1, 37, 100}) {
                SCOPED_TRACE("kind " + std::to_string(kind) + " radius " + std::to_string(radius) + " strength " +
                             std::to_string(strength));
                vantorel::PrefilterSetup setup;
                setup.Base = {vantorel::PrefilterOperationCode(kind), radius, strength};
                for (const QImage* picture : {&noise, &photo, &tiny})
                    ASSERT_EQ(Filter(*picture, setup), Filter(*picture, setup, true));
                // Two areas with different filters.
                setup.Selected = {vantorel::PrefilterOperationCode(6 - kind), 9 - radius, 101 - strength};
                setup.Selection = selection.constBits();
                setup.SelectionStride = static_cast<int>(selection.bytesPerLine());
                ASSERT_EQ(Filter(photo, setup), Filter(photo, setup, true));
            }
}

TEST(Prefilter, UniformPicturesAndZeroStrengthsChangeNothing) {
    QImage uniform = testsupport::MakePicture(20, 12, PictureKind::kUniform);
    const QImage photo = testsupport::MakePicture(20, 12, PictureKind::kPhotoLike);
    for (int kind = 1; kind <= 5; ++kind) {
        vantorel::PrefilterSetup setup;
        setup.Base = {vantorel::PrefilterOperationCode(kind), 5, 100};
        EXPECT_EQ(Filter(uniform, setup), uniform) << kind;
        setup.Base.Strength = 0;
        EXPECT_FALSE(setup.Active());
        EXPECT_EQ(Filter(photo, setup), photo) << kind;
    }
}

TEST(Prefilter, SmoothingAtRadiusOneAndFullStrengthIsThe3x3Mean) {
    const QImage photo = testsupport::MakePicture(9, 7, PictureKind::kNoise, 8);
    vantorel::PrefilterSetup setup;
    setup.Base = {4, 1, 100};
    const QImage out = Filter(photo, setup);
    const auto at = [&](int x, int y, int ch) {
        // Reflection: column -1 reads column 0, column W reads column W-1.
        x = x < 0 ? -1 - x : x >= photo.width() ? 2 * photo.width() - 1 - x : x;
        y = y < 0 ? -1 - y : y >= photo.height() ? 2 * photo.height() - 1 - y : y;
        return photo.constScanLine(y)[3 * x + ch];
    };
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            for (int ch = 0; ch < 3; ++ch) {
                int sum = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        sum += at(x + dx, y + dy, ch);
                EXPECT_EQ(out.constScanLine(y)[3 * x + ch], std::nearbyint(sum / 9.0)) << x << "," << y;
            }
}

TEST(Prefilter, EdgesAndCornersReflectTheImage) {
    // Radius 2 at full strength is the plain mean of 13 pixels; in the corner both coordinates reflect.
    QImage picture(5, 4, QImage::Format_BGR888);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            std::fill_n(picture.scanLine(y) + 3 * x, 3, static_cast<std::uint8_t>(10 * x + 50 * y));
    vantorel::PrefilterSetup setup;
    setup.Base = {4, 2, 100};
    const QImage out = Filter(picture, setup);
    // Window of (0,0): rows -2..2 reflect to 1,0,0,1,2; columns -2..2 to 1,0,0,1,2.
    const int cols[5] = {1, 0, 0, 1, 2}, rows[5] = {1, 0, 0, 1, 2};
    const int half[5] = {0, 1, 2, 1, 0};
    int sum = 0;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -half[dy + 2]; dx <= half[dy + 2]; ++dx)
            sum += 10 * cols[dx + 2] + 50 * rows[dy + 2];
    EXPECT_EQ(out.constScanLine(0)[0], std::nearbyint(sum / 13.0));
}

TEST(Prefilter, OnlyTheSelectedAreaFilterLeavesTheBaseAreaAsItWas) {
    const QImage photo = testsupport::MakePicture(48, 32, PictureKind::kNoise, 2);
    QImage selection = vantorel::MakeSelectionBitmap(48, 32);
    vantorel::DrawUnits({{0, 0, 0, 500000, 1000000, {}, true}}, 48, 32, selection);
    vantorel::PrefilterSetup setup;
    setup.Selected = {5, 3, 80};
    setup.Selection = selection.constBits();
    setup.SelectionStride = static_cast<int>(selection.bytesPerLine());
    const QImage out = Filter(photo, setup);
    int changed = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x) {
            const bool same = std::equal(out.constScanLine(y) + 3 * x, out.constScanLine(y) + 3 * x + 3,
                                         photo.constScanLine(y) + 3 * x);
            if (x >= 24)
                EXPECT_TRUE(same) << x << "," << y;
            else
                changed += !same;
        }
    EXPECT_GT(changed, 100);
}

TEST(Prefilter, TheEncoderFiltersWhatItEncodes) {
    const QImage photo = testsupport::MakePicture(96, 64, PictureKind::kPhotoLike, 3);
    TJPEGImage filtered;
    filtered.SetSource(photo);
    filtered.Settings().BaseFilter.ActiveFilter = 3; // Noise Removing
    filtered.Settings().BaseFilter.Strengths[2] = 60;
    filtered.Settings().BaseFilter.Radius = 2;
    filtered.Compress();

    vantorel::PrefilterSetup setup;
    setup.Base = {5, 2, 60};
    TJPEGImage plain;
    const QImage prefiltered = Filter(photo, setup);
    plain.SetSource(prefiltered);
    plain.Compress();
    EXPECT_EQ(filtered.Data()->Stream, plain.Data()->Stream);

    TJPEGImage unfiltered;
    unfiltered.SetSource(photo);
    unfiltered.Compress();
    EXPECT_LT(filtered.ResultSize(), unfiltered.ResultSize()); // less grain, fewer bytes
}

} // namespace

namespace {

TEST(Prefilter, SlidingMediansEqualTheDirectOnesOnAPhotograph) {
    const std::string corpus = testsupport::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "no corpus";
    TJPEGImage source;
    source.LoadFromBytes(testsupport::ReadFileBytes(corpus + "/large/jolla_leaf_iso320.jpg"));
    source.Settings().DecodeScale = 3;
    const QImage photo = source.GetBitmap().copy(100, 80, 96, 64);
    ASSERT_EQ(photo.width(), 96);
    for (int code : {5, 7, 9})
        for (int radius = 1; radius <= 8; ++radius) {
            vantorel::PrefilterSetup setup;
            setup.Base = {code, radius, 70};
            ASSERT_EQ(Filter(photo, setup), Filter(photo, setup, true)) << "code " << code << " radius " << radius;
        }
}

} // namespace
