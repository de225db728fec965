// Quantisation tables from the compression levels and the five-band detail equaliser.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace vantorel {

using QuantTable = std::array<std::uint16_t, 64>; // natural (row-major) order
using EqualizerBands = std::array<std::int8_t, 5>; // band 1 = lowest frequencies, -50..50

// The Annex K example tables of ISO/IEC 10918-1 (K.1 luminance, K.2 chrominance), natural order.
extern const QuantTable kLuminanceBaseTable;
extern const QuantTable kChrominanceBaseTable;
// Position k in zigzag order -> natural index.
extern const std::array<std::uint8_t, 64> kZigzagToNatural;

// The scale factor in percent for a quality q (clamped to 1..100) of a luma or chroma table.
int QualityScale(int q, bool luma);

// One table (values 1..255, natural order). With fullControl (luma only) the bands alone set the
// table and q does not enter; otherwise the bands adjust the base values by a percentage before the
// usual scaling. Chroma tables ignore the bands.
QuantTable BuildTable(bool luma, const EqualizerBands& bands, int q, bool fullControl);

// Slots 0 (luma) and 1 (chroma) are written into the file; slots 2/3 (base area) and 4/5 (selected
// area) only decide which coefficients survive under selective compression.
struct QuantTableSet {
    std::array<QuantTable, 6> Slots{};
    std::array<bool, 6> Present{};
};

struct QuantSettings {
    int CompressionMode = 0; // 1 = Original: the source's own tables
    bool SourceIsJpeg = false;
    std::vector<std::array<std::uint8_t, 64>> SourceTables; // as read from the source file, natural order
    int LumQuality = 50;
    int ChromQuality = 50;
    EqualizerBands Bands{};
    bool EqualizerFullControl = false;
    bool SelectiveCompression = false;
    int SelLumQuality = 50;
    int SelChromQuality = 50;
    EqualizerBands SelBands{};
};

// Fills the slots for one encode. Every table is clamped to 1..32767, and to 255 with forceBaseline.
QuantTableSet BuildQuantTables(const QuantSettings& settings, bool forceBaseline = true);

} // namespace vantorel
