// A status line panel drawn from text runs (plain, bold, coloured), raised or lowered.
#pragma once

#include "StatusFigures.h"

#include <QWidget>

#include <vector>

namespace vantorel {

class StatusPanel : public QWidget {
public:
    explicit StatusPanel(QWidget* parent = nullptr);
    void SetRuns(std::vector<StatusRun> runs, bool raised);
    const std::vector<StatusRun>& Runs() const { return m_runs; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<StatusRun> m_runs;
    bool m_raised = false;
};

} // namespace vantorel
