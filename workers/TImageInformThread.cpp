// The rotate-button previews.
#include "TImageInformThread.h"

#include "Bitmap24.h"
#include "MainThreadCall.h"
#include "ResampleProc.h"
#include "RotateBitmap.h"
#include "TJPEGImage.h"

#include <QCoreApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr QRgb kKeyColour = 0xFFFDC5FE; // 0xFEC5FD in 0x00BBGGRR: red FD, green C5, blue FE
constexpr int kPreviewBox = 153;

} // namespace

TImageInformThread::TImageInformThread(TJPEGImage& image, int side, std::function<void(TImageInformThread&)> onReport)
    : m_image(image), m_side(std::max(3, side)), m_onReport(std::move(onReport)) {}

TImageInformThread::~TImageInformThread() {
    m_terminate = true;
    m_stopRequest = true;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_resumed = true;
    }
    m_wake.notify_all();
    vantorel::WaitForWorker(*this);
}

QSize TImageInformThread::FitIntoBox(QSize size, int box) {
    const int w = size.width(), h = size.height();
    if (w <= box && h <= box)
        return size;
    const auto scaled = [box](int other, int longer) {
        return std::max(1, static_cast<int>(std::lround(static_cast<double>(other) * box / longer)));
    };
    return w > h ? QSize(box, scaled(h, w)) : QSize(scaled(w, h), box);
}

void TImageInformThread::Resume() {
    m_stopRequest = false; // a new pass is wanted
    if (!isRunning() && !isFinished())
        start(QThread::LowPriority);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_resumed = true;
    }
    m_wake.notify_all();
}

void TImageInformThread::StopPass() {
    m_stopRequest = true;
    while (m_busy && isRunning()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        msleep(10);
    }
}

void TImageInformThread::run() {
    while (!m_terminate) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_resumed; });
            m_resumed = false;
        }
        if (m_terminate)
            break;
        Pass();
    }
}

void TImageInformThread::Pass() {
    try {
        QImage source;
        vantorel::CallOnMainThread([&] { source = m_image.SourceBitmap(); });
        if (!vantorel::HasPixels(source) || m_stopRequest || m_terminate) {
            if (!m_terminate)
                vantorel::CallOnMainThread([this] { m_onReport(*this); });
            return;
        }
        const QSize previewSize = FitIntoBox(source.size(), kPreviewBox);
        const int inner = m_side - 2;
        const QSize smallSize = FitIntoBox(source.size(), inner);
        m_pictureRect =
            QRect(QPoint((inner - smallSize.width()) / 2 + 1, (inner - smallSize.height()) / 2 + 1), smallSize);
        m_preview = vantorel::MakeBitmap24(previewSize.width(), previewSize.height());
        m_small = vantorel::MakeBitmap24(smallSize.width(), smallSize.height());
        m_busy = true;
        vantorel::Resample(source, m_preview, 3, 256,
                           [this](float, bool& stop) { stop = m_stopRequest || m_terminate; });
        m_busy = false;
        if (!m_stopRequest && !m_terminate)
            vantorel::Resample(m_preview, m_small, 3, 256, {});
        if (m_terminate)
            return;
        vantorel::CallOnMainThread([this] {
            if (!m_stopRequest) {
                QImage picture(m_side, m_side, QImage::Format_RGB32);
                picture.fill(kKeyColour);
                {
                    QPainter painter(&picture);
                    painter.drawImage(m_pictureRect.topLeft(), m_small);
                    painter.setPen(Qt::white);
                    painter.drawRect(m_pictureRect.adjusted(-1, -1, 0, 0));
                }
                const QImage bgr = vantorel::ToBitmap24(picture);
                const TPixelView view = TPixelView::OfShared(bgr);
                m_thumbnails = {vantorel::RotateBitmap(view, 2), vantorel::RotateBitmap(view, 1),
                                vantorel::RotateBitmap(view, 3)};
            }
            m_onReport(*this);
        });
    } catch (...) {
        m_busy = false;
        if (!m_terminate)
            vantorel::CallOnMainThread([this] { m_onReport(*this); });
    }
}
