// The command-line batch entry ("/cmdlineproc"): a batch driven by arguments, reported in a file.
#pragma once

#include <QStringList>

namespace vantorel {

// args[0] is the program, args[1] "/cmdlineproc", then the report file, the profile, the source
// folder and mask, the destination folder and the switches. Runs on the calling thread without any
// window and returns once the report is written. Returns 0, or 1 when the report file cannot be
// created (nothing is processed then); the outcome itself is in the report: "OK!" or "Error(s):"
// followed by one line per error.
int RunCommandLineBatch(const QStringList& args);

} // namespace vantorel
