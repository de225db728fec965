// EXIF glue over Exiv2.
#include "ExifGlue.h"

#include <exiv2/exiv2.hpp>

#include <array>
#include <cstring>
#include <mutex>

namespace vantorel {

namespace {

constexpr std::size_t kExifHeaderSize = 6; // "Exif\0\0"
constexpr std::size_t kMaxSegmentPayload = 65533;

bool HasExifHeader(const std::string& app1) {
    return app1.size() > kExifHeaderSize + 8 && std::memcmp(app1.data(), "Exif\0\0", kExifHeaderSize) == 0;
}

void QuietExiv2() {
    static std::once_flag once;
    std::call_once(once, [] { Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute); });
}

// Parses the TIFF structure after the header. Returns false when Exiv2 cannot.
bool Decode(const std::string& app1, Exiv2::ExifData& data, Exiv2::ByteOrder& order, std::string* error) {
    if (!HasExifHeader(app1)) {
        if (error)
            *error = "not an EXIF segment";
        return false;
    }
    QuietExiv2();
    try {
        order = Exiv2::ExifParser::decode(data, reinterpret_cast<const Exiv2::byte*>(app1.data()) + kExifHeaderSize,
                                          static_cast<std::uint32_t>(app1.size() - kExifHeaderSize));
        return order != Exiv2::invalidByteOrder;
    } catch (const std::exception& e) {
        if (error)
            *error = e.what();
        return false;
    }
}

double RationalValue(const Exiv2::ExifData& data, const char* key) {
    const auto it = data.findKey(Exiv2::ExifKey(key));
    if (it == data.end() || it->count() == 0)
        return 0;
    const Exiv2::Rational r = it->toRational(0);
    if (r.second == 0 || r.first <= 0)
        return 0;
    return static_cast<double>(r.first) / r.second;
}

long IntegerValue(const Exiv2::ExifData& data, const char* key) {
    const auto it = data.findKey(Exiv2::ExifKey(key));
    if (it == data.end() || it->count() == 0)
        return 0;
    const Exiv2::TypeId type = it->typeId();
    if (type != Exiv2::unsignedShort && type != Exiv2::unsignedLong && type != Exiv2::signedShort &&
        type != Exiv2::signedLong)
        return 0; // for example an orientation stored as text
    return it->toLong(0);
}

// Each orientation as the linear part of its upright transform (x' = a x + b y, y' = c x + d y).
struct Matrix {
    int a, b, c, d;
    bool operator==(const Matrix&) const = default;
};
constexpr std::array<Matrix, 9> kOrientationMatrix = {{
    {1, 0, 0, 1},   // (unused)
    {1, 0, 0, 1},   // 1 identity
    {-1, 0, 0, 1},  // 2 flip horizontal
    {-1, 0, 0, -1}, // 3 rotate 180
    {1, 0, 0, -1},  // 4 flip vertical
    {0, 1, 1, 0},   // 5 transpose
    {0, -1, 1, 0},  // 6 rotate 90 clockwise
    {0, -1, -1, 0}, // 7 transverse
    {0, 1, -1, 0},  // 8 rotate 270 clockwise
}};

Matrix Multiply(const Matrix& m, const Matrix& n) {
    return {m.a * n.a + m.b * n.c, m.a * n.b + m.b * n.d, m.c * n.a + m.d * n.c, m.c * n.b + m.d * n.d};
}

int OrientationOf(const Matrix& m) {
    for (int o = 1; o <= 8; ++o)
        if (kOrientationMatrix[static_cast<std::size_t>(o)] == m)
            return o;
    return 1;
}

} // namespace

std::optional<ExifFields> ReadExifFields(const std::string& app1) {
    Exiv2::ExifData data;
    Exiv2::ByteOrder order;
    if (!Decode(app1, data, order, nullptr))
        return std::nullopt;
    try {
        ExifFields fields;
        fields.XResolution = RationalValue(data, "Exif.Image.XResolution");
        fields.YResolution = RationalValue(data, "Exif.Image.YResolution");
        fields.ResolutionUnit = static_cast<int>(IntegerValue(data, "Exif.Image.ResolutionUnit"));
        const long orientation = IntegerValue(data, "Exif.Image.Orientation");
        fields.Orientation = orientation >= 1 && orientation <= 8 ? static_cast<int>(orientation) : 0;
        return fields;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::string> UpdateExif(const std::string& app1, const ExifUpdate& u, std::string* error) {
    Exiv2::ExifData data;
    Exiv2::ByteOrder order;
    if (!Decode(app1, data, order, error))
        return std::nullopt;
    try {
        data["Exif.Image.ResolutionUnit"] = static_cast<std::uint16_t>(u.ResolutionUnit);
        data["Exif.Image.XResolution"] = Exiv2::Rational(u.XResolution, 1);
        data["Exif.Image.YResolution"] = Exiv2::Rational(u.YResolution, 1);
        data["Exif.Image.ImageWidth"] = static_cast<std::uint32_t>(u.Width);
        data["Exif.Image.ImageLength"] = static_cast<std::uint32_t>(u.Height);
        data["Exif.Photo.PixelXDimension"] = static_cast<std::uint32_t>(u.Width);
        data["Exif.Photo.PixelYDimension"] = static_cast<std::uint32_t>(u.Height);
        data["Exif.Image.Orientation"] = static_cast<std::uint16_t>(u.Orientation);
        Exiv2::Blob blob;
        Exiv2::ExifParser::encode(blob, reinterpret_cast<const Exiv2::byte*>(app1.data()) + kExifHeaderSize,
                                  static_cast<std::uint32_t>(app1.size() - kExifHeaderSize), order, data);
        if (blob.empty()) {
            if (error)
                *error = "EXIF data could not be written";
            return std::nullopt;
        }
        if (blob.size() + kExifHeaderSize > kMaxSegmentPayload) {
            if (error)
                *error = "EXIF data would not fit in one segment";
            return std::nullopt;
        }
        std::string out(app1.data(), kExifHeaderSize);
        out.append(reinterpret_cast<const char*>(blob.data()), blob.size());
        return out;
    } catch (const std::exception& e) {
        if (error)
            *error = e.what();
        return std::nullopt;
    }
}

std::vector<std::string> ListExifTags(const std::string& app1) {
    std::vector<std::string> lines;
    Exiv2::ExifData data;
    Exiv2::ByteOrder order;
    if (!Decode(app1, data, order, nullptr))
        return lines;
    try {
        for (const Exiv2::Exifdatum& datum : data)
            lines.push_back(datum.key() + "=" + datum.print(&data));
    } catch (const std::exception&) {
        return lines;
    }
    return lines;
}

int ComposeOrientations(int first, int then) {
    if (first < 1 || first > 8)
        first = 1;
    if (then < 1 || then > 8)
        then = 1;
    return OrientationOf(Multiply(kOrientationMatrix[static_cast<std::size_t>(then)],
                                  kOrientationMatrix[static_cast<std::size_t>(first)]));
}

int InverseOrientation(int orientation) {
    for (int o = 1; o <= 8; ++o)
        if (ComposeOrientations(orientation, o) == 1)
            return o;
    return 1;
}

int OrientationOfRotation(int rotationCode) {
    switch (rotationCode) {
    case 1:
        return 6;
    case 2:
        return 8;
    case 3:
        return 3;
    default:
        return 1;
    }
}

} // namespace vantorel
