// The shared tables of the pixel routines: luminance weights and 8.8 fixed-point factor rows.
#pragma once

#include <array>
#include <cstdint>

namespace vantorel {

// Y = YR[R] + YG[G] + YB[B] never exceeds 255: each entry is Round(i × weight) with the weights
// 0.299, 0.587 and 0.114 held in single precision.
struct LuminanceTables {
    std::array<std::uint8_t, 256> YR, YG, YB;
    std::array<std::int32_t, 256> YR32, YG32, YB32;

    int Luma(int r, int g, int b) const { return YR[r] + YG[g] + YB[b]; }
};

// The tables are built on first use, once per process, and are read-only afterwards (safe to read
// from any thread).
const LuminanceTables& Luminance();

// 304 rows of Round(j × 256 × f(r)), j = 0..255, for factors from 0 to 255 spaced more coarsely
// as they grow (0.01 up to 2, 0.1 up to 10, then 1, 5 and 10, then 127 and 255).
inline constexpr int kFactorRowCount = 304;
using FactorRowTable = std::array<std::int32_t, 256>;
const std::array<FactorRowTable, kFactorRowCount>& FactorRows();

// The index of the row that stands for factor f (negative factors take row 0).
int FactorRowIndex(double f);
inline const FactorRowTable& FactorRow(double f) {
    return FactorRows()[static_cast<std::size_t>(FactorRowIndex(f))];
}

// A channel value multiplied by a factor row, limited to 255.
inline std::uint8_t MultiplyByRow(const FactorRowTable& row, int c) {
    const int v = row[static_cast<std::size_t>(c)] >> 8;
    return static_cast<std::uint8_t>(v < 255 ? v : 255);
}

} // namespace vantorel
