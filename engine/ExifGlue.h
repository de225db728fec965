// What the engine needs of EXIF: read the resolution and orientation of an APP1 payload, set the
// size, resolution and orientation tags, and list every tag. Built on Exiv2; its errors never leave.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantorel {

struct ExifFields {
    double XResolution = 0; // 0 when absent or unusable (a zero denominator, for example)
    double YResolution = 0;
    int ResolutionUnit = 0; // 1 none, 2 inch, 3 cm; 0 when absent
    int Orientation = 0;    // 1..8; 0 when absent or invalid
};

struct ExifUpdate {
    int ResolutionUnit = 2;
    int XResolution = 96;
    int YResolution = 96;
    int Width = 0;
    int Height = 0;
    int Orientation = 1;
};

// The payload is the whole APP1 segment payload ("Exif\0\0" and the TIFF structure). Returns nothing
// when Exiv2 cannot parse it.
std::optional<ExifFields> ReadExifFields(const std::string& app1);

// The payload with the tags set and every other tag kept, or nothing (with the reason in `error`)
// when it cannot be parsed or the result would not fit in one segment.
std::optional<std::string> UpdateExif(const std::string& app1, const ExifUpdate& update, std::string* error = nullptr);

// One line per tag, "Exif.Group.Name=value"; empty when the payload cannot be parsed.
std::vector<std::string> ListExifTags(const std::string& app1);

// Orientation arithmetic over the eight EXIF orientations (the rotations and reflections of a
// rectangle). `Compose(a, b)` is the orientation whose upright transform applies b's transform and
// then a's.
int ComposeOrientations(int first, int then);
// The orientation whose transform undoes the given one.
int InverseOrientation(int orientation);
// The orientation value of the rotation code of a rotation modification (0 none, 1 90° clockwise,
// 2 270° clockwise, 3 180°).
int OrientationOfRotation(int rotationCode);

} // namespace vantorel
