// The batch worker: broken files, numbering, order, overwriting sources, parallel runs.
#include "FileCollection.h"
#include "TBatchProcess.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

namespace {

using vantorel::TBatchProcess;

class Batch : public ::testing::Test {
protected:
    void SetUp() override {
        QDir(m_dir.path()).mkpath("src/sub");
        QDir(m_dir.path()).mkdir("out");
        // Twelve sources, three of them broken, in a fixed order.
        for (int i = 0; i < 12; ++i) {
            const QString name = m_dir.filePath(QString("src/%1file%2").arg(i >= 6 ? "sub/" : "").arg(i, 2, 10, QChar('0')));
            if (i == 3) {
                Write(name + ".jpg", QByteArray()); // empty
            } else if (i == 7) {
                Write(name + ".jpg", "not a picture at all");
            } else if (i == 10) {
                const auto jpeg = testsupport::CjpegCompress(
                    testsupport::MakePicture(64, 64, testsupport::PictureKind::kNoise, 3), "", m_dir.path().toStdString());
                Write(name + ".jpg", QByteArray(reinterpret_cast<const char*>(jpeg.data()), 300)); // headers only
            } else {
                const QImage picture = testsupport::MakePicture(40 + i, 30, testsupport::PictureKind::kPhotoLike, i);
                ASSERT_TRUE(picture.save(name + (i % 2 ? ".png" : ".bmp")));
            }
        }
        vantorel::CollectFiles(m_files, m_dir.filePath("src"), "*.*", true);
        m_files.sort(); // a fixed processing order for the test
        ASSERT_EQ(m_files.size(), 12);
        for (const QString& f : m_files)
            m_hashes << Hash(f);
    }
    static void Write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray Hash(const QString& path) {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    }
    vantorel::TBatchProcOptions Options() const {
        vantorel::TBatchProcOptions o;
        o.BatchSrcFolder = m_dir.filePath("src");
        o.BatchDestFolder = m_dir.filePath("out") + "/";
        o.BatchFNContOrig = true;
        o.BatchFNPrefType = 2;
        o.BatchFNPrefInitN = 1;
        o.BatchFNLeadZeroes = true;
        o.BatchFNLeadZeroesN = 2;
        o.BatchFNSufType = 1;
        o.BatchFNSuffix = "_web";
        return o;
    }
    QTemporaryDir m_dir;
    QStringList m_files;
    QList<QByteArray> m_hashes;
};

TEST_F(Batch, BrokenFilesGiveOneErrorLineEachAndTakeNoNumber) {
    QStringList previous;
    for (int jobs : {1, 2, 3}) {
        SCOPED_TRACE(jobs);
        QDir(m_dir.filePath("out")).removeRecursively();
        TBatchProcess batch(m_files, Options(), vantorel::Preferences{});
        batch.Jobs = jobs;
        batch.Job.ProfileText = "LumCompressionLevel=40\r\n";
        int lastPercent = -1;
        batch.OnProgress = [&](const vantorel::TBatchProcProgress& p) {
            EXPECT_GT(p.Percent, lastPercent);
            lastPercent = p.Percent;
        };
        batch.Execute();
        EXPECT_EQ(batch.ErrorCount, 3);
        ASSERT_EQ(batch.ErrorList.size(), 3);
        EXPECT_TRUE(batch.ErrorList[0].contains("file03.jpg")) << batch.ErrorList[0].toStdString();
        EXPECT_TRUE(batch.ErrorList[1].contains("file07.jpg"));
        EXPECT_TRUE(batch.ErrorList[2].contains("file10.jpg"));
        EXPECT_EQ(lastPercent, 100);
        ASSERT_EQ(batch.ResultList.size(), 9);
        // Numbers run 01..09 over the results only; sub-folders are mirrored.
        EXPECT_TRUE(batch.ResultList[0].endsWith("/out/01file00_web.jpg")) << batch.ResultList[0].toStdString();
        EXPECT_TRUE(batch.ResultList[3].endsWith("/out/04file04_web.jpg")) << batch.ResultList[3].toStdString();
        EXPECT_TRUE(batch.ResultList[8].endsWith("/out/sub/09file11_web.jpg")) << batch.ResultList[8].toStdString();
        for (const QString& r : batch.ResultList)
            EXPECT_EQ(testsupport::InspectJpeg(testsupport::ReadFileBytes(r.toStdString())).Tables[0],
                      vantorel::BuildTable(true, {}, 61, false));
        for (int i = 0; i < m_files.size(); ++i)
            EXPECT_EQ(Hash(m_files[i]), m_hashes[i]) << m_files[i].toStdString(); // sources untouched
        if (!previous.isEmpty()) {
            EXPECT_EQ(batch.ResultList, previous); // the same run whatever the number of workers
        }
        previous = batch.ResultList;
    }
}

TEST_F(Batch, OverwritingSourcesReplacesThemWholeAndKeepsTheirDate) {
    QStringList good;
    for (int i = 0; i < 3; ++i) {
        const QString name = m_dir.filePath(QString("src/photo%1.jpg").arg(i));
        const auto jpeg = testsupport::CjpegCompress(testsupport::MakePicture(32, 24, testsupport::PictureKind::kPhotoLike, i),
                                                     "-quality 95", m_dir.path().toStdString());
        Write(name, QByteArray(reinterpret_cast<const char*>(jpeg.data()), static_cast<int>(jpeg.size())));
        good << name;
    }
    vantorel::TBatchProcOptions o;
    o.BatchFNContOrig = true; // next to each source, same name: the sources are replaced
    vantorel::Preferences prefs;
    prefs.KeepOrigDatetime = true;
    const QDateTime old = QDateTime::currentDateTime().addDays(-30);
    for (const QString& f : good) {
        QFile file(f);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(old, QFileDevice::FileModificationTime));
    }
    TBatchProcess batch(good, o, prefs);
    batch.Jobs = 2;
    batch.Execute();
    EXPECT_EQ(batch.ErrorCount, 0);
    for (const QString& f : good) {
        EXPECT_EQ(testsupport::InspectJpeg(testsupport::ReadFileBytes(f.toStdString())).Components, 3);
        EXPECT_LE(std::abs(QFileInfo(f).lastModified().secsTo(old)), 1);
    }
    // No temporary files are left beside them.
    EXPECT_EQ(QDir(m_dir.filePath("src")).entryList(QDir::Files).size(), 6 + 3);
}

TEST_F(Batch, AResultNeverReplacesAnotherSourceOrAnEarlierResult) {
    // Without the original name every result is named by its number alone.
    Write(m_dir.filePath("src/1.jpg"), QByteArray());
    QStringList files = {m_files[0], m_files[1], m_dir.filePath("src/1.jpg")};
    vantorel::TBatchProcOptions o;
    o.BatchFNPrefType = 2;
    o.BatchFNPrefInitN = 1;
    o.BatchForceJpgExt = true;
    TBatchProcess batch(files, o, vantorel::Preferences{});
    batch.Execute();
    ASSERT_EQ(batch.ErrorCount, 3); // both results would be 1.jpg (a failure takes no number), and 1.jpg is empty
    EXPECT_TRUE(batch.ErrorList[0].contains("would replace another source")) << batch.ErrorList[0].toStdString();
    EXPECT_TRUE(batch.ErrorList[1].contains("would replace another source"));
    EXPECT_EQ(QFileInfo(m_dir.filePath("src/1.jpg")).size(), 0); // still the source it was

    TBatchProcess twice({m_files[0], m_files[0]}, Options(), vantorel::Preferences{});
    twice.Options.BatchFNPrefType = 0;
    twice.Execute();
    ASSERT_EQ(twice.ErrorCount, 1);
    EXPECT_TRUE(twice.ErrorList[0].contains("already written")) << twice.ErrorList[0].toStdString();
}

} // namespace

namespace {

// A batch that overwrites its sources, killed while it writes: every source is afterwards either
// its complete old content or a complete new result.
TEST_F(Batch, AKilledOverwritingBatchLeavesNoTruncatedFile) {
    QDir(m_dir.path()).mkdir("kill");
    QStringList sources;
    QList<QByteArray> originals;
    for (int i = 0; i < 24; ++i) {
        const auto jpeg = testsupport::CjpegCompress(testsupport::MakePicture(400, 300, testsupport::PictureKind::kNoise, i),
                                                     "-quality 97", m_dir.path().toStdString());
        const QString name = m_dir.filePath(QString("kill/%1.jpg").arg(i, 2, 10, QChar('0')));
        Write(name, QByteArray(reinterpret_cast<const char*>(jpeg.data()), static_cast<int>(jpeg.size())));
        sources << name;
        originals << QByteArray(reinterpret_cast<const char*>(jpeg.data()), static_cast<int>(jpeg.size()));
    }
    for (int delayMs : {40, 120, 250}) {
        QProcess process;
        process.start(VANTOREL_CLI, QStringList{"--overwrite", "--jobs", "2", "--set", "LumCompressionLevel=60", m_dir.filePath("kill")});
        ASSERT_TRUE(process.waitForStarted());
        QThread::msleep(static_cast<unsigned long>(delayMs));
        process.kill(); // SIGKILL
        process.waitForFinished();
        for (int i = 0; i < sources.size(); ++i) {
            QFile f(sources[i]);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            const QByteArray now = f.readAll();
            if (now == originals[i])
                continue;
            std::string output;
            const std::string path = sources[i].toStdString();
            EXPECT_EQ(testsupport::RunCommand("djpeg -outfile /dev/null '" + path + "'", &output), 0) << path;
            EXPECT_EQ(output, "") << path << " is not a complete JPEG file";
            originals[i] = now; // the next run starts from this
        }
    }
}

} // namespace
