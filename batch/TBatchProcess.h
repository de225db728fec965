// The batch worker: one profile applied to a list of pictures, results named by the batch options.
#pragma once

#include "PictureJob.h"
#include "Preferences.h"
#include "TBatchProcOptions.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <thread>

namespace vantorel {

// What the progress displays show of a run.
struct TBatchProcProgress {
    int FileIndex = 0;  // the file being finished, from 1
    int FileCount = 0;
    int Percent = 0;    // overall progress, 0..100
    int Processed = 0;  // results written
    int Failed = 0;
    qint64 SourceBytes = 0; // of the results written so far
    qint64 ResultBytes = 0;
    int Reserved1 = 0;
    int Reserved2 = 0;
    QString SourceFile;
    QString ResultFile;
    QString SourceFolder;
    QString DestFolder;
};

// Pictures are read and compressed by a pool of workers (Jobs, 0 = one per core) while results are
// named and written strictly in list order, so numbers, names and error lines are those of a
// sequential run; a failed file takes no number. Each result is written to a temporary file in its
// folder, flushed and renamed over the target, so an interruption leaves the old file or the new
// one, complete. Results of sources that are not JPEG files take the extension ".jpg". Create and configure on one thread; Execute runs there, or Start runs it on a
// thread of its own. OnProgress is called from the thread that runs Execute.
class TBatchProcess {
public:
    TBatchProcess(QStringList files, const TBatchProcOptions& options, const Preferences& preferences);
    ~TBatchProcess();
    TBatchProcess(const TBatchProcess&) = delete;
    TBatchProcess& operator=(const TBatchProcess&) = delete;

    void Execute();
    void Start();
    void Wait();
    // Asks the run to stop after the files in progress; safe from any thread.
    void Terminate() { m_terminated = true; }

    int FileCount() const { return static_cast<int>(FileList.size()); }

    QStringList FileList;
    // The source base folder of each file (empty entries, or a shorter list: Options.BatchSrcFolder).
    QStringList BaseFolders;
    TBatchProcOptions Options;
    // False: a result that would replace its own source is refused with an error line.
    bool AllowOverwrite = true;
    Preferences Prefs;
    PictureJobSettings Job;    // profile text (read from Options.BatchProfile by Execute when empty), mode, target
    int Jobs = 0;
    QStringList ErrorList;      // one line per failed file, "<file>: <reason>"
    int ErrorCount = 0;
    QStringList ResultList;     // the results written, in order
    TBatchProcProgress Progress;
    std::function<void(const TBatchProcProgress&)> OnProgress;
    // After each file, in list order: the result path (empty when it failed), the error line (empty
    // when it succeeded) and what the picture's processing gave.
    std::function<void(const QString& source, const QString& result, const QString& error, const PictureResult&)>
        OnFileDone;

private:
    std::atomic<bool> m_terminated{false};
    std::thread m_thread;
};

} // namespace vantorel
