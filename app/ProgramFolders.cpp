#include "ProgramFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace vantorel {

QString ProfilesFolder() {
    const QString installed = QCoreApplication::applicationDirPath() + "/Profiles";
    const QFileInfo installedInfo(installed);
    if (installedInfo.isDir() && installedInfo.isWritable())
        return installed + '/';
    const QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (base.isEmpty())
        return installed + '/';
    const QString own = base + "/Profiles";
    if (!QFileInfo(own).isDir() && QDir().mkpath(own) && installedInfo.isDir()) {
        // A profile that cannot be copied is left out; the others are still there.
        const QDir from(installed);
        for (const QString& name : from.entryList({"*.jcp"}, QDir::Files))
            QFile::copy(from.filePath(name), own + '/' + name);
    }
    return own + '/';
}

} // namespace vantorel
