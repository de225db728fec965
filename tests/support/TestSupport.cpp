// Helpers shared by the tests.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QApplication>

#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <jpeglib.h>

// After a longjmp these helpers return at once without reading their locals, so a clobbered
// local is harmless here.
#pragma GCC diagnostic ignored "-Wclobbered"

namespace testsupport {

QImage MakePicture(int width, int height, PictureKind kind, unsigned seed) {
    QImage image(width, height, QImage::Format_BGR888);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(0, 255);
    std::normal_distribution<double> grain(0.0, 6.0);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            int b = 0, g = 0, r = 0;
            switch (kind) {
            case PictureKind::kGradient:
                b = x * 255 / std::max(1, width - 1);
                g = y * 255 / std::max(1, height - 1);
                r = (x + y) * 255 / std::max(1, width + height - 2);
                break;
            case PictureKind::kNoise:
                b = noise(rng);
                g = noise(rng);
                r = noise(rng);
                break;
            case PictureKind::kPhotoLike: {
                // Smooth shading, a few hard edges and fine grain, like a photograph.
                const double fx = static_cast<double>(x) / width, fy = static_cast<double>(y) / height;
                const bool disc = (fx - 0.6) * (fx - 0.6) + (fy - 0.4) * (fy - 0.4) < 0.05;
                const bool bar = (x / 7) % 5 == 0 && fy > 0.7;
                b = static_cast<int>(60 + 120 * fy + (disc ? 80 : 0) + grain(rng));
                g = static_cast<int>(90 + 100 * fx * fy + (bar ? -70 : 0) + grain(rng));
                r = static_cast<int>(150 - 90 * fx + (disc ? -60 : 0) + grain(rng));
                break;
            }
            case PictureKind::kUniform:
                b = 40;
                g = 120;
                r = 200;
                break;
            }
            row[3 * x + 0] = static_cast<std::uint8_t>(std::clamp(b, 0, 255));
            row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(g, 0, 255));
            row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(r, 0, 255));
        }
    }
    return image;
}

namespace {

struct TestError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void TestErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<TestError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

} // namespace

JpegInfo InspectJpeg(const std::vector<std::uint8_t>& bytes) {
    JpegInfo info;
    // Marker order, from a plain walk of the segments up to the first SOS.
    for (std::size_t pos = 2; pos + 4 <= bytes.size();) {
        if (bytes[pos] != 0xFF) {
            ADD_FAILURE() << "marker expected at offset " << pos;
            break;
        }
        const int code = bytes[pos + 1];
        const std::size_t length = (bytes[pos + 2] << 8) | bytes[pos + 3];
        info.Markers.push_back(code);
        if ((code >= 0xE0 && code <= 0xEF) || code == 0xFE) {
            const std::string payload(reinterpret_cast<const char*>(bytes.data()) + pos + 4, length - 2);
            info.Segments.emplace_back(code, payload);
            if (code == 0xE0 && payload.rfind(std::string("JFIF\0", 5), 0) == 0)
                info.HasJfif = true;
        }
        if (code == 0xDA)
            break;
        pos += 2 + length;
    }

    jpeg_decompress_struct cinfo;
    TestError err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = TestErrorExit;
    if (setjmp(err.jump)) {
        ADD_FAILURE() << "libjpeg: " << err.message;
        jpeg_destroy_decompress(&cinfo);
        return info;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    info.Width = static_cast<int>(cinfo.image_width);
    info.Height = static_cast<int>(cinfo.image_height);
    info.Components = cinfo.num_components;
    info.Progressive = cinfo.progressive_mode != 0;
    info.RestartInterval = cinfo.restart_interval;
    for (int c = 0; c < cinfo.num_components && c < 3; ++c) {
        info.HSamp[static_cast<std::size_t>(c)] = cinfo.comp_info[c].h_samp_factor;
        info.VSamp[static_cast<std::size_t>(c)] = cinfo.comp_info[c].v_samp_factor;
        info.QuantSlot[static_cast<std::size_t>(c)] = cinfo.comp_info[c].quant_tbl_no;
    }
    for (int t = 0; t < NUM_QUANT_TBLS && cinfo.quant_tbl_ptrs[t]; ++t) {
        vantorel::QuantTable table{};
        for (int k = 0; k < 64; ++k)
            table[static_cast<std::size_t>(k)] = cinfo.quant_tbl_ptrs[t]->quantval[k];
        info.Tables.push_back(table);
    }
    jpeg_destroy_decompress(&cinfo);
    return info;
}

Coefficients ReadCoefficients(const std::vector<std::uint8_t>& bytes) {
    Coefficients result;
    jpeg_decompress_struct cinfo;
    TestError err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = TestErrorExit;
    if (setjmp(err.jump)) {
        ADD_FAILURE() << "libjpeg: " << err.message;
        jpeg_destroy_decompress(&cinfo);
        return {};
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&cinfo);
    result.resize(static_cast<std::size_t>(cinfo.num_components));
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& comp = cinfo.comp_info[c];
        for (JDIMENSION r = 0; r < comp.height_in_blocks; ++r) {
            JBLOCKARRAY rows =
                (*cinfo.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&cinfo), arrays[c], r, 1, FALSE);
            for (JDIMENSION b = 0; b < comp.width_in_blocks; ++b)
                result[static_cast<std::size_t>(c)].insert(result[static_cast<std::size_t>(c)].end(), rows[0][b],
                                                           rows[0][b] + 64);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return result;
}

std::vector<std::uint8_t> CompressWithLibjpeg(const QImage& picture, const vantorel::QuantTable& luma,
                                              const vantorel::QuantTable& chroma, int lumaH, int lumaV, int chromaH,
                                              int chromaV, bool optimize, bool grayscale) {
    jpeg_compress_struct cinfo;
    TestError err;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = TestErrorExit;
    if (setjmp(err.jump)) {
        ADD_FAILURE() << "libjpeg: " << err.message;
        jpeg_destroy_compress(&cinfo);
        std::free(out);
        return {};
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width());
    cinfo.image_height = static_cast<JDIMENSION>(picture.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    if (grayscale)
        jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    cinfo.comp_info[0].h_samp_factor = grayscale ? 1 : lumaH;
    cinfo.comp_info[0].v_samp_factor = grayscale ? 1 : lumaV;
    if (!grayscale)
        for (int c = 1; c < 3; ++c) {
            cinfo.comp_info[c].h_samp_factor = chromaH;
            cinfo.comp_info[c].v_samp_factor = chromaV;
        }
    unsigned int table[64];
    for (int k = 0; k < 64; ++k)
        table[k] = luma[static_cast<std::size_t>(k)];
    jpeg_add_quant_table(&cinfo, 0, table, 100, TRUE);
    for (int k = 0; k < 64; ++k)
        table[k] = chroma[static_cast<std::size_t>(k)];
    jpeg_add_quant_table(&cinfo, 1, table, 100, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.optimize_coding = optimize ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.constScanLine(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> bytes(out, out + outSize);
    std::free(out);
    return bytes;
}

std::vector<std::uint8_t> RewriteOptimized(const std::vector<std::uint8_t>& bytes, bool optimize) {
    jpeg_decompress_struct src;
    jpeg_compress_struct dst;
    std::memset(&src, 0, sizeof src);
    std::memset(&dst, 0, sizeof dst);
    TestError err;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    src.err = jpeg_std_error(&err.pub);
    dst.err = src.err;
    err.pub.error_exit = TestErrorExit;
    if (setjmp(err.jump)) {
        ADD_FAILURE() << "libjpeg: " << err.message;
        jpeg_destroy_decompress(&src);
        jpeg_destroy_compress(&dst);
        std::free(out);
        return {};
    }
    jpeg_create_decompress(&src);
    jpeg_create_compress(&dst);
    jpeg_mem_src(&src, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_save_markers(&src, JPEG_COM, 0xFFFF);
    for (int m = 0; m < 16; ++m)
        jpeg_save_markers(&src, JPEG_APP0 + m, 0xFFFF);
    jpeg_read_header(&src, TRUE);
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&src);
    jpeg_copy_critical_parameters(&src, &dst);
    dst.optimize_coding = optimize ? TRUE : FALSE;
    dst.restart_interval = src.restart_interval;
    dst.write_JFIF_header = src.saw_JFIF_marker;
    dst.density_unit = src.density_unit;
    dst.X_density = src.X_density;
    dst.Y_density = src.Y_density;
    jpeg_mem_dest(&dst, &out, &outSize);
    jpeg_write_coefficients(&dst, arrays);
    for (jpeg_saved_marker_ptr m = src.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 && src.saw_JFIF_marker && m->data_length >= 5 &&
            std::memcmp(m->data, "JFIF", 5) == 0)
            continue;
        jpeg_write_marker(&dst, m->marker, m->data, m->data_length);
    }
    jpeg_finish_compress(&dst);
    jpeg_finish_decompress(&src);
    jpeg_destroy_decompress(&src);
    jpeg_destroy_compress(&dst);
    std::vector<std::uint8_t> result(out, out + outSize);
    std::free(out);
    return result;
}

QImage DecodeWithLibjpeg(const std::vector<std::uint8_t>& bytes) {
    jpeg_decompress_struct cinfo;
    TestError err;
    QImage image;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = TestErrorExit;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return {};
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    cinfo.dct_method = JDCT_ISLOW;
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

int RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, n);
    const int status = pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string WriteTempFile(const std::string& dir, const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = dir + "/" + name;
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

std::string CorpusDir() {
    const QString dir = QStringLiteral(VANTOREL_CORPUS);
    return QFileInfo(dir).isDir() ? dir.toStdString() : std::string();
}

std::vector<std::uint8_t> CjpegCompress(const QImage& picture, const std::string& options, const std::string& dir) {
    const std::string ppm = dir + "/cjpeg-input.ppm", out = dir + "/cjpeg-output.jpg";
    EXPECT_TRUE(picture.convertToFormat(QImage::Format_RGB888).save(QString::fromStdString(ppm), "PPM"));
    std::string output;
    EXPECT_EQ(RunCommand("cjpeg " + options + " -outfile '" + out + "' '" + ppm + "'", &output), 0) << output;
    return ReadFileBytes(out);
}

QImage DjpegDecode(const std::string& path, int scale, const std::string& dir) {
    const std::string out = dir + "/djpeg-output.ppm";
    std::string output;
    if (RunCommand("djpeg -dct int -scale 1/" + std::to_string(1 << scale) + " -ppm -outfile '" + out + "' '" + path +
                       "'",
                   &output) != 0)
        return {};
    QImage image(QString::fromStdString(out), "PPM");
    return image.convertToFormat(QImage::Format_BGR888);
}

std::vector<std::uint8_t> InsertSegments(const std::vector<std::uint8_t>& jpeg,
                                         const std::vector<std::pair<int, std::string>>& segments) {
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    for (const auto& [code, payload] : segments) {
        const std::size_t length = payload.size() + 2;
        out.push_back(0xFF);
        out.push_back(static_cast<std::uint8_t>(code));
        out.push_back(static_cast<std::uint8_t>(length >> 8));
        out.push_back(static_cast<std::uint8_t>(length & 0xFF));
        out.insert(out.end(), payload.begin(), payload.end());
    }
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

Difference Compare(const QImage& a, const QImage& b) {
    Difference d;
    if (a.size() != b.size() || a.isNull()) {
        d.max = 256;
        return d;
    }
    const QImage x = a.convertToFormat(QImage::Format_BGR888), y = b.convertToFormat(QImage::Format_BGR888);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const std::uint8_t* p = x.constScanLine(row);
        const std::uint8_t* q = y.constScanLine(row);
        for (int i = 0; i < x.width() * 3; ++i) {
            const int diff = std::abs(p[i] - q[i]);
            d.max = std::max(d.max, diff);
            sum += diff;
        }
    }
    d.mean = sum / (static_cast<double>(x.width()) * x.height() * 3);
    return d;
}

long long PeakRss() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<long long>(usage.ru_maxrss) * 1024;
}

void EnsureGuiApplication() {
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "vantorel-tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv); // lives until the process ends
    (void)app;
}

Measured RunMeasured(const std::vector<std::string>& argv) {
    Measured m;
    int fds[2];
    if (pipe(fds) != 0)
        return m;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        close(fds[0]);
        close(fds[1]);
        execv(args[0], args.data());
        _exit(127);
    }
    close(fds[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        m.Output.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    rusage usage{};
    if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
        m.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        m.PeakBytes = static_cast<long long>(usage.ru_maxrss) * 1024;
    }
    m.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return m;
}

std::vector<std::uint8_t> HeaderBomb(std::vector<std::uint8_t> jpeg) {
    for (std::size_t i = 2; i + 9 < jpeg.size();) {
        const int code = jpeg[i + 1];
        const std::size_t length = static_cast<std::size_t>(jpeg[i + 2] << 8 | jpeg[i + 3]);
        if (code == 0xC2 || code == 0xC0) {
            jpeg[i + 5] = jpeg[i + 7] = 0xFF;
            jpeg[i + 6] = jpeg[i + 8] = 0xDC;
            break;
        }
        i += 2 + length;
    }
    return jpeg;
}

std::vector<std::uint8_t> ScanBomb(const std::vector<std::uint8_t>& jpeg, int scans) {
    std::size_t lastSos = 0;
    for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA)
            lastSos = i;
    const std::vector<std::uint8_t> scan(jpeg.begin() + static_cast<long>(lastSos), jpeg.end() - 2);
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.end() - 2);
    for (int n = 0; n < scans; ++n)
        out.insert(out.end(), scan.begin(), scan.end());
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
}

namespace {

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void Chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    const auto be32 = [&out](std::uint32_t v) {
        for (int s = 24; s >= 0; s -= 8)
            out.push_back(static_cast<std::uint8_t>(v >> s));
    };
    be32(static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    be32(Crc32(out.data() + start, out.size() - start));
}

} // namespace

std::vector<std::uint8_t> PngSizeBomb(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    for (std::uint32_t v : {width, height})
        for (int s = 24; s >= 0; s -= 8)
            header.push_back(static_cast<std::uint8_t>(v >> s));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB
    Chunk(out, "IHDR", header);
    Chunk(out, "tEXt", std::vector<std::uint8_t>(900, 'x'));
    // A zlib stream of a few empty stored blocks: far too little data for the claimed size.
    Chunk(out, "IDAT", {0x78, 0x01, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x01});
    Chunk(out, "IEND", {});
    return out;
}

} // namespace testsupport
