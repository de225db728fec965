// The pixel routines of the image corrections.
#include "Corrections.h"

#include "GrLib.h"
#include "Rounding.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <random>
#include <stdexcept>

namespace vantorel {

namespace {

void CheckViews(const TPixelView& source, const TPixelView& destination) {
    if (source.IsEmpty() || source.PixelFormat != PixelFormatKind::k24Bit)
        throw std::invalid_argument("the source is not a 24-bit bitmap");
    if (destination.IsEmpty() || destination.PixelFormat != PixelFormatKind::k24Bit ||
        destination.Width != source.Width || destination.Height != source.Height)
        throw std::invalid_argument("the destination does not match the source");
}

// Runs f(sourceRow, destinationRow) over every row.
template <typename F> void ForEachRow(const TPixelView& source, const TPixelView& destination, F f) {
    for (int y = 0; y < source.Height; ++y)
        f(static_cast<const std::uint8_t*>(source.Row(y)), destination.Row(y));
}

// Multiplies each pixel's channels by the factor row of its luminance.
void ApplyLumaFactors(const TPixelView& source, const TPixelView& destination,
                      const std::array<const FactorRowTable*, 256>& rows) {
    const LuminanceTables& lum = Luminance();
    const int n = source.Width;
    ForEachRow(source, destination, [&](const std::uint8_t* s, std::uint8_t* d) {
        for (int x = 0; x < n; ++x, s += 3, d += 3) {
            const int b = s[0], g = s[1], r = s[2];
            const FactorRowTable& row = *rows[static_cast<std::size_t>(lum.Luma(r, g, b))];
            d[0] = MultiplyByRow(row, b);
            d[1] = MultiplyByRow(row, g);
            d[2] = MultiplyByRow(row, r);
        }
    });
}

std::array<std::uint8_t, 256> ScaleTable(int percent) {
    std::array<std::uint8_t, 256> t{};
    const float factor = static_cast<float>(1 + std::max(percent, -100) * 0.01);
    for (int i = 0; i < 256; ++i)
        t[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(std::min(255, RoundEven(static_cast<float>(i) * factor)));
    return t;
}

} // namespace

void ScaleChannels(const TPixelView& source, const TPixelView& destination, int redPercent, int greenPercent,
                   int bluePercent) {
    CheckViews(source, destination);
    const auto tr = ScaleTable(redPercent), tg = ScaleTable(greenPercent), tb = ScaleTable(bluePercent);
    const int n = source.Width;
    ForEachRow(source, destination, [&](const std::uint8_t* s, std::uint8_t* d) {
        for (int x = 0; x < n; ++x, s += 3, d += 3) {
            d[0] = tb[s[0]];
            d[1] = tg[s[1]];
            d[2] = tr[s[2]];
        }
    });
}

void AdjustSaturation(const TPixelView& source, const TPixelView& destination, int s) {
    CheckViews(source, destination);
    s = std::clamp(s, -100, 100);
    std::array<int, 511> table{}; // D[d] at index d + 255
    for (int d = -255; d <= 255; ++d)
        table[static_cast<std::size_t>(d + 255)] = RoundEven(d * s / 100.0);
    const int* dd = table.data() + 255;
    const LuminanceTables& lum = Luminance();
    const int n = source.Width;
    ForEachRow(source, destination, [&](const std::uint8_t* p, std::uint8_t* q) {
        for (int x = 0; x < n; ++x, p += 3, q += 3) {
            const int b = p[0], g = p[1], r = p[2];
            const int y = lum.Luma(r, g, b);
            // With s < 0 each result lies between Y and c, so no clamping is needed.
            q[0] = static_cast<std::uint8_t>(std::clamp(b + dd[b - y], 0, 255));
            q[1] = static_cast<std::uint8_t>(std::clamp(g + dd[g - y], 0, 255));
            q[2] = static_cast<std::uint8_t>(std::clamp(r + dd[r - y], 0, 255));
        }
    });
}

Histograms BuildHistograms(const TPixelView& source) {
    if (source.IsEmpty() || source.PixelFormat != PixelFormatKind::k24Bit)
        throw std::invalid_argument("the source is not a 24-bit bitmap");
    Histograms h;
    const LuminanceTables& lum = Luminance();
    for (int y = 0; y < source.Height; ++y) {
        const std::uint8_t* p = source.Row(y);
        for (int x = 0; x < source.Width; ++x, p += 3) {
            ++h.Blue[p[0]];
            ++h.Green[p[1]];
            ++h.Red[p[2]];
            ++h.Luma[static_cast<std::size_t>(lum.Luma(p[2], p[1], p[0]))];
        }
    }
    h.Count = static_cast<std::int64_t>(source.Width) * source.Height;
    return h;
}

int HistogramMedian(const std::array<std::int64_t, 256>& histogram, std::int64_t count) {
    const std::int64_t half = count >> 1;
    std::int64_t sum = 0;
    for (int i = 0; i < 256; ++i) {
        sum += histogram[static_cast<std::size_t>(i)];
        if (sum >= half)
            return i;
    }
    return 255;
}

void ReduceContrast(const TPixelView& source, const TPixelView& destination, int median, int v, double cap) {
    CheckViews(source, destination);
    const double s = std::min(std::abs(std::min(v, 0)), 100) / 100.0;
    const double m = median;
    std::array<const FactorRowTable*, 256> rows{};
    for (int y = 1; y < 256; ++y) {
        double f = 1;
        if (y < median)
            f = 1 + s * (m / y - 1);
        else if (y > median)
            f = 1 - s * (1 - m / y);
        rows[static_cast<std::size_t>(y)] = &FactorRow(std::min(f, cap));
    }
    rows[0] = rows[1];
    ApplyLumaFactors(source, destination, rows);
}

void EqualizeLuminance(const TPixelView& source, const TPixelView& destination, const Histograms& histograms) {
    CheckViews(source, destination);
    const double n = static_cast<double>(std::max<std::int64_t>(histograms.Count, 1));
    std::array<const FactorRowTable*, 256> rows{};
    double below = 0; // the share of pixels with a lower luminance
    for (int y = 0; y < 256; ++y) {
        const double share = static_cast<double>(histograms.Luma[static_cast<std::size_t>(y)]) / n;
        const int target = std::clamp(RoundEven((below + ProcessRandom() * share) * 256), 0, 255);
        if (y > 0)
            rows[static_cast<std::size_t>(y)] = &FactorRow(static_cast<double>(target) / y);
        below += share;
    }
    rows[0] = rows[1];
    ApplyLumaFactors(source, destination, rows);
}

void BlendBuffers(const TPixelView& destination, const TPixelView& source, int a) {
    CheckViews(source, destination);
    const float w = static_cast<float>(std::min(std::abs(a), 100)) * 0.01f;
    // The products w × d for d = -255..255 as a whole part and a rounding: S + w × d rounds to
    // S + Round(w × d) unless the product ends in exactly one half, where the parity of the sum picks
    // the even neighbour. Each byte then costs two lookups and no floating-point work.
    std::array<int, 511> whole{};
    std::array<std::uint8_t, 511> half{};
    for (int d = -255; d <= 255; ++d) {
        const double product = static_cast<double>(static_cast<float>(d) * w);
        const double floor = std::floor(product);
        const std::size_t i = static_cast<std::size_t>(d + 255);
        half[i] = product - floor == 0.5 ? 1 : 0;
        whole[i] = half[i] ? static_cast<int>(floor) : RoundEven(product);
    }
    const int* t = whole.data() + 255;
    const std::uint8_t* h = half.data() + 255;
    const int bytes = source.Width * 3;
    for (int y = 0; y < source.Height; ++y) {
        const std::uint8_t* s = source.Row(y);
        std::uint8_t* e = destination.Row(y);
        for (int i = 0; i < bytes; ++i) {
            const int d = e[i] - s[i];
            const int v = s[i] + t[d];
            e[i] = static_cast<std::uint8_t>(v + (h[d] & v));
        }
    }
}

void Convolve3x3(const TPixelView& source, const TPixelView& destination, KernelKind kernel, int strength) {
    CheckViews(source, destination);
    const bool sharpen = kernel == KernelKind::kSharpen;
    const double corner = (sharpen ? -0.3 : 1.0 / 14) * strength * 0.01;
    const double edge = (sharpen ? -0.6 : 2.0 / 14) * strength * 0.01;
    const double centre = 1 - 4 * corner - 4 * edge;
    std::array<int, 256> lc{}, le{}, lm{};
    for (int v = 0; v < 256; ++v) {
        lc[static_cast<std::size_t>(v)] = RoundEven(v * 256.0 * corner);
        le[static_cast<std::size_t>(v)] = RoundEven(v * 256.0 * edge);
        lm[static_cast<std::size_t>(v)] = RoundEven(v * 256.0 * centre);
    }
    const int w = source.Width, h = source.Height;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* up = source.Row(std::max(y - 1, 0));
        const std::uint8_t* mid = source.Row(y);
        const std::uint8_t* down = source.Row(std::min(y + 1, h - 1));
        std::uint8_t* out = destination.Row(y);
        for (int x = 0; x < w; ++x) {
            // Byte offsets of the left, centre and right columns, clamped at the edges.
            const int l = std::max(x - 1, 0) * 3, c = x * 3, r = std::min(x + 1, w - 1) * 3;
            for (int k = 0; k < 3; ++k) {
                const int sum = lc[up[l + k]] + le[up[c + k]] + lc[up[r + k]] + le[mid[l + k]] + lm[mid[c + k]] +
                                le[mid[r + k]] + lc[down[l + k]] + le[down[c + k]] + lc[down[r + k]];
                out[c + k] = static_cast<std::uint8_t>(sum < 0 ? 0 : sum >= 65536 ? 255 : sum >> 8);
            }
        }
    }
}

double ProcessRandom() {
    static std::mutex mutex;
    static std::mt19937_64 generator{std::random_device{}()};
    static std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const std::lock_guard<std::mutex> lock(mutex);
    return uniform(generator);
}

} // namespace vantorel
