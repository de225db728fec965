#include "StatusFigures.h"

namespace vantorel {

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

QString Ratio(float value) { return value == 0 ? QStringLiteral("?") : QString::asprintf("%2.0f", double(value)); }

} // namespace

StatusFigures ComputeStatusFigures(long long sourceFileSize, long long resultSize, long long uncompressedSize,
                                   bool lossless) {
    StatusFigures f;
    if (sourceFileSize > 0 && resultSize > 0) {
        f.SourceToResult = float(double(sourceFileSize) / double(resultSize) * 100.0);
        f.ResultToSource = float(double(resultSize) / double(sourceFileSize) * 100.0);
    }
    if (resultSize > 0)
        f.Compression = float(double(uncompressedSize) / double(resultSize));
    if (resultSize > 0 && resultSize < sourceFileSize) {
        f.SourceColour = kRed;
        f.ResultColour = kBlue;
        f.SourceRaised = true;
    } else if (resultSize > sourceFileSize && !lossless) {
        f.SourceColour = kBlue;
        f.ResultColour = kRed;
        f.ResultRaised = true;
    }
    return f;
}

QString FormatFileSize(long long bytes, bool kilobytes) {
    if (!kilobytes)
        return QString::number(bytes) + " bytes";
    const double kb = double(bytes) / 1024.0;
    const char* format = bytes <= 10239 ? "%1.2f" : bytes <= 1023999 ? "%1.1f" : "%1.0f";
    return QString::asprintf(format, kb) + " Kbytes";
}

QString FormatDownloadTime(long long bytes, int bitsPerSecond) {
    const double seconds = double(bytes) * 8.0 / double(bitsPerSecond);
    const char* format = seconds < 1 ? "%1.2f" : seconds < 100 ? "%1.1f" : "%1.0f";
    return QString::asprintf(format, seconds) + " sec";
}

StatusOptions StatusOptions::FromWord(int word) {
    StatusOptions o;
    o.Kilobytes = (word & 4) != 0;
    o.DownloadBitsPerSecond = (word & 8) ? 28800 : (word & 16) ? 56000 : 0;
    return o;
}

std::vector<StatusRun> SourcePanelRuns(const StatusFigures& figures, long long sourceFileSize,
                                       const StatusOptions& options) {
    std::vector<StatusRun> runs{{"Source: "}, {FormatFileSize(sourceFileSize, options.Kilobytes), true}};
    if (options.DownloadBitsPerSecond) {
        runs.push_back({", "});
        runs.push_back({FormatDownloadTime(sourceFileSize, options.DownloadBitsPerSecond)});
    }
    runs.push_back({"  ["});
    runs.push_back({Ratio(figures.SourceToResult), true, figures.SourceColour});
    runs.push_back({"%*Result]"});
    return runs;
}

std::vector<StatusRun> ResultPanelRuns(const StatusFigures& figures, long long resultSize,
                                       const StatusOptions& options) {
    std::vector<StatusRun> runs{{"Result: "}};
    if (resultSize > 0) {
        runs.push_back({FormatFileSize(resultSize, options.Kilobytes), true, figures.ResultColour});
        if (options.DownloadBitsPerSecond) {
            runs.push_back({", "});
            runs.push_back({FormatDownloadTime(resultSize, options.DownloadBitsPerSecond)});
        }
    } else {
        runs.push_back({"?", true});
    }
    runs.push_back({"  ["});
    runs.push_back({Ratio(figures.ResultToSource), true, figures.ResultColour});
    runs.push_back({"%*Source]   "});
    if (figures.Compression > 0)
        runs.push_back({QString::asprintf("1:%2.1f", double(figures.Compression)), true});
    return runs;
}

std::vector<StatusRun> CorrectionSourceRuns() { return {{"Source: before"}}; }

std::vector<StatusRun> CorrectionResultRuns(bool changesSomething) {
    return {{changesSomething ? "Result: after modifying. Click \"Apply\" to accept this change."
                              : "Result: after (no changes)"}};
}

QString PlainText(const std::vector<StatusRun>& runs) {
    QString text;
    for (const StatusRun& run : runs)
        text += run.Text;
    return text;
}

} // namespace vantorel
