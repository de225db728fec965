// Conversion of other pixel formats to 24-bit bitmaps, and views over them.
#include "Bitmap24.h"
#include "TPixelView.h"

#include <gtest/gtest.h>

namespace {

TEST(Bitmap24, ConvertsEveryFormatToBlueGreenRed) {
    QImage source(3, 1, QImage::Format_RGB32);
    source.setPixel(0, 0, qRgb(255, 0, 0));
    source.setPixel(1, 0, qRgb(10, 20, 30));
    source.setPixel(2, 0, qRgb(200, 100, 50));
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB888,
                                  QImage::Format_Indexed8, QImage::Format_BGR888, QImage::Format_RGBA64}) {
        const QImage out = vantorel::ToBitmap24(source.convertToFormat(format));
        ASSERT_EQ(out.format(), QImage::Format_BGR888) << format;
        const std::uint8_t* p = out.constScanLine(0);
        const std::uint8_t expected[9] = {0, 0, 255, 30, 20, 10, 50, 100, 200};
        EXPECT_TRUE(std::equal(p, p + 9, expected)) << format;
    }
    // Transparency is composed over white.
    QImage alpha(1, 1, QImage::Format_ARGB32);
    alpha.setPixel(0, 0, qRgba(0, 0, 0, 0));
    const QImage flat = vantorel::ToBitmap24(alpha);
    const std::uint8_t* white = flat.constScanLine(0);
    EXPECT_EQ(white[0] + white[1] + white[2], 3 * 255);

    EXPECT_TRUE(vantorel::ToBitmap24(QImage()).isNull());
    QImage mono(9, 1, QImage::Format_Mono);
    mono.fill(1);
    EXPECT_EQ(vantorel::ToBitmap24(mono).format(), QImage::Format_BGR888);
}

TEST(TPixelView, DescribesTheBuffer) {
    QImage image = vantorel::MakeBitmap24(5, 3);
    const TPixelView view = TPixelView::Of(image);
    EXPECT_EQ(view.Width, 5);
    EXPECT_EQ(view.Height, 3);
    EXPECT_EQ(view.Stride, 16); // 15 bytes, rows 4-byte aligned
    EXPECT_EQ(view.Row(2), image.scanLine(2));
    EXPECT_EQ(view.PixelFormat, vantorel::PixelFormatKind::k24Bit);
    // A shared view reads the caller's pixels without copying them.
    const QImage shared = image;
    EXPECT_EQ(TPixelView::OfShared(shared).Bits, image.constBits());
    EXPECT_EQ(shared.constBits(), image.constBits()); // still shared: nothing was copied
    QImage other(5, 3, QImage::Format_RGB32);
    EXPECT_TRUE(TPixelView::Of(other).IsEmpty());
    EXPECT_TRUE(vantorel::MakeBitmap24(0, 3).isNull());
}

} // namespace
