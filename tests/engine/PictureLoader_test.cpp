// The picture loader: every listed format from a file made at test time, the file record, reading
// by content, and what must be refused.
#include "PictureLoader.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>

using vantorel::ImageFileInfo;
using vantorel::PictureFormatKind;

namespace {

class Loader : public ::testing::Test {
protected:
    void SetUp() override {
        m_png = Path("source.png");
        ASSERT_TRUE(testsupport::MakePicture(24, 16, testsupport::PictureKind::kGradient).save(m_png));
    }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    // A file converted by GraphicsMagick's own command-line tool.
    QString Convert(const QString& name, const QString& options = {}) const {
        std::string output;
        EXPECT_EQ(testsupport::RunCommand("gm convert '" + m_png.toStdString() + "' " + options.toStdString() + " '" +
                                              Path(name).toStdString() + "'",
                                          &output),
                  0)
            << output;
        return Path(name);
    }
    void Write(const QString& name, const QByteArray& bytes) const {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QTemporaryDir m_dir;
    QString m_png;
};

TEST_F(Loader, ReadsEveryFormatOfTheList) {
    struct Case {
        const char* name;
        const char* options;
        PictureFormatKind format;
        int bits;
        int tolerance; // lossy formats and palettes change the pixels a little
    };
    const Case cases[] = {
        {"a.bmp", "", PictureFormatKind::kBmp, 24, 0},
        {"a.png", "", PictureFormatKind::kPng, 24, 0},
        {"a.tif", "", PictureFormatKind::kTiff, 24, 0},
        {"a.gif", "", PictureFormatKind::kGif, 8, 40},
        {"a.pcx", "", PictureFormatKind::kPcx, 24, 0},
        {"a.ppm", "", PictureFormatKind::kPpm, 24, 0},
        {"a.pgm", "", PictureFormatKind::kPpm, 8, 255},
        {"a.sgi", "", PictureFormatKind::kSgi, 24, 0},
        {"a.tga", "", PictureFormatKind::kTarga, 24, 0},
        {"a.webp", "-quality 100", PictureFormatKind::kWebp, 24, 40},
        {"a.jpg", "-quality 98", PictureFormatKind::kJpeg, 24, 40},
    };
    const QImage expected = testsupport::MakePicture(24, 16, testsupport::PictureKind::kGradient);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = Convert(c.name, c.options);
        ImageFileInfo info;
        const QImage picture = vantorel::LoadPictureWithInfo(file, false, info);
        EXPECT_EQ(picture.format(), QImage::Format_BGR888);
        EXPECT_EQ(info.Width, 24);
        EXPECT_EQ(info.Height, 16);
        EXPECT_EQ(info.FormatIndex, c.format);
        EXPECT_TRUE(info.KnownFormat);
        EXPECT_FALSE(info.ReadByContent);
        EXPECT_EQ(info.BitsPerPixel, c.bits);
        EXPECT_EQ(info.FileSize, QFileInfo(file).size());
        EXPECT_EQ(info.Size24, 24 * 3 * 16); // 72-byte rows are already a multiple of 4
        EXPECT_FLOAT_EQ(info.Ratio24, static_cast<float>(info.Size24) / info.FileSize);
        EXPECT_TRUE(info.TimesRead);
        EXPECT_LE(testsupport::Compare(picture, expected).max, c.tolerance);
    }
}

TEST_F(Loader, OurOwnReadersAndTheTransferFile) {
    // A 2 x 1 Photoshop file, RGB, 8 bits, uncompressed, planar.
    QByteArray psd("8BPS\0\1\0\0\0\0\0\0\0\3\0\0\0\1\0\0\0\2\0\x08\0\3", 26);
    psd.append(QByteArray(12, '\0')); // no colour mode data, resources or layers
    psd.append(QByteArray("\0\0", 2));        // raw data
    psd.append(QByteArray("\xFF\x00\x00\x80\x10\x20", 6)); // R, G, B planes of two pixels
    Write("a.psd", psd);
    ImageFileInfo info;
    QImage picture = vantorel::LoadPictureWithInfo(Path("a.psd"), false, info);
    ASSERT_EQ(picture.size(), QSize(2, 1));
    EXPECT_EQ(info.FormatIndex, PictureFormatKind::kPsd);
    EXPECT_EQ(picture.pixel(0, 0), qRgb(255, 0, 0x10));
    EXPECT_EQ(picture.pixel(1, 0), qRgb(0, 0x80, 0x20));

    // A 2 x 2 Autodesk cel with palette entries 1 (red) and 2 (blue), 6-bit levels.
    QByteArray cel(32, '\0');
    cel[0] = '\x19';
    cel[1] = '\x91';
    cel[2] = 2;
    cel[4] = 2;
    cel[10] = 8;
    QByteArray palette(768, '\0');
    palette[3] = 63;
    palette[8] = 63;
    cel.append(palette);
    cel.append(QByteArray("\1\2\2\1", 4));
    Write("a.cel", cel);
    picture = vantorel::LoadPictureWithInfo(Path("a.cel"), false, info);
    EXPECT_EQ(info.FormatIndex, PictureFormatKind::kAutodesk);
    EXPECT_EQ(picture.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(1, 0), qRgb(0, 0, 255));

    // The transfer file: width, height, then 4 bytes a pixel whose first three are reversed.
    QByteArray transfer("\2\0\0\0\1\0\0\0", 8);
    transfer.append(QByteArray("\x11\x22\x33\0\x44\x55\x66\0", 8));
    Write("t.pskwk", transfer);
    picture = vantorel::LoadPictureWithInfo(Path("t.pskwk"), false, info);
    EXPECT_EQ(picture.pixel(0, 0), qRgb(0x11, 0x22, 0x33));
    EXPECT_EQ(info.FormatName, "Windows Bitmap");
    EXPECT_EQ(info.FileSize, 6);
    EXPECT_TRUE(info.FileName.isEmpty());
    EXPECT_FALSE(QFile::exists(Path("t.pskwk"))); // read and deleted
}

TEST_F(Loader, MislabelledFilesAreReadByContent) {
    QFile::copy(Convert("b.png"), Path("really-png.bmp"));
    ImageFileInfo info;
    const QImage picture = vantorel::LoadPictureWithInfo(Path("really-png.bmp"), false, info);
    EXPECT_EQ(picture.width(), 24);
    EXPECT_TRUE(info.ReadByContent);
    EXPECT_EQ(info.FormatIndex, PictureFormatKind::kPng);

    // A JPEG with a preview size is decoded reduced and named by its EXIF data.
    const QString jpeg = Convert("c.jpg");
    std::string output;
    testsupport::RunCommand("exiftool -q -overwrite_original -Make=X '" + jpeg.toStdString() + "'", &output);
    const QImage preview = vantorel::LoadPictureWithInfo(jpeg, true, info, 4, 4);
    EXPECT_TRUE(info.ReducedPreview);
    EXPECT_LT(preview.width(), 24);
    EXPECT_EQ(info.FormatName, "JPEG/EXIF compliant");
}

TEST_F(Loader, RefusesWhatItMustNotRead) {
    // A 1 KB PNG claiming 100,000 x 100,000 pixels: the IHDR is patched (its CRC then fails, which
    // the size check must come before).
    QFile png(Convert("big.png"));
    ASSERT_TRUE(png.open(QIODevice::ReadWrite));
    QByteArray bytes = png.readAll();
    const char huge[8] = {0, 1, static_cast<char>(0x86), static_cast<char>(0xA0), 0, 1, static_cast<char>(0x86), static_cast<char>(0xA0)};
    std::memcpy(bytes.data() + 16, huge, 8);
    Write("big.png", bytes);
    Write("vector.bmp", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"></svg>");
    Write("script.png", "push graphic-context\nviewbox 0 0 10 10\npop graphic-context\n");
    Write("a.psp", QByteArray("Paint Shop Pro Image File\n\x1a\0\0\0\0\0", 32));
    Write("empty.gif", QByteArray());
    QDir(m_dir.path()).mkdir("folder.png");
    struct Case {
        const char* name;
        const char* message;
    };
    for (const Case& c : {Case{"big.png", ""}, Case{"vector.bmp", ""}, Case{"script.png", ""},
                          Case{"a.psp", "format not supported"}, Case{"empty.gif", ""}, Case{"folder.png", "folder"},
                          Case{"missing.tif", "cannot open"}}) {
        SCOPED_TRACE(c.name);
        const auto start = std::chrono::steady_clock::now();
        const long long rss = testsupport::PeakRss();
        ImageFileInfo info;
        try {
            vantorel::LoadPictureWithInfo(Path(c.name), false, info);
            ADD_FAILURE() << "read";
        } catch (const std::exception& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(c.name), std::string::npos) << message;
            EXPECT_NE(message.find(c.message), std::string::npos) << message;
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
        EXPECT_LT(testsupport::PeakRss() - rss, 64LL << 20);
    }
    const QString filter = vantorel::PictureFileFilter();
    EXPECT_TRUE(filter.startsWith("All supported formats|*.jpg;"));
    EXPECT_TRUE(filter.contains("|Autodesk (CEL, PIC)|*.cel;*.pic|"));
    EXPECT_FALSE(filter.contains("svg"));
}

} // namespace
