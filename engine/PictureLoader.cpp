// The picture loader: an allow-list of readers (GraphicsMagick coders, stb_image for Photoshop
// files, our own Autodesk reader, the engine for JPEG), chosen by extension and then by content.
#include "PictureLoader.h"

#include "Bitmap24.h"
#include "EngineError.h"
#include "JpegCodec.h"
#include "TJPEGImage.h"

#include <Magick++.h>
#include <stb/stb_image.h>

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>

#include <sys/stat.h>

namespace vantorel {

namespace {

enum class ReaderKind { kJpeg, kMagick, kPsd, kAutodesk, kUnsupported };

struct Reader {
    const char* extensions; // ";"-separated, lower case
    ReaderKind kind;
    const char* coder; // the GraphicsMagick coder, forced by its prefix
    PictureFormatKind format;
    const char* name; // the open dialog's description
    bool byContent;   // may be chosen by the file's first bytes
};

// The formats offered, in the order of the open dialog. Scripting and vector coders (MVG, MSL, SVG,
// TEXT, ...) are never reachable; PostScript only through the ".eps" extension.
const Reader kReaders[] = {
    {"jpg;jpeg;jpe;jfif", ReaderKind::kJpeg, "JPEG", PictureFormatKind::kJpeg,
     "JPEG Image Files (JPG, JPEG, JPE, JFIF)", true},
    {"bmp;dib;rle", ReaderKind::kMagick, "BMP", PictureFormatKind::kBmp, "Bitmaps (BMP, DIB, RLE)", true},
    {"png", ReaderKind::kMagick, "PNG", PictureFormatKind::kPng, "Portable Network Graphic (PNG)", true},
    {"tif;tiff;fax", ReaderKind::kMagick, "TIFF", PictureFormatKind::kTiff, "Tagged Image File Format (TIFF, FAX)",
     true},
    {"gif", ReaderKind::kMagick, "GIF", PictureFormatKind::kGif, "Graphics Interchange Format (GIF)", true},
    {"pcx", ReaderKind::kMagick, "PCX", PictureFormatKind::kPcx, "Zsoft Paintbrush (PCX)", true},
    {"psd;pdd", ReaderKind::kPsd, "", PictureFormatKind::kPsd, "Adobe Photoshop (PSD, PDD)", true},
    {"pcd", ReaderKind::kMagick, "PCD", PictureFormatKind::kPcd, "Kodak PhotoCD (PCD)", false},
    {"psp", ReaderKind::kUnsupported, "", PictureFormatKind::kPsp, "Paint Shop Pro (PSP)", false},
    {"ppm;pgm;pbm", ReaderKind::kMagick, "PNM", PictureFormatKind::kPpm, "Portable Map Graphic (PPM, PGM, PBM)", true},
    {"sgi;rgb;bw", ReaderKind::kMagick, "SGI", PictureFormatKind::kSgi, "SGI Graphic (SGI, RGB, BW)", true},
    {"tga;win;vst;vda;icb", ReaderKind::kMagick, "TGA", PictureFormatKind::kTarga,
     "Truevision Targa (TGA, WIN, VST, VDA, ICB)", false},
    {"cut", ReaderKind::kMagick, "CUT", PictureFormatKind::kCut, "Dr. Halo (CUT)", false},
    {"rpf;rla", ReaderKind::kMagick, "RLA", PictureFormatKind::kRla, "Alias / Wavefront (RPF, RLA)", false},
    {"cel;pic", ReaderKind::kAutodesk, "", PictureFormatKind::kAutodesk, "Autodesk (CEL, PIC)", true},
    {"eps", ReaderKind::kMagick, "EPS", PictureFormatKind::kEps, "Encapsulated Postscript (EPS)", false},
    {"webp", ReaderKind::kMagick, "WEBP", PictureFormatKind::kWebp, "WebP Image (WEBP)", true},
    {"heic;heif", ReaderKind::kMagick, "HEIC", PictureFormatKind::kHeic, "HEIF Image (HEIC, HEIF)", false},
    {"avif", ReaderKind::kMagick, "AVIF", PictureFormatKind::kAvif, "AV1 Image (AVIF)", false},
};

const Reader* ReaderForExtension(const QString& suffix) {
    const QString ext = suffix.toLower();
    for (const Reader& r : kReaders)
        if (QString::fromLatin1(r.extensions).split(';').contains(ext))
            return &r;
    return nullptr;
}

// The reader whose signature starts the data; BMP and JPEG are tried first, as the design says.
const Reader* ReaderForContent(const QByteArray& d) {
    const auto starts = [&](const char* magic, int size) { return d.startsWith(QByteArrayView(magic, size)); };
    const auto reader = [](PictureFormatKind f) -> const Reader* {
        for (const Reader& r : kReaders)
            if (r.format == f)
                return &r;
        return nullptr;
    };
    if (starts("BM", 2))
        return reader(PictureFormatKind::kBmp);
    if (starts("\xFF\xD8", 2))
        return reader(PictureFormatKind::kJpeg);
    if (starts("\x89PNG\r\n\x1A\n", 8))
        return reader(PictureFormatKind::kPng);
    if (starts("GIF87a", 6) || starts("GIF89a", 6))
        return reader(PictureFormatKind::kGif);
    if (starts("II*\0", 4) || starts("MM\0*", 4))
        return reader(PictureFormatKind::kTiff);
    if (starts("8BPS", 4))
        return reader(PictureFormatKind::kPsd);
    if (starts("\x19\x91", 2))
        return reader(PictureFormatKind::kAutodesk);
    if (starts("\x01\xDA", 2))
        return reader(PictureFormatKind::kSgi);
    if (d.size() >= 12 && starts("RIFF", 4) && d.mid(8, 4) == "WEBP")
        return reader(PictureFormatKind::kWebp);
    if (d.size() >= 2 && d[0] == 'P' && d[1] >= '1' && d[1] <= '6')
        return reader(PictureFormatKind::kPpm);
    if (d.size() >= 128 && static_cast<std::uint8_t>(d[0]) == 0x0A && static_cast<std::uint8_t>(d[1]) <= 5 &&
        static_cast<std::uint8_t>(d[2]) == 1)
        return reader(PictureFormatKind::kPcx);
    return nullptr;
}

void CheckSize(long long width, long long height) {
    if (width <= 0 || height <= 0)
        throw EngineError("the picture has no pixels");
    if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
        throw EngineError("the picture is too large (" + std::to_string(width) + " x " + std::to_string(height) +
                          " pixels; at most " + std::to_string(kMaxPixels) + " pixels and " + std::to_string(kMaxSide) +
                          " on a side)");
}

// The size that a PNG, GIF or BMP header states, so that a claim beyond the limits is refused with
// that reason before any reader (whose own limits give vaguer messages) sees the data.
std::optional<std::pair<long long, long long>> HeaderSize(const QByteArray& d) {
    const auto u8 = [&d](int i) { return static_cast<long long>(static_cast<std::uint8_t>(d[i])); };
    const auto be32 = [&](int i) { return u8(i) << 24 | u8(i + 1) << 16 | u8(i + 2) << 8 | u8(i + 3); };
    const auto le16 = [&](int i) { return u8(i) | u8(i + 1) << 8; };
    const auto le32 = [&](int i) {
        return static_cast<long long>(
            static_cast<std::int32_t>(static_cast<std::uint32_t>(le16(i) | le16(i + 2) << 16)));
    };
    if (d.size() >= 24 && d.startsWith("\x89PNG\r\n\x1a\n") && d.mid(12, 4) == "IHDR")
        return std::make_pair(be32(16), be32(20));
    if (d.size() >= 10 && d.startsWith("GIF8"))
        return std::make_pair(le16(6), le16(8));
    if (d.size() >= 26 && d.startsWith("BM")) {
        const long long header = le32(14);
        if (header == 12)
            return std::make_pair(le16(18), le16(20));
        if (header >= 40)
            return std::make_pair(le32(18), std::llabs(le32(22)));
    }
    return std::nullopt;
}

void InitializeGraphicsMagick() {
    static std::once_flag once;
    std::call_once(once, [] {
        Magick::InitializeMagick(nullptr);
        using namespace MagickLib;
        // Load every coder's signature now: content detection knows only the coders loaded so far.
        ExceptionInfo exception;
        GetExceptionInfo(&exception);
        (void)GetMagickInfo("*", &exception);
        DestroyExceptionInfo(&exception);
        SetMagickResourceLimit(PixelsResource, kMaxPixels);
        SetMagickResourceLimit(WidthResource, kMaxSide);
        SetMagickResourceLimit(HeightResource, kMaxSide);
        SetMagickResourceLimit(MemoryResource, 1LL << 30);
        SetMagickResourceLimit(MapResource, 1LL << 30);
        SetMagickResourceLimit(DiskResource, 0);
        SetMagickResourceLimit(ThreadsResource, 1); // pictures are read in parallel by the batch instead
    });
}

// The coder GraphicsMagick used is the one asked for, or one of its own variants.
bool SameCoder(const std::string& used, const std::string& asked) {
    static const char* const kFamilies[][6] = {{"PNM", "PPM", "PGM", "PBM", "PAM", nullptr},
                                               {"TIFF", "TIF", "PTIF", nullptr},
                                               {"TGA", "ICB", "VDA", "VST", nullptr},
                                               {"GIF", "GIF87", nullptr},
                                               {"PCD", "PCDS", nullptr},
                                               {"HEIC", "HEIF", "AVIF", nullptr},
                                               {"EPS", "EPT", "EPSF", "EPSI", nullptr}};
    if (used.rfind(asked, 0) == 0)
        return true; // numbered variants such as BMP3 or PNG24
    for (const auto& family : kFamilies) {
        bool hasUsed = false, hasAsked = false;
        for (const char* const* c = family; *c; ++c) {
            hasUsed = hasUsed || used == *c;
            hasAsked = hasAsked || asked == *c;
        }
        if (hasUsed && hasAsked)
            return true;
    }
    return false;
}

QImage ReadWithMagick(const QByteArray& data, const char* coder, int& bits) {
    InitializeGraphicsMagick();
    // GraphicsMagick recognises content by itself whatever coder is asked for: content that looks
    // like another format is read only by that format's own reader, and never when that format is
    // not on the list (scripts and vector drawings above all).
    const char* detected = MagickLib::GetImageMagick(reinterpret_cast<const unsigned char*>(data.constData()),
                                                     static_cast<std::size_t>(data.size()));
    if (detected && !SameCoder(detected, coder))
        throw EngineError(std::string("the content is ") + detected + ", not " + coder);
    // A header of no size is left to the reader (some GIFs state a screen of 0 x 0).
    if (const auto claimed = HeaderSize(data); claimed && claimed->first > 0 && claimed->second > 0)
        CheckSize(claimed->first, claimed->second);
    Magick::Blob blob(data.constData(), static_cast<std::size_t>(data.size()));
    Magick::Image image;
    try {
        image.subRange(1); // the first frame only
        image.magick(coder);
        image.ping(blob);
        CheckSize(image.columns(), image.rows());
        image.read(blob);
    } catch (const Magick::Warning&) {
        // A warning (a damaged but readable file, say) still gives a picture.
    } catch (const Magick::Exception& e) {
        throw EngineError(e.what());
    }
    if (!SameCoder(image.magick(), coder))
        throw EngineError("the content is " + image.magick() + ", not " + coder);
    const int width = static_cast<int>(image.columns()), height = static_cast<int>(image.rows());
    CheckSize(width, height);
    QImage out = MakeBitmap24(width, height);
    if (out.isNull())
        throw EngineError("not enough memory for the picture");
    const bool alpha = image.matte();
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 4);
    try {
        for (int y = 0; y < height; ++y) {
            std::uint8_t* target = out.scanLine(y);
            if (!alpha) {
                image.write(0, y, static_cast<unsigned>(width), 1, "BGR", Magick::CharPixel, target);
                continue;
            }
            image.write(0, y, static_cast<unsigned>(width), 1, "BGRA", Magick::CharPixel, row.data());
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = row.data() + 4 * x;
                for (int c = 0; c < 3; ++c) // transparency composed over white
                    target[3 * x + c] = static_cast<std::uint8_t>((p[c] * p[3] + 255 * (255 - p[3]) + 127) / 255);
            }
        }
    } catch (const Magick::Exception& e) {
        throw EngineError(e.what());
    }
    switch (image.type()) {
    case Magick::BilevelType:
        bits = 1;
        break;
    case Magick::GrayscaleType:
        bits = 8;
        break;
    case Magick::PaletteType:
    case Magick::PaletteMatteType: {
        const unsigned colours = std::max(1u, image.colorMapSize());
        bits = colours <= 2 ? 1 : colours <= 16 ? 4 : 8;
        break;
    }
    default:
        bits = alpha ? 32 : 24;
        break;
    }
    return out;
}

QImage ReadPsd(const QByteArray& data, int& bits) {
    int width = 0, height = 0, channels = 0;
    const auto* bytes = reinterpret_cast<const stbi_uc*>(data.constData());
    if (!stbi_info_from_memory(bytes, data.size(), &width, &height, &channels))
        throw EngineError(std::string("not a readable Photoshop file: ") + stbi_failure_reason());
    CheckSize(width, height);
    stbi_uc* rgb = stbi_load_from_memory(bytes, data.size(), &width, &height, &channels, 3);
    if (!rgb)
        throw EngineError(std::string("not a readable Photoshop file: ") + stbi_failure_reason());
    QImage out = MakeBitmap24(width, height);
    for (int y = 0; !out.isNull() && y < height; ++y) {
        const stbi_uc* in = rgb + static_cast<std::size_t>(y) * width * 3;
        std::uint8_t* target = out.scanLine(y);
        for (int x = 0; x < width; ++x) {
            target[3 * x] = in[3 * x + 2];
            target[3 * x + 1] = in[3 * x + 1];
            target[3 * x + 2] = in[3 * x];
        }
    }
    stbi_image_free(rgb);
    if (out.isNull())
        throw EngineError("not enough memory for the picture");
    bits = 8 * channels;
    return out;
}

// Autodesk Animator cels: a 32-byte header (0x9119, width, height, offsets, depth 8, no
// compression), a 256-entry palette of 6-bit values, then one byte per pixel.
QImage ReadAutodesk(const QByteArray& data, int& bits) {
    const auto* d = reinterpret_cast<const std::uint8_t*>(data.constData());
    const auto u16 = [&](int at) { return d[at] | d[at + 1] << 8; };
    if (data.size() < 32 + 768 || u16(0) != 0x9119)
        throw EngineError("not an Autodesk cel");
    const int width = u16(2), height = u16(4);
    if (d[10] != 8 || d[11] != 0)
        throw EngineError("unsupported Autodesk cel (only 8-bit uncompressed cels are read)");
    CheckSize(width, height);
    if (data.size() < 32 + 768 + static_cast<long long>(width) * height)
        throw EngineError("the Autodesk cel is truncated");
    QImage out = MakeBitmap24(width, height);
    if (out.isNull())
        throw EngineError("not enough memory for the picture");
    const std::uint8_t* palette = d + 32;
    const std::uint8_t* pixels = palette + 768;
    const auto level = [](std::uint8_t v) { return static_cast<std::uint8_t>(std::min(255, (v & 63) * 255 / 63)); };
    for (int y = 0; y < height; ++y) {
        std::uint8_t* target = out.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* c = palette + 3 * pixels[static_cast<std::size_t>(y) * width + x];
            target[3 * x] = level(c[2]);
            target[3 * x + 1] = level(c[1]);
            target[3 * x + 2] = level(c[0]);
        }
    }
    bits = 8;
    return out;
}

QImage ReadJpeg(const QByteArray& data, bool preview, int previewWidth, int previewHeight, ImageFileInfo& info,
                int& bits) {
    TJPEGImage engine;
    engine.LoadFromBytes(std::vector<std::uint8_t>(data.begin(), data.end()));
    if (preview && previewWidth > 0 && previewHeight > 0)
        info.ReducedPreview = engine.ChooseScale(previewWidth, previewHeight);
    QImage picture = engine.GetBitmap();
    bits = engine.Data()->Grayscale ? 8 : 24;
    if (preview && engine.HasExif())
        info.FormatName = "JPEG/EXIF compliant";
    return picture;
}

QImage ReadWith(const Reader& r, const QByteArray& data, bool preview, int pw, int ph, ImageFileInfo& info, int& bits) {
    switch (r.kind) {
    case ReaderKind::kJpeg:
        return ReadJpeg(data, preview, pw, ph, info, bits);
    case ReaderKind::kMagick:
        return ReadWithMagick(data, r.coder, bits);
    case ReaderKind::kPsd:
        return ReadPsd(data, bits);
    case ReaderKind::kAutodesk:
        return ReadAutodesk(data, bits);
    case ReaderKind::kUnsupported:
        break;
    }
    throw EngineError("format not supported");
}

QImage ReadTransferFile(const QString& fileName, ImageFileInfo& info) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EngineError("cannot open: " + file.errorString().toStdString());
    const QByteArray head = file.read(8);
    if (head.size() < 8)
        throw EngineError("the transfer file is truncated");
    const auto u32 = [&](int at) {
        return static_cast<std::uint32_t>(
            static_cast<std::uint8_t>(head[at]) | static_cast<std::uint8_t>(head[at + 1]) << 8 |
            static_cast<std::uint8_t>(head[at + 2]) << 16 | static_cast<std::uint8_t>(head[at + 3]) << 24);
    };
    const long long width = u32(0), height = u32(4);
    CheckSize(width, height);
    QImage out = MakeBitmap24(static_cast<int>(width), static_cast<int>(height));
    if (out.isNull())
        throw EngineError("not enough memory for the picture");
    QByteArray row;
    for (int y = 0; y < height; ++y) {
        row = file.read(width * 4);
        if (row.size() < width * 4)
            throw EngineError("the transfer file is truncated");
        std::uint8_t* target = out.scanLine(y);
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) // the first three bytes in reverse order
                target[3 * x + c] = static_cast<std::uint8_t>(row[4 * x + 2 - c]);
    }
    file.close();
    QFile::remove(fileName);
    info.FileName.clear();
    info.FileSize = static_cast<std::int32_t>(width * height * 3);
    info.BitsPerPixel = 24;
    info.Created = info.LastWritten = QDateTime::currentDateTime();
    info.TimesRead = true;
    info.FormatIndex = PictureFormatKind::kBmp;
    info.FormatName = "Windows Bitmap";
    return out;
}

std::int32_t StoredSize(long long width, long long height, int bits) {
    const long long row = (width * bits + 7) / 8;
    return static_cast<std::int32_t>(std::min<long long>((row + 3) / 4 * 4 * height, INT32_MAX));
}

} // namespace

QImage LoadPictureWithInfo(const QString& fileName, bool preview, ImageFileInfo& info, int previewHeight,
                           int previewWidth) {
    info.Width = info.Height = info.FileSize = info.StoredSize = info.Size24 = info.BitsPerPixel = 0;
    info.FileName = fileName;
    info.ReadByContent = info.ReducedPreview = false;
    const std::string name = fileName.toStdString();
    const QFileInfo fileInfo(fileName);
    QImage picture;
    int bits = 0;
    try {
        // Checked before opening: opening a pipe waits for a writer, and a device never ends.
        struct stat status {};
        if (::stat(QFile::encodeName(fileName).constData(), &status) == 0 && !S_ISREG(status.st_mode) &&
            !S_ISDIR(status.st_mode))
            throw EngineError("not a regular file");
        if (fileName.toLower().endsWith(".pskwk")) {
            picture = ReadTransferFile(fileName, info);
            bits = 24;
        } else {
            if (fileInfo.isDir())
                throw EngineError("it is a folder");
            QFile file(fileName);
            if (!file.open(QIODevice::ReadOnly))
                throw EngineError("cannot open: " + file.errorString().toStdString());
            info.FileSize = static_cast<std::int32_t>(std::min<qint64>(file.size(), INT32_MAX));
            info.Created =
                (fileInfo.birthTime().isValid() ? fileInfo.birthTime() : fileInfo.lastModified()).toLocalTime();
            info.LastWritten = fileInfo.lastModified().toLocalTime();
            info.TimesRead = true;
            const QByteArray data = file.readAll();
            const Reader* byName = ReaderForExtension(fileInfo.suffix());
            std::string firstError;
            const Reader* used = nullptr;
            if (byName) {
                try {
                    picture = ReadWith(*byName, data, preview, previewWidth, previewHeight, info, bits);
                    used = byName;
                } catch (const std::exception& e) {
                    firstError = e.what();
                }
            }
            if (!used) {
                const Reader* byContent = ReaderForContent(data);
                if (byContent && byContent != byName && byContent->byContent) {
                    try {
                        picture = ReadWith(*byContent, data, preview, previewWidth, previewHeight, info, bits);
                        used = byContent;
                        info.ReadByContent = true;
                    } catch (const std::exception& e) {
                        if (firstError.empty())
                            firstError = e.what();
                    }
                }
            }
            if (!used)
                throw EngineError(firstError.empty() ? "format not supported" : firstError);
            info.FormatIndex = used->format;
            if (info.FormatName.isEmpty())
                info.FormatName = QString::fromLatin1(used->name).left(40);
        }
    } catch (const EngineError& e) {
        throw EngineError("Cannot read " + name + ": " + e.what());
    }
    info.KnownFormat = info.FormatIndex != PictureFormatKind::kUnknown;
    info.Width = picture.width();
    info.Height = picture.height();
    info.BitsPerPixel = info.FormatIndex == PictureFormatKind::kGif ? std::min(bits, 8) : bits;
    info.StoredSize = StoredSize(info.Width, info.Height, info.BitsPerPixel);
    info.Size24 = StoredSize(info.Width, info.Height, 24);
    if (info.FileSize > 0) {
        info.Ratio = static_cast<float>(info.StoredSize) / info.FileSize;
        info.Ratio24 = static_cast<float>(info.Size24) / info.FileSize;
    }
    if (static_cast<long long>(info.Width) * info.Height > 0)
        info.FileBitsPerPixel =
            static_cast<float>(info.FileSize * 8.0 / (static_cast<double>(info.Width) * info.Height));
    return picture;
}

bool IsPictureFileName(const QString& fileName) {
    if (fileName.toLower().endsWith(".pskwk"))
        return false; // transfer files are deleted when read: never taken from a folder
    const Reader* r = ReaderForExtension(QFileInfo(fileName).suffix());
    return r && r->kind != ReaderKind::kUnsupported;
}

QString PictureFileFilter() {
    QStringList all, entries;
    for (const Reader& r : kReaders) {
        QStringList masks;
        for (const QString& ext : QString::fromLatin1(r.extensions).split(';'))
            masks << "*." + ext;
        all << masks;
        entries << QString::fromLatin1(r.name) << masks.join(';');
    }
    return "All supported formats|" + all.join(';') + "|" + entries.join('|');
}

} // namespace vantorel
