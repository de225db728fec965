// The accurate integer forward DCT (the Loeffler-Ligtenberg-Moschytz factorisation with 13-bit
// fixed-point constants and two passes), computing bit for bit what libjpeg's jfdctint.c computes.
#include "ForwardDCT.h"

namespace vantorel {

namespace {

constexpr int kConstBits = 13;
constexpr int kPass1Bits = 2;

// The constants are round(x * 2^13), as in jfdctint.c.
constexpr std::int32_t kFix_0_298631336 = 2446;
constexpr std::int32_t kFix_0_390180644 = 3196;
constexpr std::int32_t kFix_0_541196100 = 4433;
constexpr std::int32_t kFix_0_765366865 = 6270;
constexpr std::int32_t kFix_0_899976223 = 7373;
constexpr std::int32_t kFix_1_175875602 = 9633;
constexpr std::int32_t kFix_1_501321110 = 12299;
constexpr std::int32_t kFix_1_847759065 = 15137;
constexpr std::int32_t kFix_1_961570560 = 16069;
constexpr std::int32_t kFix_2_053119869 = 16819;
constexpr std::int32_t kFix_2_562915447 = 20995;
constexpr std::int32_t kFix_3_072711026 = 25172;

// Rounding right shift; the arithmetic shift of negative values is what libjpeg relies on too.
constexpr std::int32_t Descale(std::int32_t x, int n) { return (x + (1 << (n - 1))) >> n; }

// One 1-D pass over 8 values spaced `step` apart. shiftEven/shiftOdd select the pass's scaling.
template <int kStep, bool kFirstPass> inline void Pass(std::int32_t* d) {
    const std::int32_t tmp0 = d[0 * kStep] + d[7 * kStep];
    std::int32_t tmp7 = d[0 * kStep] - d[7 * kStep];
    const std::int32_t tmp1 = d[1 * kStep] + d[6 * kStep];
    std::int32_t tmp6 = d[1 * kStep] - d[6 * kStep];
    const std::int32_t tmp2 = d[2 * kStep] + d[5 * kStep];
    std::int32_t tmp5 = d[2 * kStep] - d[5 * kStep];
    const std::int32_t tmp3 = d[3 * kStep] + d[4 * kStep];
    std::int32_t tmp4 = d[3 * kStep] - d[4 * kStep];

    const std::int32_t tmp10 = tmp0 + tmp3;
    const std::int32_t tmp13 = tmp0 - tmp3;
    const std::int32_t tmp11 = tmp1 + tmp2;
    const std::int32_t tmp12 = tmp1 - tmp2;

    constexpr int kShift = kFirstPass ? kConstBits - kPass1Bits : kConstBits + kPass1Bits;
    if constexpr (kFirstPass) {
        d[0 * kStep] = (tmp10 + tmp11) * (1 << kPass1Bits);
        d[4 * kStep] = (tmp10 - tmp11) * (1 << kPass1Bits);
    } else {
        d[0 * kStep] = Descale(tmp10 + tmp11, kPass1Bits);
        d[4 * kStep] = Descale(tmp10 - tmp11, kPass1Bits);
    }

    std::int32_t z1 = (tmp12 + tmp13) * kFix_0_541196100;
    d[2 * kStep] = Descale(z1 + tmp13 * kFix_0_765366865, kShift);
    d[6 * kStep] = Descale(z1 + tmp12 * -kFix_1_847759065, kShift);

    z1 = tmp4 + tmp7;
    std::int32_t z2 = tmp5 + tmp6;
    std::int32_t z3 = tmp4 + tmp6;
    std::int32_t z4 = tmp5 + tmp7;
    const std::int32_t z5 = (z3 + z4) * kFix_1_175875602;

    tmp4 *= kFix_0_298631336;
    tmp5 *= kFix_2_053119869;
    tmp6 *= kFix_3_072711026;
    tmp7 *= kFix_1_501321110;
    z1 *= -kFix_0_899976223;
    z2 *= -kFix_2_562915447;
    z3 *= -kFix_1_961570560;
    z4 *= -kFix_0_390180644;

    z3 += z5;
    z4 += z5;

    d[7 * kStep] = Descale(tmp4 + z1 + z3, kShift);
    d[5 * kStep] = Descale(tmp5 + z2 + z4, kShift);
    d[3 * kStep] = Descale(tmp6 + z2 + z3, kShift);
    d[1 * kStep] = Descale(tmp7 + z1 + z4, kShift);
}

} // namespace

void ForwardDCT(std::int32_t* block) {
    for (int row = 0; row < 8; ++row)
        Pass<1, true>(block + row * 8);
    for (int col = 0; col < 8; ++col)
        Pass<8, false>(block + col);
}

void LoadBlock(const std::uint8_t* const* rows, int x, std::int32_t* block) {
    for (int r = 0; r < 8; ++r) {
        const std::uint8_t* in = rows[r] + x;
        std::int32_t* out = block + r * 8;
        for (int c = 0; c < 8; ++c)
            out[c] = static_cast<std::int32_t>(in[c]) - 128;
    }
}

} // namespace vantorel
