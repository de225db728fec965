// The figures of an image window's status line: sizes, ratios, their colours and the texts of the
// two panels.
#pragma once

#include <QColor>
#include <QString>

#include <vector>

namespace vantorel {

// One piece of a panel's text.
struct StatusRun {
    QString Text;
    bool Bold = false;
    QColor Colour = Qt::black;
};

struct StatusFigures {
    float SourceToResult = 0; // source file size / result size x 100 (0 when a size is 0)
    float ResultToSource = 0; // result size / source file size x 100
    float Compression = 0;    // uncompressed size / result size (0 without a result)
    QColor SourceColour = Qt::black;
    QColor ResultColour = Qt::black;
    bool SourceRaised = false;
    bool ResultRaised = false;
};

StatusFigures ComputeStatusFigures(long long sourceFileSize, long long resultSize, long long uncompressedSize,
                                   bool lossless);

// "117.2 Kbytes" (two decimals up to 10,239 bytes, one up to 1,023,999, none above) or "120000 bytes".
QString FormatFileSize(long long bytes, bool kilobytes);
// The download time at 28,800 or 56,000 bit/s with " sec": "%1.2f" below 1, "%1.1f" below 100, else "%1.0f".
QString FormatDownloadTime(long long bytes, int bitsPerSecond);

// The display options word ("ImageInfoOptions"): bit 2 sizes in KB, bit 3 the time at 28.8 kbit/s,
// bit 4 at 56 kbit/s.
struct StatusOptions {
    bool Kilobytes = true;
    int DownloadBitsPerSecond = 0; // 0 none
    static StatusOptions FromWord(int word);
};

// Panel 0 ("Source: ...") and panel 1 ("Result: ...") of the compression view. A result size of 0
// means there is no result.
std::vector<StatusRun> SourcePanelRuns(const StatusFigures& figures, long long sourceFileSize,
                                       const StatusOptions& options);
std::vector<StatusRun> ResultPanelRuns(const StatusFigures& figures, long long resultSize,
                                       const StatusOptions& options);
// The panels of the correction view: "Source: before", and the result with or without changes.
std::vector<StatusRun> CorrectionSourceRuns();
std::vector<StatusRun> CorrectionResultRuns(bool changesSomething);

QString PlainText(const std::vector<StatusRun>& runs);

} // namespace vantorel
