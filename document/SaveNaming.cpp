// The names results are saved under.
#include "SaveNaming.h"

#include <QFileInfo>

namespace vantorel {

QString GiveExtension(const QString& fileName, const QString& extension) {
    const qsizetype slash = fileName.lastIndexOf('/');
    const qsizetype dot = fileName.lastIndexOf('.');
    QString stem = dot > slash ? fileName.left(dot) : fileName;
    if (stem.isEmpty())
        stem = QStringLiteral("TEMP");
    return stem + extension;
}

QString SaveTarget(const QString& chosen, const QString& documentName, bool sourceIsJpeg) {
    const QString target = chosen.isEmpty() ? documentName : chosen;
    if (!sourceIsJpeg)
        return GiveExtension(target, QStringLiteral(".jpg"));
    const QString suffix = QFileInfo(documentName).suffix();
    return GiveExtension(target, suffix.isEmpty() ? QStringLiteral(".jpg") : "." + suffix);
}

QString NewImageName(int counter) {
    return QStringLiteral("NoName%1").arg(counter);
}

} // namespace vantorel
