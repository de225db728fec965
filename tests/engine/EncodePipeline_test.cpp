// The encoder against libjpeg-turbo: same coefficients (up to rounding ties), byte-identical
// Huffman optimisation, and files every decoder reads.
#include "TJPEGImage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cmath>

using testsupport::PictureKind;

namespace {

struct Layout {
    const char* name;
    int precision; // 0 Normal (4:2:0), 1 High (4:4:4), 2 Low
    bool grayscale;
    int lumaH, lumaV, chromaH, chromaV;
};

const Layout kLayouts[] = {
    {"normal", 0, false, 2, 2, 1, 1},
    {"high", 1, false, 1, 1, 1, 1},
    {"low", 2, false, 1, 1, 2, 2},
    {"grayscale", 0, true, 1, 1, 1, 1},
};

struct Size {
    int width, height;
};

// Sizes on and off the MCU grid, down to a single pixel.
const Size kSizes[] = {{64, 48}, {67, 45}, {1, 1}, {17, 9}, {130, 3}, {5, 77}};

std::vector<std::uint8_t> Encode(const QImage& picture, const Layout& layout, int lumLevel = 50,
                                 bool optimize = true, unsigned restart = 0, int threads = 0) {
    TJPEGImage engine;
    engine.SetSource(picture);
    engine.Threads = threads;
    engine.Settings().LumCompressionLevel = static_cast<std::uint8_t>(lumLevel);
    engine.Settings().OptimizeHuffman = optimize;
    engine.Settings().RestartInterval = restart;
    engine.Settings().Grayscale = layout.grayscale;
    engine.SetPrecision(layout.precision);
    engine.Compress();
    EXPECT_EQ(engine.LastError(), "");
    return engine.Data() ? engine.Data()->Stream : std::vector<std::uint8_t>{};
}

TEST(EncodePipeline, CoefficientsMatchLibjpegUpToRoundingTies) {
    for (const Layout& layout : kLayouts) {
        for (const Size& size : kSizes) {
            SCOPED_TRACE(std::string(layout.name) + " " + std::to_string(size.width) + "x" + std::to_string(size.height));
            const QImage picture = testsupport::MakePicture(size.width, size.height, PictureKind::kPhotoLike);
            const std::vector<std::uint8_t> ours = Encode(picture, layout, 40);
            const testsupport::JpegInfo info = testsupport::InspectJpeg(ours);
            ASSERT_FALSE(info.Tables.empty());
            const vantorel::QuantTable chroma = info.Tables.size() > 1 ? info.Tables[1] : info.Tables[0];
            const std::vector<std::uint8_t> peer =
                testsupport::CompressWithLibjpeg(picture, info.Tables[0], chroma, layout.lumaH, layout.lumaV,
                                                 layout.chromaH, layout.chromaV, true, layout.grayscale);
            const auto a = testsupport::ReadCoefficients(ours);
            const auto b = testsupport::ReadCoefficients(peer);
            ASSERT_EQ(a.size(), b.size());
            long differing = 0, total = 0;
            for (std::size_t c = 0; c < a.size(); ++c) {
                ASSERT_EQ(a[c].size(), b[c].size());
                for (std::size_t k = 0; k < a[c].size(); ++k) {
                    ++total;
                    if (a[c][k] != b[c][k]) {
                        ++differing;
                        // Only a rounding tie may differ (halves to even against halves away from 0).
                        EXPECT_LE(std::abs(a[c][k] - b[c][k]), 1) << "component " << c << " index " << k;
                    }
                }
            }
            EXPECT_LE(differing, std::max<long>(4, total / 500)) << differing << " of " << total << " differ";
        }
    }
}

TEST(EncodePipeline, OptimizedHuffmanTablesAreByteIdenticalToLibjpegs) {
    for (const Layout& layout : kLayouts) {
        for (const Size& size : kSizes) {
            for (unsigned restart : {0u, 1u, 3u}) {
                SCOPED_TRACE(std::string(layout.name) + " " + std::to_string(size.width) + "x" +
                             std::to_string(size.height) + " restart " + std::to_string(restart));
                const QImage picture = testsupport::MakePicture(size.width, size.height, PictureKind::kNoise, 5);
                const std::vector<std::uint8_t> ours = Encode(picture, layout, 30, true, restart);
                EXPECT_EQ(ours, testsupport::RewriteOptimized(ours, true));
            }
        }
    }
}

TEST(EncodePipeline, WithoutOptimisationUsesTheAnnexKTables) {
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        const QImage picture = testsupport::MakePicture(75, 41, PictureKind::kPhotoLike);
        const std::vector<std::uint8_t> ours = Encode(picture, layout, 50, false);
        EXPECT_EQ(ours, testsupport::RewriteOptimized(ours, false));
    }
}

TEST(EncodePipeline, ThreadCountDoesNotChangeTheStream) {
    const QImage picture = testsupport::MakePicture(333, 277, PictureKind::kPhotoLike);
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        EXPECT_EQ(Encode(picture, layout, 50, true, 0, 1), Encode(picture, layout, 50, true, 0, 3));
    }
}

TEST(EncodePipeline, FilesDecodeWithDjpegAndCarryWhatWasAskedFor) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        const char* name;
        int precision;
        bool grayscale, progressive;
        unsigned restart;
        int level;
    };
    const Case cases[] = {{"baseline 4:2:0", 0, false, false, 0, 50}, {"progressive 4:4:4", 1, false, true, 0, 20},
                          {"restart 2", 2, false, false, 2, 80},      {"grayscale progressive", 0, true, true, 5, 1},
                          {"finest", 0, false, false, 0, 100}};
    const QImage picture = testsupport::MakePicture(201, 133, PictureKind::kPhotoLike);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TJPEGImage engine;
        engine.SetSource(picture);
        engine.Settings().LumCompressionLevel = static_cast<std::uint8_t>(c.level);
        engine.Settings().ChromCompressionLevel = static_cast<std::uint8_t>(c.level);
        engine.Settings().Grayscale = c.grayscale;
        engine.Settings().ProgressiveEncoding = c.progressive;
        engine.Settings().RestartInterval = c.restart;
        engine.SetPrecision(c.precision);
        engine.Compress();
        const std::vector<std::uint8_t>& bytes = engine.Data()->Stream;
        const std::string path = testsupport::WriteTempFile(dir.path().toStdString(), "out.jpg", bytes);
        std::string output;
        EXPECT_EQ(testsupport::RunCommand("djpeg -outfile /dev/null '" + path + "'", &output), 0) << output;
        EXPECT_EQ(output, ""); // no warnings either

        const testsupport::JpegInfo info = testsupport::InspectJpeg(bytes);
        EXPECT_EQ(info.Width, 201);
        EXPECT_EQ(info.Height, 133);
        EXPECT_EQ(info.Components, c.grayscale ? 1 : 3);
        EXPECT_EQ(info.Progressive, c.progressive);
        EXPECT_EQ(info.RestartInterval, c.restart);
        const vantorel::QuantTable luma = vantorel::BuildTable(true, {}, c.level, false);
        const vantorel::QuantTable chroma = vantorel::BuildTable(false, {}, c.level, false);
        ASSERT_GE(info.Tables.size(), c.grayscale ? 1u : 2u);
        EXPECT_EQ(info.Tables[0], luma);
        if (!c.grayscale) {
            EXPECT_EQ(info.Tables[1], chroma);
            const int expectedH = c.precision == 0 ? 2 : 1;
            EXPECT_EQ(info.HSamp[0], expectedH);
            EXPECT_EQ(info.VSamp[0], expectedH);
            EXPECT_EQ(info.HSamp[1], c.precision == 2 ? 2 : 1);
            EXPECT_EQ(info.QuantSlot[1], 1);
            EXPECT_EQ(info.QuantSlot[2], 1);
        }
        // Marker order: JFIF first, then tables, frame, (restart definition), scan.
        ASSERT_FALSE(info.Markers.empty());
        EXPECT_EQ(info.Markers.front(), 0xE0);
        EXPECT_TRUE(info.HasJfif);
        const int sof = c.progressive ? 0xC2 : 0xC0;
        const auto at = [&](int code) {
            return std::find(info.Markers.begin(), info.Markers.end(), code) - info.Markers.begin();
        };
        EXPECT_LT(at(0xDB), at(sof));
        EXPECT_LT(at(sof), at(0xDA));
        EXPECT_EQ(at(0xDD) < at(0xDA), c.restart > 0);
        int scans = 0;
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
            scans += bytes[i] == 0xFF && bytes[i + 1] == 0xDA;
        EXPECT_EQ(scans, c.progressive ? (c.grayscale ? 6 : 10) : 1);
    }
}

double Psnr(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const std::uint8_t* p = a.constScanLine(y);
        const std::uint8_t* q = b.constScanLine(y);
        for (int x = 0; x < a.width() * 3; ++x)
            sum += (p[x] - q[x]) * (p[x] - q[x]);
    }
    const double mse = sum / (a.width() * a.height() * 3.0);
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

TEST(EncodePipeline, QualityFollowsTheLevel) {
    const QImage picture = testsupport::MakePicture(256, 192, PictureKind::kPhotoLike);
    double lastPsnr = 0;
    std::size_t lastSize = 0;
    for (int level : {5, 30, 50, 75, 95}) {
        SCOPED_TRACE(level);
        const std::vector<std::uint8_t> bytes = Encode(picture, kLayouts[0], level);
        const double psnr = Psnr(picture, testsupport::DecodeWithLibjpeg(bytes));
        EXPECT_GT(psnr, lastPsnr);
        EXPECT_GT(bytes.size(), lastSize);
        lastPsnr = psnr;
        lastSize = bytes.size();
    }
    EXPECT_GT(lastPsnr, 28.0); // chroma subsampling of the grain bounds it
}

} // namespace

namespace {

// Selective compression: a coefficient survives only if the area's own table keeps it, and is then
// coded with the file's (finer) table. Both follow from the same DCT value, so the result can be
// predicted exactly from plain encodes at the two qualities.
TEST(EncodePipeline, SelectiveMasksZeroByTheAreaTableAndCodeByTheFileTable) {
    const QImage picture = testsupport::MakePicture(64, 48, PictureKind::kPhotoLike);
    const auto plain = [&](int quality) {
        TJPEGImage engine;
        engine.SetSource(picture);
        engine.Settings().LumCompressionLevel = engine.Settings().ChromCompressionLevel = static_cast<std::uint8_t>(quality);
        engine.Compress();
        return testsupport::ReadCoefficients(engine.Data()->Stream);
    };
    const auto coarse = plain(30), fine = plain(80);
    for (bool selected : {false, true}) {
        SCOPED_TRACE(selected ? "all selected" : "all base area");
        TJPEGImage engine;
        engine.SetSource(picture);
        engine.Settings().LumCompressionLevel = engine.Settings().ChromCompressionLevel = 30;
        engine.Settings().SelectiveCompression = true;
        engine.Settings().SelLumCompressionLevel = engine.Settings().SelChromCompressionLevel = 80;
        engine.Settings().SelThreshold = 100;
        if (selected) // the whole picture
            engine.SelectionUnits().push_back({0, 0, 0, 1000000, 1000000, {}, true});
        engine.Compress();
        const testsupport::JpegInfo info = testsupport::InspectJpeg(engine.Data()->Stream);
        EXPECT_EQ(info.Tables[0], vantorel::BuildTable(true, {}, 80, false)); // the finer of the two areas
        const auto result = testsupport::ReadCoefficients(engine.Data()->Stream);
        for (std::size_t c = 0; c < result.size(); ++c)
            for (std::size_t k = 0; k < result[c].size(); ++k) {
                const int expected = selected ? fine[c][k] : (coarse[c][k] != 0 ? fine[c][k] : 0);
                ASSERT_EQ(result[c][k], expected) << "component " << c << " index " << k;
            }
    }
}

TEST(EncodePipeline, UnsupportedSettingsEmptyTheResultWithAMessage) {
    struct Case {
        const char* name;
        void (*set)(TJPEGImage&);
        const char* message;
    };
    const Case cases[] = {
        {"fast DCT", [](TJPEGImage& e) { e.Settings().DctMethod = 1; }, "Requested feature was omitted at compile time"},
        {"lossless without a JPEG source", [](TJPEGImage& e) { e.Settings().CompressionMode = 2; }, "Lossless"},
        {"original with one source table", [](TJPEGImage& e) {
             e.Settings().CompressionMode = 1;
             e.SetSourceTables({std::array<std::uint8_t, 64>{}}, true);
         }, "Quantization table 0x01 was not defined"},
    };
    for (const Case& c : cases) {
        TJPEGImage engine;
        engine.SetSource(testsupport::MakePicture(16, 16, PictureKind::kGradient));
        engine.Compress();
        ASSERT_GT(engine.ResultSize(), 0);
        c.set(engine);
        engine.Compress();
        EXPECT_EQ(engine.ResultSize(), 0) << c.name;
        EXPECT_NE(engine.LastError().find(c.message), std::string::npos) << c.name << ": " << engine.LastError();
    }
}

} // namespace
