// The per-block hot path of the encoder, with an AVX2 version of the transform and quantiser.
// Both versions compute exactly the accurate integer DCT and the single-precision quantiser.
#include "BlockTransform.h"

#include "ForwardDCT.h"
#include "QuantTables.h"

#include <array>

#if defined(__x86_64__)
#include <immintrin.h>
#define VANTOREL_X86 1
#endif

namespace vantorel {

namespace {

#if VANTOREL_X86

// The DCT constants of jfdctint.c (round(x * 2^13)).
constexpr int kFix_0_298631336 = 2446, kFix_0_390180644 = 3196, kFix_0_541196100 = 4433, kFix_0_765366865 = 6270,
              kFix_0_899976223 = 7373, kFix_1_175875602 = 9633, kFix_1_501321110 = 12299,
              kFix_1_847759065 = 15137, kFix_1_961570560 = 16069, kFix_2_053119869 = 16819,
              kFix_2_562915447 = 20995, kFix_3_072711026 = 25172;

#define AVX2_FN __attribute__((target("avx2")))

AVX2_FN inline __m256i Mul(__m256i a, int c) { return _mm256_mullo_epi32(a, _mm256_set1_epi32(c)); }

AVX2_FN inline __m256i Descale(__m256i x, int n) {
    return _mm256_srai_epi32(_mm256_add_epi32(x, _mm256_set1_epi32(1 << (n - 1))), n);
}

AVX2_FN inline void Transpose(__m256i* r) {
    const __m256i t0 = _mm256_unpacklo_epi32(r[0], r[1]), t1 = _mm256_unpackhi_epi32(r[0], r[1]);
    const __m256i t2 = _mm256_unpacklo_epi32(r[2], r[3]), t3 = _mm256_unpackhi_epi32(r[2], r[3]);
    const __m256i t4 = _mm256_unpacklo_epi32(r[4], r[5]), t5 = _mm256_unpackhi_epi32(r[4], r[5]);
    const __m256i t6 = _mm256_unpacklo_epi32(r[6], r[7]), t7 = _mm256_unpackhi_epi32(r[6], r[7]);
    const __m256i u0 = _mm256_unpacklo_epi64(t0, t2), u1 = _mm256_unpackhi_epi64(t0, t2);
    const __m256i u2 = _mm256_unpacklo_epi64(t1, t3), u3 = _mm256_unpackhi_epi64(t1, t3);
    const __m256i u4 = _mm256_unpacklo_epi64(t4, t6), u5 = _mm256_unpackhi_epi64(t4, t6);
    const __m256i u6 = _mm256_unpacklo_epi64(t5, t7), u7 = _mm256_unpackhi_epi64(t5, t7);
    r[0] = _mm256_permute2x128_si256(u0, u4, 0x20);
    r[1] = _mm256_permute2x128_si256(u1, u5, 0x20);
    r[2] = _mm256_permute2x128_si256(u2, u6, 0x20);
    r[3] = _mm256_permute2x128_si256(u3, u7, 0x20);
    r[4] = _mm256_permute2x128_si256(u0, u4, 0x31);
    r[5] = _mm256_permute2x128_si256(u1, u5, 0x31);
    r[6] = _mm256_permute2x128_si256(u2, u6, 0x31);
    r[7] = _mm256_permute2x128_si256(u3, u7, 0x31);
}

// One 1-D pass over eight vectors, lane by lane, exactly as the scalar pass.
template <bool kFirstPass> AVX2_FN inline void Pass(__m256i* d) {
    const __m256i tmp0 = _mm256_add_epi32(d[0], d[7]);
    __m256i tmp7 = _mm256_sub_epi32(d[0], d[7]);
    const __m256i tmp1 = _mm256_add_epi32(d[1], d[6]);
    __m256i tmp6 = _mm256_sub_epi32(d[1], d[6]);
    const __m256i tmp2 = _mm256_add_epi32(d[2], d[5]);
    __m256i tmp5 = _mm256_sub_epi32(d[2], d[5]);
    const __m256i tmp3 = _mm256_add_epi32(d[3], d[4]);
    __m256i tmp4 = _mm256_sub_epi32(d[3], d[4]);

    const __m256i tmp10 = _mm256_add_epi32(tmp0, tmp3);
    const __m256i tmp13 = _mm256_sub_epi32(tmp0, tmp3);
    const __m256i tmp11 = _mm256_add_epi32(tmp1, tmp2);
    const __m256i tmp12 = _mm256_sub_epi32(tmp1, tmp2);

    constexpr int kShift = kFirstPass ? 11 : 15; // CONST_BITS -/+ PASS1_BITS
    if constexpr (kFirstPass) {
        d[0] = _mm256_slli_epi32(_mm256_add_epi32(tmp10, tmp11), 2);
        d[4] = _mm256_slli_epi32(_mm256_sub_epi32(tmp10, tmp11), 2);
    } else {
        d[0] = Descale(_mm256_add_epi32(tmp10, tmp11), 2);
        d[4] = Descale(_mm256_sub_epi32(tmp10, tmp11), 2);
    }
    __m256i z1 = Mul(_mm256_add_epi32(tmp12, tmp13), kFix_0_541196100);
    d[2] = Descale(_mm256_add_epi32(z1, Mul(tmp13, kFix_0_765366865)), kShift);
    d[6] = Descale(_mm256_add_epi32(z1, Mul(tmp12, -kFix_1_847759065)), kShift);

    z1 = _mm256_add_epi32(tmp4, tmp7);
    __m256i z2 = _mm256_add_epi32(tmp5, tmp6);
    __m256i z3 = _mm256_add_epi32(tmp4, tmp6);
    __m256i z4 = _mm256_add_epi32(tmp5, tmp7);
    const __m256i z5 = Mul(_mm256_add_epi32(z3, z4), kFix_1_175875602);
    tmp4 = Mul(tmp4, kFix_0_298631336);
    tmp5 = Mul(tmp5, kFix_2_053119869);
    tmp6 = Mul(tmp6, kFix_3_072711026);
    tmp7 = Mul(tmp7, kFix_1_501321110);
    z1 = Mul(z1, -kFix_0_899976223);
    z2 = Mul(z2, -kFix_2_562915447);
    z3 = _mm256_add_epi32(Mul(z3, -kFix_1_961570560), z5);
    z4 = _mm256_add_epi32(Mul(z4, -kFix_0_390180644), z5);
    d[7] = Descale(_mm256_add_epi32(_mm256_add_epi32(tmp4, z1), z3), kShift);
    d[5] = Descale(_mm256_add_epi32(_mm256_add_epi32(tmp5, z2), z4), kShift);
    d[3] = Descale(_mm256_add_epi32(_mm256_add_epi32(tmp6, z2), z3), kShift);
    d[1] = Descale(_mm256_add_epi32(_mm256_add_epi32(tmp7, z1), z4), kShift);
}

AVX2_FN inline void QuantizeRows(const __m256i* r, const Divisors& file, const Divisors* area, std::int16_t* coef) {
    for (int k = 0; k < 8; ++k) {
        const __m256 value = _mm256_cvtepi32_ps(r[k]);
        // Products are single precision and round to nearest even, as the scalar quantiser's.
        __m256i q = _mm256_cvtps_epi32(_mm256_mul_ps(value, _mm256_loadu_ps(file.d.data() + 8 * k)));
        if (area) {
            const __m256i qa = _mm256_cvtps_epi32(_mm256_mul_ps(value, _mm256_loadu_ps(area->d.data() + 8 * k)));
            q = _mm256_andnot_si256(_mm256_cmpeq_epi32(qa, _mm256_setzero_si256()), q);
        }
        const __m128i packed = _mm_packs_epi32(_mm256_castsi256_si128(q), _mm256_extracti128_si256(q, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(coef + 8 * k), packed);
    }
}

AVX2_FN void QuantizeStoredAvx2(const std::int16_t* dct, const Divisors& file, const Divisors* area,
                                std::int16_t* coef) {
    __m256i r[8];
    for (int k = 0; k < 8; ++k)
        r[k] = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(dct + 8 * k)));
    QuantizeRows(r, file, area, coef);
}

AVX2_FN void TransformBlockAvx2(const std::uint8_t* const* rows, int x, const Divisors& file, const Divisors* area,
                                std::int16_t* coef, std::int16_t* dct) {
    __m256i r[8];
    const __m256i shift = _mm256_set1_epi32(128);
    for (int i = 0; i < 8; ++i)
        r[i] = _mm256_sub_epi32(
            _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[i] + x))), shift);
    Transpose(r); // r[k] = sample column k across the rows: pass 1 works on all rows at once
    Pass<true>(r);
    Transpose(r); // back to rows: pass 2 works on all columns at once
    Pass<false>(r);
    if (dct)
        for (int k = 0; k < 8; ++k)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dct + 8 * k),
                             _mm_packs_epi32(_mm256_castsi256_si128(r[k]), _mm256_extracti128_si256(r[k], 1)));
    QuantizeRows(r, file, area, coef);
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

#endif

// kZigzagBits[j][b]: the zigzag-order bits of natural positions 8j..8j+7 whose bits are set in b.
struct ZigzagBitTable {
    std::array<std::array<std::uint64_t, 256>, 8> bits{};
    ZigzagBitTable() {
        std::array<int, 64> zigzagOf{};
        for (int k = 0; k < 64; ++k)
            zigzagOf[kZigzagToNatural[static_cast<std::size_t>(k)]] = k;
        for (int j = 0; j < 8; ++j)
            for (int b = 0; b < 256; ++b)
                for (int i = 0; i < 8; ++i)
                    if (b & (1 << i))
                        bits[static_cast<std::size_t>(j)][static_cast<std::size_t>(b)] |=
                            std::uint64_t{1} << zigzagOf[static_cast<std::size_t>(8 * j + i)];
    }
};

const ZigzagBitTable& ZigzagBits() {
    static const ZigzagBitTable table;
    return table;
}

} // namespace

void TransformBlock(const std::uint8_t* const* rows, int x, const Divisors& file, const Divisors* area,
                    std::int16_t* coef, std::int16_t* dct) {
#if VANTOREL_X86
    if (HasAvx2()) {
        TransformBlockAvx2(rows, x, file, area, coef, dct);
        return;
    }
#endif
    alignas(32) std::int32_t block[64];
    LoadBlock(rows, x, block);
    ForwardDCT(block);
    if (dct)
        for (int k = 0; k < 64; ++k)
            dct[k] = static_cast<std::int16_t>(block[k]);
    if (area)
        QuantizeBlockSelective(block, *area, file, coef);
    else
        QuantizeBlock(block, file, coef);
}

void QuantizeStoredBlock(const std::int16_t* dct, const Divisors& file, const Divisors* area, std::int16_t* coef) {
#if VANTOREL_X86
    if (HasAvx2()) {
        QuantizeStoredAvx2(dct, file, area, coef);
        return;
    }
#endif
    std::int32_t block[64];
    for (int k = 0; k < 64; ++k)
        block[k] = dct[k];
    if (area)
        QuantizeBlockSelective(block, *area, file, coef);
    else
        QuantizeBlock(block, file, coef);
}

std::uint64_t NonZeroZigzagMask(const std::int16_t* coef) {
    std::uint64_t natural = 0;
#if VANTOREL_X86
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < 4; ++i) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coef + 16 * i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coef + 16 * i + 8));
        const __m128i zeros = _mm_packs_epi16(_mm_cmpeq_epi16(a, zero), _mm_cmpeq_epi16(b, zero));
        natural |= static_cast<std::uint64_t>(~_mm_movemask_epi8(zeros) & 0xFFFF) << (16 * i);
    }
#else
    for (int k = 0; k < 64; ++k)
        natural |= static_cast<std::uint64_t>(coef[k] != 0) << k;
#endif
    const ZigzagBitTable& table = ZigzagBits();
    std::uint64_t zigzag = 0;
    for (int j = 0; j < 8; ++j)
        zigzag |= table.bits[static_cast<std::size_t>(j)][(natural >> (8 * j)) & 0xFF];
    return zigzag;
}

void CountACSymbolsMasked(const std::int16_t* coef, std::uint64_t zigzagMask, SymbolCounts& counts) {
    std::uint64_t ac = zigzagMask & ~std::uint64_t{1};
    int last = 0;
    while (ac) {
        const int k = __builtin_ctzll(ac);
        ac &= ac - 1;
        int run = k - last - 1;
        while (run > 15) {
            ++counts[0xF0];
            run -= 16;
        }
        ++counts[static_cast<std::size_t>((run << 4) + MagnitudeCategory(coef[kZigzagToNatural[static_cast<std::size_t>(k)]]))];
        last = k;
    }
    if (last < 63)
        ++counts[0];
}

} // namespace vantorel
