// The web sharing services' protocol.
#include "SharingProtocol.h"

#include "SettingsStore.h"

namespace vantorel {

namespace {

const char* const kMessages[9] = {
    "Time-out or unknown error. Please check your Internet connection.",
    "No file.",
    "File size exceeds the allowed maximum. To learn more, read Terms of Service.",
    "Not supported file format.",
    "Time-out or unknown error. Please check your Internet connection.",
    "Cannot save uploaded file. Request support.",
    "Unknown error. Request support.",
    "Invalid Photo Sharing user ID. Enter a new ID or clear the entered value from Options > Preferences > Online "
    "Services.",
    "Invalid gallery ID. Create a new gallery, or select form existing ones.",
};

QString Trimmed(QString base) {
    while (base.endsWith('/'))
        base.chop(1);
    return base;
}

} // namespace

ServiceAddresses ServiceAddresses::FromSettings(const SettingsStore& store) {
    ServiceAddresses a;
    a.SharingBase = Trimmed(store.ReadText("SharingBaseAddress", "https://share.vantorel.example"));
    a.HostingBase = Trimmed(store.ReadText("HostingBaseAddress", "https://photos.vantorel.example"));
    return a;
}

QString ParseSharingID(const QString& text) {
    QString id = text.toLower();
    if (id.size() > 8) {
        const int ctr = static_cast<int>(id.indexOf("_ctr"));
        if (ctr >= 9 && id[ctr - 9] == '/')
            id = id.mid(ctr - 8, 8);
        else
            id.clear();
    }
    return id.size() < 8 ? QString() : id;
}

QString ErrorTextFromResponse(const QString& answer) {
    const QString lower = answer.toLower();
    const int at = static_cast<int>(lower.indexOf("err="));
    if (at < 0)
        return kMessages[0];
    const int cr = static_cast<int>(lower.indexOf('\r', at));
    if (cr < 0)
        return kMessages[0];
    bool ok = false;
    const int code = lower.mid(at + 4, cr - at - 4).toInt(&ok, 10);
    return ok && code >= 0 && code <= 8 ? kMessages[code] : kMessages[0];
}

QString GalleryFromResponse(const QString& answer) {
    const QString lower = answer.toLower();
    const int at = static_cast<int>(lower.indexOf("pid="));
    if (at < 0)
        return {};
    const int cr = static_cast<int>(lower.indexOf('\r', at));
    return lower.mid(at + 4, cr < 0 ? -1 : cr - at - 4);
}

QString DecodeNumericEntities(const QString& text) {
    QString out;
    int pos = 0;
    for (;;) {
        const int at = static_cast<int>(text.indexOf("&#", pos));
        if (at < 0)
            break;
        const int semicolon = static_cast<int>(text.indexOf(';', at + 2));
        if (semicolon < 0)
            break; // no ";" after it: the rest stays as it is
        out += text.mid(pos, at - pos);
        bool ok = false;
        const uint code = text.mid(at + 2, semicolon - at - 2).toUInt(&ok, 10);
        // Codes beyond Unicode, surrogates and 0 are dropped rather than producing broken text.
        if (ok && code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF))
            out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
        pos = semicolon + 1;
    }
    out += text.mid(pos);
    return out;
}

int ParseGalleryList(const QString& answer, QString& result) {
    const qsizetype marker = answer.indexOf("OK!");
    if (marker < 0) {
        result = ErrorTextFromResponse(answer);
        return 3;
    }
    result = answer.mid(marker + 3 + 2); // the marker and its line break
    return 2;
}

} // namespace vantorel
