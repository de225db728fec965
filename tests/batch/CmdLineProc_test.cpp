// The "/cmdlineproc" entry of vantorel, run as a process: arguments, switches, validation messages
// and the report file.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class CmdLine : public ::testing::Test {
protected:
    void SetUp() override {
        QDir root(m_dir.path());
        root.mkdir("src");
        root.mkdir("out");
        for (const char* name : {"src/b.png", "src/a.png"})
            testsupport::MakePicture(20, 10, testsupport::PictureKind::kPhotoLike).save(Path(name));
        Write("p.jcp", "LumCompressionLevel=40\r\n");
        Write("my.JCP.bak", "LumCompressionLevel=40\r\n");
        Write("notes.txt", "LumCompressionLevel=40\r\n");
    }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    void Write(const QString& name, const QByteArray& bytes) const {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // Runs the entry with the arguments after "/cmdlineproc"; returns the report's lines.
    QStringList Run(const QStringList& args) const {
        std::string command = "VANTOREL_SETTINGS='" + Path("settings.ini").toStdString() + "' " VANTOREL_APP " /CmdLineProc";
        for (const QString& a : args)
            command += " '" + a.toStdString() + "'";
        std::string output;
        EXPECT_EQ(testsupport::RunCommand(command, &output), 0) << output;
        QFile report(Path("report.txt"));
        if (!report.open(QIODevice::ReadOnly))
            return {"(no report)"};
        QString text = QString::fromLocal8Bit(report.readAll());
        EXPECT_TRUE(text.isEmpty() || text.endsWith("\r\n"));
        QStringList lines = text.split("\r\n");
        lines.removeLast();
        return lines;
    }
    QTemporaryDir m_dir;
};

TEST_F(CmdLine, ValidationMessages) {
    const QString report = Path("report.txt"), src = Path("src") + "/*.png";
    EXPECT_EQ(Run({report, Path("p.jcp"), src}), QStringList{"Not enough actual parameters"});
    EXPECT_EQ(Run({report, Path("none.jcp"), src, Path("nowhere")}),
              (QStringList{"Error(s):", "File not exists : " + Path("none.jcp"),
                           "Destination directory not exists : " + Path("nowhere") + "/"}));
    EXPECT_EQ(Run({report, Path("notes.txt"), src, Path("out")}), (QStringList{"Error(s):", "Profile required"}));
    EXPECT_EQ(Run({report, Path("my.JCP.bak"), src, Path("out")}), QStringList{"OK!"});
    EXPECT_EQ(Run({report, Path("p.jcp"), Path("src") + "/*.gif", Path("out")}),
              (QStringList{"Error(s):", "No source files found"}));
    // Results that would overwrite their sources need /r; a prefix makes the names differ.
    EXPECT_EQ(Run({report, Path("p.jcp"), src, Path("src")}),
              (QStringList{"Error(s):", "Result images will overwrite source ones. Use /r option to do this"}));
    EXPECT_EQ(Run({report, Path("p.jcp"), src, Path("src"), "/textprefix=x"}), QStringList{"OK!"});
    EXPECT_TRUE(QFile::exists(Path("src/xa.jpg")));
}

TEST_F(CmdLine, SwitchesNameTheResults) {
    const QString report = Path("report.txt"), src = Path("src") + "/a.png";
    struct Case {
        QStringList switches;
        const char* result;
    };
    const Case cases[] = {
        {{"/textprefix=Holiday_"}, "out/holiday_a.jpg"},           // switch values are lower-cased
        {{"/TextPrefix=a", "/numprefix=7"}, "out/7a.jpg"},           // a number wins over a text
        {{"/numsuffix=5", "/lz=3"}, "out/a005.jpg"},
        {{"/nofn", "/numsuffix=12"}, "out/12.jpg"},
        {{"/textsuffix=_s", "", "/numsuffix=9"}, "out/a_s.jpg"},     // an empty argument ends the switches
        {{"/numprefix=abc"}, "out/0a.jpg"},                         // not a number: 0
    };
    for (const Case& c : cases) {
        QDir(Path("out")).removeRecursively();
        QDir(m_dir.path()).mkdir("out");
        EXPECT_EQ(Run(QStringList{report, Path("p.jcp"), src, Path("out")} + c.switches), QStringList{"OK!"})
            << c.switches.join(' ').toStdString();
        EXPECT_EQ(testsupport::InspectJpeg(testsupport::ReadFileBytes(Path(c.result).toStdString())).Width, 20) << c.result;
    }
}

TEST_F(CmdLine, TheWorkersErrorsAreReported) {
    Write("src/c.png", "not a picture");
    const QStringList lines = Run({Path("report.txt"), Path("p.jcp"), Path("src") + "/*.png", Path("out")});
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "Error(s):");
    EXPECT_TRUE(lines[1].contains("c.png")) << lines[1].toStdString();
    EXPECT_EQ(QDir(Path("out")).entryList(QDir::Files).size(), 2);
}

} // namespace
