// Resampling: the target size of a resizing group, and the two resamplers (an exact area-average
// reducer with a fidelity control, and a two-pass filter resampler).
#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>
#include <functional>

namespace vantorel {

// The resizing group as the resamplers read it.
struct ResizeParams {
    int Purpose = 0; // 0 exact size ("Resized Image"), 1 fit inside a box, never enlarge ("Thumbnail")
    int Width = 0;   // 0 = follow the height and the aspect ratio
    int Height = 0;
    int WUnits = 0;  // 0 pixels, 1 percent, 2 thousandths of an inch
    int HUnits = 0;
    int HorzDPI = 0;
    int VertDPI = 0;
    int Method = 3;  // 0 B-Spline, 1 Bell, 2 Mitchell, 3 area average when reducing, else Mitchell
    int Fidelity = 256;
};

QSize ComputeTargetSize(const ResizeParams& group, int sourceWidth, int sourceHeight);
bool ResampleIsNoOp(const ResizeParams& group, int sourceWidth, int sourceHeight);

// Progress in 0..1; set `stop` to end the area-average reducer after the current row (the filter
// resampler ignores it). The callback may throw to abort either.
using ResampleProgress = std::function<void(float fraction, bool& stop)>;

// Resamples the source (any format; read as 24 bits) into `destination`, which must already be a
// 24-bit bitmap of the target size. Throws std::runtime_error "Source bitmap is not created" or
// "Result bitmap is not created" when either has no pixels. Runs on the calling thread.
void Resample(const QImage& source, QImage& destination, int method, int fidelity, const ResampleProgress& progress);

} // namespace vantorel
