// Resampling a photograph of at least 24 MP to 1600 pixels wide: the area-average reducer and the
// Mitchell filter in process, and GraphicsMagick's `gm convert -filter Mitchell -resize 1600x` as a
// whole process (decode, resize, encode) on the same file, in the same run.
// Usage: bench_resample [photo.jpg]
#include "BenchSupport.h"

#include "ResampleProc.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr const char* kDefaultPhoto = "large/Painting-Colors_by__herobrine7gamer.jpg";
constexpr int kRuns = 3;

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string path = bench::PhotoPath(argc, argv, kDefaultPhoto);
    if (path.empty())
        return 0;
    QElapsedTimer decodeTimer;
    decodeTimer.start();
    const QImage picture = bench::DecodeJpegFile(path);
    const double decode = decodeTimer.nsecsElapsed() / 1e9;
    if (picture.isNull()) {
        std::fprintf(stderr, "bench_resample: cannot decode %s\n", path.c_str());
        return 1;
    }
    const int width = 1600;
    const int height = static_cast<int>(std::lround(static_cast<double>(picture.height()) * width / picture.width()));
    std::printf("photo: %s, %dx%d (%.1f MP) -> %dx%d; decode %.0f ms\n", path.c_str(), picture.width(), picture.height(),
                picture.width() * static_cast<double>(picture.height()) / 1e6, width, height, decode * 1e3);
    QImage out(width, height, QImage::Format_BGR888);
    const double area = bench::MedianSeconds(kRuns, [&] { vantorel::Resample(picture, out, 3, 256, {}); });
    const double mitchell = bench::MedianSeconds(kRuns, [&] { vantorel::Resample(picture, out, 2, 256, {}); });
    std::printf("area average (method 3): %.0f ms\n", area * 1e3);
    std::printf("Mitchell (method 2):     %.0f ms\n", mitchell * 1e3);

    const QString gm = QStandardPaths::findExecutable("gm");
    if (gm.isEmpty()) {
        std::printf("gm: GraphicsMagick's command-line tool not installed\n");
        return 0;
    }
    QTemporaryDir dir;
    const double peer = bench::MedianSeconds(kRuns, [&] {
        QProcess::execute(gm, {"convert", QString::fromStdString(path), "-filter", "Mitchell", "-resize", "1600x",
                               dir.filePath("gm.jpg")});
    });
    std::printf("gm convert -filter Mitchell -resize 1600x (whole process): %.0f ms\n", peer * 1e3);
    std::printf("ours (decode + Mitchell, without the encode) / gm: %.3f\n", (decode + mitchell) / peer);
    std::printf("ratio Mitchell routine / gm whole process: %.3f\n", mitchell / peer);
    return 0;
}
