// Result names of a batch: prefix, original name, suffix, numbers, and the mirrored sub-folders.
#pragma once

#include "TBatchProcOptions.h"

#include <QString>

namespace vantorel {

// Paths use "/" as the separator.
// The path without its last extension (the last "." after the last "/"); a path without one whole.
QString PathWithoutExt(const QString& path);
// The file-name part without its last extension.
QString NameWithoutExt(const QString& path);

// The result path of the source path under the options. Pure function of its inputs.
QString BatchResultName(const QString& source, const TBatchProcOptions& options);

} // namespace vantorel
