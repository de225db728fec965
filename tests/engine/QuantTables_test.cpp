// Quantisation tables from levels and equaliser bands, and the quantiser's rounding.
#include "QuantTables.h"
#include "Quantizer.h"

#include <gtest/gtest.h>

#include <cmath>

#include <jpeglib.h>

namespace {

using vantorel::BuildTable;
using vantorel::EqualizerBands;
using vantorel::kChrominanceBaseTable;
using vantorel::kLuminanceBaseTable;
using vantorel::kZigzagToNatural;
using vantorel::QualityScale;

TEST(QualityScale, FollowsTheThreeRanges) {
    struct Case {
        int q;
        bool luma;
        int scale;
    };
    const Case cases[] = {{1, true, 2500},   {4, true, 1000},   {5, true, 800},    {19, true, 210},  {20, true, 200},
                          {50, true, 125},   {100, true, 0},    {21, true, 198},   {23, true, 192},  {1, false, 2100},
                          {4, false, 525},   {5, false, 480},   {19, false, 200},  {20, false, 200}, {0, true, 2500},
                          {101, false, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(QualityScale(c.q, c.luma), c.scale) << "q " << c.q << (c.luma ? " luma" : " chroma");
}

TEST(BuildTable, BaseTablesAreTheAnnexKExamples) {
    // libjpeg's quality 50 is its base tables at scale 100.
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    cinfo.in_color_space = JCS_RGB;
    cinfo.input_components = 3;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 50, TRUE);
    for (int k = 0; k < 64; ++k) {
        EXPECT_EQ(kLuminanceBaseTable[static_cast<std::size_t>(k)], cinfo.quant_tbl_ptrs[0]->quantval[k]);
        EXPECT_EQ(kChrominanceBaseTable[static_cast<std::size_t>(k)], cinfo.quant_tbl_ptrs[1]->quantval[k]);
    }
    jpeg_destroy_compress(&cinfo);
}

TEST(BuildTable, LevelsScaleTheBaseTablesWithHalvesToEven) {
    const auto luma50 = BuildTable(true, {}, 50, false);
    EXPECT_EQ(luma50[0], 20); // 16 x 1.25
    EXPECT_EQ(luma50[1], 14); // 11 x 1.25 = 13.75
    EXPECT_EQ(luma50[2], 12); // 10 x 1.25 = 12.5, to even
    for (int q : {1, 4, 5, 19, 20, 50, 77}) {
        for (bool luma : {true, false}) {
            const auto& base = luma ? kLuminanceBaseTable : kChrominanceBaseTable;
            const auto table = BuildTable(luma, {}, q, false);
            const int s = QualityScale(q, luma);
            for (int k = 0; k < 64; ++k) {
                const double expected = std::clamp(std::nearbyint(base[static_cast<std::size_t>(k)] * s * 0.01), 1.0, 255.0);
                EXPECT_EQ(table[static_cast<std::size_t>(k)], expected) << "q " << q << " k " << k;
            }
        }
    }
    for (std::uint16_t v : BuildTable(true, {}, 100, false))
        EXPECT_EQ(v, 1); // scale 0 clamps to 1
    for (std::uint16_t v : BuildTable(false, {}, 1, false))
        EXPECT_EQ(v, 255); // 17 x 21 = 357, clamped
}

TEST(BuildTable, EqualizerBandsAdjustAndInterpolate) {
    // Band 1 = +50 reduces the DC step by 75 % before scaling, -50 increases it by 150 %.
    EXPECT_EQ(BuildTable(true, {50, 0, 0, 0, 0}, 50, false)[0], 5);  // (16 - 12) x 1.25
    EXPECT_EQ(BuildTable(true, {-50, 0, 0, 0, 0}, 50, false)[0], 50); // (16 + 24) x 1.25
    // The chroma table ignores the bands.
    EXPECT_EQ(BuildTable(false, {50, 50, 50, 50, 50}, 50, false), BuildTable(false, {}, 50, false));

    // Band 2 = +40 alone: exact at its anchor (zigzag 5), interpolated on both sides.
    const EqualizerBands bands{0, 40, 0, 0, 0};
    const auto table = BuildTable(true, bands, 50, false);
    const auto expectAt = [&](int zigzag, double bandValue, double weight) {
        const double T = kLuminanceBaseTable[kZigzagToNatural[static_cast<std::size_t>(zigzag)]];
        const double a = std::nearbyint(bandValue * weight * T * 0.01);
        EXPECT_EQ(table[kZigzagToNatural[static_cast<std::size_t>(zigzag)]], std::nearbyint((T - a) * 125 * 0.01))
            << "zigzag " << zigzag;
    };
    expectAt(5, 40, 1.0);
    expectAt(3, 40 * 3.0 / 5.0, 1.0);          // t = 0.6 between anchors 0 and 5
    expectAt(11, 40 * (1 - 6.0 / 12.0), 1.0);  // t = 0.5 between anchors 5 and 17
    expectAt(0, 0, 1.5);
    expectAt(17, 0, 1.0);
}

TEST(BuildTable, FullControlIsSetByTheBandsAlone) {
    const auto full = BuildTable(true, {}, 5, true); // the level does not enter
    const auto adjusted = BuildTable(true, {}, 50, false);
    for (int k = 0; k < 64; ++k)
        EXPECT_NEAR(full[static_cast<std::size_t>(k)], adjusted[static_cast<std::size_t>(k)], 1) << k;
    // Band 1 = +50 means quality 100 at the DC anchor: scale 0, clamped to 1.
    EXPECT_EQ(BuildTable(true, {50, 0, 0, 0, 0}, 30, true)[0], 1);
    // Chroma tables are never under full control.
    EXPECT_EQ(BuildTable(false, {50, 0, 0, 0, 0}, 30, true), BuildTable(false, {}, 30, false));
}

TEST(BuildQuantTables, FillsTheSlotsForEachMode) {
    vantorel::QuantSettings s;
    s.LumQuality = 30;
    s.ChromQuality = 40;
    auto set = vantorel::BuildQuantTables(s);
    EXPECT_TRUE(set.Present[0] && set.Present[1]);
    EXPECT_FALSE(set.Present[2] || set.Present[4]);
    EXPECT_EQ(set.Slots[0], BuildTable(true, {}, 30, false));
    EXPECT_EQ(set.Slots[1], BuildTable(false, {}, 40, false));

    // Selective: the file's tables are the finer of both areas, band by band.
    s.SelectiveCompression = true;
    s.SelLumQuality = 80;
    s.SelChromQuality = 20;
    s.Bands = {10, -20, 0, 0, 0};
    s.SelBands = {-5, 30, 0, 0, 0};
    set = vantorel::BuildQuantTables(s);
    EXPECT_EQ(set.Slots[0], BuildTable(true, {10, 30, 0, 0, 0}, 80, false));
    EXPECT_EQ(set.Slots[1], BuildTable(false, {}, 40, false));
    EXPECT_EQ(set.Slots[2], BuildTable(true, s.Bands, 30, false));
    EXPECT_EQ(set.Slots[3], BuildTable(false, {}, 40, false));
    EXPECT_EQ(set.Slots[4], BuildTable(true, s.SelBands, 80, false));
    EXPECT_EQ(set.Slots[5], BuildTable(false, {}, 20, false));

    // Original with the source's tables: taken as they are; without them quality 96.
    vantorel::QuantSettings original;
    original.CompressionMode = 1;
    original.SourceIsJpeg = true;
    std::array<std::uint8_t, 64> sourceTable{};
    sourceTable.fill(7);
    sourceTable[0] = 0; // a zero step is clamped to 1
    original.SourceTables = {sourceTable, sourceTable};
    set = vantorel::BuildQuantTables(original);
    EXPECT_EQ(set.Slots[0][0], 1);
    EXPECT_EQ(set.Slots[1][5], 7);
    original.SourceIsJpeg = false;
    set = vantorel::BuildQuantTables(original);
    EXPECT_EQ(set.Slots[0], BuildTable(true, {}, 96, false));
    EXPECT_EQ(set.Slots[1], BuildTable(false, {}, 96, false));
}

TEST(Quantizer, RoundsHalvesToEvenAndZeroesBySelectedTable) {
    vantorel::QuantTable q{};
    q.fill(1);
    const vantorel::Divisors d = vantorel::Divisors::For(q, false);
    std::int32_t dct[64] = {};
    dct[0] = 4;   // 0.5 -> 0
    dct[1] = 12;  // 1.5 -> 2
    dct[2] = -4;  // -0.5 -> 0
    dct[3] = -20; // -2.5 -> -2
    dct[4] = 13;  // 1.625 -> 2
    std::int16_t out[64];
    vantorel::QuantizeBlock(dct, d, out);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 2);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[3], -2);
    EXPECT_EQ(out[4], 2);

    // A chroma table with DC 255 quantises everything to zero.
    vantorel::QuantTable coarse{};
    coarse.fill(255);
    std::int32_t big[64];
    std::fill(std::begin(big), std::end(big), 30000);
    vantorel::QuantizeBlock(big, vantorel::Divisors::For(coarse, true), out);
    EXPECT_TRUE(std::all_of(std::begin(out), std::end(out), [](std::int16_t v) { return v == 0; }));

    // Selective: survives only if the area's table keeps it, then coded with the file's table.
    vantorel::QuantTable area{};
    area.fill(10);
    std::int32_t x[64] = {};
    x[0] = 8 * 4;  // area: 0.4 -> 0, dropped
    x[1] = 8 * 6;  // area: 0.6 -> 1, kept as 6 with the file's step 1
    vantorel::QuantizeBlockSelective(x, vantorel::Divisors::For(area, false), d, out);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 6);
}

} // namespace
