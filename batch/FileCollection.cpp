// Collecting the files of a batch.
#include "FileCollection.h"

#include <QDir>

namespace vantorel {

void CollectFiles(QStringList& list, const QString& folder, const QString& mask, bool recursive) {
    QString base = folder.isEmpty() ? QStringLiteral("/") : folder;
    if (!base.endsWith('/'))
        base += '/';
    QDir dir(base);
    const QString pattern = mask == "*.*" ? QStringLiteral("*") : mask;
    // Without QDir::CaseSensitive the name filters ignore letter case, as users of masks expect.
    const QStringList files =
        dir.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString& name : files)
        list << base + name;
    if (!recursive)
        return;
    const QStringList folders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Unsorted);
    for (const QString& name : folders)
        CollectFiles(list, base + name, mask, true);
}

void CollectFilesByFilter(QStringList& list, const QString& folder, const QString& filter, bool recursive, int index) {
    const QStringList parts = filter.split('|');
    const int position = 2 * index - 1; // the masks of entry `index`
    if (index < 1 || position >= parts.size())
        return;
    for (const QString& mask : parts[position].split(';', Qt::SkipEmptyParts))
        CollectFiles(list, folder, mask.trimmed(), recursive);
}

} // namespace vantorel
