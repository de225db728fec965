// Fuzz target: the web sharing service's answers as every parser of them reads them.
#include "SharingProtocol.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString answer = QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    vantorel::ErrorTextFromResponse(answer);
    vantorel::GalleryFromResponse(answer);
    QString list;
    vantorel::ParseGalleryList(answer, list);
    for (const QString& line : list.split("\r\n"))
        vantorel::DecodeNumericEntities(line);
    vantorel::DecodeNumericEntities(answer);
    vantorel::ParseSharingID(answer);
    return 0;
}
