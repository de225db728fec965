// The compression and modification worker.
#include "TJPEGEngine.h"

#include "EngineError.h"
#include "MainThreadCall.h"
#include "TJPEGImage.h"

TJPEGEngine::TJPEGEngine(TJPEGImage& image, int job, ProgressHandler onProgress)
    : m_image(image), m_job(job), m_onProgress(std::move(onProgress)) {
    m_image.OnProgress = [this](const vantorel::ProgressEvent& event) {
        if (m_aborted)
            return;
        if (m_terminate && event.Stage == vantorel::ProgressStage::kRunning && m_phase == kCompressing) {
            m_aborted = true;
            throw vantorel::OperationAborted();
        }
        m_percent = event.Percent;
        if (m_onProgress) {
            const std::uint8_t phase = m_phase;
            const int percent = event.Percent;
            const int attempt = event.AttemptPercent;
            vantorel::CallOnMainThread([this, phase, percent, attempt] {
                m_shownAttempt = attempt;
                m_onProgress(*this, phase, percent);
            });
        }
    };
}

TJPEGEngine::~TJPEGEngine() {
    vantorel::WaitForWorker(*this);
    m_image.OnProgress = nullptr;
}

QThread::Priority TJPEGEngine::PriorityOf(int comprPriority) {
    switch (comprPriority) {
    case 0:
        return QThread::LowestPriority;
    case 1:
        return QThread::LowPriority;
    case 3:
        return QThread::HighPriority;
    case 4:
        return QThread::HighestPriority;
    default:
        return QThread::NormalPriority;
    }
}

void TJPEGEngine::run() {
    m_image.EnterJobThread();
    // Every error is swallowed: the document reads the outcome from the engine object.
    try {
        if (m_job < 0) {
            m_phase = kCompressing;
            m_image.Compress();
            if (!m_terminate) {
                m_phase = kDecoding;
                m_image.KeepBitmap = false;
                m_image.GetBitmap();
            }
        } else {
            m_phase = kModifying;
            m_image.Modifications().ApplyModification(m_job);
        }
    } catch (const vantorel::OperationAborted&) {
        m_aborted = true;
    } catch (...) {
    }
}
