// The document behind one image window: the working source, the engine with its profile, and the
// job control that keeps the compressed result up to date.
#pragma once

#include "PictureLoader.h"
#include "Preferences.h"
#include "TJPEGEngine.h"
#include "TJPEGImage.h"
#include "TResampleEngine.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QThread>

#include <functional>
#include <memory>
#include <vector>

namespace vantorel {

// Lives on the main thread; every method is called there. Jobs run on workers and report back
// through the main thread's event loop, so the owner must keep handling events while Busy().
class ImageDocument {
public:
    // What the window and the main window learn: notify codes 0 activated, 1 changed, 3 closing;
    // messages for a message box; a repaint of the result view.
    struct Hooks {
        std::function<void(int code)> Notify;
        std::function<void(const QString& message)> ShowMessage;
        std::function<void()> ResultChanged;
        // A load begun by BeginLoadFile has ended: ok, or the error naming the file.
        std::function<void(bool ok, const QString& error)> Loaded;
    };

    explicit ImageDocument(const Preferences& preferences, Hooks hooks = {});
    ~ImageDocument();
    ImageDocument(const ImageDocument&) = delete;
    ImageDocument& operator=(const ImageDocument&) = delete;

    // Reads a picture file (JPEG through a source engine, turned upright by the "AutoRotate"
    // preference; other formats through the picture loader) and marks the document changed with
    // force in the compression view. False, with `error` naming the file, when it cannot be read.
    bool LoadFile(const QString& fileName, QString& error);
    // The same, with the reading and decoding on a worker: the document is busy and new until the
    // Loaded hook reports the end (on the main thread).
    void BeginLoadFile(const QString& fileName);
    // A picture from the clipboard or a bitmap, under a name without a file.
    void LoadBitmap(const QImage& picture, const QString& name);
    // A duplicate of another document: its source picture, file information and profile (every
    // recorded entry counted as applied), and its resampled flag.
    void LoadFromDocument(const ImageDocument& other);

    // --- saving -------------------------------------------------------------------------------
    // Writes the result stream (with its kept segments) to `target` through a temporary file,
    // then gives it the source file's date when the document keeps it. False with the reason.
    bool WriteResult(const QString& target, QString& error) const;
    // Whether the engine may run in the Lossless mode: a JPEG source and only rotations recorded.
    bool LosslessAllowed() const;
    // The JPEG data must follow the picture's rotation before a Lossless result: the code of the
    // rotation (0 none, 1 90° clockwise, 2 90° counter-clockwise, 3 180°) that takes the data from
    // the lossless rotation to the current one.
    static int LosslessAlignment(int currentRotation, int losslessRotation);
    // The rotation code of `first` followed by `then`.
    static int ComposeRotation(int first, int then);

    // --- job control --------------------------------------------------------------------------
    void MarkChanged(bool changed);
    // Whether the main window's tick should start a job now (correctionMode: the main window shows
    // the corrections, where the delay is 50 ms instead of "ComprDelay").
    bool RecompressionDue(bool correctionMode) const;
    // Starts the next job: the oldest unapplied modification, a resample, or the compression (in
    // the correction view: the pending entry's preview).
    void StartJob();
    // Tells a running compression or resample to stop (a decode or a modification goes on).
    void Stop();
    void SetCorrectionView(int view);
    void SetCompressionMode(int mode);
    // Waits, handling events, until no job runs.
    void WaitWhileBusy();
    // The main window's idle pass (and the start of every job): a profile applied since the last
    // pass may ask for a Lossless mode the source does not allow; the mode then falls back to
    // Original and the reasons are kept for ProfileWarnings.
    void IdleWork();
    // The kept reasons as warning text, one line per reason (CR LF between them), cleared on reading;
    // empty when there are none.
    QString TakeProfileWarnings();
    bool HasProfileWarnings() const { return m_profileWarnings != 0; }

    // --- state ----------------------------------------------------------------------------------
    TJPEGImage& Engine() { return m_engine; }
    const TJPEGImage& Engine() const { return m_engine; }
    const QImage& SourceBitmap() const { return m_source; }
    const QString& FileName() const { return m_fileName; }
    void SetFileName(const QString& name) { m_fileName = name; }
    const ImageFileInfo& FileInfo() const { return m_fileInfo; }
    bool SourceIsJpeg() const { return m_sourceIsJpeg; }
    // The picture the result view shows: the decoded result (or the correction preview); null
    // while there is none. Read it only while the document is not busy.
    const QImage& ResultBitmap() const { return m_engine.DecodedBitmap(); }
    // The load's end status: while loading, Busy() and New() are true.
    bool New() const { return m_new; }
    // The quality ties of the base and the selected-area level sliders.
    bool LevelsTied = false;
    bool SelLevelsTied = false;
    // Saving state: a file of its own (opened through the open dialog, or saved), saved at least
    // once, clean, and whether a save gives the target the source file's date.
    bool OwnFile = false;
    bool SavedOnce = false;
    bool Saved = false;
    bool KeepFileDate = true;
    // The selection units as the window draws them; the engine receives a copy when a job starts
    // (the encoder reads its own list on the worker).
    std::vector<SelectionUnit> Units;
    // Takes the engine's units after a profile gave it new ones.
    void PullUnits() { Units = m_engine.SelectionUnits(); }
    // The main window's marks: the default compression parameters were given; the precision kept
    // while the image is grayscale.
    bool InitialParams = false;
    int SavedPrecision = 0;
    int CurrentRotation = 0;
    int LosslessRotation = 0;
    bool Busy() const { return m_busy; }
    bool Stopped() const { return m_stopped; }
    bool Forced() const { return m_force; }
    int ChangeCounter() const { return m_changeCounter; }
    int ResultSize() const { return m_resultSize; }
    int Phase() const { return m_phase; }
    int Percent() const { return m_percent; }
    // While a target search runs: the current attempt's percentage (Percent spans the search); else -1.
    int AttemptPercent() const { return m_busy ? m_attemptPercent : -1; }
    int CorrectionView() const { return m_correctionView; }
    bool CropRequested() const { return m_cropRequest; }
    bool RedEyeRequested() const { return m_redEyeRequest; }
    bool Resampled() const { return m_resampled; }
    // Jobs started so far (compression, modification and resample jobs), for the status and tests.
    int JobsStarted() const { return m_jobsStarted; }

private:
    void SetSource(const QImage& bitmap);
    void LoadFinished();
    void EnterView();
    void StartEngine(int job);
    void StartResample(const ResizeParams& group);
    void OnProgress(std::uint8_t phase, int percent);
    void CompressionFinished();
    void ResampleFinished();
    void AdoptResult(bool commit);
    void Notify(int code) const;
    void Message(const QString& text) const;

    Preferences m_prefs;
    Hooks m_hooks;
    QObject m_context; // receives the workers' termination signals on the main thread
    TJPEGImage m_sourceEngine;
    TJPEGImage m_engine;
    QImage m_source;
    QString m_fileName;
    ImageFileInfo m_fileInfo;
    bool m_sourceIsJpeg = false;
    std::unique_ptr<QThread> m_loader;
    // Written by the loader, taken over on the main thread after it ended.
    QImage m_loadedPicture;
    QString m_loadError;
    ImageFileInfo m_loadInfo;
    bool m_loadIsJpeg = false;
    std::unique_ptr<TJPEGEngine> m_worker;
    std::unique_ptr<TResampleEngine> m_resampler;
    int m_changeCounter = 0;
    long long m_lastChange = 0;
    bool m_force = false;
    bool m_busy = false;
    bool m_stopped = false;
    bool m_new = false;
    bool m_modificationApplied = false;
    bool m_resampled = false;
    bool m_cropRequest = false;
    bool m_redEyeRequest = false;
    int m_correctionView = 0;
    int m_resultSize = 0;
    int m_phase = 0;
    int m_percent = 0;
    int m_attemptPercent = -1;
    int m_jobsStarted = 0;
    int m_modificationJob = 0;
    int m_profileWarnings = 0; // reason bits of ResolveLosslessMode
};

} // namespace vantorel
