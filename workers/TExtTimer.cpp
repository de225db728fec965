// The main window's tick.
#include "TExtTimer.h"

#include "MainThreadCall.h"
#include "MonotonicClock.h"

#include <cstdlib>

TExtTimer::TExtTimer(int intervalMs, std::function<void()> handler)
    : m_intervalMs(intervalMs), m_handler(std::move(handler)) {}

TExtTimer::~TExtTimer() {
    m_stop = true;
    vantorel::WaitForWorker(*this);
}

void TExtTimer::run() {
    long long last = vantorel::MonotonicMs();
    while (!m_stop) {
        msleep(10);
        const long long now = vantorel::MonotonicMs();
        if (std::llabs(now - last) > m_intervalMs && !m_stop) {
            last = now;
            vantorel::CallOnMainThread(m_handler);
        }
    }
}
