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
};

// Parses argv[1..]. Returns the options, or sets `error` to a message naming the bad argument.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string& error);

// The --help text.
std::string CliUsage();

} // namespace vantorel
