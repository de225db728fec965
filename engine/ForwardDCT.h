// The accurate integer forward DCT of one 8x8 block.
#pragma once

#include <cstdint>

namespace vantorel {

// In: 64 level-shifted samples (sample - 128), natural order. Out, in place: the DCT coefficients
// scaled up by 8, exactly as libjpeg's accurate integer ("islow") method computes them.
void ForwardDCT(std::int32_t* block);

// Loads the 8x8 samples at rows[0..7][x..x+7], level-shifted, into block.
void LoadBlock(const std::uint8_t* const* rows, int x, std::int32_t* block);

} // namespace vantorel
