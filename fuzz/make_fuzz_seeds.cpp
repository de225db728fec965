// Writes the seed inputs of the fuzz targets that no peer tool can make: profile texts using every
// section, and answers of the web sharing service. Usage: make_fuzz_seeds FOLDER
#include "ProfileText.h"
#include "TJPEGImage.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

bool Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

std::string RichProfile() {
    TJPEGImage engine;
    engine.Settings().Comments = "line one\r\nline two = *CRLF* kept";
    engine.Settings().SelectiveCompression = true;
    engine.Settings().RestartInterval = 4;
    engine.SelectionUnits().push_back({0, 1, 2, 30, 40, {}, true});
    engine.SelectionUnits().push_back({1, 5, 5, 20, 25, {}, true});
    engine.SelectionUnits().push_back({2, 3, 4, 0, 0, {{3, 4}, {10, 4}, {7, 12}}, true});
    engine.Modifications().AddModification(7, 1, 0, 0, false, false);
    engine.Modifications().AddModification(0, 0, 0, 0, false, false);
    engine.Modifications().AddModification(2, 10, -20, 30, false, false);
    engine.Settings().Resizing.ResamplingWidth = 50;
    engine.Settings().Resizing.ResamplingWUnits = 1;
    engine.Overlays().push_back(std::make_unique<TOverlay>(1, 1));
    engine.Overlays().back()->Entry.OverlayText = "two\r\nlines";
    engine.Overlays().push_back(std::make_unique<TOverlay>(1, 1));
    engine.Overlays().back()->Entry.OverlayType = 1;
    engine.Overlays().back()->Entry.OverlayImageFileName = "/nonexistent/mark.png";
    engine.Overlays().back()->Entry.OverlayUseTranspColor = 1;
    vantorel::TJPEGProfile p = engine.GetProfile();
    p.MatchMask = 0xFFFFFFFFu;
    return vantorel::WriteProfileText(p);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    root.mkpath("profile");
    root.mkpath("web");
    bool ok = Write(root.filePath("profile/rich.jcp"), QByteArray::fromStdString(RichProfile()));
    ok = ok && Write(root.filePath("profile/default.jcp"),
                     QByteArray::fromStdString(vantorel::WriteProfileText(TJPEGImage().GetProfile())));
    ok = ok && Write(root.filePath("profile/short.jcp"),
                     "[ Main ]\r\nLumCompressionLevel=30\r\nGrayscale=1\r\nNumOverlays=17\r\n");
    const char* answers[] = {
        "OK!\r\nab12cd34 My gallery &#233;t&#233;\r\nef56gh78 Second\r\n",
        "err=7\r\n",
        "OK!\r\npid=abcd1234\r\nURL=http://example.invalid/1/x.jpg\r\n",
        "err=99999999999999",
        "&#99999999999;&#0;&#55296;&#65;",
    };
    int n = 0;
    for (const char* answer : answers)
        ok = ok && Write(root.filePath(QString("web/answer%1.txt").arg(++n)), answer);
    if (!ok) {
        std::fprintf(stderr, "make_fuzz_seeds: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
