// Encoding speed and memory: TJPEGImage's encode (optimised Huffman tables, 4:2:0, baseline)
// against libjpeg-turbo compressing the same pixels with the same tables in the same process.
// Usage: bench_encode [photo.jpg]   (default: the largest suitable photograph of the corpus)
#include "BenchSupport.h"

#include "JpegCodec.h"
#include "TJPEGImage.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kRuns = 7;
constexpr const char* kDefaultPhoto = "large/olympus-E-P3_iso1600_museum.jpg";

std::size_t PeerEncode(const QImage& picture, const vantorel::QuantTable& luma, const vantorel::QuantTable& chroma) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width());
    cinfo.image_height = static_cast<JDIMENSION>(picture.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    unsigned int table[64];
    for (int k = 0; k < 64; ++k)
        table[k] = luma[static_cast<std::size_t>(k)];
    jpeg_add_quant_table(&cinfo, 0, table, 100, TRUE);
    for (int k = 0; k < 64; ++k)
        table[k] = chroma[static_cast<std::size_t>(k)];
    jpeg_add_quant_table(&cinfo, 1, table, 100, TRUE);
    cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 2;
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.constScanLine(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return size;
}

} // namespace

int main(int argc, char** argv) {
    bench::Photo photo;
    if (int exitCode = 0; !bench::OpenPhoto(argc, argv, kDefaultPhoto, "bench_encode", photo, exitCode))
        return exitCode;
    const std::string& path = photo.Path;
    const QImage& picture = photo.Picture;
    const double megapixels = photo.Megapixels;
    std::printf("photo: %s, %dx%d (%.1f MP)\n", path.c_str(), picture.width(), picture.height(), megapixels);

    TJPEGImage engine;
    engine.SetSource(picture);
    engine.SetPrecision(0);
    engine.Settings().OptimizeHuffman = true;
    std::size_t ourSize = 0;
    const auto ours = [&](int threads) {
        engine.Threads = threads;
        return bench::MedianSeconds(kRuns, [&] {
            engine.Compress();
            ourSize = static_cast<std::size_t>(engine.ResultSize());
        });
    };

    // Peak memory of one encode, over what the process held with the bitmap loaded.
    const long long before = bench::ResidentBytes();
    bench::ResetPeakMemory();
    engine.Compress();
    const long long extra = bench::PeakResidentBytes() - before;
    long long coefficients = 0;
    for (const vantorel::ComponentLayout& l :
         vantorel::ComputeLayout(picture.width(), picture.height(), false, {2, 1, 1}, {2, 1, 1}))
        coefficients += static_cast<long long>(l.ArrayWidth) * l.ArrayHeight * 128;
    const long long budget = coefficients + 32LL * 1024 * 1024;
    std::printf("peak memory over the loaded bitmap (%.1f MB): %.1f MB; budget coefficients %.1f MB + 32 MB: %s\n",
                picture.sizeInBytes() / 1048576.0, extra / 1048576.0, coefficients / 1048576.0,
                extra <= budget ? "within" : "EXCEEDED");

    const double oneThread = ours(1);
    const double allThreads = ours(0);
    const vantorel::QuantTableSet& tables = engine.LastTables();
    std::size_t peerSize = 0;
    const double peer =
        bench::MedianSeconds(kRuns, [&] { peerSize = PeerEncode(picture, tables.Slots[0], tables.Slots[1]); });

    std::printf("ours, one thread:  %.1f ms (%.0f MP/s), %zu bytes\n", oneThread * 1e3, megapixels / oneThread,
                ourSize);
    std::printf("ours, all cores:   %.1f ms (%.0f MP/s)\n", allThreads * 1e3, megapixels / allThreads);
    std::printf("libjpeg-turbo -optimize: %.1f ms (%.0f MP/s), %zu bytes\n", peer * 1e3, megapixels / peer, peerSize);
    std::printf("ratio ours/peer, one thread: %.3f\n", oneThread / peer);
    std::printf("ratio ours/peer: %.3f\n", allThreads / peer);
    return 0;
}
