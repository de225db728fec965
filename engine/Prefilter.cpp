// The prefilters: window means and window medians, slid along each row with running sums and
// two-level histograms, and the direct per-pixel definition they are checked against.
#include "Prefilter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace vantorel {

namespace {

constexpr int kMaxRadius = 32;

double RoundEven(double x) { return std::nearbyint(x); }

struct LumaTables {
    std::array<int, 256> r{}, g{}, b{};
    LumaTables() {
        for (int i = 0; i < 256; ++i) {
            r[static_cast<std::size_t>(i)] = static_cast<int>(RoundEven(0.299 * i));
            g[static_cast<std::size_t>(i)] = static_cast<int>(RoundEven(0.587 * i));
            b[static_cast<std::size_t>(i)] = static_cast<int>(RoundEven(0.114 * i));
        }
    }
    int Luma(const std::uint8_t* bgr) const { return r[bgr[2]] + g[bgr[1]] + b[bgr[0]]; }
};

const LumaTables& Luma() {
    static const LumaTables tables;
    return tables;
}

// Reflection at the edges, the edge pixel repeated, then clamped for images smaller than the window.
int Reflect(int i, int size) {
    if (i < 0)
        i = -1 - i;
    else if (i >= size)
        i = 2 * size - 1 - i;
    return std::clamp(i, 0, size - 1);
}

// A 256-bin histogram with 16 coarse bins, for window medians in a few dozen steps.
struct Histogram {
    std::array<std::uint16_t, 256> fine{};
    std::array<std::uint16_t, 16> coarse{};
    void Add(int v) {
        ++fine[static_cast<std::size_t>(v)];
        ++coarse[static_cast<std::size_t>(v >> 4)];
    }
    void Remove(int v) {
        --fine[static_cast<std::size_t>(v)];
        --coarse[static_cast<std::size_t>(v >> 4)];
    }
    // The smallest value whose count from 0 upwards reaches h.
    int LowestReaching(int h) const {
        int sum = 0, c = 0;
        while (c < 15 && sum + coarse[static_cast<std::size_t>(c)] < h)
            sum += coarse[static_cast<std::size_t>(c++)];
        int v = c * 16;
        for (; v < c * 16 + 15; ++v) {
            sum += fine[static_cast<std::size_t>(v)];
            if (sum >= h)
                break;
        }
        return v;
    }
    // The largest value v with at least h values >= v (0 when none).
    int HighestReaching(int h) const {
        int sum = 0, c = 15;
        while (c > 0 && sum + coarse[static_cast<std::size_t>(c)] < h)
            sum += coarse[static_cast<std::size_t>(c--)];
        for (int v = c * 16 + 15; v >= c * 16; --v) {
            sum += fine[static_cast<std::size_t>(v)];
            if (sum >= h)
                return v;
        }
        return 0;
    }
};

int NoiseThreshold(int c) {
    if (c <= 50)
        return c;
    if (c <= 70)
        return 50 + 5 * (c - 50);
    return 150 + static_cast<int>(RoundEven((c - 70) * 700.0 / 30.0));
}

double UnsharpFactor(int c) {
    if (c <= 10)
        return 0.03 * c;
    if (c <= 50)
        return (30 + 0.5 * (c - 10)) / 100.0;
    return (50 + 0.6 * (c - 50)) / 100.0;
}

std::uint8_t ToByte(double v) { return static_cast<std::uint8_t>(std::clamp(RoundEven(v), 0.0, 255.0)); }

// The statistics of one window: channel sums, channel medians, and the luma median.
struct WindowStats {
    std::array<int, 3> sum{};
    std::array<int, 3> median{};
    int lumaMedian = 0;
};

bool NeedsSums(int code) { return code == 4 || code == 8; }
bool NeedsChannelHistograms(int code) { return code == 5 || code == 9; }

// One pixel's result from its window statistics, as the filter kinds define it.
void ApplyFilter(const AreaFilter& f, int radius, int n, const std::uint8_t* x, const WindowStats& s, std::uint8_t* out) {
    const int c = f.Strength;
    switch (f.Code) {
    case 8: { // Unsharp Masking: toward the window mean
        const double k = UnsharpFactor(c);
        for (int ch = 0; ch < 3; ++ch) {
            const double mean = static_cast<double>(s.sum[static_cast<std::size_t>(ch)]) / n;
            out[ch] = ToByte(x[ch] + (mean - x[ch]) * k);
        }
        break;
    }
    case 4: { // Smoothing
        const double keep = radius == 1 ? (100 - c) / 100.0 : (20 - 0.2 * c) / 100.0;
        for (int ch = 0; ch < 3; ++ch) {
            const double mean = static_cast<double>(s.sum[static_cast<std::size_t>(ch)]) / n;
            out[ch] = ToByte(mean + (x[ch] - mean) * keep);
        }
        break;
    }
    case 7: { // Luma Equalizing: one gain for the three channels keeps the hue
        const int y = Luma().Luma(x);
        const double gain = 1 + (static_cast<double>(s.lumaMedian + 1) / (y + 1) - 1) * c / 100.0;
        for (int ch = 0; ch < 3; ++ch)
            out[ch] = static_cast<std::uint8_t>(std::min(RoundEven(x[ch] * gain), 255.0));
        break;
    }
    case 5: { // Noise Removing: the medians replace a pixel close to them
        int deviation = 0;
        for (int ch = 0; ch < 3; ++ch) {
            const int m = s.median[static_cast<std::size_t>(ch)];
            if (x[ch] + m > 0)
                deviation += static_cast<int>(RoundEven(std::abs(x[ch] - m) * 300.0 / (x[ch] + m)));
        }
        const bool replace = deviation <= NoiseThreshold(c);
        for (int ch = 0; ch < 3; ++ch)
            out[ch] = replace ? static_cast<std::uint8_t>(s.median[static_cast<std::size_t>(ch)]) : x[ch];
        break;
    }
    case 9: // Range Equalizing: toward the medians
        for (int ch = 0; ch < 3; ++ch) {
            const int m = s.median[static_cast<std::size_t>(ch)];
            out[ch] = ToByte(x[ch] + (m - x[ch]) * c / 100.0);
        }
        break;
    default:
        std::memcpy(out, x, 3);
        break;
    }
}

bool IsSelected(const PrefilterSetup& setup, int x, int y) {
    const std::uint8_t byte = setup.Selection[static_cast<std::ptrdiff_t>(y) * setup.SelectionStride + (x >> 3)];
    return (byte >> (7 - (x & 7)) & 1) == 0;
}

// Which filter a pixel gets: the selected-area one, the base one, or none (copied).
const AreaFilter* FilterFor(const PrefilterSetup& setup, int x, int y) {
    const bool selected = setup.Selection && IsSelected(setup, x, y);
    const AreaFilter& f = selected ? setup.Selected : setup.Base;
    return f.Code && f.Strength > 0 ? &f : nullptr;
}

// What a filter kind keeps of its window.
enum class StatsKind { kSums, kChannelMedians, kLumaMedian };

// One area's filter over a row: windows slide along the row; pixels of the other area are left alone.
template <StatsKind kKind>
void SlideRow(const PrefilterSetup& setup, const AreaFilter& f, bool selectedArea, int y, std::uint8_t* out) {
    const TPixelView& src = setup.Source;
    const int width = src.Width;
    const FilterWindow window = FilterWindow::For(f.Radius);
    const int r = window.Radius;
    const int h = std::max(static_cast<int>(RoundEven(window.Count * 0.5)), 1);
    const LumaTables& tables = Luma();

    const std::uint8_t* rows[2 * kMaxRadius + 1];
    for (int dy = -r; dy <= r; ++dy)
        rows[dy + r] = src.Row(Reflect(y + dy, src.Height));
    // Columns in the window's reach, reflected once for the row (index x + kMaxRadius + 1).
    int columnStorage[4 * kMaxRadius + 8];
    int* const columns = columnStorage + kMaxRadius + 1;
    const auto column = [&](int x) { return x >= 0 && x < width ? 3 * x : columns[x < 0 ? x : x - width + kMaxRadius + 1]; };
    for (int i = -kMaxRadius - 1; i < 0; ++i)
        columns[i] = 3 * Reflect(i, width);
    for (int i = 0; i <= kMaxRadius + 1; ++i)
        columns[i + kMaxRadius + 1] = 3 * Reflect(width + i, width);

    WindowStats s;
    Histogram hist[3], lumaHist;
    const auto add = [&](const std::uint8_t* p) {
        if constexpr (kKind == StatsKind::kSums) {
            s.sum[0] += p[0];
            s.sum[1] += p[1];
            s.sum[2] += p[2];
        } else if constexpr (kKind == StatsKind::kChannelMedians) {
            hist[0].Add(p[0]);
            hist[1].Add(p[1]);
            hist[2].Add(p[2]);
        } else {
            lumaHist.Add(tables.Luma(p));
        }
    };
    const auto remove = [&](const std::uint8_t* p) {
        if constexpr (kKind == StatsKind::kSums) {
            s.sum[0] -= p[0];
            s.sum[1] -= p[1];
            s.sum[2] -= p[2];
        } else if constexpr (kKind == StatsKind::kChannelMedians) {
            hist[0].Remove(p[0]);
            hist[1].Remove(p[1]);
            hist[2].Remove(p[2]);
        } else {
            lumaHist.Remove(tables.Luma(p));
        }
    };
    for (int dy = -r; dy <= r; ++dy) {
        const int w = window.HalfWidth[static_cast<std::size_t>(dy + r)];
        for (int dx = -w; dx <= w; ++dx)
            add(rows[dy + r] + column(dx));
    }
    const std::uint8_t* centre = src.Row(y);
    for (int x = 0;; ++x) {
        const bool mine = !setup.Selection || IsSelected(setup, x, y) == selectedArea;
        if (mine) {
            if constexpr (kKind == StatsKind::kChannelMedians)
                for (int ch = 0; ch < 3; ++ch)
                    s.median[static_cast<std::size_t>(ch)] = hist[ch].HighestReaching(h);
            if constexpr (kKind == StatsKind::kLumaMedian)
                s.lumaMedian = lumaHist.LowestReaching(h);
            ApplyFilter(f, r, window.Count, centre + 3 * x, s, out + 3 * x);
        }
        if (x + 1 == width)
            break;
        for (int dy = -r; dy <= r; ++dy) {
            const int w = window.HalfWidth[static_cast<std::size_t>(dy + r)];
            remove(rows[dy + r] + column(x - w));
            add(rows[dy + r] + column(x + 1 + w));
        }
    }
}

void SlideRow(const PrefilterSetup& setup, const AreaFilter& f, bool selectedArea, int y, std::uint8_t* out) {
    if (NeedsSums(f.Code))
        SlideRow<StatsKind::kSums>(setup, f, selectedArea, y, out);
    else if (NeedsChannelHistograms(f.Code))
        SlideRow<StatsKind::kChannelMedians>(setup, f, selectedArea, y, out);
    else
        SlideRow<StatsKind::kLumaMedian>(setup, f, selectedArea, y, out);
}

} // namespace

int PrefilterOperationCode(int kind) {
    static constexpr int kCodes[6] = {0, 8, 7, 5, 9, 4};
    return kind >= 1 && kind <= 5 ? kCodes[kind] : 0;
}

FilterWindow FilterWindow::For(int radius) {
    FilterWindow window;
    window.Radius = std::clamp(radius, 1, kMaxRadius);
    const int r = window.Radius;
    for (int dy = -r; dy <= r; ++dy) {
        int w = 0;
        while ((w + 1) * (w + 1) + dy * dy <= r * r)
            ++w;
        if (r == 1)
            w = 1; // the full 3x3 square
        window.HalfWidth[static_cast<std::size_t>(dy + r)] = w;
        window.Count += 2 * w + 1;
    }
    return window;
}

void PrefilterRow(const PrefilterSetup& setup, int y, std::uint8_t* out) {
    const std::uint8_t* source = setup.Source.Row(y);
    const bool base = setup.Base.Code && setup.Base.Strength > 0;
    const bool selected = setup.Selection && setup.Selected.Code && setup.Selected.Strength > 0;
    // Pixels of an area without a filter keep the source's values.
    if (!base || !selected)
        std::memcpy(out, source, static_cast<std::size_t>(setup.Source.Width) * 3);
    if (base)
        SlideRow(setup, setup.Base, false, y, out);
    if (selected)
        SlideRow(setup, setup.Selected, true, y, out);
}

void PrefilterRowDirect(const PrefilterSetup& setup, int y, std::uint8_t* out) {
    const TPixelView& src = setup.Source;
    const LumaTables& tables = Luma();
    for (int x = 0; x < src.Width; ++x) {
        const std::uint8_t* p = src.Row(y) + 3 * x;
        const AreaFilter* f = FilterFor(setup, x, y);
        if (!f) {
            std::memcpy(out + 3 * x, p, 3);
            continue;
        }
        const FilterWindow window = FilterWindow::For(f->Radius);
        const int r = window.Radius;
        WindowStats s;
        std::array<std::array<int, 256>, 3> counts{};
        std::array<int, 256> lumaCounts{};
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx) {
                if (r > 1 && dx * dx + dy * dy > r * r)
                    continue;
                const std::uint8_t* q = src.Row(Reflect(y + dy, src.Height)) + 3 * Reflect(x + dx, src.Width);
                for (int ch = 0; ch < 3; ++ch) {
                    s.sum[static_cast<std::size_t>(ch)] += q[ch];
                    ++counts[static_cast<std::size_t>(ch)][q[ch]];
                }
                ++lumaCounts[static_cast<std::size_t>(tables.Luma(q))];
            }
        const int h = std::max(static_cast<int>(RoundEven(window.Count * 0.5)), 1);
        for (int ch = 0; ch < 3; ++ch) {
            int above = 0;
            for (int v = 255; v >= 0; --v) {
                above += counts[static_cast<std::size_t>(ch)][static_cast<std::size_t>(v)];
                if (above >= h) {
                    s.median[static_cast<std::size_t>(ch)] = v;
                    break;
                }
            }
        }
        int below = 0;
        for (int v = 0; v < 256; ++v) {
            below += lumaCounts[static_cast<std::size_t>(v)];
            if (below >= h) {
                s.lumaMedian = v;
                break;
            }
        }
        ApplyFilter(*f, r, window.Count, p, s, out + 3 * x);
    }
}

} // namespace vantorel
