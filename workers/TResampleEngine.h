// The worker that runs one resample of a document's source.
#pragma once

#include <QImage>
#include <QThread>

#include <atomic>
#include <functional>

// Created and started by the document on the main thread. The destination must be a 24-bit bitmap
// of the target size; it is written by the worker and read by the document after `finished`.
// Progress (phase 2) goes to the handler on the main thread at most every 100 ms.
class TResampleEngine : public QThread {
public:
    using ProgressHandler = std::function<void(TResampleEngine& sender, std::uint8_t phase, int percent)>;

    TResampleEngine(QImage source, QImage destination, int method, int fidelity, ProgressHandler onProgress);
    ~TResampleEngine() override;

    void RequestTerminate() { m_terminate = true; }
    bool Aborted() const { return m_aborted; }
    bool Failed() const { return m_failed; }
    int Percent() const { return m_percent; }
    // The result; valid once the thread has finished without failure or abort.
    const QImage& Destination() const { return m_destination; }

protected:
    void run() override;

private:
    QImage m_source;
    QImage m_destination;
    int m_method;
    int m_fidelity;
    ProgressHandler m_onProgress;
    long long m_lastReportMs = 0;
    std::atomic<bool> m_terminate{false};
    std::atomic<bool> m_aborted{false};
    std::atomic<bool> m_failed{false};
    std::atomic<int> m_percent{0};
};
