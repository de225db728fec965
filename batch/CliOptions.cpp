// The command line of vantorel-cli.
#include "CliOptions.h"

#include <cstdlib>

namespace vantorel {

std::string CliUsage() {
    return "Usage: vantorel-cli [--profile FILE.jcp] [--set Key=Value]... [--target-size KB | --target-ratio R]\n"
           "                    [--mode free|original|lossless] [--no-auto-rotate] [naming options]\n"
           "                    [--recursive] [--overwrite] [--jobs N] [--keep LIST] [--no-keep-date]\n"
           "                    [--upload hosting|sharing [--sharing-id ID] [--gallery ID]] [--service-url URL]\n"
           "                    [-o OUTDIR] INPUT...\n"
           "       vantorel-cli --list-galleries --sharing-id ID [--service-url URL]\n"
           "\n"
           "Re-compresses each INPUT picture (or every picture of an INPUT folder) as a JPEG file\n"
           "<prefix><name><suffix>.jpg in OUTDIR, or next to its source without -o.\n"
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
           "  -o OUTDIR           folder for the results (must exist); sub-folders of a folder INPUT\n"
           "                      are repeated below it\n"
           "  --prefix TEXT       put TEXT before each result's name\n"
           "  --suffix TEXT       put TEXT after each result's name\n"
           "  --num-prefix N      put a number before each name, N for the first result (wins over\n"
           "                      --prefix); a failed file takes no number\n"
           "  --num-suffix N      put a number after each name, likewise (wins over --suffix)\n"
           "  --lz N              pad the numbers with leading zeroes to N digits\n"
           "  --no-name           leave the source's name out of the result's (needs a number)\n"
           "  --recursive         take the pictures of INPUT folders' sub-folders too\n"
           "  --overwrite         let results replace their sources (refused otherwise)\n"
           "  --jobs N            pictures processed at once (default: one per core)\n"
           "  --keep LIST         source segments kept: exif, icc, comments, all or none, separated\n"
           "                      by commas (default: the profile's choice)\n"
           "  --keep-date         give each result its source's modification time (default)\n"
           "  --no-keep-date      give each result the time it was written\n"
           "  --upload SERVICE    upload every result to the photo hosting or the photo sharing\n"
           "                      service (results are also written when -o is given); the line of\n"
           "                      each file then gives the link or the service's message\n"
           "  --sharing-id ID     the photo sharing ID (8 characters, or a control-page address)\n"
           "  --gallery ID        the gallery of a sharing upload (default: a new gallery)\n"
           "  --service-url URL   the base address of the service, instead of the one in the settings\n"
           "  --list-galleries    print the galleries of --sharing-id, one per line\n"
           "  -h, --help          show this text\n"
           "\n"
           "One line per file is printed: input, output, bytes, compression ratio and, after a\n"
           "target search, its passes, then a closing line \"N processed, K failed\". Files that\n"
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
        } else if (arg == "--prefix" || arg == "--suffix") {
            const std::string* v = value(arg.c_str());
            if (!v)
                return std::nullopt;
            (arg == "--prefix" ? options.Prefix : options.Suffix) = *v;
        } else if (arg == "--num-prefix" || arg == "--num-suffix" || arg == "--lz" || arg == "--jobs") {
            const std::string* v = value(arg.c_str());
            if (!v)
                return std::nullopt;
            char* end = nullptr;
            const long number = std::strtol(v->c_str(), &end, 10);
            const bool count = arg == "--lz" || arg == "--jobs";
            if (v->empty() || *end != '\0' || number < (count ? 0 : -2147483647L) || number > (count ? 64 : 2147483647L)) {
                error = arg + " needs a whole number, got '" + *v + "'";
                return std::nullopt;
            }
            if (arg == "--num-prefix")
                options.NumPrefix = static_cast<int>(number);
            else if (arg == "--num-suffix")
                options.NumSuffix = static_cast<int>(number);
            else if (arg == "--lz")
                options.LeadingZeroes = static_cast<int>(number);
            else
                options.Jobs = static_cast<int>(number);
        } else if (arg == "--keep") {
            const std::string* v = value("--keep");
            if (!v)
                return std::nullopt;
            int mask = 0;
            std::size_t start = 0;
            for (;;) {
                const std::size_t comma = v->find(',', start);
                const std::string item = v->substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                if (item == "exif")
                    mask |= 1 << 1;
                else if (item == "icc")
                    mask |= 1 << 2;
                else if (item == "comments")
                    mask |= 1 << 16;
                else if (item == "all")
                    mask |= 0x1FFFF;
                else if (item != "none") {
                    error = "--keep takes exif, icc, comments, all or none, got '" + item + "'";
                    return std::nullopt;
                }
                if (comma == std::string::npos)
                    break;
                start = comma + 1;
            }
            options.KeepMask = mask;
        } else if (arg == "--upload") {
            const std::string* v = value("--upload");
            if (!v)
                return std::nullopt;
            if (*v == "hosting")
                options.Upload = 1;
            else if (*v == "sharing")
                options.Upload = 2;
            else {
                error = "--upload takes hosting or sharing, got '" + *v + "'";
                return std::nullopt;
            }
        } else if (arg == "--sharing-id" || arg == "--gallery" || arg == "--service-url") {
            const std::string* v = value(arg.c_str());
            if (!v)
                return std::nullopt;
            (arg == "--sharing-id" ? options.SharingId : arg == "--gallery" ? options.GalleryId : options.ServiceUrl) = *v;
        } else if (arg == "--list-galleries") {
            options.ListGalleries = true;
        } else if (arg == "--no-name") {
            options.NoName = true;
        } else if (arg == "--recursive") {
            options.Recursive = true;
        } else if (arg == "--overwrite") {
            options.Overwrite = true;
        } else if (arg == "--keep-date" || arg == "--no-keep-date") {
            options.KeepDate = arg == "--keep-date";
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
    if (options.ListGalleries) {
        if (options.SharingId.empty()) {
            error = "--list-galleries needs --sharing-id";
            return std::nullopt;
        }
        return options;
    }
    if (options.Upload == 2 && options.SharingId.empty()) {
        error = "--upload sharing needs --sharing-id";
        return std::nullopt;
    }
    if (options.NoName && !options.NumPrefix && !options.NumSuffix) {
        error = "--no-name needs --num-prefix or --num-suffix, or every result would have the same name";
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
