// The worker that runs one compression (then decodes its result) or one modification of a
// document's engine.
#pragma once

#include <QThread>

#include <atomic>
#include <cstdint>
#include <functional>

class TJPEGImage;

// Created and started by the document on the main thread; while it runs, the document leaves the
// engine object alone. Progress goes to the handler on the main thread through a synchronous call
// (the worker waits for it). `finished` (QThread's) is the termination handler's signal.
class TJPEGEngine : public QThread {
public:
    enum PhaseKind : std::uint8_t { kCompressing = 0, kDecoding = 1, kModifying = 6 };
    // (sender, phase, percent), on the main thread.
    using ProgressHandler = std::function<void(TJPEGEngine& sender, std::uint8_t phase, int percent)>;

    // job < 0 compresses; job >= 0 applies the modification entry with that index (0 = pending).
    TJPEGEngine(TJPEGImage& image, int job, ProgressHandler onProgress);
    ~TJPEGEngine() override;

    // A terminate request: the compression phase stops at its next progress report, silently; the
    // decoding and modification phases run to their end.
    void RequestTerminate() { m_terminate = true; }
    bool TerminateRequested() const { return m_terminate; }
    bool Aborted() const { return m_aborted; }
    std::uint8_t Phase() const { return m_phase; }
    int Percent() const { return m_percent; }
    // Inside the progress handler: the current attempt's own percentage while a target search
    // runs, else -1 (the percent then spans the whole search).
    int AttemptPercent() const { return m_shownAttempt; }
    int Job() const { return m_job; }
    TJPEGImage& Image() const { return m_image; }

    // The thread priority of the "ComprPriority" preference (0 lowest .. 4 highest, else normal).
    static QThread::Priority PriorityOf(int comprPriority);

protected:
    void run() override;

private:
    TJPEGImage& m_image;
    int m_job;
    ProgressHandler m_onProgress;
    std::atomic<bool> m_terminate{false};
    std::atomic<bool> m_aborted{false};
    std::atomic<std::uint8_t> m_phase{kCompressing};
    std::atomic<int> m_percent{0};
    int m_shownAttempt = -1; // main thread only
};
