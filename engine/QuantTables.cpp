// Quantisation tables from the compression levels and the five-band detail equaliser.
#include "QuantTables.h"

#include <algorithm>
#include <cmath>

namespace vantorel {

const QuantTable kLuminanceBaseTable = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,  14, 13, 16, 24, 40,  57,
    69, 56, 14, 17, 22,  29,  51,  87,  80, 62, 18, 22, 37,  56,  68,  109, 103, 77, 24, 35, 55,  64,
    81, 104, 113, 92, 49, 64, 78,  87,  103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

const QuantTable kChrominanceBaseTable = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                          24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                          99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                          99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

const std::array<std::uint8_t, 64> kZigzagToNatural = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

namespace {

constexpr std::array<int, 5> kAnchors = {0, 5, 17, 31, 63};
constexpr std::array<double, 5> kWeightPositive = {1.5, 1.0, 1.0, 1.3, 1.8};
constexpr std::array<double, 5> kWeightNegative = {3.0, 2.0, 2.2, 3.0, 4.0};

// Halves go to the even neighbour (the default floating-point rounding mode).
double RoundEven(double x) { return std::nearbyint(x); }

} // namespace

int QualityScale(int q, bool luma) {
    q = std::clamp(q, 1, 100);
    if (q >= 20)
        return static_cast<int>(RoundEven(250.0 - 2.5 * q));
    if (luma)
        return q >= 5 ? 4000 / q : 5000 / (q + 1);
    return q >= 5 ? 4800 / (q + 5) : 2100 / q;
}

QuantTable BuildTable(bool luma, const EqualizerBands& bands, int q, bool fullControl) {
    const QuantTable& base = luma ? kLuminanceBaseTable : kChrominanceBaseTable;
    const bool full = fullControl && luma;
    EqualizerBands b = luma ? bands : EqualizerBands{};
    const int s = QualityScale(q, luma);

    std::array<double, 5> w{};
    for (int i = 0; i < 5; ++i) {
        if (full)
            w[i] = QualityScale(b[i] + 50, luma) * 0.01;
        else
            w[i] = b[i] >= 0 ? kWeightPositive[i] : kWeightNegative[i];
    }

    QuantTable table{};
    int band = 0;
    for (int j = 0; j < 64; ++j) {
        const double t = static_cast<double>(j - kAnchors[band]) / (kAnchors[band + 1] - kAnchors[band]);
        const double T = base[kZigzagToNatural[j]];
        double v;
        if (full) {
            v = RoundEven((w[band] + (w[band + 1] - w[band]) * t) * T);
        } else {
            const double lo = b[band] * w[band];
            const double hi = b[band + 1] * w[band + 1];
            const double a = RoundEven((lo + (hi - lo) * t) * T * 0.01);
            v = RoundEven((T - a) * s * 0.01);
        }
        table[kZigzagToNatural[j]] = static_cast<std::uint16_t>(std::clamp(v, 1.0, 255.0));
        if (band < 3 && j == kAnchors[band + 1])
            ++band;
    }
    return table;
}

QuantTableSet BuildQuantTables(const QuantSettings& settings, bool forceBaseline) {
    QuantTableSet set;
    const auto store = [&](int slot, const QuantTable& table) {
        for (int k = 0; k < 64; ++k)
            set.Slots[slot][k] = std::clamp<std::uint16_t>(table[k], 1, forceBaseline ? 255 : 32767);
        set.Present[slot] = true;
    };

    if (settings.CompressionMode == 1 && settings.SourceIsJpeg && !settings.SourceTables.empty()) {
        const std::size_t count = std::min<std::size_t>(settings.SourceTables.size(), set.Slots.size());
        for (std::size_t i = 0; i < count; ++i) {
            QuantTable table{};
            std::copy(settings.SourceTables[i].begin(), settings.SourceTables[i].end(), table.begin());
            store(static_cast<int>(i), table);
        }
        return set;
    }

    int L = settings.LumQuality;
    int C = settings.ChromQuality;
    if (settings.CompressionMode == 1)
        L = C = 96; // a non-JPEG source has no tables of its own

    constexpr EqualizerBands kZero{};
    const bool full = settings.EqualizerFullControl;
    if (settings.SelectiveCompression) {
        EqualizerBands finer{};
        for (int i = 0; i < 5; ++i)
            finer[i] = std::max(settings.Bands[i], settings.SelBands[i]);
        store(0, BuildTable(true, finer, std::max(L, settings.SelLumQuality), full));
        store(1, BuildTable(false, kZero, std::max(C, settings.SelChromQuality), full));
        store(2, BuildTable(true, settings.Bands, L, full));
        store(3, BuildTable(false, kZero, C, full));
        store(4, BuildTable(true, settings.SelBands, settings.SelLumQuality, full));
        store(5, BuildTable(false, kZero, settings.SelChromQuality, full));
    } else {
        store(0, BuildTable(true, settings.Bands, L, full));
        store(1, BuildTable(false, kZero, C, full));
    }
    return set;
}

} // namespace vantorel
