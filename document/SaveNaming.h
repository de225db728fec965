// The names results are saved under.
#pragma once

#include <QString>

namespace vantorel {

// The name with its last extension (from the last "." of the file name on) replaced by
// `extension` (which starts with "."); an empty name becomes "TEMP" followed by the extension.
QString GiveExtension(const QString& fileName, const QString& extension);

// The file a result is written to: the chosen name, or the document's own name when none was
// chosen (empty `chosen`), with the extension of the source file for a JPEG source (a source
// a.jpeg saved as b.jpg is written as b.jpeg) and ".jpg" for any other source.
QString SaveTarget(const QString& chosen, const QString& documentName, bool sourceIsJpeg);

// "NoName" followed by the counter of new images: the name of a pasted picture.
QString NewImageName(int counter);

} // namespace vantorel
