// Writing under faults: a full disk (a file size limit), a rename that fails, and a batch that
// overwrites its sources killed in the middle. Every file is its old content or the complete new
// one, and no temporary file is left.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

class FaultInjection : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    std::string Path(const std::string& name) const {
        return m_dir.filePath(QString::fromStdString(name)).toStdString();
    }
    QStringList Files(const std::string& folder) const {
        return QDir(QString::fromStdString(Path(folder))).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    std::vector<std::uint8_t> SourceJpeg(int size, unsigned seed) const {
        return testsupport::CjpegCompress(testsupport::MakePicture(size, size, testsupport::PictureKind::kNoise, seed),
                                          "-quality 95", m_dir.path().toStdString());
    }
    QTemporaryDir m_dir;
};

TEST_F(FaultInjection, AFullDiskOrAFailingRenameKeepsTheOldFile) {
    QDir(m_dir.path()).mkpath("src");
    QDir(m_dir.path()).mkpath("out");
    const std::vector<std::uint8_t> source = SourceJpeg(300, 1);
    const std::string input = testsupport::WriteTempFile(Path("src"), "photo.jpg", source);
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    testsupport::WriteTempFile(Path("out"), "photo.jpg", old);

    // A file size limit far below the result: the write fails and is reported.
    std::string output;
    const int status = testsupport::RunCommand("prlimit --fsize=4096 " + std::string(VANTOREL_CLI) + " --set " +
                                                   "LumCompressionLevel=1 -o '" + Path("out") + "' '" + input + "'",
                                               &output);
    EXPECT_EQ(status, 1) << output;
    EXPECT_NE(output.find("photo.jpg"), std::string::npos) << output;
    EXPECT_NE(output.find("too large"), std::string::npos) << output; // "File too large"
    EXPECT_EQ(testsupport::ReadFileBytes(Path("out/photo.jpg")), old);
    EXPECT_EQ(Files("out"), QStringList{"photo.jpg"});

    // The result's name is taken by a folder: the rename fails, the folder stays, nothing is left.
    QDir(m_dir.path()).mkpath("out2/photo.jpg");
    EXPECT_EQ(
        testsupport::RunCommand(std::string(VANTOREL_CLI) + " -o '" + Path("out2") + "' '" + input + "'", &output), 1)
        << output;
    EXPECT_NE(output.find("photo.jpg"), std::string::npos) << output;
    EXPECT_TRUE(QFileInfo(QString::fromStdString(Path("out2/photo.jpg"))).isDir());
    EXPECT_EQ(Files("out2"), QStringList{});
    EXPECT_EQ(testsupport::ReadFileBytes(input), source);
}

TEST_F(FaultInjection, AKilledOverwritingBatchLeavesOldOrCompleteFiles) {
    constexpr int kFiles = 24;
    QDir(m_dir.path()).mkpath("src");
    QDir(m_dir.path()).mkpath("expected");
    std::vector<std::vector<std::uint8_t>> originals;
    for (int i = 0; i < kFiles; ++i) {
        originals.push_back(SourceJpeg(480, static_cast<unsigned>(i + 10)));
        testsupport::WriteTempFile(Path("src"), "p" + std::to_string(i) + ".jpg", originals.back());
        testsupport::WriteTempFile(Path("expected"), "p" + std::to_string(i) + ".jpg", originals.back());
    }
    // The complete results, made without interruption.
    std::string output;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(testsupport::RunCommand(std::string(VANTOREL_CLI) + " --jobs 2 --overwrite -o '" + Path("expected") +
                                          "' " + Path("expected") + "/*.jpg",
                                      &output),
              0)
        << output;
    const auto whole = std::chrono::steady_clock::now() - start;

    // The same run killed at a quarter, half and three quarters of the time it takes.
    int interrupted = 0;
    for (int quarter : {1, 2, 3}) {
        const auto delay = whole * quarter / 4;
        const long long delayMs = std::chrono::duration_cast<std::chrono::milliseconds>(delay).count();
        for (int i = 0; i < kFiles; ++i)
            testsupport::WriteTempFile(Path("src"), "p" + std::to_string(i) + ".jpg",
                                       originals[static_cast<std::size_t>(i)]);
        const pid_t pid = fork();
        if (pid == 0) {
            std::vector<std::string> args = {VANTOREL_CLI, "--jobs", "2", "--overwrite", "-o", Path("src")};
            for (int i = 0; i < kFiles; ++i)
                args.push_back(Path("src/p" + std::to_string(i) + ".jpg"));
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            const int null = ::open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execv(argv[0], argv.data());
            _exit(127);
        }
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(delay);
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        int replaced = 0;
        for (int i = 0; i < kFiles; ++i) {
            const std::string name = "p" + std::to_string(i) + ".jpg";
            const std::vector<std::uint8_t> now = testsupport::ReadFileBytes(Path("src/" + name));
            const bool old = now == originals[static_cast<std::size_t>(i)];
            const bool complete = now == testsupport::ReadFileBytes(Path("expected/" + name));
            EXPECT_TRUE(old || complete) << name << " after " << delayMs << " ms: " << now.size() << " bytes";
            replaced += complete ? 1 : 0;
        }
        if (replaced > 0 && replaced < kFiles)
            ++interrupted;
        QStringList expectedNames;
        for (int i = 0; i < kFiles; ++i)
            expectedNames << QString("p%1.jpg").arg(i);
        expectedNames.sort();
        EXPECT_EQ(Files("src"), expectedNames) << "temporary files left after " << delayMs << " ms";
    }
    EXPECT_GT(interrupted, 0) << "no kill landed in the middle of the batch";
}

} // namespace
