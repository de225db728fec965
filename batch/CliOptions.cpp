// The command line of vantorel-cli.
#include "CliOptions.h"

#include <cstdlib>

namespace vantorel {

std::string CliUsage() {
    return "Usage: vantorel-cli [--profile FILE.jcp] [--set Key=Value]... [--target-size KB | --target-ratio R]\n"
           "                    [--mode free|original|lossless] [--no-auto-rotate] -o OUTDIR INPUT...\n"
           "\n"
           "Re-compresses each INPUT picture as a JPEG file OUTDIR/<name>.jpg.\n"
           "\n"
           "Options:\n"
           "  --profile FILE.jcp  apply the compression profile FILE.jcp to every input\n"
           "  --set Key=Value     set one profile value, written exactly as a line of a profile\n"
           "                      file (LumCompressionLevel=30, ChromCompressionLevel=40,\n"
           "                      QualityEqualizerBand1=20, EqualizerFullControl=1,\n"
           "                      ProgressiveEncoding=1, Precision=1, RestartInterval=4,\n"
           "                      Grayscale=1, Comments=text, ...); may be repeated. The lines\n"
           "                      are read before the profile file's, so they win, and the part\n"
           "                      of the profile each key belongs to is switched on\n"
           "  --target-size KB    search for the levels that give a result of about KB kilobytes\n"
           "  --target-ratio R    search for the levels that give the compression ratio R:1\n"
           "  --mode MODE         free: the levels and every option (default); original: the JPEG\n"
           "                      source's own quantisation tables; lossless: the source's\n"
           "                      coefficients copied unchanged (JPEG sources only)\n"
           "  --no-auto-rotate    keep JPEG sources as stored instead of turning them upright by\n"
           "                      their EXIF orientation\n"
           "  -o OUTDIR           folder for the results (must exist)\n"
           "  -h, --help          show this text\n"
           "\n"
           "One line per file is printed: input, output, bytes, compression ratio and, after a\n"
           "target search, its passes. Files that\n"
           "fail get an error line on standard error and the run goes on. The exit status is 0\n"
           "when every file succeeded, 1 when any failed, 2 for a bad command line or profile.\n";
}

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string& error) {
    CliOptions options;
    bool onlyInputs = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&](const char* name) -> const std::string* {
            if (i + 1 >= args.size()) {
                error = std::string("option ") + name + " needs a value";
                return nullptr;
            }
            return &args[++i];
        };
        if (onlyInputs || arg.empty() || arg[0] != '-' || arg == "-") {
            options.Inputs.push_back(arg);
        } else if (arg == "--") {
            onlyInputs = true;
        } else if (arg == "-h" || arg == "--help") {
            options.Help = true;
        } else if (arg == "--profile") {
            const std::string* v = value("--profile");
            if (!v)
                return std::nullopt;
            options.ProfileFile = *v;
        } else if (arg == "--set") {
            const std::string* v = value("--set");
            if (!v)
                return std::nullopt;
            const std::size_t eq = v->find('=');
            if (eq == std::string::npos || eq == 0) {
                error = "--set needs Key=Value, got '" + *v + "'";
                return std::nullopt;
            }
            if (v->find_first_of("\r\n") != std::string::npos) {
                error = "--set value must be one line: '" + v->substr(0, eq) + "'";
                return std::nullopt;
            }
            options.SetLines.push_back(*v);
        } else if (arg == "--target-size" || arg == "--target-ratio") {
            const std::string* v = value(arg.c_str());
            if (!v)
                return std::nullopt;
            char* end = nullptr;
            const double number = std::strtod(v->c_str(), &end);
            if (v->empty() || *end != '\0' || !(number > 0) || number > 1e6) {
                error = arg + " needs a positive number, got '" + *v + "'";
                return std::nullopt;
            }
            if (arg == "--target-size")
                options.TargetSizeKb = static_cast<int>(number + 0.5) > 0 ? static_cast<int>(number + 0.5) : 1;
            else
                options.TargetRatio = number;
        } else if (arg == "--mode") {
            const std::string* v = value("--mode");
            if (!v)
                return std::nullopt;
            if (*v == "free")
                options.Mode = 0;
            else if (*v == "original")
                options.Mode = 1;
            else if (*v == "lossless")
                options.Mode = 2;
            else {
                error = "--mode takes free, original or lossless, got '" + *v + "'";
                return std::nullopt;
            }
        } else if (arg == "--no-auto-rotate") {
            options.NoAutoRotate = true;
        } else if (arg == "-o" || arg == "--output") {
            const std::string* v = value("-o");
            if (!v)
                return std::nullopt;
            options.OutputDir = *v;
        } else {
            error = "unknown option '" + arg + "'";
            return std::nullopt;
        }
    }
    if (options.Help)
        return options;
    if (options.OutputDir.empty()) {
        error = "no output folder given (-o OUTDIR)";
        return std::nullopt;
    }
    if (options.TargetSizeKb > 0 && options.TargetRatio > 0) {
        error = "give --target-size or --target-ratio, not both";
        return std::nullopt;
    }
    if (options.Inputs.empty()) {
        error = "no input files given";
        return std::nullopt;
    }
    return options;
}

} // namespace vantorel
