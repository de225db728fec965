// Writing a file so that an interruption never leaves it half-written.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace vantorel {

// Creates the target's missing folders, writes the bytes to a temporary file beside the target,
// flushes it to disk and renames it over the target. Returns the error text (naming the target and
// the system's reason), empty on success; on failure the target is as it was.
QString WriteFileSafely(const QString& target, const std::vector<std::uint8_t>& bytes);

} // namespace vantorel
