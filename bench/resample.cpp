// Resampling a photograph of at least 24 MP to 1600 pixels wide: the area-average reducer and the
// Mitchell filter in process, vantorel-cli with a resizing profile as a whole process (decode,
// resize, encode), and GraphicsMagick's `gm convert -filter Mitchell -resize 1600x` on the same
// file, in the same run.
// Usage: bench_resample [photo.jpg]
#include "BenchSupport.h"

#include "ProfileText.h"
#include "ResampleProc.h"
#include "TJPEGImage.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
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
    std::printf("photo: %s, %dx%d (%.1f MP) -> %dx%d; decode %.0f ms\n", path.c_str(), picture.width(),
                picture.height(), picture.width() * static_cast<double>(picture.height()) / 1e6, width, height,
                decode * 1e3);
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
    std::printf("ratio Mitchell routine / gm whole process: %.3f\n", mitchell / peer);

    // The same through vantorel-cli: a profile whose resizing group asks for 1600 pixels wide.
    const QString cli = QCoreApplication::applicationDirPath() + "/../batch/vantorel-cli";
    double whole[4] = {};
    for (int method : {3, 2}) {
        TJPEGImage engine;
        engine.Modifications().AddModification(0, 0, 0, 0, false, false);
        engine.Settings().Resizing.ResamplingWidth = width;
        engine.Settings().Resizing.ResamplingMethod = method;
        engine.Settings().Resizing.ResamplingFidLevel = 256;
        vantorel::TJPEGProfile p = engine.GetProfile();
        p.MatchMask |= vantorel::kMatchResizing | vantorel::kMatchOtherModifications;
        const QString profile = dir.filePath(QStringLiteral("resize%1.jcp").arg(method));
        QFile file(profile);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(QByteArray::fromStdString(vantorel::WriteProfileText(p)));
        file.close();
        QDir(dir.path()).mkpath(QStringLiteral("out%1").arg(method));
        const QString outDir = dir.filePath(QStringLiteral("out%1").arg(method));
        whole[method] = bench::MedianSeconds(kRuns, [&] {
            QProcess run;
            run.setStandardOutputFile(QProcess::nullDevice());
            run.start(cli, {"--profile", profile, "-o", outDir, QString::fromStdString(path)});
            run.waitForFinished(-1);
        });
        const QSize made =
            QImageReader(outDir + "/" + QFileInfo(QString::fromStdString(path)).completeBaseName() + ".jpg").size();
        std::printf("vantorel-cli, resizing method %d (whole process): %.0f ms, result %dx%d\n", method,
                    whole[method] * 1e3, made.width(), made.height());
    }
    std::printf("ratio vantorel-cli area average / gm: %.3f\n", whole[3] / peer);
    std::printf("ratio vantorel-cli Mitchell / gm: %.3f\n", whole[2] / peer);
    return 0;
}
