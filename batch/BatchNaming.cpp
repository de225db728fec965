// Result names of a batch.
#include "BatchNaming.h"

namespace vantorel {

namespace {

int NameStart(const QString& path) { return static_cast<int>(path.lastIndexOf('/')) + 1; }

// The index of the last extension's "." in the file-name part, or -1.
int ExtensionDot(const QString& path) {
    const int dot = static_cast<int>(path.lastIndexOf('.'));
    return dot >= NameStart(path) ? dot : -1;
}

QString Number(int value, const TBatchProcOptions& o) {
    QString text = QString::number(value);
    // The padding works on the text, sign included: -5 at width 4 is "00-5".
    if (o.BatchFNLeadZeroes && text.size() < o.BatchFNLeadZeroesN)
        text = QString(o.BatchFNLeadZeroesN - text.size(), '0') + text;
    return text;
}

} // namespace

QString PathWithoutExt(const QString& path) {
    const int dot = ExtensionDot(path);
    return dot < 0 ? path : path.left(dot);
}

QString NameWithoutExt(const QString& path) {
    const QString name = path.mid(NameStart(path));
    const int dot = static_cast<int>(name.lastIndexOf('.'));
    return dot < 0 ? name : name.left(dot);
}

QString BatchResultName(const QString& source, const TBatchProcOptions& o) {
    const QString base = NameWithoutExt(source);
    const int dot = ExtensionDot(source);
    const QString ext = dot < 0 ? QStringLiteral(".jpg") : source.mid(dot);
    const QString dir = source.left(NameStart(source));

    QString name = o.BatchFNContOrig ? base : QString();
    if (o.BatchFNPrefType == 1)
        name = o.BatchFNPrefix + name;
    else if (o.BatchFNPrefType == 2)
        name = Number(o.BatchFNPrefInitN, o) + name;
    if (o.BatchFNSufType == 1)
        name += o.BatchFNSuffix;
    else if (o.BatchFNSufType == 2)
        name += Number(o.BatchFNSufInitN, o);

    QString result;
    if (o.BatchDestFolder.isEmpty()) {
        result = dir + name + ext;
    } else {
        QString dest = o.BatchDestFolder;
        if (!dest.endsWith('/'))
            dest += '/';
        // The sub-folders below the source base folder are repeated below the destination.
        QString rel;
        if (!o.BatchSrcFolder.isEmpty() && dir.startsWith(o.BatchSrcFolder)) {
            rel = dir.mid(o.BatchSrcFolder.size());
            if (rel.startsWith('/'))
                rel.remove(0, 1);
        }
        result = dest + rel + name + ext;
    }
    if (o.BatchForceJpgExt) {
        result = PathWithoutExt(result);
        if (result.size() == NameStart(result))
            result += QStringLiteral("TEMP"); // nothing but an extension would be left
        result += QStringLiteral(".jpg");
    }
    return result;
}

} // namespace vantorel
