// Quarter turns, mirroring and darkening.
#include "RotateBitmap.h"

#include "Bitmap24.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace vantorel;

namespace {

// A w × h bitmap whose pixel (x, y) is (blue x, green y, red 7).
QImage Numbered(int w, int h) {
    QImage image = MakeBitmap24(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = image.scanLine(y) + x * 3;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = 7;
        }
    return image;
}

TEST(RotateBitmap, CodesOnAThreeByTwoPicture) {
    const QImage source = Numbered(3, 2);
    const TPixelView view = TPixelView::OfShared(source);
    struct Case {
        int code;
        int width, height;
        // where source pixel (x, y) lands
        int (*tx)(int x, int y);
        int (*ty)(int x, int y);
    };
    const Case cases[] = {
        {1, 2, 3, [](int, int y) { return 1 - y; }, [](int x, int) { return x; }},
        {2, 2, 3, [](int, int y) { return y; }, [](int x, int) { return 2 - x; }},
        {3, 3, 2, [](int x, int) { return 2 - x; }, [](int, int y) { return 1 - y; }},
        {4, 3, 2, [](int x, int) { return 2 - x; }, [](int, int y) { return y; }},
    };
    for (const Case& c : cases) {
        const QImage out = RotateBitmap(view, c.code);
        ASSERT_EQ(out.width(), c.width) << c.code;
        ASSERT_EQ(out.height(), c.height) << c.code;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                const std::uint8_t* p = out.constScanLine(c.ty(x, y)) + c.tx(x, y) * 3;
                EXPECT_EQ(p[0], x) << "code " << c.code << " at " << x << "," << y;
                EXPECT_EQ(p[1], y) << "code " << c.code << " at " << x << "," << y;
            }
    }
    // Clockwise: the top-left pixel goes to the top-right corner of the 2 × 3 result.
    EXPECT_EQ(RotateBitmap(view, 1).constScanLine(0)[3], 0);
    EXPECT_TRUE(RotateBitmap(view, 0).isNull());
    EXPECT_TRUE(RotateBitmap(view, 5).isNull());
    EXPECT_TRUE(RotateBitmap(TPixelView{}, 1).isNull());
}

TEST(RotateBitmap, TurnsComposeAndLargePicturesCrossTiles) {
    const QImage source = testsupport::MakePicture(77, 45, testsupport::PictureKind::kNoise, 3);
    const QImage cw = RotateBitmap(TPixelView::OfShared(source), 1);
    EXPECT_EQ(RotateBitmap(TPixelView::OfShared(cw), 2), source);
    const QImage half = RotateBitmap(TPixelView::OfShared(cw), 1);
    EXPECT_EQ(half, RotateBitmap(TPixelView::OfShared(source), 3));
    EXPECT_EQ(half, source.mirrored(true, true).convertToFormat(QImage::Format_BGR888));
}

TEST(DarkenRect, HalvesInsideTheClippedRectangleOnly) {
    QImage image = MakeBitmap24(4, 3);
    image.fill(QColor(201, 100, 51));
    DarkenRect(image, QRect(2, 1, 10, 10));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(201, 100, 51));
    EXPECT_EQ(image.pixelColor(1, 2), QColor(201, 100, 51));
    EXPECT_EQ(image.pixelColor(2, 1), QColor(100, 50, 25));
    EXPECT_EQ(image.pixelColor(3, 2), QColor(100, 50, 25));
    DarkenRect(image, QRect(-5, -5, 2, 2)); // wholly outside: nothing
    EXPECT_EQ(image.pixelColor(0, 0), QColor(201, 100, 51));
}

} // namespace
