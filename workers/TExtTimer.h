// The main window's tick: a thread that calls its handler on the main thread once per interval.
#pragma once

#include <QThread>

#include <atomic>
#include <functional>

// Created and started on the main thread; the handler runs there through a synchronous call, at
// most once per interval (the thread polls every 10 ms). Destroying it stops the thread.
class TExtTimer : public QThread {
public:
    TExtTimer(int intervalMs, std::function<void()> handler);
    ~TExtTimer() override;
    void Stop() { m_stop = true; }

protected:
    void run() override;

private:
    int m_intervalMs;
    std::function<void()> m_handler;
    std::atomic<bool> m_stop{false};
};
