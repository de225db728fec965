#include "SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace vantorel {

QString WriteFileSafely(const QString& target, const std::vector<std::uint8_t>& bytes) {
    const QFileInfo info(target);
    if (!QDir().mkpath(info.absolutePath()))
        return "cannot create the folder " + info.absolutePath();
    QSaveFile file(target);
    // Unbuffered, so that a failed write leaves the system's reason (a full disk, a size limit) in
    // errno where Qt's own text would only say "Unknown error".
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return "cannot write " + target + ": " + file.errorString();
    errno = 0;
    if (file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size())) {
        const int reason = errno;
        file.cancelWriting();
        return "cannot write " + target + ": " +
               (reason ? QString::fromLocal8Bit(std::strerror(reason)) : file.errorString());
    }
    errno = 0;
    if (!file.commit()) {
        const int reason = errno;
        const QString text = file.errorString();
        return "cannot write " + target + ": " +
               (reason && text.contains("Unknown error") ? QString::fromLocal8Bit(std::strerror(reason)) : text);
    }
    return {};
}

} // namespace vantorel
