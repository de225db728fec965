// The pixel routines of the image corrections: channel scaling, saturation, contrast and the 3×3
// convolution. Every routine reads a 24-bit blue-green-red source view and writes a destination
// view of the same size; the pointwise ones (ScaleChannels, AdjustSaturation, ReduceContrast,
// EqualizeLuminance, BlendBuffers) may write into the source itself. Runs on any thread; no
// allocation per pixel or per row.
#pragma once

#include "TPixelView.h"

#include <array>
#include <cstdint>

namespace vantorel {

// Multiplies red, green and blue by 1 + percent / 100 (results above 255 become 255; percent below
// -100 counts as -100).
void ScaleChannels(const TPixelView& source, const TPixelView& destination, int redPercent, int greenPercent,
                   int bluePercent);

// Moves every channel away from (s > 0) or toward (s < 0) the pixel's luminance by s percent;
// -100 gives grey. s is limited to -100..100.
void AdjustSaturation(const TPixelView& source, const TPixelView& destination, int s);

struct Histograms {
    std::array<std::int64_t, 256> Luma{}, Red{}, Green{}, Blue{};
    std::int64_t Count = 0;
};
Histograms BuildHistograms(const TPixelView& source);
// The lowest value at which the cumulative count reaches half the pixel count.
int HistogramMedian(const std::array<std::int64_t, 256>& histogram, std::int64_t count);

// Moves each pixel's luminance toward the median by |v| percent, keeping its hue (v in -100..0;
// factors are limited to `cap`).
void ReduceContrast(const TPixelView& source, const TPixelView& destination, int median, int v, double cap = 10);

// Spreads the luminance over the whole range by the luminance histogram (with a random dither of
// each level's share, from the process-wide generator).
void EqualizeLuminance(const TPixelView& source, const TPixelView& destination, const Histograms& histograms);

// destination = source + min(|a|, 100) % of (destination - source), byte by byte.
void BlendBuffers(const TPixelView& destination, const TPixelView& source, int a);

enum class KernelKind : std::uint8_t { kSharpen, kBlur };
// The 3×3 sharpen or blur kernel at `strength` percent; taps outside take the nearest pixel inside.
// The destination must not overlap the source.
void Convolve3x3(const TPixelView& source, const TPixelView& destination, KernelKind kernel, int strength);

// A uniform number in [0, 1) from the generator shared by the whole process (thread-safe).
double ProcessRandom();

} // namespace vantorel
