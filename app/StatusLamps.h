// The main status bar's last panel: two lamps telling at a glance whether work runs. The first is
// lit (green) when nothing runs; the second shows amber while the active image or a batch job
// works, blue when batch jobs exist but none works, and is dark otherwise.
#pragma once

#include <QWidget>

namespace vantorel {

class StatusLamps : public QWidget {
public:
    enum Lamp { kDark = 0, kReady = 1, kBatchWaiting = 2, kWorking = 3 };

    explicit StatusLamps(QWidget* parent = nullptr);
    void Show(bool busy, bool batchJobs);
    Lamp First() const { return m_first; }
    Lamp Second() const { return m_second; }
    QSize sizeHint() const override { return {60, 20}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Lamp m_first = kReady;
    Lamp m_second = kDark;
};

} // namespace vantorel
