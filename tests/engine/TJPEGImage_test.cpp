// TJPEGImage: sizes and ratios, markers in the result, modes, progress and cancellation.
#include "TJPEGImage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>

using testsupport::PictureKind;

namespace {

std::vector<std::uint8_t> Result(TJPEGImage& engine) {
    engine.Compress();
    EXPECT_EQ(engine.LastError(), "");
    return engine.Data() ? engine.Data()->Stream : std::vector<std::uint8_t>{};
}

TEST(TJPEGImage, RatiosAndTargets) {
    struct Case {
        float raw;
        int shown;
    };
    for (const Case& c : {Case{57.4f, 60}, Case{12.6f, 15}, Case{0.4f, 1}, Case{8.0f, 8}, Case{50.0f, 50}, Case{7.5f, 8}})
        EXPECT_EQ(TJPEGImage::RoundRatio(c.raw), c.shown) << c.raw;

    TJPEGImage engine;
    EXPECT_EQ(engine.CurrentRatio(), 20); // no result yet
    engine.SetSource(QImage(1000, 800, QImage::Format_BGR888));
    engine.SetTargetKind(vantorel::TargetKind::kRatio);
    engine.SetTargetRatio(30.0f);
    EXPECT_EQ(engine.Settings().TargetFileSize, 78); // 2,400,000 / 30 / 1024 = 78.1
    engine.SetTargetKind(vantorel::TargetKind::kFileSize);
    engine.SetTargetSize(200);
    EXPECT_FLOAT_EQ(engine.Settings().ComprRatio, 12.0f); // 2,400,000 / 204,800 = 11.7
    engine.SetTargetEnabled(true);
    EXPECT_EQ(engine.CurrentRatio(), 200); // with a target, the target value

    EXPECT_THROW(engine.SetWidth(5), vantorel::EngineError);
    try {
        engine.SetHeight(5);
    } catch (const vantorel::EngineError& e) {
        EXPECT_STREQ(e.what(), "Cannot change the size of a JPEG image");
    }
}

TEST(TJPEGImage, PrecisionIsReadFromTheSamplingFactors) {
    TJPEGImage engine;
    for (int value : {0, 1, 2}) {
        engine.SetPrecision(value);
        EXPECT_EQ(engine.GetPrecision(), value);
    }
    engine.Settings().HSampling[0] = 2; // 2x1 luma (4:2:2) counts as Normal
    engine.Settings().VSampling[0] = 1;
    EXPECT_EQ(engine.GetPrecision(), 0);
    engine.SetPrecision(1);
    engine.Settings().Grayscale = true;
    EXPECT_EQ(engine.GetPrecision(), 0);
}

TEST(TJPEGImage, AnEmptyEngineKeepsItsPreviousStream) {
    TJPEGImage engine;
    engine.Compress();
    EXPECT_EQ(engine.Data(), nullptr);
    engine.SetSource(testsupport::MakePicture(32, 32, PictureKind::kGradient));
    engine.Compress();
    const TJPEGDataPtr previous = engine.Data();
    ASSERT_GT(engine.ResultSize(), 0);
    engine.SetSource(QImage());
    engine.Compress();
    EXPECT_EQ(engine.Data(), previous);
}

TEST(TJPEGImage, SourcesInOtherPixelFormatsAreEncodedAs24Bit) {
    const QImage picture = testsupport::MakePicture(40, 30, PictureKind::kGradient);
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_Indexed8,
                                  QImage::Format_Grayscale8, QImage::Format_RGB16}) {
        TJPEGImage engine;
        engine.SetSource(picture.convertToFormat(format));
        const auto bytes = Result(engine);
        EXPECT_EQ(testsupport::InspectJpeg(bytes).Width, 40) << format;
    }
}

TEST(TJPEGImage, KeptSegmentsAndComments) {
    const QImage picture = testsupport::MakePicture(24, 16, PictureKind::kGradient);
    const std::string exif = std::string("Exif\0\0", 6) + "MM\0*fake";
    struct Case {
        const char* name;
        std::int32_t keep;
        std::string own, source;
        std::vector<std::pair<int, std::string>> expected; // APPn/COM segments after the JFIF header
        bool jfif;
    };
    const std::string sep(vantorel::kMarkerSeparator);
    const Case cases[] = {
        {"three APP2 in order", 1 << 2, "", "", {{0xE2, "a"}, {0xE2, "bb"}, {0xE2, "ccc"}}, true},
        {"EXIF kept: no JFIF", 1 << 1, "", "", {{0xE1, exif}}, false},
        {"own comment and the source's", 0x10000, "mine", "theirs", {{0xFE, "mine\r\ntheirs"}}, true},
        {"source comments dropped", 0, "mine", "theirs", {{0xFE, "mine"}}, true},
        {"own comment without source comments", 0x10000, "mine", "", {{0xFE, "mine"}}, true},
        {"only the source's comments", 0x10000, "", "theirs", {{0xFE, "theirs"}}, true},
        {"nothing", 0x10000, "", "", {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TJPEGImage engine;
        engine.SetSource(picture);
        engine.MarkerTexts()[1] = exif;
        engine.MarkerTexts()[2] = "a" + sep + "bb" + sep + "ccc";
        engine.MarkerTexts()[16] = c.source;
        engine.Settings().Comments = c.own;
        engine.Settings().KeepJPEGDataMask = c.keep;
        const testsupport::JpegInfo info = testsupport::InspectJpeg(Result(engine));
        EXPECT_EQ(info.HasJfif, c.jfif);
        std::vector<std::pair<int, std::string>> segments = info.Segments;
        if (c.jfif) {
            ASSERT_FALSE(segments.empty());
            segments.erase(segments.begin());
        }
        EXPECT_EQ(segments, c.expected);
    }

    // A comment longer than one segment continues in a second one.
    TJPEGImage engine;
    engine.SetSource(picture);
    engine.Settings().Comments = std::string(70000, 'c');
    const testsupport::JpegInfo info = testsupport::InspectJpeg(Result(engine));
    ASSERT_EQ(info.Segments.size(), 3u);
    EXPECT_EQ(info.Segments[1].second.size() + info.Segments[2].second.size(), 70000u);
}

QImage ColourfulPicture(int width, int height) {
    QImage image(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int c = (y * width + x) % 300; // 300 distinct colours
            std::uint8_t* p = image.scanLine(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(c % 256);
            p[1] = static_cast<std::uint8_t>(c / 256 * 100);
            p[2] = 7;
        }
    return image;
}

TEST(TJPEGImage, OriginalModeOfANonJpegSourceChoosesPrecisionByColours) {
    struct Case {
        int size;
        int lumaSampling;
    };
    for (const Case& c : {Case{100, 1}, Case{200, 2}}) {
        TJPEGImage engine;
        engine.Settings().CompressionMode = 1;
        engine.Settings().LumCompressionLevel = 10;
        engine.SetSource(ColourfulPicture(c.size, c.size));
        const testsupport::JpegInfo info = testsupport::InspectJpeg(Result(engine));
        EXPECT_EQ(info.HSamp[0], c.lumaSampling) << c.size;
        EXPECT_EQ(info.Tables[0], vantorel::BuildTable(true, {}, 96, false)); // quality 96, not 10
        EXPECT_EQ(engine.LastResultProfile().LumCompressionLevel, 96);
    }
}

TEST(TJPEGImage, SaveToStreamAndTheLengthPrefixedForm) {
    TJPEGImage engine;
    engine.SetSource(testsupport::MakePicture(20, 20, PictureKind::kPhotoLike));
    QBuffer plain, framed;
    plain.open(QIODevice::WriteOnly);
    framed.open(QIODevice::WriteOnly);
    engine.SaveToStream(plain); // encodes first
    engine.WriteData(framed);
    const QByteArray a = plain.data(), b = framed.data();
    ASSERT_EQ(b.size(), a.size() + 4);
    const std::uint32_t length = static_cast<std::uint8_t>(b[0]) | static_cast<std::uint8_t>(b[1]) << 8 |
                                 static_cast<std::uint8_t>(b[2]) << 16 | static_cast<std::uint8_t>(b[3]) << 24;
    EXPECT_EQ(length, static_cast<std::uint32_t>(a.size()));
    EXPECT_EQ(b.mid(4), a);
}

TEST(TJPEGImage, ProgressRunsFromStartToEnd) {
    TJPEGImage engine;
    engine.SetSource(testsupport::MakePicture(640, 480, PictureKind::kPhotoLike));
    engine.ProgressIntervalMs = 0;
    std::vector<vantorel::ProgressEvent> events;
    engine.OnProgress = [&](const vantorel::ProgressEvent& e) { events.push_back(e); };
    for (bool progressive : {false, true}) {
        events.clear();
        engine.Settings().ProgressiveEncoding = progressive;
        engine.Compress();
        ASSERT_GE(events.size(), 3u);
        EXPECT_EQ(events.front().Stage, vantorel::ProgressStage::kStarting);
        EXPECT_EQ(events.front().Percent, 0);
        EXPECT_EQ(events.back().Stage, vantorel::ProgressStage::kEnding);
        EXPECT_EQ(events.back().Percent, 100);
        for (std::size_t i = 1; i + 1 < events.size(); ++i) {
            EXPECT_EQ(events[i].Stage, vantorel::ProgressStage::kRunning);
            EXPECT_GE(events[i].Percent, events[i - 1].Percent);
            EXPECT_LE(events[i].Percent, 100);
        }
    }
}

TEST(TJPEGImage, CancellingAtAnyProgressReportKeepsThePreviousResult) {
    for (int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        TJPEGImage engine;
        engine.SetSource(testsupport::MakePicture(300, 200, PictureKind::kPhotoLike));
        engine.Threads = threads;
        engine.Compress();
        const TJPEGDataPtr previous = engine.Data();
        const std::vector<std::uint8_t> bytes = previous->Stream;
        engine.ProgressIntervalMs = 0;
        engine.Settings().LumCompressionLevel = 90;
        engine.Settings().ProgressiveEncoding = true;
        // Cancel at the k-th report, for every k, until an encode gets through to its end.
        int k = 1;
        for (;; ++k) {
            ASSERT_LT(k, 100000);
            int seen = 0;
            engine.OnProgress = [&](const vantorel::ProgressEvent& e) {
                if (++seen == k && e.Stage != vantorel::ProgressStage::kEnding)
                    throw vantorel::OperationAborted();
            };
            try {
                engine.Compress();
            } catch (const vantorel::OperationAborted&) {
                EXPECT_EQ(engine.Data(), previous) << "cancelled at report " << k;
                continue;
            }
            EXPECT_NE(engine.Data(), previous);
            break;
        }
        EXPECT_GT(k, 4); // cancelled in the transform and in the codec's passes
        EXPECT_EQ(previous->Stream, bytes); // the shared stream was never written into
    }
}

TEST(TJPEGImage, CodecErrorsEmptyTheResultWithTheirMessage) {
    TJPEGImage engine;
    engine.SetSource(testsupport::MakePicture(16, 16, PictureKind::kGradient));
    engine.Compress();
    ASSERT_GT(engine.ResultSize(), 0);
    engine.Settings().HSampling = {3, 2, 1}; // 3:2 cannot be downsampled
    engine.Settings().VSampling = {1, 1, 1};
    engine.Compress(); // does not throw
    EXPECT_EQ(engine.ResultSize(), 0);
    EXPECT_NE(engine.LastError().find("Fractional sampling"), std::string::npos) << engine.LastError();
}

} // namespace
