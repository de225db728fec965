// Prefilter speed on a photograph of at least 12 MP: each filter at radius 5 and 8 in megapixels
// per second, and the sliding median against the direct per-pixel window (same output required).
// Usage: bench_prefilter [photo.jpg]
#include "BenchSupport.h"

#include "Prefilter.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kDefaultPhoto = "large/olympus-E-P3_iso1600_museum.jpg";
constexpr int kDirectRows = 48; // the direct window is slow: it is timed on a band of rows

double FilterRows(const vantorel::PrefilterSetup& setup, int firstRow, int rows, bool direct,
                  std::vector<std::uint8_t>& out) {
    const std::size_t rowBytes = static_cast<std::size_t>(setup.Source.Width) * 3;
    out.resize(rowBytes * static_cast<std::size_t>(rows));
    return bench::MedianSeconds(1, [&] {
        for (int i = 0; i < rows; ++i)
            (direct ? vantorel::PrefilterRowDirect : vantorel::PrefilterRow)(setup, firstRow + i,
                                                                             out.data() + rowBytes * i);
    });
}

} // namespace

int main(int argc, char** argv) {
    bench::Photo photo;
    if (int exitCode = 0; !bench::OpenPhoto(argc, argv, kDefaultPhoto, "bench_prefilter", photo, exitCode))
        return exitCode;
    const std::string& path = photo.Path;
    const QImage& picture = photo.Picture;
    const double megapixels = photo.Megapixels;
    std::printf("photo: %s, %dx%d (%.1f MP), one thread\n", path.c_str(), picture.width(), picture.height(),
                megapixels);
    const char* names[6] = {"",         "Unsharp Masking", "Luma Equalizing", "Noise Removing", "Range Equalizing",
                            "Smoothing"};
    std::vector<std::uint8_t> out;
    for (int kind = 1; kind <= 5; ++kind)
        for (int radius : {5, 8}) {
            vantorel::PrefilterSetup setup;
            setup.Source = TPixelView::OfShared(picture);
            setup.Base = {vantorel::PrefilterOperationCode(kind), radius, 50};
            const double seconds = FilterRows(setup, 0, picture.height(), false, out);
            std::printf("%-17s radius %d: %6.1f MP/s\n", names[kind], radius, megapixels / seconds);
        }

    vantorel::PrefilterSetup median;
    median.Source = TPixelView::OfShared(picture);
    median.Base = {5, 8, 50}; // Noise Removing: three channel medians per pixel
    const int first = picture.height() / 2;
    std::vector<std::uint8_t> sliding, direct;
    const double slidingTime = FilterRows(median, first, kDirectRows, false, sliding);
    const double directTime = FilterRows(median, first, kDirectRows, true, direct);
    const bool same = sliding == direct;
    std::printf("median radius 8 on %d rows: sliding %.1f ms, direct %.1f ms, output %s\n", kDirectRows,
                slidingTime * 1e3, directTime * 1e3, same ? "identical" : "DIFFERENT");
    std::printf("ratio sliding/direct: %.3f\n", slidingTime / directTime);
    return same ? 0 : 1;
}
