// The five prefilters that reduce fine detail and noise before encoding, on a circular window.
#pragma once

#include "TPixelView.h"

#include <array>
#include <cstdint>

namespace vantorel {

// Operation codes of the filter kinds 1..5 ("Unsharp Masking" 8, "Luma Equalizing" 7,
// "Noise Removing" 5, "Range Equalizing" 9, "Smoothing" 4); 0 for none.
int PrefilterOperationCode(int kind);

// The circular window of a radius: every (dx, dy) with dx² + dy² <= r² (r = 1: the full 3x3 square).
struct FilterWindow {
    int Radius = 1;                 // 1..32
    std::array<int, 65> HalfWidth{}; // for dy = -Radius..Radius (index dy + Radius): dx = -w..w
    int Count = 0;                  // pixels in the window, the centre included

    static FilterWindow For(int radius);
};

// One area's filter of one encode.
struct AreaFilter {
    int Code = 0;     // operation code, 0 = none
    int Radius = 5;
    int Strength = 0; // 0..100
};

// What a row of filtered pixels is made from. The source is read only and never the output.
struct PrefilterSetup {
    TPixelView Source;           // 24-bit blue-green-red
    AreaFilter Base;             // filters the pixels outside the selection (all without one)
    AreaFilter Selected;         // filters the selected pixels
    const std::uint8_t* Selection = nullptr; // 1-bit rows (black = selected), or null
    int SelectionStride = 0;

    bool Active() const { return (Base.Code && Base.Strength > 0) || (Selection && Selected.Code && Selected.Strength > 0); }
};

// Fills `out` (Source.Width pixels) with row y filtered: base pixels by the base filter, selected
// ones by the selected-area filter, pixels of an area without a filter copied from the source.
// Safe to call from several threads for different rows. The windows slide along the row, so each
// pixel costs O(radius) updates instead of a pass over its window.
void PrefilterRow(const PrefilterSetup& setup, int y, std::uint8_t* out);

// The same by the direct definition, pixel by pixel over the whole window: the reference that the
// sliding version must equal.
void PrefilterRowDirect(const PrefilterSetup& setup, int y, std::uint8_t* out);

} // namespace vantorel
