// Watermarks: positions, masks, blending and the encoder's overlay stage.
#include "TOverlay.h"

#include "Bitmap24.h"
#include "EngineError.h"
#include "TJPEGImage.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

#include <sys/stat.h>

using namespace vantorel;

namespace {

QImage Flat(int w, int h, QColor colour) {
    QImage image = MakeBitmap24(w, h);
    image.fill(colour);
    return image;
}

// A 4 × 3 picture of (R 30, G 20, B 10) with a white pixel at (1, 1) and a near-white one at (2, 1).
QImage SmallPicture() {
    QImage picture = Flat(4, 3, QColor(30, 20, 10));
    picture.setPixelColor(1, 1, QColor(255, 255, 255));
    picture.setPixelColor(2, 1, QColor(247, 255, 250));
    return picture;
}

std::unique_ptr<TOverlay> PictureOverlay(const QImage& picture, int hpos, int vpos) {
    auto overlay = std::make_unique<TOverlay>(10, 8);
    overlay->Entry.OverlayType = 1;
    overlay->Entry.OverlayHPos = static_cast<std::uint8_t>(hpos);
    overlay->Entry.OverlayVPos = static_cast<std::uint8_t>(vpos);
    overlay->Entry.OverlayImageFileName = "preloaded.png";
    ImageFileInfo info;
    info.Width = picture.width();
    info.Height = picture.height();
    info.FormatName = "Portable Network Graphics";
    overlay->SetPreloadedPicture(picture, info);
    overlay->Flags = TOverlay::kContentChanged | TOverlay::kReloadPicture;
    return overlay;
}

TEST(TOverlay, PicturePositionsOpacityAndUntouchedRows) {
    const QImage image = Flat(10, 8, QColor(100, 100, 100));
    auto overlay = PictureOverlay(SmallPicture(), 100, 100);
    PrepareOverlay(*overlay, 10, 8);
    EXPECT_EQ(overlay->Flags, 0);
    EXPECT_EQ(overlay->Left(), 6); // the free space is 6 × 5
    EXPECT_EQ(overlay->Top(), 5);
    EXPECT_EQ(overlay->Entry.OverlayImageInfo,
              "File Name: preloaded.png \r\nType: Portable Network Graphics\r\nDimensions: 4 x 3");

    std::vector<std::uint8_t> row(30, 0xEE);
    EXPECT_FALSE(CompositeOverlay(*overlay, row.data(), image.constScanLine(4), 4, 10)); // above it
    EXPECT_EQ(row, std::vector<std::uint8_t>(30, 0xEE));                                 // untouched
    ASSERT_TRUE(CompositeOverlay(*overlay, row.data(), image.constScanLine(7), 7, 10));
    EXPECT_EQ(row[5 * 3], 100); // left of the picture: copied
    EXPECT_EQ(row[6 * 3], 10);  // blue of the picture at full opacity
    EXPECT_EQ(row[9 * 3 + 2], 30);

    struct Case {
        int opacity;
        int blue; // expected blue of a blended pixel over 100
    };
    for (const Case c : {Case{0, 100}, Case{100, 10}, Case{-50, 55}, Case{50, 55}, Case{300, 10}, Case{25, 78}}) {
        overlay->Entry.OverlayOpacity = c.opacity; // read at each blend, no flag needed
        std::vector<std::uint8_t> line(image.constScanLine(7), image.constScanLine(7) + 30);
        ASSERT_TRUE(CompositeOverlay(*overlay, line.data(), line.data(), 7, 10)); // in place
        EXPECT_EQ(line[6 * 3], c.blue) << c.opacity;
    }

    // At 0/0 it starts in the top-left corner.
    overlay->Entry.OverlayHPos = overlay->Entry.OverlayVPos = 0;
    overlay->Entry.OverlayOpacity = 100;
    overlay->Flags = TOverlay::kPositionChanged;
    PrepareOverlay(*overlay, 10, 8);
    EXPECT_EQ(overlay->Left(), 0);
    EXPECT_EQ(overlay->Top(), 0);
    EXPECT_TRUE(overlay->Blends(0, 0));
    EXPECT_TRUE(overlay->Blends(3, 2));
    EXPECT_FALSE(overlay->Blends(4, 0));
    EXPECT_FALSE(CompositeOverlay(*overlay, row.data(), image.constScanLine(3), 3, 10));
}

TEST(TOverlay, TransparentColourAndTolerance) {
    auto overlay = PictureOverlay(SmallPicture(), 0, 0);
    overlay->Entry.OverlayUseTranspColor = 1;
    overlay->Entry.OverlayTranspColor = 0xFFFFFF;
    struct Case {
        int tolerance;
        bool white, nearWhite; // transparent?
    };
    for (const Case c : {Case{0, false, false}, Case{1, true, true}, Case{100, true, true}}) {
        overlay->Entry.OverlayToleranceLevel = c.tolerance;
        overlay->Flags |= TOverlay::kContentChanged;
        PrepareOverlay(*overlay, 10, 8);
        EXPECT_EQ(!overlay->Blends(1, 1), c.white) << c.tolerance;
        EXPECT_EQ(!overlay->Blends(2, 1), c.nearWhite) << c.tolerance;
        EXPECT_TRUE(overlay->Blends(0, 0));
    }
    // Channels 9 apart are outside tolerance 1.
    QImage nine = Flat(1, 1, QColor(246, 255, 255));
    std::vector<std::uint8_t> mask;
    BuildTransparencyMask(nine, mask, 0xFFFFFF, 1);
    EXPECT_EQ(mask, std::vector<std::uint8_t>{0});
    BuildTransparencyMask(nine, mask, 0xFFFFFF, 2);
    EXPECT_EQ(mask, std::vector<std::uint8_t>{1});
}

TEST(TOverlay, PictureLargerThanTheImageIsClipped) {
    QImage big = Flat(16, 12, QColor(0, 0, 255));
    auto overlay = PictureOverlay(big, 50, 50);
    PrepareOverlay(*overlay, 10, 8);
    EXPECT_EQ(overlay->Left(), -3);
    EXPECT_EQ(overlay->Top(), -2);
    const QImage image = Flat(10, 8, QColor(100, 100, 100));
    for (int y = 0; y < 8; ++y) {
        std::vector<std::uint8_t> row(30);
        ASSERT_TRUE(CompositeOverlay(*overlay, row.data(), image.constScanLine(y), y, 10));
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(row[static_cast<std::size_t>(x) * 3], 255);
    }
}

TEST(TOverlay, PictureFilesThatCannotBeRead) {
    QTemporaryDir dir;
    const QString notPicture = dir.filePath("notes.png");
    {
        QFile f(notPicture);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is not a picture at all");
    }
    QDir(dir.path()).mkdir("folder.png");
    const QString fifo = dir.filePath("pipe.png"); // opening it would wait for a writer
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& name :
         {dir.filePath("missing.png"), notPicture, dir.filePath("folder.png"), fifo, QString("/dev/zero")}) {
        TOverlay overlay(10, 8);
        overlay.Entry.OverlayType = 1;
        overlay.Entry.OverlayImageFileName = name.toStdString();
        overlay.Entry.OverlayImageInfo = "stale";
        overlay.Flags = TOverlay::kContentChanged | TOverlay::kReloadPicture;
        try {
            PrepareOverlay(overlay, 10, 8);
            ADD_FAILURE() << "no error for " << name.toStdString();
        } catch (const EngineError& e) {
            EXPECT_NE(std::string(e.what()).find(name.toStdString()), std::string::npos) << e.what();
        }
        EXPECT_EQ(overlay.Flags, 5);
        EXPECT_TRUE(overlay.Entry.OverlayImageInfo.empty());
    }
    // A real file through the picture loader.
    const QString good = dir.filePath("good.png");
    ASSERT_TRUE(SmallPicture().save(good));
    TOverlay overlay(10, 8);
    overlay.Entry.OverlayType = 1;
    overlay.Entry.OverlayImageFileName = good.toStdString();
    overlay.Flags = TOverlay::kReloadPicture;
    PrepareOverlay(overlay, 10, 8);
    EXPECT_EQ(overlay.Picture().size(), QSize(4, 3));
    EXPECT_NE(overlay.Entry.OverlayImageInfo.find("Dimensions: 4 x 3"), std::string::npos);
}

// The leftmost blended column within the rows of line `line` (of lineHeight pixels).
int LeftmostInLine(const TOverlay& o, int line, int lineHeight, int width) {
    int best = width;
    for (int y = o.Top() + line * lineHeight; y < o.Top() + (line + 1) * lineHeight; ++y)
        for (int x = 0; x < width; ++x)
            if (o.Blends(x, y)) {
                best = std::min(best, x);
                break;
            }
    return best;
}

TEST(TOverlay, TextPositionsAndAlignment) {
    testsupport::EnsureGuiApplication();
    const int w = 400, h = 300;
    TOverlay overlay(w, h);
    overlay.Entry.OverlayFontName = "DejaVu Sans";
    overlay.Entry.OverlayFontSize = 24;
    overlay.Entry.OverlayText = "Vantorel";
    overlay.Entry.OverlayHPos = overlay.Entry.OverlayVPos = 0;
    PrepareOverlay(overlay, w, h);
    EXPECT_EQ(overlay.Left(), 0);
    EXPECT_EQ(overlay.Top(), 0);
    // 24 points at 96 dpi are 32 pixels: the line is at least that high.
    EXPECT_GE(overlay.ContentHeight(), 32);
    EXPECT_LT(overlay.ContentHeight(), 48);
    EXPECT_GT(overlay.ContentWidth(), 60);
    EXPECT_LT(LeftmostInLine(overlay, 0, overlay.ContentHeight(), w), 6);

    overlay.Entry.OverlayHPos = overlay.Entry.OverlayVPos = 100;
    overlay.Flags = TOverlay::kPositionChanged;
    PrepareOverlay(overlay, w, h);
    EXPECT_EQ(overlay.Left() + overlay.ContentWidth(), w);
    EXPECT_EQ(overlay.Top() + overlay.ContentHeight(), h);

    // Three lines: left, right and centred alignment place the short lines differently.
    overlay.Entry.OverlayText = "ab\r\nabcdefghijkl\r\nab";
    overlay.Entry.OverlayHPos = overlay.Entry.OverlayVPos = 50;
    std::array<int, 3> first{};
    int lineHeight = 0;
    for (int alignment : {0, 1, 2}) {
        overlay.Entry.OverlayTextAlignment = static_cast<std::uint8_t>(alignment);
        overlay.Flags = TOverlay::kContentChanged;
        PrepareOverlay(overlay, w, h);
        lineHeight = overlay.ContentHeight() / 3;
        first[static_cast<std::size_t>(alignment)] = LeftmostInLine(overlay, 0, lineHeight, w);
        EXPECT_LT(LeftmostInLine(overlay, 1, lineHeight, w), overlay.Left() + 6);
    }
    EXPECT_LT(first[0], overlay.Left() + 6);
    EXPECT_GT(first[2], first[0] + 20);
    EXPECT_GT(first[1], first[2] + 20);
    EXPECT_NEAR(first[2] - first[0], (first[1] - first[0]) / 2, 3);

    // Blending writes the font colour where glyphs are and copies elsewhere.
    overlay.Entry.OverlayFontColor = 0x0000FF; // red
    const QImage image = Flat(w, h, QColor(0, 0, 0));
    const int y = overlay.Top() + lineHeight + lineHeight / 2;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * 3);
    ASSERT_TRUE(CompositeOverlay(overlay, row.data(), image.constScanLine(y), y, w));
    int red = 0;
    for (int x = 0; x < w; ++x) {
        if (overlay.Blends(x, y)) {
            ++red;
            EXPECT_EQ(row[static_cast<std::size_t>(x) * 3 + 2], 255);
            EXPECT_EQ(row[static_cast<std::size_t>(x) * 3], 0);
        } else {
            EXPECT_EQ(row[static_cast<std::size_t>(x) * 3 + 2], 0);
        }
    }
    EXPECT_GT(red, 10);
    EXPECT_FALSE(CompositeOverlay(overlay, row.data(), image.constScanLine(0), 0, w));
}

TEST(TOverlay, TextWithoutFontsIsAnError) {
    if (QCoreApplication::instance())
        GTEST_SKIP() << "this process already runs a Qt application";
    TOverlay overlay(100, 100);
    EXPECT_THROW(PrepareOverlay(overlay, 100, 100), EngineError);
}

// The mean of the blue channel of a decoded area.
double MeanBlue(const QImage& image, const QRect& area) {
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            sum += image.constScanLine(y)[x * 3];
    return sum / (area.width() * area.height());
}

TEST(TOverlay, EncoderBlendsOverlaysInBothRowPaths) {
    const QImage source = Flat(96, 64, QColor(100, 100, 100));
    for (bool prefilter : {false, true}) {
        TJPEGImage engine;
        engine.SetSource(source);
        engine.Settings().LumCompressionLevel = engine.Settings().ChromCompressionLevel = 95;
        if (prefilter) {
            engine.Settings().BaseFilter.ActiveFilter = 1;
            engine.Settings().BaseFilter.Strengths[0] = 60;
        }
        auto blue = PictureOverlay(Flat(32, 16, QColor(0, 0, 250)), 100, 0);
        auto red = PictureOverlay(Flat(16, 16, QColor(250, 0, 0)), 100, 0); // over the blue one's right half
        red->Entry.OverlayOpacity = 50;
        engine.Overlays().push_back(std::move(blue));
        engine.Overlays().push_back(std::move(red));
        engine.Compress();
        ASSERT_GT(engine.ResultSize(), 0) << engine.LastError();
        const QImage decoded = testsupport::DecodeWithLibjpeg(engine.Data()->Stream);
        ASSERT_FALSE(decoded.isNull());
        EXPECT_NEAR(MeanBlue(decoded, QRect(66, 2, 12, 12)), 250, 6) << prefilter;
        // The second overlay reads what the first wrote: half of blue 250 and red's blue 0.
        EXPECT_NEAR(MeanBlue(decoded, QRect(82, 2, 12, 12)), 125, 6) << prefilter;
        EXPECT_NEAR(MeanBlue(decoded, QRect(4, 20, 40, 40)), 100, 4) << prefilter;
    }
}

TEST(TOverlay, MissingPictureFailsTheEncodeWithTheFileName) {
    TJPEGImage engine;
    engine.SetSource(Flat(32, 32, QColor(10, 10, 10)));
    auto overlay = std::make_unique<TOverlay>(32, 32);
    overlay->Entry.OverlayType = 1;
    overlay->Entry.OverlayImageFileName = "/nonexistent/watermark.png";
    overlay->Flags = 5;
    engine.Overlays().push_back(std::move(overlay));
    engine.Compress();
    EXPECT_EQ(engine.ResultSize(), 0);
    EXPECT_NE(engine.LastError().find("/nonexistent/watermark.png"), std::string::npos) << engine.LastError();
}

} // namespace
