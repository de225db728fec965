// Loading and decoding JPEG streams: djpeg as the reference, markers, densities, limits, bad input.
#include "TJPEGImage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QTemporaryDir>

#include <chrono>

using testsupport::PictureKind;

namespace {

class Loading : public ::testing::Test {
protected:
    std::string Dir() const { return m_dir.path().toStdString(); }
    std::vector<std::uint8_t> Jpeg(const QImage& picture, const std::string& options) {
        return testsupport::CjpegCompress(picture, options, Dir());
    }
    QTemporaryDir m_dir;
};

TEST_F(Loading, DecodesLikeDjpegAtEveryScale) {
    const char* const layouts[] = {"-sample 2x2", "-sample 2x1", "-sample 1x1", "-progressive -sample 2x2",
                                   "-grayscale", "-restart 1 -sample 2x2", "-progressive -grayscale"};
    for (const QSize size : {QSize(67, 45), QSize(64, 48), QSize(9, 130)}) {
        const QImage picture = testsupport::MakePicture(size.width(), size.height(), PictureKind::kPhotoLike);
        for (const char* layout : layouts) {
            const std::vector<std::uint8_t> bytes = Jpeg(picture, std::string("-quality 85 ") + layout);
            const std::string path = testsupport::WriteTempFile(Dir(), "in.jpg", bytes);
            for (int scale = 0; scale <= 3; ++scale) {
                SCOPED_TRACE(std::string(layout) + " " + std::to_string(size.width()) + "x" +
                             std::to_string(size.height()) + " scale " + std::to_string(scale));
                TJPEGImage engine;
                engine.LoadFromBytes(bytes);
                engine.Settings().DecodeScale = scale;
                const QImage ours = engine.GetBitmap();
                const QImage reference = testsupport::DjpegDecode(path, scale, Dir());
                ASSERT_FALSE(reference.isNull());
                ASSERT_EQ(ours.size(), reference.size());
                EXPECT_EQ(ours.format(), QImage::Format_BGR888);
                EXPECT_EQ(testsupport::Compare(ours, reference).max, 0);
                EXPECT_EQ(engine.Width(), reference.width());
            }
        }
    }
}

TEST_F(Loading, ReadsHeaderMarkersAndTables) {
    const QImage picture = testsupport::MakePicture(40, 24, PictureKind::kGradient);
    const std::vector<std::uint8_t> plain = Jpeg(picture, "-quality 70 -progressive -restart 2 -sample 2x1");
    const std::vector<std::uint8_t> bytes = testsupport::InsertSegments(
        plain, {{0xE2, "first"}, {0xE2, "second"}, {0xFE, "note one"}, {0xE5, std::string("x\0y", 3)}, {0xFE, "two"}});
    TJPEGImage engine;
    engine.LoadFromBytes(bytes);
    EXPECT_EQ(engine.Width(), 40);
    EXPECT_TRUE(engine.Settings().ProgressiveEncoding); // from the header already
    engine.GetBitmap();
    EXPECT_EQ(engine.MarkerTexts()[2], "first@@@VTR@@@second");
    EXPECT_EQ(engine.MarkerTexts()[5], std::string("x\0y", 3));
    EXPECT_EQ(engine.SourceComments(), "note one\r\ntwo");
    EXPECT_EQ(engine.Settings().HSampling[0], 2);
    EXPECT_EQ(engine.Settings().VSampling[0], 1);
    const testsupport::JpegInfo info = testsupport::InspectJpeg(bytes);
    EXPECT_EQ(engine.Settings().RestartInterval, info.RestartInterval);
    ASSERT_EQ(engine.SourceTables().size(), info.Tables.size());
    for (std::size_t t = 0; t < info.Tables.size(); ++t)
        for (std::size_t k = 0; k < 64; ++k)
            EXPECT_EQ(engine.SourceTables()[t][k], info.Tables[t][k] & 0xFF);
    EXPECT_TRUE(engine.SourceIsJpeg());

    // Kept segments are written back as they were read: two APP2, in order.
    TJPEGImage result;
    result.AttachSource(&engine);
    result.CopySourceData(engine, true);
    result.SetSource(engine.DecodedBitmap());
    result.Settings().KeepJPEGDataMask = (1 << 2) | (1 << 5);
    result.Compress();
    const testsupport::JpegInfo out = testsupport::InspectJpeg(result.Data()->Stream);
    ASSERT_GE(out.Segments.size(), 4u);
    EXPECT_EQ(out.Segments[1], (std::pair<int, std::string>{0xE2, "first"}));
    EXPECT_EQ(out.Segments[2], (std::pair<int, std::string>{0xE2, "second"}));
    EXPECT_EQ(out.Segments[3], (std::pair<int, std::string>{0xE5, std::string("x\0y", 3)}));
    EXPECT_TRUE(out.Progressive); // taken from the source with its format
    EXPECT_EQ(out.HSamp[0], 2);
    EXPECT_EQ(out.VSamp[0], 1);

    // Later decodes of a result do not read its markers over the source's.
    result.GetBitmap();
    EXPECT_EQ(result.MarkerTexts()[2], "first@@@VTR@@@second");
}

TEST_F(Loading, DensitiesAreNormalisedToDotsPerInch) {
    const QImage picture = testsupport::MakePicture(16, 16, PictureKind::kGradient);
    struct Case {
        const char* exiftool;
        int dpi;
    };
    const Case cases[] = {{"-JFIF:ResolutionUnit=cm -JFIF:XResolution=38 -JFIF:YResolution=38", 97},
                          {"-JFIF:ResolutionUnit=inches -JFIF:XResolution=300 -JFIF:YResolution=300", 300},
                          {"-JFIF:ResolutionUnit=None -JFIF:XResolution=2 -JFIF:YResolution=1", 96},
                          {"-JFIF:all=", 96},
                          {"-EXIF:XResolution=200 -EXIF:YResolution=150 -EXIF:ResolutionUnit=inches", 200}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exiftool);
        const std::string path = testsupport::WriteTempFile(Dir(), "d.jpg", Jpeg(picture, "-quality 90"));
        std::string output;
        ASSERT_EQ(testsupport::RunCommand(std::string("exiftool -q -overwrite_original ") + c.exiftool + " '" + path + "'",
                                          &output),
                  0)
            << output;
        TJPEGImage engine;
        engine.LoadFromBytes(testsupport::ReadFileBytes(path));
        engine.GetBitmap();
        EXPECT_EQ(engine.Settings().DensityUnit, 1);
        EXPECT_EQ(engine.Settings().XDensity, c.dpi);
    }
}

TEST_F(Loading, GrayscaleDecodesTo24BitAndPaletteOutputIsAvailable) {
    const QImage picture = testsupport::MakePicture(30, 20, PictureKind::kPhotoLike);
    TJPEGImage gray;
    gray.LoadFromBytes(Jpeg(picture, "-grayscale"));
    const QImage decoded = gray.GetBitmap();
    EXPECT_EQ(decoded.format(), QImage::Format_BGR888);
    EXPECT_TRUE(gray.Settings().Grayscale);
    EXPECT_TRUE(gray.Data()->Grayscale);

    TJPEGImage palette;
    palette.Settings().EightBitOutput = true;
    palette.LoadFromBytes(Jpeg(picture, "-quality 90"));
    const QImage indexed = palette.GetBitmap();
    EXPECT_EQ(indexed.format(), QImage::Format_Indexed8);
    EXPECT_GT(indexed.colorCount(), 16);
    EXPECT_LE(indexed.colorCount(), 236);
    EXPECT_LT(testsupport::Compare(indexed, testsupport::MakePicture(30, 20, PictureKind::kPhotoLike)).mean, 12.0);

    // Progressive display ends with the same picture as a plain decode.
    TJPEGImage plain, shown;
    const auto progressive = Jpeg(picture, "-progressive");
    plain.LoadFromBytes(progressive);
    shown.LoadFromBytes(progressive);
    shown.Settings().ProgressiveDisplay = true;
    int redraws = 0;
    shown.ProgressIntervalMs = 0;
    shown.OnProgress = [&](const vantorel::ProgressEvent& e) { redraws += e.Redraw; };
    EXPECT_EQ(testsupport::Compare(shown.GetBitmap(), plain.GetBitmap()).max, 0);
    EXPECT_GT(redraws, 2); // one picture per scan
}

TEST_F(Loading, ChooseScale) {
    struct Case {
        int width, height, box, scale;
    };
    for (const Case& c : {Case{4000, 3000, 300, 3}, Case{400, 300, 300, 0}, Case{800, 600, 300, 1}, Case{1600, 1200, 300, 2}}) {
        TJPEGImage engine;
        engine.SetSource(QImage(c.width, c.height, QImage::Format_BGR888));
        EXPECT_EQ(engine.ChooseScale(c.box, c.box), c.scale != 0) << c.width;
        EXPECT_EQ(engine.Settings().DecodeScale, c.scale) << c.width;
    }
}

TEST_F(Loading, BadInputGivesTheCodecsMessage) {
    const std::vector<std::uint8_t> good = Jpeg(testsupport::MakePicture(64, 64, PictureKind::kNoise), "-quality 90");
    std::vector<std::uint8_t> png;
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        testsupport::MakePicture(4, 4, PictureKind::kGradient).save(&buffer, "PNG");
        png.assign(bytes.begin(), bytes.end());
    }
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* error; // at load or decode; null when the decode succeeds with a warning
        const char* warning;
    };
    const std::string text = "This is not a picture";
    const Case cases[] = {
        {"text", std::vector<std::uint8_t>(text.begin(), text.end()), "Not a JPEG file: starts with 0x54 0x68", nullptr},
        {"png", png, "Not a JPEG file: starts with 0x89 0x50", nullptr},
        {"headers only", std::vector<std::uint8_t>(good.begin(), good.begin() + 200), "missing SOS marker", nullptr},
        {"truncated", std::vector<std::uint8_t>(good.begin(), good.begin() + good.size() / 2), nullptr,
         "Premature end of JPEG file"},
        {"two bytes", {0xFF, 0xD8}, "", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TJPEGImage engine;
        try {
            engine.LoadFromBytes(c.bytes);
            const QImage decoded = engine.GetBitmap();
            ASSERT_EQ(c.error, nullptr) << "no error";
            EXPECT_EQ(decoded.size(), QSize(64, 64));
            bool found = false;
            for (const std::string& w : engine.Warnings())
                found = found || w.find(c.warning) != std::string::npos;
            EXPECT_TRUE(found);
        } catch (const EJPEG& e) {
            ASSERT_NE(c.error, nullptr) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
        }
    }
    TJPEGImage empty;
    empty.LoadFromBytes({});
    EXPECT_TRUE(empty.GetBitmap().isNull());
}

TEST_F(Loading, HostileFilesAreRefusedQuicklyAndSmall) {
    const std::vector<std::uint8_t> small = Jpeg(testsupport::MakePicture(16, 16, PictureKind::kGradient), "-progressive -grayscale");
    const std::vector<std::uint8_t> headerBomb = testsupport::HeaderBomb(small);
    ASSERT_LT(headerBomb.size(), 2048u);
    const std::vector<std::uint8_t> scanBomb = testsupport::ScanBomb(small, 20000);
    const long long rssBefore = testsupport::PeakRss();
    struct Case {
        const char* name;
        const std::vector<std::uint8_t>* bytes;
        const char* message;
    };
    for (const Case& c : {Case{"header bomb", &headerBomb, "too large"}, Case{"scan bomb", &scanBomb, "Too many scans"}}) {
        SCOPED_TRACE(c.name);
        const auto start = std::chrono::steady_clock::now();
        TJPEGImage engine;
        try {
            engine.LoadFromBytes(*c.bytes);
            engine.GetBitmap();
            ADD_FAILURE() << "accepted";
        } catch (const EJPEG& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_LE(engine.Warnings().size(), 101u);
    }
    EXPECT_LT(testsupport::PeakRss() - rssBefore, 64LL << 20);
}

TEST_F(Loading, CancellingADecodeEndsItQuietly) {
    TJPEGImage engine;
    engine.LoadFromBytes(Jpeg(testsupport::MakePicture(64, 400, PictureKind::kPhotoLike), "-quality 80"));
    engine.ProgressIntervalMs = 0;
    engine.OnProgress = [](const vantorel::ProgressEvent& e) {
        if (e.Stage == vantorel::ProgressStage::kRunning)
            throw vantorel::OperationAborted();
    };
    QImage decoded;
    EXPECT_NO_THROW(decoded = engine.GetBitmap());
    EXPECT_EQ(decoded.size(), QSize(64, 400));
}

} // namespace
