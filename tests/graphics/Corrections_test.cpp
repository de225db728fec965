// The correction routines and their tables.
#include "Corrections.h"

#include "Bitmap24.h"
#include "GrLib.h"
#include "TPixelView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace vantorel;

namespace {

struct Bgr {
    int b, g, r;
};

// A one-row 24-bit bitmap of the given pixels.
QImage Row(const std::vector<Bgr>& pixels) {
    QImage image = MakeBitmap24(static_cast<int>(pixels.size()), 1);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        std::uint8_t* p = image.scanLine(0) + i * 3;
        p[0] = static_cast<std::uint8_t>(pixels[i].b);
        p[1] = static_cast<std::uint8_t>(pixels[i].g);
        p[2] = static_cast<std::uint8_t>(pixels[i].r);
    }
    return image;
}

Bgr At(const QImage& image, int x, int y = 0) {
    const std::uint8_t* p = image.constScanLine(y) + x * 3;
    return {p[0], p[1], p[2]};
}

QImage Apply(const QImage& source, void (*routine)(const TPixelView&, const TPixelView&, int), int value) {
    QImage out = MakeBitmap24(source.width(), source.height());
    routine(TPixelView::OfShared(source), TPixelView::Of(out), value);
    return out;
}

QImage Scaled(const QImage& source, int r, int g, int b) {
    QImage out = MakeBitmap24(source.width(), source.height());
    ScaleChannels(TPixelView::OfShared(source), TPixelView::Of(out), r, g, b);
    return out;
}

TEST(GrLibTables, LuminanceAndFactorRows) {
    const LuminanceTables& t = Luminance();
    EXPECT_EQ(t.Luma(255, 255, 255), 255); // the weights never sum past 255
    EXPECT_EQ(t.Luma(255, 0, 0), 76);
    EXPECT_EQ(t.YG[100], 59);
    // Factor rows: the row for each factor, and the factor it stands for.
    struct Case {
        double f;
        int row;
    };
    for (const Case c : {Case{0, 0}, Case{1, 100}, Case{2.05, 200}, Case{2.1, 201}, Case{10.5, 280}, Case{11, 281},
                         Case{25, 291}, Case{60, 297}, Case{127, 302}, Case{255, 303}, Case{1e9, 303}, Case{-3, 0}})
        EXPECT_EQ(FactorRowIndex(c.f), c.row) << c.f;
    EXPECT_EQ(FactorRows()[100][200], 200 * 256);
    EXPECT_EQ(MultiplyByRow(FactorRows()[150], 200), 255); // 300 is limited
    EXPECT_EQ(MultiplyByRow(FactorRows()[50], 201), 100);  // 100.5 in 8.8 truncates
    EXPECT_EQ(FactorRows()[303][1], 255 * 256);
}

TEST(Corrections, ScaleChannelsBrightnessAndTemperature) {
    const QImage source = Row({{10, 100, 200}, {0, 128, 255}, {7, 1, 3}});
    // Brightness 100 is +50 %: every channel × 1.5, 200 becomes 255.
    const QImage bright = Scaled(source, 50, 50, 50);
    EXPECT_EQ(At(bright, 0).b, 15);
    EXPECT_EQ(At(bright, 0).g, 150);
    EXPECT_EQ(At(bright, 0).r, 255);
    EXPECT_EQ(At(bright, 2).b, 10); // 10.5 goes to the even neighbour
    // Temperature +100: red × 1.10, blue × 0.75; -100: red × 0.90, blue × 1.25; green unchanged.
    const QImage warm = Scaled(source, 10, 0, -25);
    EXPECT_EQ(At(warm, 0).r, 220);
    EXPECT_EQ(At(warm, 0).b, 8); // 7.5 to even
    EXPECT_EQ(At(warm, 0).g, 100);
    const QImage cold = Scaled(source, -10, 0, 25);
    EXPECT_EQ(At(cold, 0).r, 180);
    EXPECT_EQ(At(cold, 0).b, 12);  // 12.5 to even
    EXPECT_EQ(At(cold, 1).r, 230); // 229.5 to even
    // Zero changes nothing, below -100 counts as -100 (black).
    EXPECT_EQ(Scaled(source, 0, 0, 0), source);
    EXPECT_EQ(At(Scaled(source, -300, -300, -300), 1).r, 0);
}

TEST(Corrections, AdjustSaturation) {
    const QImage source = Row({{10, 100, 200}, {255, 0, 0}, {50, 50, 50}, {0, 255, 255}});
    const LuminanceTables& lum = Luminance();
    const QImage grey = Apply(source, AdjustSaturation, -100);
    for (int x = 0; x < source.width(); ++x) {
        const Bgr s = At(source, x), g = At(grey, x);
        const int y = lum.Luma(s.r, s.g, s.b);
        EXPECT_EQ(g.r, y);
        EXPECT_EQ(g.g, y);
        EXPECT_EQ(g.b, y);
    }
    EXPECT_EQ(Apply(source, AdjustSaturation, 0), source);
    // +100 doubles the distance from the luminance, clamped: grey stays grey.
    const QImage vivid = Apply(source, AdjustSaturation, 100);
    const int y0 = lum.Luma(200, 100, 10);
    EXPECT_EQ(At(vivid, 0).r, std::min(255, 200 + (200 - y0)));
    EXPECT_EQ(At(vivid, 0).b, std::max(0, 10 - (y0 - 10)));
    EXPECT_EQ(At(vivid, 2).g, 50);
}

TEST(Corrections, ReduceContrastMovesLuminanceHalfwayToTheMedian) {
    // Grey levels keep their hue (none), so the luminance is the value itself.
    std::vector<Bgr> pixels;
    for (int v : {20, 60, 100, 140, 180, 220})
        pixels.push_back({v, v, v});
    const QImage source = Row(pixels);
    const Histograms h = BuildHistograms(TPixelView::OfShared(source));
    EXPECT_EQ(h.Count, 6);
    const int median = HistogramMedian(h.Luma, h.Count);
    EXPECT_EQ(median, 100); // the third of six values reaches half the count
    QImage out = MakeBitmap24(source.width(), 1);
    ReduceContrast(TPixelView::OfShared(source), TPixelView::Of(out), median, -50);
    for (int x = 0; x < source.width(); ++x) {
        const int v = At(source, x).g;
        const double expected = v + (median - v) * 0.5;
        // The factor rows step by 0.01 below 2: within 1 % of the value.
        EXPECT_NEAR(At(out, x).g, expected, 0.011 * v + 1) << v;
    }
    ReduceContrast(TPixelView::OfShared(source), TPixelView::Of(out), median, 0);
    EXPECT_EQ(out, source);
}

TEST(Corrections, EqualizeAndBlend) {
    // A dark picture: equalising spreads its levels over the whole range.
    std::vector<Bgr> pixels;
    for (int i = 0; i < 64; ++i)
        pixels.push_back({i, i, i});
    const QImage source = Row(pixels);
    const Histograms h = BuildHistograms(TPixelView::OfShared(source));
    QImage out = MakeBitmap24(source.width(), 1);
    EqualizeLuminance(TPixelView::OfShared(source), TPixelView::Of(out), h);
    EXPECT_GT(At(out, 63).g, 230);
    for (int x = 1; x < 64; ++x)
        EXPECT_GE(At(out, x).g + 12, At(out, x - 1).g); // monotone up to the factor rows' steps
    // Blending 0 gives the source, 100 the equalised picture, -50 behaves as 50.
    QImage blend = out.copy();
    BlendBuffers(TPixelView::Of(blend), TPixelView::OfShared(source), 0);
    EXPECT_EQ(blend, source);
    blend = out.copy();
    BlendBuffers(TPixelView::Of(blend), TPixelView::OfShared(source), 100);
    EXPECT_EQ(blend, out);
    blend = out.copy();
    BlendBuffers(TPixelView::Of(blend), TPixelView::OfShared(source), -50);
    for (int x = 0; x < 64; ++x)
        EXPECT_EQ(At(blend, x).g, static_cast<int>(std::nearbyint(x + 0.5f * static_cast<float>(At(out, x).g - x))));
}

TEST(Corrections, Convolve3x3) {
    // A flat picture stays flat (taps outside take the edge pixels); the 8.8 tables truncate, so the
    // blur may lose one level.
    QImage flat = MakeBitmap24(5, 4);
    flat.fill(QColor(90, 90, 90));
    QImage out = MakeBitmap24(5, 4);
    Convolve3x3(TPixelView::OfShared(flat), TPixelView::Of(out), KernelKind::kSharpen, 100);
    EXPECT_EQ(out, flat);
    Convolve3x3(TPixelView::OfShared(flat), TPixelView::Of(out), KernelKind::kBlur, 100);
    for (int y = 0; y < 4; ++y)
        for (int i = 0; i < 15; ++i)
            EXPECT_EQ(out.constScanLine(y)[i], 89);
    // One bright pixel in the middle of a 3×3 dark picture.
    QImage dot = MakeBitmap24(3, 3);
    dot.fill(Qt::black);
    dot.scanLine(1)[3] = 140;
    QImage blurred = MakeBitmap24(3, 3);
    Convolve3x3(TPixelView::OfShared(dot), TPixelView::Of(blurred), KernelKind::kBlur, 100);
    EXPECT_EQ(blurred.constScanLine(1)[3], 20); // centre weight 2/14
    EXPECT_EQ(blurred.constScanLine(0)[3], 20); // edge neighbour 2/14
    EXPECT_EQ(blurred.constScanLine(0)[0], 10); // corner 1/14
    QImage sharp = MakeBitmap24(3, 3);
    Convolve3x3(TPixelView::OfShared(dot), TPixelView::Of(sharp), KernelKind::kSharpen, 50);
    EXPECT_EQ(sharp.constScanLine(1)[3], 255); // 140 × 2.8 is clamped
    EXPECT_EQ(sharp.constScanLine(0)[3], 0);   // negative sums become 0
    // Strength 0 is the identity.
    QImage same = MakeBitmap24(3, 3);
    Convolve3x3(TPixelView::OfShared(dot), TPixelView::Of(same), KernelKind::kSharpen, 0);
    EXPECT_EQ(same, dot);
}

TEST(Corrections, RoutinesRefuseMismatchedViews) {
    const QImage a = MakeBitmap24(4, 4);
    QImage b = MakeBitmap24(3, 4);
    EXPECT_THROW(ScaleChannels(TPixelView::OfShared(a), TPixelView::Of(b), 1, 1, 1), std::invalid_argument);
    EXPECT_THROW(BuildHistograms(TPixelView{}), std::invalid_argument);
}

} // namespace
