// The resampling worker.
#include "TResampleEngine.h"

#include "EngineError.h"
#include "MainThreadCall.h"
#include "MonotonicClock.h"
#include "ResampleProc.h"
#include "Rounding.h"

TResampleEngine::TResampleEngine(QImage source, QImage destination, int method, int fidelity,
                                 ProgressHandler onProgress)
    : m_source(std::move(source)), m_destination(std::move(destination)), m_method(method), m_fidelity(fidelity),
      m_onProgress(std::move(onProgress)) {}

TResampleEngine::~TResampleEngine() {
    vantorel::WaitForWorker(*this);
}

void TResampleEngine::run() {
    m_lastReportMs = 0;
    try {
        vantorel::Resample(m_source, m_destination, m_method, m_fidelity, [this](float fraction, bool&) {
            if (m_aborted)
                return;
            if (m_terminate) {
                m_aborted = true;
                throw vantorel::OperationAborted();
            }
            const long long now = vantorel::MonotonicMs();
            if (now - m_lastReportMs <= 100)
                return;
            m_lastReportMs = now;
            m_percent = vantorel::RoundEven(fraction * 100.0);
            if (m_onProgress) {
                const int percent = m_percent;
                vantorel::CallOnMainThread([this, percent] { m_onProgress(*this, 2, percent); });
            }
        });
    } catch (const vantorel::OperationAborted&) {
        m_aborted = true;
    } catch (...) {
        m_failed = true;
    }
}
