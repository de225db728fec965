// The names that reach the program from the command line, drag and drop or another instance.
#pragma once

#include <QString>
#include <QStringList>

namespace vantorel {

// A "file:" name without that prefix, URL-decoded ("%%" is "%", "%" and two hexadecimal digits
// that byte, "+" a blank) and with its leading slashes reduced to one, so that it names the
// absolute path; any other name as it is.
QString DecodeIncomingName(const QString& name);

// The names to open, in order: decoded, and only those that name existing files. "http:" names
// cannot be looked up in a browser cache here; they are counted in `notCached`.
QStringList FilterIncomingFiles(const QStringList& names, int* notCached = nullptr);

} // namespace vantorel
