// The shared tables of the pixel routines.
#include "GrLib.h"

#include "Rounding.h"

#include <algorithm>
#include <memory>

namespace vantorel {

namespace {

LuminanceTables BuildLuminance() {
    LuminanceTables t{};
    for (int i = 0; i < 256; ++i) {
        t.YR32[i] = RoundEven(static_cast<float>(i) * 0.299f);
        t.YG32[i] = RoundEven(static_cast<float>(i) * 0.587f);
        t.YB32[i] = RoundEven(static_cast<float>(i) * 0.114f);
        t.YR[i] = static_cast<std::uint8_t>(t.YR32[i]);
        t.YG[i] = static_cast<std::uint8_t>(t.YG32[i]);
        t.YB[i] = static_cast<std::uint8_t>(t.YB32[i]);
    }
    return t;
}

double FactorOfRow(int r) {
    if (r <= 200)
        return r / 100.0;
    if (r <= 280)
        return 2 + (r - 200) / 10.0;
    if (r <= 290)
        return r - 270;
    if (r <= 296)
        return 5.0 * r - 1430;
    if (r <= 301)
        return 10.0 * r - 2910;
    return r == 302 ? 127 : 255;
}

} // namespace

const LuminanceTables& Luminance() {
    static const LuminanceTables tables = BuildLuminance();
    return tables;
}

const std::array<FactorRowTable, kFactorRowCount>& FactorRows() {
    static const std::unique_ptr<std::array<FactorRowTable, kFactorRowCount>> rows = [] {
        auto table = std::make_unique<std::array<FactorRowTable, kFactorRowCount>>();
        for (int r = 0; r < kFactorRowCount; ++r) {
            const double f = FactorOfRow(r);
            for (int j = 0; j < 256; ++j)
                (*table)[static_cast<std::size_t>(r)][static_cast<std::size_t>(j)] = RoundEven(j * 256.0 * f);
        }
        return table;
    }();
    return *rows;
}

int FactorRowIndex(double f) {
    if (!(f > 0)) // also NaN
        return 0;
    if (f <= 2.05)
        return std::min(200, RoundEven(100 * f));
    if (f <= 10.5)
        return std::min(280, RoundEven(10 * f) + 180);
    if (f <= 22.5)
        return std::min(290, RoundEven(f) + 270);
    if (f <= 55)
        return std::min(296, RoundEven((f - 20) * 0.2) + 290);
    if (f <= 112)
        return std::min(301, RoundEven((f - 50) * 0.1) + 296);
    return std::min(303, RoundEven(std::min(f, 1e6) / 127) + 301);
}

} // namespace vantorel
