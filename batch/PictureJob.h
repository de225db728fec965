// The work done for one picture of a batch or of the command line: read it, apply the profile,
// compress. Headless; safe to run for different pictures on several threads at once.
#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class TJPEGImage;

namespace vantorel {

struct PictureJobSettings {
    std::string ProfileText; // profile lines (the first line of a key wins)
    std::string ProfileName;
    std::uint32_t ForcedMatchBits = 0; // parts switched on whatever the profile's MatchMask says
    int Mode = -1;                     // compression mode to force, -1 = the profile's
    int TargetSizeKb = 0;
    double TargetRatio = 0;
    bool NoAutoRotate = false;
    int KeepJPEGDataMask = -1; // -1 = the profile's
    int Threads = 0;           // encoder threads (0 = one per core)
};

struct PictureResult {
    std::vector<std::uint8_t> Stream; // empty on failure
    std::string Error;                // the reason, without the file name
    std::vector<std::string> Warnings;
    int Width = 0;
    int Height = 0;
    int Passes = 0; // encodes of a target search, 0 without one
    bool Searched = false;
};

// Applies the engine's unapplied recorded modifications to its source, oldest first: a resample
// entry resizes by the resizing group (unless that changes nothing), crop and red-eye entries are
// dropped with a warning (they are drawn by hand), the others run their pixel work. Throws
// EngineError or EJPEG.
void ApplyRecordedModifications(TJPEGImage& engine, std::vector<std::string>& warnings);

// Reads the picture (JPEG through the engine, turned upright unless asked not to; other formats
// through Qt's image readers) and compresses it with the profile.
PictureResult ProcessPicture(const QString& path, const PictureJobSettings& settings);

} // namespace vantorel
