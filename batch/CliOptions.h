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
};

// Parses argv[1..]. Returns the options, or sets `error` to a message naming the bad argument.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string& error);

// The --help text.
std::string CliUsage();

} // namespace vantorel
