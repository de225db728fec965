// Fuzz target: the picture loader on a file of one format, chosen by the extension in the
// environment variable VANTOREL_FUZZ_EXT (default "bmp"), so that each reader is fuzzed by its own
// run with its own seeds.
#include "PictureLoader.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <unistd.h>

namespace {

QString FuzzFile() {
    static const QString name = [] {
        const char* ext = std::getenv("VANTOREL_FUZZ_EXT");
        const char* dir = std::getenv("TMPDIR");
        return QString("%1/vantorel-fuzz-%2.%3")
            .arg(dir && *dir ? dir : "/tmp")
            .arg(::getpid())
            .arg(ext && *ext ? ext : "bmp");
    }();
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString name = FuzzFile();
    {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    vantorel::ImageFileInfo info;
    try {
        vantorel::LoadPictureWithInfo(name, false, info);
    } catch (const std::exception&) {
    }
    return 0;
}
