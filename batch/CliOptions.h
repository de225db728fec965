// The command line of vantorel-cli.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vantorel {

struct CliOptions {
    std::string ProfileFile;             // --profile
    std::vector<std::string> SetLines;   // --set Key=Value, in the order given
    std::string OutputDir;               // -o
    std::vector<std::string> Inputs;
    bool Help = false;
    int TargetSizeKb = 0;       // --target-size KB
    double TargetRatio = 0;     // --target-ratio R
    int Mode = -1;              // --mode free|original|lossless (0..2), -1 = as the profile says
    bool NoAutoRotate = false;  // --no-auto-rotate
    // naming and the run
    std::string Prefix, Suffix;   // --prefix TEXT, --suffix TEXT
    std::optional<int> NumPrefix; // --num-prefix N (wins over --prefix)
    std::optional<int> NumSuffix; // --num-suffix N (wins over --suffix)
    int LeadingZeroes = 0;        // --lz N: numbers padded to N digits
    bool NoName = false;          // --no-name: the source's name is not part of the result's
    bool Recursive = false;       // --recursive: folders with their sub-folders
    bool Overwrite = false;       // --overwrite: results may replace their sources
    int Jobs = 0;                 // --jobs N, 0 = one per core
    int KeepMask = -1;            // --keep exif,icc,comments,all,none; -1 = the profile's
    bool KeepDate = true;         // --keep-date / --no-keep-date
    // web sharing
    int Upload = 0;               // --upload hosting (1) | sharing (2)
    std::string SharingId;        // --sharing-id ID
    std::string GalleryId;        // --gallery ID
    std::string ServiceUrl;       // --service-url URL: the base address of the service
    bool ListGalleries = false;   // --list-galleries
};

// Parses argv[1..]. Returns the options, or sets `error` to a message naming the bad argument.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string& error);

// The --help text.
std::string CliUsage();

} // namespace vantorel
