// Optimal Huffman tables from symbol statistics gathered while quantising.
#pragma once

#include <array>
#include <cstdint>

namespace vantorel {

// Symbol counts of one DC or AC table; entry 256 is reserved for the table builder.
using SymbolCounts = std::array<std::int64_t, 257>;

// A Huffman table as JPEG stores it: Bits[l] codes of length l (1..16), then the symbols in order.
struct HuffmanTable {
    std::array<std::uint8_t, 17> Bits{};
    std::array<std::uint8_t, 256> Values{};
};

// Counts the AC symbols of one quantised block (natural order) the way a sequential Huffman
// encoder emits them: runs of 16 zeros as ZRL, then run/size symbols, then EOB.
void CountACSymbols(const std::int16_t* block, SymbolCounts& counts);

// The category (bit count) of a DC difference or coefficient.
inline int MagnitudeCategory(int value) {
    const unsigned v = static_cast<unsigned>(value < 0 ? -value : value);
    return v ? 32 - __builtin_clz(v) : 0;
}

// Builds the code lengths by the procedure of ISO/IEC 10918-1 Annex K.2 (ties to the larger
// symbol, lengths limited to 16 bits, the all-ones code kept free). The counts are consumed.
HuffmanTable BuildOptimalTable(SymbolCounts counts);

} // namespace vantorel
