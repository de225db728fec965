// The batch worker.
#include "TBatchProcess.h"

#include "BatchNaming.h"
#include "ProfileText.h"
#include "SafeFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace vantorel {


TBatchProcess::TBatchProcess(QStringList files, const TBatchProcOptions& options, const Preferences& preferences)
    : FileList(std::move(files)), Options(options), Prefs(preferences) {}

TBatchProcess::~TBatchProcess() {
    Terminate();
    Wait();
}

void TBatchProcess::Start() {
    m_thread = std::thread([this] { Execute(); });
}

void TBatchProcess::Wait() {
    if (m_thread.joinable())
        m_thread.join();
}

void TBatchProcess::Execute() {
    // Read by every worker: a const copy, so that no access can detach a shared list under them.
    const QStringList fileList = FileList;
    const int count = static_cast<int>(fileList.size());
    Progress = TBatchProcProgress{};
    Progress.FileCount = count;
    Progress.SourceFolder = Options.BatchSrcFolder;
    Progress.DestFolder = Options.BatchDestFolder;
    QString lastError;
    const auto fail = [&](const QString& file, const std::string& reason) {
        lastError = file + ": " + QString::fromStdString(reason);
        ErrorList << lastError;
        ++ErrorCount;
        ++Progress.Failed;
    };
    if (Job.ProfileText.empty() && !Options.BatchProfile.isEmpty()) {
        QFile profile(Options.BatchProfile);
        if (!profile.open(QIODevice::ReadOnly)) {
            fail(Options.BatchProfile, "cannot load the profile: " + profile.errorString().toStdString());
            return;
        }
        const QByteArray text = profile.read(kMaxProfileFileSize + 1);
        if (text.size() > kMaxProfileFileSize) {
            fail(Options.BatchProfile, "the profile file is too large (over 1 MiB)");
            return;
        }
        Job.ProfileText.assign(text.constData(), static_cast<std::size_t>(text.size()));
        Job.ProfileName = QFileInfo(Options.BatchProfile).completeBaseName().toStdString();
    }
    if (Job.KeepJPEGDataMask < 0 && Options.BatchProfile.isEmpty())
        Job.KeepJPEGDataMask = Prefs.KeepMetadataOptions;

    // Workers take files in list order and leave their results in `results`; this thread names and
    // writes them in the same order, never more than a few files ahead of the writing.
    int jobs = Jobs > 0 ? Jobs : static_cast<int>(std::thread::hardware_concurrency());
    jobs = std::clamp(jobs, 1, 64);
    const int window = 2 * jobs;
    std::vector<std::optional<PictureResult>> results(static_cast<std::size_t>(count));
    std::mutex mutex;
    std::condition_variable ready, room;
    int next = 0, committed = 0;
    PictureJobSettings job = Job;
    job.Threads = jobs > 1 ? 1 : 0; // parallel over files, or over rows for a single worker
    const auto worker = [&] {
        for (;;) {
            int index;
            {
                std::unique_lock<std::mutex> lock(mutex);
                room.wait(lock, [&] { return next >= count || m_terminated || next < committed + window; });
                if (next >= count || m_terminated)
                    return;
                index = next++;
            }
            PictureResult result;
            try {
                result = ProcessPicture(fileList.at(index), job);
            } catch (const std::exception& e) {
                result.Error = e.what();
            } catch (...) {
                result.Error = "unexpected error";
            }
            {
                std::lock_guard<std::mutex> lock(mutex);
                results[static_cast<std::size_t>(index)] = std::move(result);
            }
            ready.notify_all();
        }
    };
    std::vector<std::thread> pool;
    for (int t = 0; t < jobs; ++t)
        pool.emplace_back(worker);

    std::set<QString> written;
    std::set<QString> sources;
    for (const QString& f : fileList)
        sources.insert(QFileInfo(f).absoluteFilePath());
    for (int i = 0; i < count; ++i) {
        PictureResult result;
        {
            std::unique_lock<std::mutex> lock(mutex);
            ready.wait(lock, [&] { return results[static_cast<std::size_t>(i)].has_value() || m_terminated; });
            if (!results[static_cast<std::size_t>(i)])
                break;
            result = std::move(*results[static_cast<std::size_t>(i)]);
            results[static_cast<std::size_t>(i)].reset();
            committed = i + 1;
        }
        room.notify_all();
        const QString source = fileList.at(i);
        Progress.FileIndex = i + 1;
        Progress.SourceFile = source;
        lastError.clear();
        QString writtenTarget;
        if (result.Stream.empty()) {
            fail(source, result.Error);
        } else {
            TBatchProcOptions naming = Options;
            if (i < BaseFolders.size() && !BaseFolders.at(i).isEmpty())
                naming.BatchSrcFolder = BaseFolders.at(i);
            // A JPEG stream is never written under another format's extension.
            static const QStringList kJpegExtensions = {"jpg", "jpeg", "jpe", "jfif"};
            if (!kJpegExtensions.contains(QFileInfo(source).suffix().toLower()))
                naming.BatchForceJpgExt = true;
            const QString target = QFileInfo(BatchResultName(source, naming)).absoluteFilePath();
            const QString sourcePath = QFileInfo(source).absoluteFilePath();
            const QDateTime sourceTime = QFileInfo(source).lastModified();
            const qint64 sourceSize = QFileInfo(source).size();
            if (!AllowOverwrite && target == sourcePath) {
                fail(source, "its result would replace the source");
            } else if (written.count(target)) {
                fail(source, "its result " + target.toStdString() + " was already written for an earlier file");
            } else if (target != sourcePath && sources.count(target)) {
                fail(source, "its result " + target.toStdString() + " would replace another source of this batch");
            } else if (const QString error = WriteFileSafely(target, result.Stream); !error.isEmpty()) {
                fail(source, error.toStdString());
            } else {
                written.insert(target);
                ResultList << target;
                writtenTarget = target;
                if (Prefs.KeepOrigDatetime) {
                    QFile out(target);
                    if (out.open(QIODevice::ReadWrite))
                        out.setFileTime(sourceTime, QFileDevice::FileModificationTime);
                }
                // A number is taken only by a file that got a result.
                if (Options.BatchFNPrefType == 2)
                    ++Options.BatchFNPrefInitN;
                if (Options.BatchFNSufType == 2)
                    ++Options.BatchFNSufInitN;
                ++Progress.Processed;
                Progress.SourceBytes += sourceSize;
                Progress.ResultBytes += static_cast<qint64>(result.Stream.size());
                Progress.ResultFile = target;
            }
        }
        Progress.Percent = (i + 1) * 100 / std::max(1, count);
        if (OnFileDone)
            OnFileDone(source, writtenTarget, lastError, result);
        if (OnProgress)
            OnProgress(Progress);
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        next = count; // no new files once the writing has stopped
    }
    room.notify_all();
    for (std::thread& t : pool)
        t.join();
}

} // namespace vantorel
