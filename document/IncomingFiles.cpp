// The names that reach the program from outside.
#include "IncomingFiles.h"

#include <QByteArray>
#include <QFileInfo>

namespace vantorel {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

QString DecodeIncomingName(const QString& name) {
    if (!name.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive))
        return name;
    const QByteArray in = name.mid(5).toUtf8();
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 1 < in.size() && in[i + 1] == '%') {
            out += '%';
            ++i;
        } else if (c == '%' && i + 2 < in.size() && HexDigit(in[i + 1]) >= 0 && HexDigit(in[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(in[i + 1]) * 16 + HexDigit(in[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    // The design drops every leading slash (drive letters followed there); here the path is absolute.
    qsizetype slashes = 0;
    while (slashes < out.size() && out[slashes] == '/')
        ++slashes;
    return (slashes > 0 ? QStringLiteral("/") : QString()) + QString::fromUtf8(out.mid(slashes));
}

QStringList FilterIncomingFiles(const QStringList& names, int* notCached) {
    QStringList files;
    int uncached = 0;
    for (const QString& name : names) {
        if (name.startsWith(QStringLiteral("http:"), Qt::CaseInsensitive)) {
            ++uncached;
            continue;
        }
        const QString decoded = DecodeIncomingName(name);
        if (QFileInfo(decoded).isFile())
            files << decoded;
    }
    if (notCached)
        *notCached = uncached;
    return files;
}

} // namespace vantorel
