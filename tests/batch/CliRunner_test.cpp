// vantorel-cli end to end: options, results, error lines and exit codes.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using testsupport::RunCommand;

namespace {

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QDir(m_dir.path()).mkdir("out");
        testsupport::MakePicture(120, 80, testsupport::PictureKind::kPhotoLike).save(QString::fromStdString(Path("photo.png")));
        testsupport::MakePicture(64, 64, testsupport::PictureKind::kGradient).save(QString::fromStdString(Path("grad.bmp")));
    }
    std::string Path(const std::string& name) const { return m_dir.filePath(QString::fromStdString(name)).toStdString(); }
    int Run(const std::string& args, std::string* output) const {
        return RunCommand(std::string(VANTOREL_CLI) + " " + args, output);
    }
    QTemporaryDir m_dir;
};

TEST_F(Cli, HelpDescribesEveryOption) {
    std::string out;
    EXPECT_EQ(Run("--help", &out), 0);
    for (const char* option : {"--profile", "--set", "-o", "--help"})
        EXPECT_NE(out.find(option), std::string::npos) << option;
}

TEST_F(Cli, WritesOneResultPerInputWithTheSetValues) {
    std::string out;
    ASSERT_EQ(Run("--set LumCompressionLevel=30 --set ProgressiveEncoding=1 --set RestartInterval=4 --set "
                  "\"Comments=made by the test\" -o '" + Path("out") + "' '" + Path("photo.png") + "' '" +
                      Path("grad.bmp") + "'",
                  &out),
              0)
        << out;
    EXPECT_NE(out.find("photo.png -> "), std::string::npos) << out;
    EXPECT_NE(out.find(" bytes "), std::string::npos);
    const auto bytes = testsupport::ReadFileBytes(Path("out/photo.jpg"));
    const testsupport::JpegInfo info = testsupport::InspectJpeg(bytes);
    EXPECT_EQ(info.Width, 120);
    EXPECT_TRUE(info.Progressive);
    EXPECT_EQ(info.RestartInterval, 4u); // the part a --set key belongs to is switched on
    EXPECT_EQ(info.Tables[0], vantorel::BuildTable(true, {}, 71, false)); // level 30 = quality 71
    EXPECT_EQ(info.Segments.back(), (std::pair<int, std::string>{0xFE, "made by the test"}));
    EXPECT_FALSE(testsupport::ReadFileBytes(Path("out/grad.jpg")).empty());
    EXPECT_EQ(RunCommand("djpeg -outfile /dev/null '" + Path("out/photo.jpg") + "'", &out), 0) << out;
    // No temporary files are left behind.
    EXPECT_EQ(QDir(QString::fromStdString(Path("out"))).entryList(QDir::Files).size(), 2);
}

TEST_F(Cli, AppliesAProfileFileAndLetsSetWin) {
    QFile profile(QString::fromStdString(Path("p.jcp")));
    ASSERT_TRUE(profile.open(QIODevice::WriteOnly));
    profile.write("[ Main ]\r\nLumCompressionLevel=90\r\nChromCompressionLevel=90\r\nGrayscale=1\r\n");
    profile.close();
    std::string out;
    ASSERT_EQ(Run("--profile '" + Path("p.jcp") + "' --set ChromCompressionLevel=10 -o '" + Path("out") + "' '" +
                      Path("photo.png") + "'",
                  &out),
              0)
        << out;
    const testsupport::JpegInfo info = testsupport::InspectJpeg(testsupport::ReadFileBytes(Path("out/photo.jpg")));
    EXPECT_EQ(info.Components, 1);
    EXPECT_EQ(info.Tables[0], vantorel::BuildTable(true, {}, 11, false));
}

TEST_F(Cli, FailedFilesGetAnErrorLineAndTheRunGoesOn) {
    QFile text(QString::fromStdString(Path("notes.png")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is not a picture");
    text.close();
    testsupport::MakePicture(10, 10, testsupport::PictureKind::kNoise).save(QString::fromStdString(Path("photo.bmp"))); // also photo.jpg
    std::string out;
    EXPECT_EQ(Run("-o '" + Path("out") + "' '" + Path("notes.png") + "' '" + Path("missing.png") + "' '" +
                      Path("photo.png") + "' '" + Path("photo.bmp") + "' '" + Path("out") + "'",
                  &out),
              1);
    EXPECT_NE(out.find("notes.png: cannot read picture"), std::string::npos) << out;
    EXPECT_NE(out.find("missing.png: no such file"), std::string::npos) << out;
    EXPECT_NE(out.find("photo.bmp: result"), std::string::npos) << out; // would replace photo.png's result
    EXPECT_NE(out.find("is a folder"), std::string::npos) << out;
    EXPECT_NE(out.find("photo.png -> "), std::string::npos) << out;
    EXPECT_TRUE(testsupport::ReadFileBytes(Path("out/notes.jpg")).empty());
    const auto result = testsupport::ReadFileBytes(Path("out/photo.jpg"));
    EXPECT_EQ(testsupport::InspectJpeg(result).Width, 120); // photo.png's, not photo.bmp's
}

TEST_F(Cli, BadCommandLinesAndProfilesStopBeforeAnyFile) {
    struct Case {
        std::string args;
        std::string message;
    };
    const Case cases[] = {
        {"--set FilterRadius=abc -o '" + Path("out") + "' '" + Path("photo.png") + "'", "'abc' is not a valid integer value"},
        {"--set LumCompressionLevel -o '" + Path("out") + "' x.png", "--set needs Key=Value"},
        {"--profile '" + Path("none.jcp") + "' -o '" + Path("out") + "' '" + Path("photo.png") + "'", "none.jcp"},
        {"-o '" + Path("nowhere") + "' '" + Path("photo.png") + "'", "output folder does not exist"},
        {"'" + Path("photo.png") + "'", "no output folder"},
        {"--frobnicate", "unknown option"},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(Run(c.args, &out), 2) << c.args;
        EXPECT_NE(out.find(c.message), std::string::npos) << out;
    }
    EXPECT_TRUE(testsupport::ReadFileBytes(Path("out/photo.jpg")).empty());
}

} // namespace
