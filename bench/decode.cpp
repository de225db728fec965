// Decoding speed: TJPEGImage::GetBitmap against libjpeg-turbo's plain decode of the same file into
// 24-bit rows, in the same process. Usage: bench_decode [photo.jpg]
#include "BenchSupport.h"

#include "TJPEGImage.h"

#include <QFile>

#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kRuns = 7;
constexpr const char* kDefaultPhoto = "large/olympus-E-P3_iso1600_museum.jpg";

void PeerDecode(const std::vector<std::uint8_t>& bytes, QImage& image) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    image = QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), QImage::Format_BGR888);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[16];
        const int count = std::min<int>(16, static_cast<int>(cinfo.output_height - cinfo.output_scanline));
        for (int i = 0; i < count; ++i)
            rows[i] = image.scanLine(static_cast<int>(cinfo.output_scanline) + i);
        jpeg_read_scanlines(&cinfo, rows, static_cast<JDIMENSION>(count));
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
}

} // namespace

int main(int argc, char** argv) {
    const std::string path = bench::PhotoPath(argc, argv, kDefaultPhoto);
    if (path.empty())
        return 0;
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_decode: cannot open %s\n", path.c_str());
        return 1;
    }
    const QByteArray data = file.readAll();
    const std::vector<std::uint8_t> bytes(data.begin(), data.end());

    QImage ours;
    const double oursTime = bench::MedianSeconds(kRuns, [&] {
        TJPEGImage engine;
        engine.LoadFromBytes(bytes);
        ours = engine.GetBitmap();
    });
    QImage peer;
    const double peerTime = bench::MedianSeconds(kRuns, [&] { PeerDecode(bytes, peer); });
    const double megapixels = ours.width() * static_cast<double>(ours.height()) / 1e6;
    std::printf("photo: %s, %dx%d (%.1f MP)\n", path.c_str(), ours.width(), ours.height(), megapixels);
    std::printf("ours (GetBitmap):      %.1f ms (%.0f MP/s)\n", oursTime * 1e3, megapixels / oursTime);
    std::printf("libjpeg-turbo decode:  %.1f ms (%.0f MP/s)\n", peerTime * 1e3, megapixels / peerTime);
    std::printf("ratio ours/peer: %.3f\n", oursTime / peerTime);
    return 0;
}
