// A batch of 24 photographs through vantorel-cli with one and with two jobs, and ImageMagick's
// `mogrify -quality 75` on copies of the same files, in the same run (whole-process times).
// Usage: bench_batch
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kPhotos = 24;

double Run(const QString& program, const QStringList& args) {
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForFinished(1800000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "bench_batch: %s failed:\n%s\n", program.toLocal8Bit().constData(),
                     process.readAll().constData());
        return -1;
    }
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string corpus = bench::CorpusDir();
    if (corpus.empty()) {
        std::printf("SKIPPED: no corpus folder beside the project\n");
        return 0;
    }
    QStringList photos;
    for (const char* folder : {"large", "medium"})
        for (const QString& name :
             QDir(QString::fromStdString(corpus + "/" + folder)).entryList({"*.jpg"}, QDir::Files, QDir::Name))
            if (photos.size() < kPhotos)
                photos << QString::fromStdString(corpus + "/" + folder + "/") + name;
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("in");
    QDir(dir.path()).mkdir("magick");
    for (int i = 0; i < photos.size(); ++i) {
        const QString name = QString("%1.jpg").arg(i, 2, 10, QChar('0'));
        QFile::copy(photos[i], dir.filePath("in/" + name));
        QFile::copy(photos[i], dir.filePath("magick/" + name));
    }
    std::printf("%lld photographs\n", static_cast<long long>(photos.size()));
    const QString cli = QCoreApplication::applicationDirPath() + "/../batch/vantorel-cli";
    double times[3] = {0, 0, 0};
    for (int jobs = 1; jobs <= 2; ++jobs) {
        const QString out = dir.filePath(QString("out%1").arg(jobs));
        QDir(dir.path()).mkdir(QString("out%1").arg(jobs));
        times[jobs] = Run(cli, {"--jobs", QString::number(jobs), "--set", "LumCompressionLevel=26", "--set",
                                "ChromCompressionLevel=26", "-o", out, dir.filePath("in")});
        std::printf("vantorel-cli --jobs %d: %.2f s\n", jobs, times[jobs]);
    }
    std::printf("speed-up of --jobs 2 over --jobs 1: %.2f\n", times[1] / times[2]);
    const QString mogrify = QStandardPaths::findExecutable("mogrify");
    if (mogrify.isEmpty()) {
        std::printf("mogrify: ImageMagick not installed\n");
    } else {
        QStringList args{"-quality", "75"};
        for (const QString& f : QDir(dir.filePath("magick")).entryList({"*.jpg"}, QDir::Files, QDir::Name))
            args << dir.filePath("magick/" + f);
        const double magick = Run(mogrify, args);
        std::printf("mogrify -quality 75: %.2f s\n", magick);
        std::printf("ratio vantorel-cli --jobs 2 / mogrify: %.3f\n", times[2] / magick);
    }
    return 0;
}
