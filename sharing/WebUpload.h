// One upload of a result to the hosting or the sharing service.
#pragma once

#include "HttpClient.h"
#include "SharingProtocol.h"

#include <QString>

#include <functional>

class TJPEGImage;

namespace vantorel {

// Upload progress in percent, 0..95 while the body is sent.
using UploadPercent = std::function<void(int percent)>;

// Uploads the file, or (fileName empty) the engine's result written to "upload.jpg" in a private
// temporary folder created for this upload. The sharing service gets "UPLD", "UID" and "PID", the
// hosting service "UPLD"; the file travels as "upfile" of type "IMAGE/JPEG". On success
// `resultText` is the link, and the sharing and gallery IDs come from the answer; on failure it is
// "Error uploading photo." and the service's message. The uploaded file is deleted afterwards, a
// given one included. Runs on the calling thread with the given client, or one of its own.
bool UploadToWeb(TJPEGImage* engine, const QString& fileName, HttpClient* client, QString& resultText,
                 QString& galleryId, QString& sharingId, bool sharing, const ServiceAddresses& addresses,
                 const UploadPercent& progress = {});

} // namespace vantorel
