// Optimal Huffman tables against libjpeg's builder, and the AC symbol counter.
#include "HuffmanOptimizer.h"
#include "QuantTables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include <jpeglib.h>

extern "C" void jpeg_gen_optimal_table(j_compress_ptr cinfo, JHUFF_TBL* htbl, long freq[]);

namespace {

using vantorel::SymbolCounts;

void ExpectSameAsLibjpeg(const SymbolCounts& counts, const char* what) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    JHUFF_TBL* table = jpeg_alloc_huff_table(reinterpret_cast<j_common_ptr>(&cinfo));
    long freq[257];
    for (int i = 0; i < 257; ++i)
        freq[i] = static_cast<long>(counts[static_cast<std::size_t>(i)]);
    jpeg_gen_optimal_table(&cinfo, table, freq);
    const vantorel::HuffmanTable ours = vantorel::BuildOptimalTable(counts);
    int symbols = 0;
    for (int l = 1; l <= 16; ++l) {
        EXPECT_EQ(ours.Bits[static_cast<std::size_t>(l)], table->bits[l]) << what << ", length " << l;
        symbols += table->bits[l];
    }
    for (int s = 0; s < symbols; ++s)
        EXPECT_EQ(ours.Values[static_cast<std::size_t>(s)], table->huffval[s]) << what << ", symbol " << s;
    jpeg_destroy_compress(&cinfo);
}

TEST(BuildOptimalTable, EqualsLibjpegOnVariedStatistics) {
    std::mt19937 rng(3);
    struct Case {
        const char* name;
        int symbols;
        bool fibonacci;
    };
    // Fibonacci-like counts give the deepest trees and force the 16-bit length limit.
    const Case cases[] = {{"one symbol", 1, false},  {"two symbols", 2, false}, {"dc-like", 12, false},
                          {"ac-like", 162, false},  {"all", 256, false},       {"fibonacci", 40, true}};
    for (const Case& c : cases) {
        SymbolCounts counts{};
        std::int64_t a = 1, b = 1;
        for (int i = 0; i < c.symbols; ++i) {
            const int symbol = c.symbols == 256 ? i : static_cast<int>(rng() % 256);
            if (c.fibonacci) {
                counts[static_cast<std::size_t>(i)] = a;
                const std::int64_t next = a + b;
                a = b;
                b = next;
            } else {
                counts[static_cast<std::size_t>(symbol)] += 1 + static_cast<std::int64_t>(rng() % 5000);
            }
        }
        ExpectSameAsLibjpeg(counts, c.name);
    }
}

TEST(CountACSymbols, CountsRunsZrlAndEob) {
    std::int16_t block[64] = {};
    block[0] = 100; // DC is not counted here
    block[vantorel::kZigzagToNatural[1]] = 3;   // run 0, size 2
    block[vantorel::kZigzagToNatural[20]] = -1; // run 18: one ZRL, then run 2 size 1
    SymbolCounts counts{};
    vantorel::CountACSymbols(block, counts);
    EXPECT_EQ(counts[0x02], 1);
    EXPECT_EQ(counts[0xF0], 1);
    EXPECT_EQ(counts[0x21], 1);
    EXPECT_EQ(counts[0x00], 1); // EOB after the last non-zero coefficient

    std::int16_t full[64];
    for (int k = 0; k < 64; ++k)
        full[k] = 1;
    SymbolCounts fullCounts{};
    vantorel::CountACSymbols(full, fullCounts);
    EXPECT_EQ(fullCounts[0x01], 63);
    EXPECT_EQ(fullCounts[0x00], 0); // no EOB when the last coefficient is non-zero
}

} // namespace
