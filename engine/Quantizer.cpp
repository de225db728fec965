// The quantiser.
#include "Quantizer.h"

#include <cmath>
#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace vantorel {

namespace {

// Round to nearest with halves to even, as the current (default) rounding mode does.
inline std::int32_t RoundToInt(float v) {
#if defined(__SSE__) || defined(__x86_64__)
    return _mm_cvtss_si32(_mm_set_ss(v));
#else
    return static_cast<std::int32_t>(std::lrintf(v));
#endif
}

} // namespace

Divisors Divisors::For(const QuantTable& table, bool chroma) {
    Divisors divisors;
    if (chroma && table[0] == 255)
        return divisors;
    for (int k = 0; k < 64; ++k)
        divisors.d[k] = 1.0f / static_cast<float>(8 * table[k]);
    return divisors;
}

void QuantizeBlock(const std::int32_t* dct, const Divisors& file, std::int16_t* coef) {
    for (int k = 0; k < 64; ++k)
        coef[k] = static_cast<std::int16_t>(RoundToInt(static_cast<float>(dct[k]) * file.d[k]));
}

void QuantizeBlockSelective(const std::int32_t* dct, const Divisors& area, const Divisors& file, std::int16_t* coef) {
    for (int k = 0; k < 64; ++k) {
        const float x = static_cast<float>(dct[k]);
        coef[k] = RoundToInt(x * area.d[k]) != 0 ? static_cast<std::int16_t>(RoundToInt(x * file.d[k])) : 0;
    }
}

} // namespace vantorel
