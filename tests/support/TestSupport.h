// Helpers shared by the tests: synthetic pictures, libjpeg as a reference, running peer tools.
#pragma once

#include "QuantTables.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

enum class PictureKind { kGradient, kNoise, kPhotoLike, kUniform };

// A 24-bit picture with deterministic content (seeded).
QImage MakePicture(int width, int height, PictureKind kind, unsigned seed = 1);

struct JpegInfo {
    int Width = 0;
    int Height = 0;
    int Components = 0;
    bool Progressive = false;
    unsigned RestartInterval = 0;
    std::array<int, 3> HSamp{};
    std::array<int, 3> VSamp{};
    std::array<int, 3> QuantSlot{};
    std::vector<vantorel::QuantTable> Tables; // by slot, natural order
    std::vector<int> Markers;                 // marker codes in file order, SOI excluded, up to SOS
    bool HasJfif = false;
    std::vector<std::pair<int, std::string>> Segments; // APPn/COM code and payload, in order
};

// Parses the stream with libjpeg (and a plain marker walk for the order). Fails the test on error.
JpegInfo InspectJpeg(const std::vector<std::uint8_t>& bytes);

// Quantised coefficients per component, row-major blocks of 64 (natural order).
using Coefficients = std::vector<std::vector<std::int16_t>>;
Coefficients ReadCoefficients(const std::vector<std::uint8_t>& bytes);

// libjpeg-turbo's own compression of the picture (BGR input, accurate DCT).
std::vector<std::uint8_t> CompressWithLibjpeg(const QImage& picture, const vantorel::QuantTable& luma,
                                              const vantorel::QuantTable& chroma, int lumaH, int lumaV, int chromaH,
                                              int chromaV, bool optimize, bool grayscale = false);

// Writes the coefficients again through libjpeg: with its own Huffman optimisation, or with the
// Annex K example tables.
std::vector<std::uint8_t> RewriteOptimized(const std::vector<std::uint8_t>& bytes, bool optimize);

// Decodes with libjpeg into a 24-bit picture (null on error).
QImage DecodeWithLibjpeg(const std::vector<std::uint8_t>& bytes);

// Runs a shell command; returns its exit status and captures standard output and error.
int RunCommand(const std::string& command, std::string* output = nullptr);

std::string WriteTempFile(const std::string& dir, const std::string& name, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// The corpus folder beside the project, or empty when it is absent.
std::string CorpusDir();

// Writes the picture as PPM and compresses it with cjpeg and the given options; returns the bytes.
std::vector<std::uint8_t> CjpegCompress(const QImage& picture, const std::string& options, const std::string& dir);

// djpeg's decode of a file at 1/2^scale, as a 24-bit picture (null on failure).
QImage DjpegDecode(const std::string& path, int scale, const std::string& dir);

// The stream with extra segments inserted right after SOI.
std::vector<std::uint8_t> InsertSegments(const std::vector<std::uint8_t>& jpeg,
                                         const std::vector<std::pair<int, std::string>>& segments);

// Largest and mean absolute channel difference of two pictures of the same size (24-bit).
struct Difference {
    int max = 0;
    double mean = 0;
};
Difference Compare(const QImage& a, const QImage& b);

// Peak resident memory of this process so far, in bytes.
long long PeakRss();

// Runs a program (no shell) with standard output and error captured together; gives its exit status
// (-1 when it did not exit normally), its peak resident memory in bytes and its wall time.
struct Measured {
    int Status = -1;
    std::string Output;
    long long PeakBytes = 0;
    double Seconds = 0;
};
Measured RunMeasured(const std::vector<std::string>& argv);

// A small progressive file whose frame header claims 65500 x 65500 pixels (from a small JPEG).
std::vector<std::uint8_t> HeaderBomb(std::vector<std::uint8_t> jpeg);
// The file with its last scan repeated until it has `scans` of them.
std::vector<std::uint8_t> ScanBomb(const std::vector<std::uint8_t>& jpeg, int scans);
// A PNG of about 1 KB whose header claims width x height pixels.
std::vector<std::uint8_t> PngSizeBomb(std::uint32_t width, std::uint32_t height);

// Starts a QApplication on the offscreen platform once per process (fonts and windows need one).
void EnsureGuiApplication();

} // namespace testsupport
