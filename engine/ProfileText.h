// The profile text format (".jcp"): key=value lines with section headers, version 7.
#pragma once

#include "TJPEGProfile.h"

#include <string>
#include <string_view>

namespace vantorel {

inline constexpr int kProfileTextVersion = 7;
inline constexpr long long kMaxProfileFileSize = 1024 * 1024;

// The text of a profile, lines ending in CR LF.
std::string WriteProfileText(const TJPEGProfile& profile);

// Reads profile text over `base` (the engine's current profile, which supplies every value the text
// does not set) and returns the profile to apply; keys are matched without regard to case, the
// first line of a key wins, versions before 7 are upgraded. Throws EngineError
// "'<text>' is not a valid integer value" for a value that is not a 32-bit decimal integer.
TJPEGProfile ReadProfileText(std::string_view text, const TJPEGProfile& base, const std::string& profileName);

} // namespace vantorel

namespace vantorel {

// The MatchMask bits of the profile part a text key belongs to (0 for keys outside every part,
// such as Version or MatchMask itself). Keys are compared without regard to case; numbered keys
// may carry their number.
std::uint32_t MatchBitsOfKey(std::string_view key);

} // namespace vantorel
