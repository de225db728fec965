// The worker that makes the rotate buttons' previews of a document's source: the source reduced
// to a small square picture, turned counter-clockwise, clockwise and by 180 degrees.
#pragma once

#include <QImage>
#include <QRect>
#include <QThread>

#include <array>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

class TJPEGImage;

// Lives as long as its document. Resume() starts one pass over the engine's current source; after
// the pass the report handler runs on the main thread and the thread waits for the next Resume().
// The document does not change the engine's source while Busy() is set (StopPass waits for that).
class TImageInformThread : public QThread {
public:
    // side: the side of the square previews (the rotate buttons' width - 10), at least 3.
    TImageInformThread(TJPEGImage& image, int side, std::function<void(TImageInformThread&)> onReport);
    ~TImageInformThread() override;

    void Resume();
    // Asks the running pass to stop and waits until it is no longer reducing (handling events).
    void StopPass();
    bool Busy() const { return m_busy; }
    bool StopRequested() const { return m_stopRequest; }
    void ClearStopRequest() { m_stopRequest = false; }
    // The previews of the last complete pass: counter-clockwise, clockwise, 180 degrees; the key
    // colour 0xFEC5FD marks the transparent border. Read on the main thread in the report handler.
    const std::array<QImage, 3>& Thumbnails() const { return m_thumbnails; }
    const QImage& Preview() const { return m_preview; }

    static QSize FitIntoBox(QSize size, int box);

protected:
    void run() override;

private:
    void Pass();

    TJPEGImage& m_image;
    int m_side;
    std::function<void(TImageInformThread&)> m_onReport;
    QImage m_preview;
    QImage m_small;
    QRect m_pictureRect;
    std::array<QImage, 3> m_thumbnails;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_resumed = false;
    std::atomic<bool> m_terminate{false};
    std::atomic<bool> m_stopRequest{false};
    std::atomic<bool> m_busy{false};
};
