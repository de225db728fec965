// The per-block hot path of the encoder: load 8x8 samples, forward DCT, quantise, and count the
// block's AC symbols for the Huffman tables.
#pragma once

#include "HuffmanOptimizer.h"
#include "Quantizer.h"

#include <cstdint>

namespace vantorel {

// Transforms and quantises the block at rows[0..7][x..x+7] into coef (natural order). With `area`
// the coefficient survives only when the area's divisors keep it (selective compression). With
// `dct` the DCT output is also stored there (it fits in 16 bits). Uses AVX2 where the processor
// has it; the result is the same either way.
void TransformBlock(const std::uint8_t* const* rows, int x, const Divisors& file, const Divisors* area,
                    std::int16_t* coef, std::int16_t* dct = nullptr);

// Quantises a block of stored DCT output as TransformBlock would.
void QuantizeStoredBlock(const std::int16_t* dct, const Divisors& file, const Divisors* area, std::int16_t* coef);

// Bit k set when zigzag coefficient k of the block (natural order) is non-zero.
std::uint64_t NonZeroZigzagMask(const std::int16_t* coef);

// CountACSymbols for a block whose non-zero mask is known: the same counts, visiting only the
// non-zero coefficients.
void CountACSymbolsMasked(const std::int16_t* coef, std::uint64_t zigzagMask, SymbolCounts& counts);

} // namespace vantorel
