// The compression profile: every setting that decides one result, as a plain copyable value.
#pragma once

#include "ModificationEntry.h"
#include "OverlayEntry.h"
#include "SelectionUnit.h"

#include <array>
#include <cstdint>
#include <string>

namespace vantorel {

inline constexpr int kProfileModifierCapacity = 128;
inline constexpr int kProfileOverlayCapacity = 16;
inline constexpr int kProfileNameLength = 64;

// Bits of MatchMask: which parts take effect when a profile is applied, and which are compared.
enum MatchBit : std::uint32_t {
    kMatchLevels = 1u << 0,
    kMatchEqualizer = 1u << 1,
    kMatchTarget = 1u << 2,
    kMatchPrefilter = 1u << 3,
    kMatchGrayscale = 1u << 4,
    kMatchProgressive = 1u << 5,
    kMatchPrecision = 1u << 6,
    kMatchRestart = 1u << 7,
    kMatchComments = 1u << 8,
    kMatchSelLevels = 1u << 9,
    kMatchSelEqualizer = 1u << 10,
    kMatchSelPrefilter = 1u << 11,
    kMatchSelections = 1u << 12,
    kMatchResizing = 1u << 13,
    kMatchResolution = 1u << 14,
    kMatchWatermarks = 1u << 15,
    kMatchRotation = 1u << 16,
    kMatchOtherModifications = 1u << 17,
    kMatchCompressionMode = 1u << 20,
};

inline constexpr std::uint32_t kDefaultMatchMask = 0x1FBF7F; // all of bits 0..20 but 7 and 14
inline constexpr std::int32_t kDefaultKeepJPEGDataMask = 0x10000; // comments only
inline constexpr std::int32_t kKeepCommentsBit = 1 << 16;

// A value-initialised profile is all zero, which is what GetProfile starts from. Levels hold the
// quality q (1..100, higher is finer); profile text shows the compression level 101 - q.
struct TJPEGProfile {
    std::uint8_t CompressionMode = 0; // 0 Free, 1 Original, 2 Lossless
    std::uint8_t LumCompressionLevel = 0;
    std::uint8_t ChromCompressionLevel = 0;
    float ComprRatio = 0;        // > 0 = set
    std::int32_t TargetFileSize = 0; // KB, > 0 = set
    std::array<std::int8_t, 5> QualityEqualizerBand{};
    std::int32_t ActiveFilter = 0;
    std::uint8_t FilterValue = 0;
    std::int32_t FilterRadius = 0;
    std::uint8_t Grayscale = 0;
    std::uint8_t ProgressiveEncoding = 0;
    std::uint8_t Precision = 0; // 0 Normal, 1 High, 2 Low
    std::uint32_t RestartInterval = 0;
    std::uint8_t EqualizerFullControl = 0;
    std::uint8_t SelectiveCompression = 0;
    std::uint8_t SelLumCompressionLevel = 0;
    std::uint8_t SelChromCompressionLevel = 0;
    std::uint8_t SelThreshold = 0;
    std::array<std::int8_t, 5> SelQualityEqualizerBand{};
    std::int32_t SelActiveFilter = 0;
    std::uint8_t SelFilterValue = 0;
    std::int32_t SelFilterRadius = 0;
    std::int32_t KeepJPEGDataMask = 0;
    std::string Comments;
    // resizing group
    std::int32_t ResamplingPurpose = 0;
    std::int32_t ResamplingWidth = 0;
    std::int32_t ResamplingHeight = 0;
    std::int32_t ResamplingWUnits = 0;
    std::int32_t ResamplingHUnits = 0;
    std::uint8_t KeepAspect = 0; // not in profile text
    std::int32_t ResolutionHorzDPI = 0;
    std::int32_t ResolutionVertDPI = 0;
    std::int32_t ResamplingMethod = 0;
    std::int32_t ResamplingFidLevel = 0;
    std::uint8_t DoAutoRotate = 0;
    std::int32_t NumModifiers = 0;
    std::array<ModificationEntry, kProfileModifierCapacity> Modifiers{};
    std::int32_t NumOverlays = 0;
    std::array<OverlayEntry, kProfileOverlayCapacity> Overlays{};
    std::string ProfileName; // at most 64 characters; not in profile text
    std::uint32_t MatchMask = 0;
    std::uint32_t ManualSet = 0;
    // selection data: SelDataCount integers of SelData are used, encoding NumSelUnits units
    std::int32_t SelDataCount = 0;
    std::int32_t NumSelUnits = 0;
    std::array<std::int32_t, kSelectionStreamCapacity> SelData{};
};

} // namespace vantorel
