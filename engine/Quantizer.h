// The quantiser: DCT output to quantised coefficients, with area-dependent zeroing.
#pragma once

#include "QuantTables.h"

#include <array>
#include <cstdint>

namespace vantorel {

// d[k] = 1 / (8 Q[k]) in single precision (the DCT output is scaled by 8). A chroma table whose DC
// step is 255 gets all-zero divisors, so that every coefficient it quantises becomes 0.
struct Divisors {
    std::array<float, 64> d{};

    static Divisors For(const QuantTable& table, bool chroma);
};

// coef[k] = round(dct[k] * d[k]) with single-precision products and halves to even.
void QuantizeBlock(const std::int32_t* dct, const Divisors& file, std::int16_t* coef);

// A coefficient survives only when the area's own table keeps it; a survivor is coded with the
// file's table.
void QuantizeBlockSelective(const std::int32_t* dct, const Divisors& area, const Divisors& file, std::int16_t* coef);

} // namespace vantorel
