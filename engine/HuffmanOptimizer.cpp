// Optimal Huffman tables (ISO/IEC 10918-1 Annex K.2) from gathered statistics.
#include "HuffmanOptimizer.h"

#include "QuantTables.h"

namespace vantorel {

void CountACSymbols(const std::int16_t* block, SymbolCounts& counts) {
    int run = 0;
    for (int k = 1; k < 64; ++k) {
        const int value = block[kZigzagToNatural[k]];
        if (value == 0) {
            ++run;
            continue;
        }
        while (run > 15) {
            ++counts[0xF0];
            run -= 16;
        }
        ++counts[(run << 4) + MagnitudeCategory(value)];
        run = 0;
    }
    if (run > 0)
        ++counts[0];
}

HuffmanTable BuildOptimalTable(SymbolCounts freq) {
    constexpr int kMaxCodeLength = 32;
    std::array<int, kMaxCodeLength + 1> bits{};
    std::array<int, 257> codeSize{};
    std::array<int, 257> others;
    others.fill(-1);

    // The pseudo-symbol 256 takes the last code of the longest length, so no real symbol gets the
    // all-ones code word.
    freq[256] = 1;

    for (;;) {
        // The two smallest non-zero counts; ties go to the larger symbol number.
        int c1 = -1;
        std::int64_t v = INT64_MAX;
        for (int i = 0; i <= 256; ++i)
            if (freq[i] && freq[i] <= v) {
                v = freq[i];
                c1 = i;
            }
        int c2 = -1;
        v = INT64_MAX;
        for (int i = 0; i <= 256; ++i)
            if (freq[i] && freq[i] <= v && i != c1) {
                v = freq[i];
                c2 = i;
            }
        if (c2 < 0)
            break;

        freq[c1] += freq[c2];
        freq[c2] = 0;
        ++codeSize[c1];
        while (others[c1] >= 0) {
            c1 = others[c1];
            ++codeSize[c1];
        }
        others[c1] = c2;
        ++codeSize[c2];
        while (others[c2] >= 0) {
            c2 = others[c2];
            ++codeSize[c2];
        }
    }

    for (int i = 0; i <= 256; ++i)
        if (codeSize[i])
            ++bits[codeSize[i] > kMaxCodeLength ? kMaxCodeLength : codeSize[i]];

    // Lengths over 16: move pairs up the tree (Annex K.3, figure K.3).
    int i = kMaxCodeLength;
    for (; i > 16; --i) {
        while (bits[i] > 0) {
            int j = i - 2;
            while (bits[j] == 0)
                --j;
            bits[i] -= 2;
            bits[i - 1] += 1;
            bits[j + 1] += 2;
            bits[j] -= 1;
        }
    }
    while (bits[i] == 0)
        --i;
    bits[i] -= 1; // drop the pseudo-symbol

    HuffmanTable table;
    for (int l = 0; l <= 16; ++l)
        table.Bits[l] = static_cast<std::uint8_t>(bits[l]);
    int p = 0;
    for (int l = 1; l <= kMaxCodeLength; ++l)
        for (int s = 0; s <= 255; ++s)
            if (codeSize[s] == l)
                table.Values[p++] = static_cast<std::uint8_t>(s);
    return table;
}

} // namespace vantorel
