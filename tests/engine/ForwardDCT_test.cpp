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
