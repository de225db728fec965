// One text or picture watermark as a profile carries it.
#pragma once

#include <cstdint>
#include <string>

namespace vantorel {

struct OverlayEntry {
    std::uint8_t OverlayType = 0; // 0 text, 1 picture
    std::uint8_t OverlayHPos = 0; // percent of the free space
    std::uint8_t OverlayVPos = 0;
    std::int32_t OverlayOpacity = 0;
    std::string OverlayText; // lines separated by CR LF
    std::string OverlayFontName;
    std::int32_t OverlayFontSize = 0; // points
    std::int32_t OverlayFontColor = 0; // 0x00BBGGRR
    std::uint8_t OverlayFontStyle = 0; // 1 bold, 2 italic, 4 underline, 8 strike-out
    std::uint8_t OverlayFontCharset = 0;
    std::uint8_t OverlayTextAlignment = 0;
    std::string OverlayImageFileName;
    std::uint8_t OverlayUseTranspColor = 0;
    std::int32_t OverlayTranspColor = 0;
    std::int32_t OverlayToleranceLevel = 0; // percent
    std::string OverlayImageInfo; // for display only; never written to profile text

    bool operator==(const OverlayEntry&) const = default;

    // The values a freshly read profile entry starts from.
    static OverlayEntry Defaults();
};

inline OverlayEntry OverlayEntry::Defaults() {
    OverlayEntry e;
    e.OverlayOpacity = 100;
    e.OverlayFontSize = 48;
    e.OverlayFontColor = 0xFFFFFF;
    e.OverlayTranspColor = 0xFFFFFF;
    e.OverlayToleranceLevel = 30;
    return e;
}

} // namespace vantorel
