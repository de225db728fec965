// The target search: Compress with a 500 KB target against one plain encode of the same photograph,
// and the whole process against ImageMagick's own size search (`convert -define jpeg:extent=500KB`).
// Usage: bench_target [photo.jpg]
#include "BenchSupport.h"

#include "TJPEGImage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 5;
constexpr int kTargetKb = 500;
constexpr const char* kDefaultPhoto = "large/olympus-E-P3_iso1600_museum.jpg";

// Wall time of a command, median of kRuns; negative when it cannot run.
double CommandSeconds(const QString& program, const QStringList& args) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        QProcess process;
        process.start(program, args);
        if (!process.waitForFinished(600000) || process.exitCode() != 0)
            return -1;
        times.push_back(timer.nsecsElapsed() / 1e9);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bench::Photo photo;
    if (int exitCode = 0; !bench::OpenPhoto(argc, argv, kDefaultPhoto, "bench_target", photo, exitCode))
        return exitCode;
    const std::string& path = photo.Path;
    const QImage& picture = photo.Picture;
    std::printf("photo: %s, %dx%d (%.1f MP), target %d KB\n", path.c_str(), picture.width(), picture.height(),
                picture.width() * static_cast<double>(picture.height()) / 1e6, kTargetKb);

    // One plain encode, in an engine that encoded before (warm) and in a new one (cold, as the search's).
    TJPEGImage plain;
    plain.SetSource(picture);
    const double once = bench::MedianSeconds(kRuns, [&] { plain.Compress(); });
    const double onceCold = bench::MedianSeconds(kRuns, [&] {
        TJPEGImage engine;
        engine.SetSource(picture);
        engine.Compress();
    });

    int passes = 0, size = 0;
    const double search = bench::MedianSeconds(kRuns, [&] {
        TJPEGImage engine; // a fresh engine each run: a cold search, no warm start
        engine.SetSource(picture);
        engine.SetTargetKind(vantorel::TargetKind::kFileSize);
        engine.SetTargetEnabled(true);
        engine.Settings().ComprRatio = 0;
        engine.SetTargetSize(kTargetKb);
        engine.Compress();
        passes = engine.PassCount();
        size = engine.ResultSize();
    });
    std::printf("one encode: %.1f ms in a warm engine, %.1f ms in a new one\n", once * 1e3, onceCold * 1e3);
    std::printf("search: %.1f ms, %d passes, %d bytes (%.1f KB)\n", search * 1e3, passes, size, size / 1024.0);

    // Whole processes: vantorel-cli against ImageMagick on the same file.
    const QString cli = QCoreApplication::applicationDirPath() + "/../batch/vantorel-cli";
    const QString convert = QStandardPaths::findExecutable("convert");
    QTemporaryDir dir;
    const double ours = CommandSeconds(
        cli, {"--target-size", QString::number(kTargetKb), "-o", dir.path(), QString::fromStdString(path)});
    const double magick =
        convert.isEmpty()
            ? -1
            : CommandSeconds(convert, {QString::fromStdString(path), "-define",
                                       QString("jpeg:extent=%1KB").arg(kTargetKb), dir.filePath("magick.jpg")});
    if (ours > 0 && magick > 0)
        std::printf("whole process: vantorel-cli %.0f ms, ImageMagick convert %.0f ms, ratio %.3f\n", ours * 1e3,
                    magick * 1e3, ours / magick);
    else
        std::printf("whole process: %s\n",
                    convert.isEmpty() ? "ImageMagick's convert not installed" : "a command failed");
    std::printf("ratio search/one encode in a warm engine: %.3f\n", search / once);
    std::printf("ratio search/one encode: %.3f\n", search / onceCold);
    return 0;
}
