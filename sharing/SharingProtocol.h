// The web sharing services' protocol: addresses, answers, error codes and sharing IDs.
#pragma once

#include <QString>

namespace vantorel {

class SettingsStore;

// The services' base addresses: settings values "SharingBaseAddress" and "HostingBaseAddress"
// with built-in defaults; http and https are accepted.
struct ServiceAddresses {
    QString SharingBase;
    QString HostingBase;

    static ServiceAddresses FromSettings(const SettingsStore& store);
    QString SharingScript() const { return SharingBase + "/cgi-bin/share.exe"; }
    QString HostingScript() const { return HostingBase + "/cgi-bin/upload.exe"; }
    QString TermsPage() const { return HostingBase + "/terms.htm"; }
    QString ControlPageAddress(const QString& sharingId) const { return SharingBase + "/1/" + sharingId + "_ctr.htm"; }
};

// An 8-character lower-case sharing ID from an ID or a control-page address; empty otherwise.
QString ParseSharingID(const QString& text);
// The message of the "err=" code of an answer (code 0's message for anything unreadable).
QString ErrorTextFromResponse(const QString& answer);
// The gallery ID after "pid=" (up to the next CR), empty without one.
QString GalleryFromResponse(const QString& answer);
// The gallery list of an answer to the list command: the lines after "OK!" and its line break
// (returns 2), or the error message of the answer (returns 3).
int ParseGalleryList(const QString& answer, QString& result);
// "&#N;" sequences turned into the characters they stand for (dropped when N is 0 or unreadable).
QString DecodeNumericEntities(const QString& text);

} // namespace vantorel
