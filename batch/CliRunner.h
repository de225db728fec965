// The work of vantorel-cli: apply one profile to every input and write the results.
#pragma once

#include "CliOptions.h"

#include <ostream>

namespace vantorel {

// Runs on the calling thread. Writes one line per file to `out`, one error line per failed file to
// `err`. Returns the process exit status: 0 all succeeded, 1 some file failed, 2 the profile or the
// output folder is unusable (nothing processed).
int RunCli(const CliOptions& options, std::ostream& out, std::ostream& err);

// True when the profile the options give (file and --set lines) draws a text watermark, which needs
// a QGuiApplication; may be called before any Qt application object exists.
bool CliNeedsFonts(const CliOptions& options);

} // namespace vantorel
