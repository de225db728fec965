// Selection units and their profile stream.
#include "SelectionUnit.h"

#include <algorithm>

namespace vantorel {

int StreamLength(const SelectionUnit& unit) {
    switch (unit.Kind) {
    case 0:
    case 1:
        return 5;
    case 2:
        return 2 + 2 * static_cast<int>(unit.Points.size());
    default:
        return 1;
    }
}

bool AppendToStream(const SelectionUnit& unit, std::span<std::int32_t> stream, int& used) {
    const long long length = unit.Kind == 2 ? 2 + 2LL * static_cast<long long>(unit.Points.size()) : StreamLength(unit);
    if (used < 0 || length > static_cast<long long>(stream.size()) - used)
        return false;
    std::int32_t* out = stream.data() + used;
    *out++ = unit.Kind;
    if (unit.Kind == 0 || unit.Kind == 1) {
        *out++ = unit.BegX;
        *out++ = unit.BegY;
        *out++ = unit.EndX;
        *out++ = unit.EndY;
    } else if (unit.Kind == 2) {
        *out++ = static_cast<std::int32_t>(unit.Points.size());
        for (const SelectionPoint& p : unit.Points) {
            *out++ = p.X;
            *out++ = p.Y;
        }
    }
    used += static_cast<int>(length);
    return true;
}

std::vector<SelectionUnit> UnitsFromStream(std::span<const std::int32_t> stream, int used, int unitCount) {
    std::vector<SelectionUnit> units;
    const int end = std::clamp(used, 0, static_cast<int>(stream.size()));
    int pos = 0;
    for (int n = 0; n < unitCount && pos < end; ++n) {
        SelectionUnit unit;
        unit.Kind = static_cast<std::uint8_t>(stream[pos]);
        if (unit.Kind == 0 || unit.Kind == 1) {
            if (end - pos < 5)
                break;
            unit.BegX = stream[pos + 1];
            unit.BegY = stream[pos + 2];
            unit.EndX = stream[pos + 3];
            unit.EndY = stream[pos + 4];
            pos += 5;
        } else if (unit.Kind == 2) {
            if (end - pos < 2)
                break;
            const int count = stream[pos + 1];
            if (count < 0 || count > (end - pos - 2) / 2)
                break;
            pos += 2;
            unit.Points.resize(static_cast<std::size_t>(count));
            for (SelectionPoint& p : unit.Points) {
                p.X = stream[pos++];
                p.Y = stream[pos++];
            }
            if (!unit.Points.empty()) {
                unit.BegX = unit.Points.front().X;
                unit.BegY = unit.Points.front().Y;
                unit.EndX = unit.Points.back().X;
                unit.EndY = unit.Points.back().Y;
            }
        } else {
            pos += 1;
        }
        units.push_back(std::move(unit));
    }
    return units;
}

} // namespace vantorel
