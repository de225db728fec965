// One upload of a result to a web service.
#include "WebUpload.h"

#include "TJPEGImage.h"

#include <QFile>
#include <QTemporaryDir>

#include <cmath>

namespace vantorel {

bool UploadToWeb(TJPEGImage* engine, const QString& fileName, HttpClient* client, QString& resultText,
                 QString& galleryId, QString& sharingId, bool sharing, const ServiceAddresses& addresses,
                 const UploadPercent& progress) {
    std::unique_ptr<HttpClient> own;
    if (!client) {
        own = std::make_unique<HttpClient>();
        client = own.get();
    }
    if (progress)
        client->OnUploadProgress = [&progress](qint64 sent, qint64 total) {
            progress(total > 0 ? static_cast<int>(std::nearbyint(static_cast<double>(sent) / total * 95)) : 0);
        };

    // A private folder: a planted "upload.jpg" link in a shared temporary folder is never followed.
    QTemporaryDir temporary;
    QString path = fileName;
    if (path.isEmpty()) {
        path = temporary.isValid() ? temporary.filePath("upload.jpg") : QString();
        bool saved = false;
        if (engine && !path.isEmpty()) {
            QFile file(path);
            try {
                saved = file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && (engine->SaveToStream(file), true);
            } catch (const std::exception&) {
                saved = false;
            }
        }
        if (!saved || !QFile::exists(path)) {
            resultText = "Cannot create a temporary file";
            return false;
        }
    }
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    file.close();

    std::vector<FormField> fields{{"UPLD", {}, {}, {}}};
    if (sharing) {
        fields.push_back({"UID", sharingId.toUtf8(), {}, {}});
        fields.push_back({"PID", galleryId.toUtf8(), {}, {}});
    }
    fields.push_back({"upfile", bytes, QStringLiteral("upload.jpg"), QStringLiteral("IMAGE/JPEG")});
    QByteArray answerBytes;
    QString error;
    client->PostForm(sharing ? addresses.SharingScript() : addresses.HostingScript(), fields, answerBytes, error);
    const QString answer = QString::fromLatin1(answerBytes);
    client->OnUploadProgress = nullptr;
    QFile::remove(path); // the uploaded file goes, also one that was given

    if (!answer.contains("OK!")) {
        resultText = "Error uploading photo. " + ErrorTextFromResponse(answer);
        return false;
    }
    const int start = static_cast<int>(answer.indexOf("URL="));
    QString link;
    if (start >= 0) {
        const QString rest = answer.mid(start + 4);
        int end = static_cast<int>(rest.indexOf(".jpg"));
        if (end < 0) {
            end = static_cast<int>(rest.indexOf(".htm"));
        }
        if (end >= 0)
            link = rest.left(end + 4); // the extension included
    }
    resultText = link;
    sharingId = ParseSharingID(link);
    galleryId = GalleryFromResponse(answer);
    return true;
}

} // namespace vantorel
