// Hostile files end to end through vantorel-cli and "/cmdlineproc": refused with a clear error
// line, quickly and in little memory.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QDir(m_dir.path()).mkpath("out");
        QDir(m_dir.path()).mkpath("src");
        const std::string profile = "LumCompressionLevel=40\r\n";
        Write("p.jcp", std::vector<std::uint8_t>(profile.begin(), profile.end()));
    }
    std::string Path(const std::string& name) const {
        return m_dir.filePath(QString::fromStdString(name)).toStdString();
    }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        return testsupport::WriteTempFile(m_dir.path().toStdString(), name, bytes);
    }
    QTemporaryDir m_dir;
};

TEST_F(HostileInput, BombsAreRefusedWithAnErrorLineInLittleMemory) {
    const std::vector<std::uint8_t> small =
        testsupport::CjpegCompress(testsupport::MakePicture(16, 16, testsupport::PictureKind::kGradient),
                                   "-progressive -grayscale", m_dir.path().toStdString());
    struct Case {
        const char* file;
        std::vector<std::uint8_t> bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"src/header.jpg", testsupport::HeaderBomb(small), "too large"},
        {"src/scans.jpg", testsupport::ScanBomb(small, 20000), "Too many scans"},
        {"src/claims.png", testsupport::PngSizeBomb(100000, 100000), "too large"},
    };
    ASSERT_LT(cases[0].bytes.size(), 2048u);
    ASSERT_LT(cases[2].bytes.size(), 1100u);
    // What the program needs for a tiny picture; sanitizers add their own shadow memory.
    const std::string tiny = Write("tiny.jpg", small);
    const testsupport::Measured base = testsupport::RunMeasured({VANTOREL_CLI, "-o", Path("out"), tiny});
    ASSERT_EQ(base.Status, 0) << base.Output;
    const long long limit = (kSanitized ? base.PeakBytes : 0) + (64LL << 20);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = Write(c.file, c.bytes);
        const testsupport::Measured cli = testsupport::RunMeasured({VANTOREL_CLI, "-o", Path("out"), path});
        EXPECT_EQ(cli.Status, 1) << cli.Output;
        EXPECT_NE(cli.Output.find(path), std::string::npos) << cli.Output;
        EXPECT_NE(cli.Output.find(c.reason), std::string::npos) << cli.Output;
        EXPECT_LT(cli.PeakBytes, limit);
        EXPECT_LT(cli.Seconds, 10.0); // a hang guard; the figures come from the closing measurements
        RecordProperty(std::string("cli_ms_") + c.file, static_cast<int>(cli.Seconds * 1000));
        RecordProperty(std::string("cli_kb_") + c.file, static_cast<int>(cli.PeakBytes / 1024));

        const std::string report = Path("report.txt");
        const testsupport::Measured batch =
            testsupport::RunMeasured({VANTOREL_APP, "/cmdlineproc", report, Path("p.jcp"), path, Path("out")});
        EXPECT_EQ(batch.Status, 0) << batch.Output;
        const std::vector<std::uint8_t> text = testsupport::ReadFileBytes(report);
        const QStringList lines =
            QString::fromLocal8Bit(reinterpret_cast<const char*>(text.data()), static_cast<qsizetype>(text.size()))
                .split("\r\n", Qt::SkipEmptyParts);
        ASSERT_GE(lines.size(), 2) << lines.join('|').toStdString();
        EXPECT_EQ(lines[0], "Error(s):");
        EXPECT_TRUE(lines[1].contains(QString::fromStdString(path)) && lines[1].contains(c.reason))
            << lines[1].toStdString();
        EXPECT_LT(batch.PeakBytes, limit);
        EXPECT_LT(batch.Seconds, 10.0);
    }
    EXPECT_TRUE(
        QDir(QString::fromStdString(Path("out"))).entryList({"header*", "scans*", "claims*"}, QDir::Files).isEmpty());
}

} // namespace
