// The forward DCT against libjpeg's own accurate integer DCT.
#include "ForwardDCT.h"

#include <gtest/gtest.h>

#include <random>

// libjpeg-turbo's C implementation of the accurate integer DCT; its elements are 16-bit in builds
// with SIMD, which Debian's is.
extern "C" void jpeg_fdct_islow(short* data);

namespace {

TEST(ForwardDCT, EqualsLibjpegAccurateIntegerDct) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> sample(0, 255);
    // Random blocks, plus the extremes that stress the fixed-point ranges.
    for (int trial = 0; trial < 20000; ++trial) {
        std::int32_t ours[64];
        short theirs[64];
        for (int k = 0; k < 64; ++k) {
            int s;
            switch (trial) {
            case 0: s = 0; break;
            case 1: s = 255; break;
            case 2: s = (k + k / 8) % 2 ? 255 : 0; break;
            default: s = trial % 3 == 0 ? (sample(rng) < 128 ? 0 : 255) : sample(rng); break;
            }
            ours[k] = s - 128;
            theirs[k] = static_cast<short>(s - 128);
        }
        vantorel::ForwardDCT(ours);
        jpeg_fdct_islow(theirs);
        for (int k = 0; k < 64; ++k)
            ASSERT_EQ(ours[k], theirs[k]) << "trial " << trial << " coefficient " << k;
    }
}

} // namespace

#include "BlockTransform.h"
#include "Quantizer.h"

namespace {

// The fast block path (AVX2 where available) against the plain scalar chain, and the masked symbol
// counter against the plain one.
TEST(TransformBlock, EqualsTheScalarTransformQuantiserAndCounter) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> sample(0, 255), step(1, 80);
    std::uint8_t pixels[8][16];
    const std::uint8_t* rows[8];
    for (int i = 0; i < 8; ++i)
        rows[i] = pixels[i];
    for (int trial = 0; trial < 5000; ++trial) {
        vantorel::QuantTable fileTable{}, areaTable{};
        for (int k = 0; k < 64; ++k) {
            fileTable[static_cast<std::size_t>(k)] = static_cast<std::uint16_t>(trial % 7 == 0 ? 1 : step(rng));
            areaTable[static_cast<std::size_t>(k)] = static_cast<std::uint16_t>(step(rng) * 2);
        }
        for (auto& row : pixels)
            for (std::uint8_t& p : row)
                p = static_cast<std::uint8_t>(trial % 5 == 0 ? (sample(rng) & 0x80 ? 255 : 0) : sample(rng));
        const int x = trial % 9;
        const vantorel::Divisors file = vantorel::Divisors::For(fileTable, false);
        const vantorel::Divisors area = vantorel::Divisors::For(areaTable, false);
        for (bool selective : {false, true}) {
            std::int32_t block[64];
            vantorel::LoadBlock(rows, x, block);
            vantorel::ForwardDCT(block);
            std::int16_t expected[64], actual[64];
            if (selective)
                vantorel::QuantizeBlockSelective(block, area, file, expected);
            else
                vantorel::QuantizeBlock(block, file, expected);
            vantorel::TransformBlock(rows, x, file, selective ? &area : nullptr, actual);
            ASSERT_TRUE(std::equal(expected, expected + 64, actual)) << "trial " << trial;

            vantorel::SymbolCounts plain{}, masked{};
            vantorel::CountACSymbols(actual, plain);
            vantorel::CountACSymbolsMasked(actual, vantorel::NonZeroZigzagMask(actual), masked);
            ASSERT_EQ(plain, masked) << "trial " << trial;
        }
    }
}

} // namespace
