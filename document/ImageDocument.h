// The document behind one image window: the working source, the engine with its profile, and the
// job control that keeps the compressed result up to date.
#pragma once

#include "Preferences.h"
#include "TJPEGEngine.h"
#include "TJPEGImage.h"
#include "TResampleEngine.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

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
    };

    explicit ImageDocument(const Preferences& preferences, Hooks hooks = {});
    ~ImageDocument();
    ImageDocument(const ImageDocument&) = delete;
    ImageDocument& operator=(const ImageDocument&) = delete;

    // Reads a picture file (JPEG through a source engine, turned upright by the "AutoRotate"
    // preference; other formats through the picture loader) and marks the document changed with
    // force in the compression view. False, with `error` naming the file, when it cannot be read.
    bool LoadFile(const QString& fileName, QString& error);

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

    // --- state ----------------------------------------------------------------------------------
    TJPEGImage& Engine() { return m_engine; }
    const QImage& SourceBitmap() const { return m_source; }
    const QString& FileName() const { return m_fileName; }
    bool Busy() const { return m_busy; }
    bool Stopped() const { return m_stopped; }
    bool Forced() const { return m_force; }
    int ChangeCounter() const { return m_changeCounter; }
    int ResultSize() const { return m_resultSize; }
    int Phase() const { return m_phase; }
    int Percent() const { return m_percent; }
    int CorrectionView() const { return m_correctionView; }
    bool CropRequested() const { return m_cropRequest; }
    bool RedEyeRequested() const { return m_redEyeRequest; }
    bool Resampled() const { return m_resampled; }
    // Jobs started so far (compression, modification and resample jobs), for the status and tests.
    int JobsStarted() const { return m_jobsStarted; }

private:
    void SetSource(const QImage& bitmap);
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
    int m_jobsStarted = 0;
};

} // namespace vantorel
