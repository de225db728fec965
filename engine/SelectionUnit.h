// The user's selection shapes and their encoding as the integer stream a profile carries.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vantorel {

enum class SelectionUnitKind : std::uint8_t { kRectangle = 0, kEllipse = 1, kPolygon = 2 };

struct SelectionPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    bool operator==(const SelectionPoint&) const = default;
};

// Coordinates are millionths of the image width (x) and height (y), so 0..1000000 spans the image.
// For a polygon Beg and End are its first and last point.
struct SelectionUnit {
    std::uint8_t Kind = 0;
    std::int32_t BegX = 0;
    std::int32_t BegY = 0;
    std::int32_t EndX = 0;
    std::int32_t EndY = 0;
    std::vector<SelectionPoint> Points; // polygons only
    bool Included = true;               // units without it are neither drawn nor stored

    bool operator==(const SelectionUnit&) const = default;
};

inline constexpr int kSelectionStreamCapacity = 8191;

// The number of stream integers the unit takes: 5 for rectangles and ellipses, 2 + 2n for a
// polygon of n points, 1 for any other kind.
int StreamLength(const SelectionUnit& unit);

// Appends the unit to stream[used..] when it fits in the capacity; returns false (stream untouched)
// when it does not.
bool AppendToStream(const SelectionUnit& unit, std::span<std::int32_t> stream, int& used);

// Decodes unitCount units from the first `used` integers. Decoding stops early at a unit that runs
// past `used`, so a damaged stream yields the units before the damage.
std::vector<SelectionUnit> UnitsFromStream(std::span<const std::int32_t> stream, int used, int unitCount);

} // namespace vantorel
