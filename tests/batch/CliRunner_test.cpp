// vantorel-cli end to end: options, results, error lines and exit codes.
#include "Bitmap24.h"
#include "ProfileText.h"
#include "TJPEGImage.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
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
                      Path("photo.png") + "' '" + Path("photo.bmp") + "'",
                  &out),
              1);
    EXPECT_NE(out.find("notes.png: cannot read picture"), std::string::npos) << out;
    EXPECT_NE(out.find("missing.png: no such file"), std::string::npos) << out;
    EXPECT_NE(out.find("photo.bmp: its result"), std::string::npos) << out; // would replace photo.png's result
    EXPECT_NE(out.find("1 processed, 3 failed"), std::string::npos) << out;
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
        {"--no-name '" + Path("photo.png") + "'", "--no-name needs"},
        {"--keep exif,thumbs -o '" + Path("out") + "' x.png", "--keep takes"},
        {"--jobs many '" + Path("photo.png") + "'", "--jobs needs a whole number"},
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

namespace {

TEST_F(Cli, JpegSourcesTargetsModesAndOrientation) {
    // A JPEG source stored sideways (EXIF orientation 6), 64 x 48 as stored.
    const std::string jpeg = Path("sideways.jpg");
    const auto bytes = testsupport::CjpegCompress(testsupport::MakePicture(64, 48, testsupport::PictureKind::kPhotoLike),
                                                  "-quality 92 -sample 1x1", m_dir.path().toStdString());
    testsupport::WriteTempFile(m_dir.path().toStdString(), "sideways.jpg", bytes);
    std::string out;
    ASSERT_EQ(RunCommand("exiftool -q -overwrite_original -Orientation#=6 '" + jpeg + "'", &out), 0) << out;

    struct Case {
        std::string args;
        int width, height;
        const char* line; // expected in the output
    };
    const Case cases[] = {
        {"", 48, 64, "sideways.jpg -> "},                            // turned upright
        {"--no-auto-rotate", 64, 48, "sideways.jpg -> "},            // kept as stored
        {"--mode lossless", 48, 64, "sideways.jpg -> "},
        {"--mode original", 48, 64, "sideways.jpg -> "},
        {"--target-size 2", 48, 64, " passes"},
        {"--target-ratio 30", 48, 64, " pass"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        ASSERT_EQ(Run(c.args + " -o '" + Path("out") + "' '" + jpeg + "'", &out), 0) << out;
        EXPECT_NE(out.find(c.line), std::string::npos) << out;
        const testsupport::JpegInfo info = testsupport::InspectJpeg(testsupport::ReadFileBytes(Path("out/sideways.jpg")));
        EXPECT_EQ(info.Width, c.width);
        EXPECT_EQ(info.Height, c.height);
    }
    // Original keeps the source's tables (turning a picture sideways transposes them, so keep it as stored).
    ASSERT_EQ(Run("--mode original --no-auto-rotate -o '" + Path("out") + "' '" + jpeg + "'", &out), 0);
    EXPECT_EQ(testsupport::InspectJpeg(testsupport::ReadFileBytes(Path("out/sideways.jpg"))).Tables,
              testsupport::InspectJpeg(bytes).Tables);

    // The Lossless mode needs a JPEG source: a PNG falls back to Original with a warning.
    ASSERT_EQ(Run("--mode lossless -o '" + Path("out") + "' '" + Path("photo.png") + "'", &out), 0);
    EXPECT_NE(out.find("warning: the Lossless mode needs a JPEG source"), std::string::npos) << out;

    for (const std::string bad : {"--target-size 0", "--target-ratio x", "--mode fast", "--target-size 5 --target-ratio 9"}) {
        EXPECT_EQ(Run(bad + " -o '" + Path("out") + "' '" + jpeg + "'", &out), 2) << bad;
    }
}

TEST_F(Cli, BrokenJpegFilesOfTheCorpusGiveErrorLinesOrResults) {
    const std::string corpus = testsupport::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "no corpus";
    const QStringList files = QDir(QString::fromStdString(corpus + "/broken")).entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    std::string args = "-o '" + Path("out") + "'";
    for (const QString& f : files)
        args += " '" + corpus + "/broken/" + f.toStdString() + "'";
    std::string out;
    const int status = Run(args, &out);
    EXPECT_TRUE(status == 0 || status == 1) << out;
    for (const QString& f : files)
        EXPECT_NE(out.find(f.toStdString()), std::string::npos) << f.toStdString() << " is not reported\n" << out;
}

} // namespace

namespace {

TEST_F(Cli, SelectiveCompressionAndPrefiltersFromSetLines) {
    std::string out;
    const std::string common = " -o '" + Path("out") + "' '" + Path("photo.png") + "'";
    ASSERT_EQ(Run("--set LumCompressionLevel=90" + common, &out), 0) << out;
    const auto coarse = testsupport::ReadFileBytes(Path("out/photo.jpg"));
    // The left half kept at a fine level: a larger file whose table is the finer one.
    ASSERT_EQ(Run("--set LumCompressionLevel=90 --set SelectiveCompression=1 --set SelLumCompressionLevel=10 "
                  "--set SelChromCompressionLevel=10 --set SelThreshold=50 --set NumSelUnits=1 --set SelUnitKind1=0 "
                  "--set SelUnitBegX1=0 --set SelUnitBegY1=0 --set SelUnitEndX1=500000 --set SelUnitEndY1=1000000" +
                      common,
                  &out),
              0)
        << out;
    const auto selective = testsupport::ReadFileBytes(Path("out/photo.jpg"));
    EXPECT_GT(selective.size(), coarse.size() + 200);
    EXPECT_EQ(testsupport::InspectJpeg(selective).Tables[0], vantorel::BuildTable(true, {}, 91, false));

    ASSERT_EQ(Run("--set LumCompressionLevel=90 --set ActiveFilter=5 --set FilterValue=100 --set FilterRadius=4" + common,
                  &out),
              0)
        << out;
    EXPECT_LT(testsupport::ReadFileBytes(Path("out/photo.jpg")).size(), coarse.size()); // smoothed: fewer bytes
}

} // namespace

namespace {

TEST_F(Cli, FoldersNamingOverwritingAndJobs) {
    QDir(m_dir.path()).mkpath("album/day2");
    for (const char* name : {"album/b.png", "album/a.bmp", "album/day2/c.png"})
        testsupport::MakePicture(30, 20, testsupport::PictureKind::kPhotoLike).save(QString::fromStdString(Path(name)));
    testsupport::WriteTempFile(m_dir.path().toStdString(), "album/notes.txt", {'h', 'i'}); // not taken from a folder
    std::string out;
    for (const char* jobs : {"1", "2"}) {
        QDir(QString::fromStdString(Path("out"))).removeRecursively();
        QDir(m_dir.path()).mkdir("out");
        ASSERT_EQ(Run(std::string("--jobs ") + jobs + " --recursive --num-prefix 7 --lz 3 --suffix _s --no-keep-date -o '" +
                          Path("out") + "' '" + Path("album") + "'",
                      &out),
                  0)
            << out;
        EXPECT_NE(out.find("3 processed, 0 failed"), std::string::npos) << out;
        for (const char* result : {"out/007a_s.jpg", "out/008b_s.jpg", "out/day2/009c_s.jpg"})
            EXPECT_FALSE(testsupport::ReadFileBytes(Path(result)).empty()) << result << "\n" << out;
    }

    // Next to the sources: a JPEG result would replace its JPEG source, which needs --overwrite.
    const std::string jpeg = Path("album/d.jpg");
    testsupport::WriteTempFile(m_dir.path().toStdString(), "album/d.jpg",
                               testsupport::CjpegCompress(testsupport::MakePicture(16, 16, testsupport::PictureKind::kNoise),
                                                          "-quality 95", m_dir.path().toStdString()));
    const auto before = testsupport::ReadFileBytes(jpeg);
    EXPECT_EQ(Run("'" + jpeg + "'", &out), 1);
    EXPECT_NE(out.find("--overwrite allows it"), std::string::npos) << out;
    EXPECT_EQ(testsupport::ReadFileBytes(jpeg), before);
    EXPECT_EQ(Run("--overwrite --keep none --set LumCompressionLevel=80 '" + jpeg + "'", &out), 0) << out;
    EXPECT_LT(testsupport::ReadFileBytes(jpeg).size(), before.size());
    EXPECT_EQ(QDir(QString::fromStdString(Path("album"))).entryList(QDir::Files).size(), 4); // no temporary files
}

// A profile that turns the picture clockwise, reduces it to 40 pixels wide, asks for a hand-drawn
// crop, and blends a red square into the top-left corner and, optionally, a text into the
// bottom-right one.
std::string EditingProfile(bool withText) {
    TJPEGImage engine;
    engine.Modifications().AddModification(7, 1, 0, 0, false, false);
    engine.Modifications().AddModification(0, 0, 0, 0, false, false);
    engine.Modifications().AddModification(8, 0, 0, 0, false, false); // the most recent
    engine.Settings().Resizing.ResamplingWidth = 40;
    engine.Settings().Resizing.ResamplingMethod = 2;
    engine.Settings().Resizing.ResamplingFidLevel = 256;
    engine.Overlays().push_back(std::make_unique<TOverlay>(1, 1));
    vantorel::OverlayEntry& square = engine.Overlays().back()->Entry;
    square.OverlayType = 1;
    square.OverlayHPos = square.OverlayVPos = 0;
    square.OverlayImageFileName = "@SQUARE@";
    if (withText) {
        engine.Overlays().push_back(std::make_unique<TOverlay>(1, 1));
        vantorel::OverlayEntry& text = engine.Overlays().back()->Entry;
        text.OverlayText = "A";
        text.OverlayFontName = "DejaVu Sans";
        text.OverlayFontSize = 14;
        text.OverlayHPos = text.OverlayVPos = 100;
        text.OverlayFontColor = 0x00FF00;
    }
    engine.Settings().LumCompressionLevel = engine.Settings().ChromCompressionLevel = 5; // fine
    vantorel::TJPEGProfile p = engine.GetProfile();
    p.MatchMask |= vantorel::kMatchLevels | vantorel::kMatchRotation | vantorel::kMatchOtherModifications | vantorel::kMatchResizing |
                   vantorel::kMatchWatermarks;
    return vantorel::WriteProfileText(p);
}

TEST_F(Cli, AppliesTheProfilesModificationsAndWatermarks) {
    QImage square = vantorel::MakeBitmap24(10, 10);
    square.fill(QColor(255, 0, 0));
    ASSERT_TRUE(square.save(QString::fromStdString(Path("square.png"))));
    std::vector<QImage> results;
    for (bool withText : {false, true}) {
        std::string text = EditingProfile(withText);
        text.replace(text.find("@SQUARE@"), 8, Path("square.png"));
        const std::string name = withText ? "text.jcp" : "plain.jcp";
        testsupport::WriteTempFile(m_dir.path().toStdString(), name, std::vector<std::uint8_t>(text.begin(), text.end()));
        const std::string out = withText ? "out/text" : "out/plain";
        QDir(m_dir.path()).mkpath(QString::fromStdString(out));
        std::string output;
        ASSERT_EQ(Run("--profile '" + Path(name) + "' -o '" + Path(out) + "' '" + Path("photo.png") + "' 2>&1", &output), 0)
            << output;
        EXPECT_NE(output.find("crop"), std::string::npos) << output; // dropped with a warning line
        results.push_back(testsupport::DecodeWithLibjpeg(testsupport::ReadFileBytes(Path(out + "/photo.jpg"))));
        ASSERT_FALSE(results.back().isNull());
    }
    // 120 × 80 turned clockwise is 80 × 120, reduced to 40 wide keeping the aspect.
    EXPECT_EQ(results[0].size(), QSize(40, 60));
    // The red square sits in the top-left corner.
    const QRgb corner = results[0].pixel(4, 4);
    EXPECT_GT(qRed(corner), 200);
    EXPECT_LT(qGreen(corner), 50);
    // The text changes the bottom-right corner, and nothing in the rows above its band of blocks
    // (the chroma of a block row reaches one pixel row up).
    double bottomRight = 0, top = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 40; ++x) {
            const int d = std::abs(qGreen(results[0].pixel(x, y)) - qGreen(results[1].pixel(x, y)));
            if (y >= 44 && x >= 28)
                bottomRight += d;
            else if (y < 30)
                top += d;
        }
    EXPECT_GT(bottomRight / (16 * 12), 5);
    EXPECT_EQ(top, 0);
}

} // namespace
