// Shared pieces of the benchmarks.
#include "BenchSupport.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <vector>

#include <jpeglib.h>

namespace bench {

std::string CorpusDir() {
    const QString dir = QStringLiteral(VANTOREL_CORPUS);
    return QFileInfo(dir).isDir() ? dir.toStdString() : std::string();
}

std::string PhotoPath(int argc, char** argv, const char* defaultPhoto) {
    if (argc > 1)
        return argv[1];
    const std::string corpus = CorpusDir();
    if (corpus.empty()) {
        std::printf("SKIPPED: no corpus folder beside the project\n");
        return {};
    }
    return corpus + "/" + defaultPhoto;
}

bool OpenPhoto(int argc, char** argv, const char* defaultPhoto, const char* benchName, Photo& photo, int& exitCode) {
    exitCode = 0;
    photo.Path = PhotoPath(argc, argv, defaultPhoto);
    if (photo.Path.empty())
        return false;
    photo.Picture = DecodeJpegFile(photo.Path);
    if (photo.Picture.isNull()) {
        std::fprintf(stderr, "%s: cannot decode %s\n", benchName, photo.Path.c_str());
        exitCode = 1;
        return false;
    }
    photo.Megapixels = photo.Picture.width() * static_cast<double>(photo.Picture.height()) / 1e6;
    return true;
}

namespace {

struct Error {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void ErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<Error*>(cinfo->err)->jump, 1);
}

long long StatusField(const char* name) {
    std::ifstream status("/proc/self/status");
    std::string key;
    long long value = 0;
    while (status >> key) {
        if (key == name) {
            status >> value;
            return value * 1024;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

} // namespace

QImage DecodeJpegFile(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    jpeg_decompress_struct cinfo;
    Error err;
    QImage image;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return {};
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    image = QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), QImage::Format_BGR888);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return image;
}

double MedianSeconds(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

long long ResidentBytes() {
    return StatusField("VmRSS:");
}
long long PeakResidentBytes() {
    return StatusField("VmHWM:");
}

void ResetPeakMemory() {
    // Writing 5 to clear_refs resets the peak resident set size to the current one (Linux 4.0+).
    std::ofstream("/proc/self/clear_refs") << "5";
}

} // namespace bench
