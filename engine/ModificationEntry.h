// One entry of the image modification list (a correction, crop, rotation or resize).
#pragma once

#include <cstdint>

namespace vantorel {

// ModifyType 7 is a rotation with Value1_ 0 none, 1 90° clockwise, 2 270° clockwise, 3 180°.
inline constexpr std::uint8_t kRotationModification = 7;

struct ModificationEntry {
    std::int32_t Value1_ = 0;
    std::int32_t Value2_ = 0;
    std::int32_t Value3_ = 0;
    std::int32_t Value4 = 0; // not stored in profile text
    std::uint8_t ModifyType = 0;
    std::uint8_t Applied = 0; // the effect is already part of the working source

    bool operator==(const ModificationEntry&) const = default;
};

} // namespace vantorel
