// Each correction kind applied to a 12 MP photograph through the modification list, in megapixels
// per second, with GraphicsMagick's in-process modulate (brightness and saturation) on the same
// pixels as the peer of the saturation kind.
// Usage: bench_corrections [photo.jpg]
#include "BenchSupport.h"

#include "TJPEGImage.h"

#include <Magick++.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kDefaultPhoto = "large/olympus-E-P3_iso1600_museum.jpg";
constexpr int kRuns = 3;

struct Kind {
    const char* name;
    std::uint8_t type;
    int v1, v2, v3;
};

} // namespace

int main(int argc, char** argv) {
    bench::Photo photo;
    if (int exitCode = 0; !bench::OpenPhoto(argc, argv, kDefaultPhoto, "bench_corrections", photo, exitCode))
        return exitCode;
    const std::string& path = photo.Path;
    const QImage& picture = photo.Picture;
    const double mp = photo.Megapixels;
    std::printf("photo: %s, %dx%d (%.1f MP)\n", path.c_str(), picture.width(), picture.height(), mp);

    TJPEGImage engine;
    engine.SetSource(picture);
    const Kind kinds[] = {
        {"Brightness +40", 1, 40, 0, 0},  {"Color Levels", 2, 20, -10, 5}, {"Saturation +50", 3, 50, 0, 0},
        {"Temperature +60", 4, 60, 0, 0}, {"Sharpness +60", 5, 60, 0, 0},  {"Sharpness -60 (blur)", 5, -60, 0, 0},
        {"Contrast +50", 6, 50, 0, 0},    {"Contrast -50", 6, -50, 0, 0},  {"Rotate 90", 7, 1, 0, 0},
    };
    double saturation = 0;
    for (const Kind& k : kinds) {
        engine.Modifications().Clear();
        engine.Modifications().AddModification(k.type, k.v1, k.v2, k.v3, false, false);
        // A new bitmap each run, as a preview the view still shows; and the engine's own bitmap again.
        const double s = bench::MedianSeconds(kRuns, [&] {
            engine.SetDecodedBitmap(QImage());
            engine.Modifications().ApplyModification(1);
        });
        const double reused = bench::MedianSeconds(kRuns, [&] { engine.Modifications().ApplyModification(1); });
        if (k.type == 3)
            saturation = s;
        std::printf("%-22s new bitmap %7.1f ms %6.1f MP/s, reused %7.1f ms %6.1f MP/s\n", k.name, s * 1e3, mp / s,
                    reused * 1e3, mp / reused);
    }

    Magick::InitializeMagick(argv[0]);
    // GraphicsMagick reads packed rows.
    std::vector<std::uint8_t> packed(static_cast<std::size_t>(picture.width()) * 3 *
                                     static_cast<std::size_t>(picture.height()));
    for (int y = 0; y < picture.height(); ++y)
        std::memcpy(packed.data() + static_cast<std::size_t>(y) * picture.width() * 3, picture.constScanLine(y),
                    static_cast<std::size_t>(picture.width()) * 3);
    Magick::Image image(static_cast<unsigned>(picture.width()), static_cast<unsigned>(picture.height()), "BGR",
                        Magick::CharPixel, packed.data());
    const double peer = bench::MedianSeconds(kRuns, [&] {
        Magick::Image copy = image;
        copy.modulate(100, 150, 100); // saturation +50 %
        copy.modifyImage();
    });
    std::printf("GraphicsMagick modulate saturation 150 %%: %.1f ms  %.1f MP/s\n", peer * 1e3, mp / peer);
    std::printf("ratio saturation ours / GraphicsMagick: %.3f\n", saturation / peer);
    return 0;
}
