// The picture loader: any supported picture file read into a 24-bit bitmap, with its file record.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

#include <cstdint>

namespace vantorel {

// Format indexes of the file record.
enum class PictureFormatKind : std::uint8_t {
    kUnknown = 0, kBmp, kJpeg, kTiff, kEps, kPcx, kPsd, kGif, kPng, kPcd, kTarga, kPsp, kCut, kPpm, kSgi, kRla,
    kAutodesk, kWebp, kHeic, kAvif
};

struct ImageFileInfo {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t FileSize = 0;
    std::int32_t StoredSize = 0;   // as an uncompressed bitmap at its own depth (rows padded to 4 bytes)
    std::int32_t Size24 = 0;       // the same at 24 bits per pixel
    std::int32_t BitsPerPixel = 0;
    float Ratio = 0;               // StoredSize / FileSize
    float Ratio24 = 0;             // Size24 / FileSize
    float FileBitsPerPixel = 0;    // FileSize x 8 / (Width x Height)
    QDateTime Created;
    QDateTime LastWritten;
    PictureFormatKind FormatIndex = PictureFormatKind::kUnknown;
    QString FormatName;            // at most 40 characters
    QString FileName;
    bool ReadByContent = false;
    bool KnownFormat = false;
    bool ReducedPreview = false;
    bool TimesRead = false;
};

// Reads the file into a 24-bit blue-green-red bitmap and fills the record. The reader is chosen by
// the file's extension from an allow-list (never a scripting or vector format; PostScript only for
// ".eps"); when that fails, by the file's first bytes. JPEG files go through the engine's decoder
// (with preview, at the scale that fits previewWidth x previewHeight). A ".pskwk" transfer file is
// read and deleted. Pictures over 268,402,689 pixels are refused before their pixels are read.
// Throws EngineError with the file name and the reader's message when no reader can read the file.
// Safe to call from several threads.
QImage LoadPictureWithInfo(const QString& fileName, bool preview, ImageFileInfo& info, int previewHeight = 0,
                           int previewWidth = 0);

// True when the file name's extension is one of the loader's formats.
bool IsPictureFileName(const QString& fileName);

// The open dialog's filter list: "All supported formats", then one entry per reader.
QString PictureFileFilter();

} // namespace vantorel
