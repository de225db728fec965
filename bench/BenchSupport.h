// Shared pieces of the benchmarks: the corpus, decoding a photograph, timing and memory figures.
#pragma once

#include <QImage>

#include <functional>
#include <string>

namespace bench {

// The corpus folder beside the project, or empty when it is absent.
std::string CorpusDir();

// The photograph to measure: argv[1], else `defaultPhoto` inside the corpus. Empty (after printing
// a SKIPPED line) when neither is there.
std::string PhotoPath(int argc, char** argv, const char* defaultPhoto);

struct Photo {
    std::string Path;
    QImage Picture; // 24-bit blue-green-red
    double Megapixels = 0;
};
// PhotoPath, decoded. False when there is nothing to measure: after a SKIPPED line (exitCode 0)
// or a "<bench>: cannot decode" message (exitCode 1).
bool OpenPhoto(int argc, char** argv, const char* defaultPhoto, const char* benchName, Photo& photo, int& exitCode);

// Decodes a JPEG file into a 24-bit blue-green-red picture with libjpeg (null on failure).
QImage DecodeJpegFile(const std::string& path);

// Runs `work` `runs` times and returns the median wall time in seconds.
double MedianSeconds(int runs, const std::function<void()>& work);

// Resident memory now and at its peak since the last ResetPeakMemory (bytes, from /proc).
long long ResidentBytes();
long long PeakResidentBytes();
void ResetPeakMemory();

} // namespace bench
