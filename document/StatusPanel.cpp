#include "StatusPanel.h"

#include <QPainter>
#include <QStyleOptionFrame>

namespace vantorel {

StatusPanel::StatusPanel(QWidget* parent) : QWidget(parent) {}

void StatusPanel::SetRuns(std::vector<StatusRun> runs, bool raised) {
    m_runs = std::move(runs);
    m_raised = raised;
    update();
}

QSize StatusPanel::sizeHint() const { return {200, fontMetrics().height() + 6}; }

void StatusPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.rect = rect();
    frame.lineWidth = 1;
    frame.state |= m_raised ? QStyle::State_Raised : QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
    int x = 20;
    const int baseline = (height() + fontMetrics().ascent() - fontMetrics().descent()) / 2;
    QFont normal = font();
    QFont bold = font();
    bold.setBold(true);
    for (const StatusRun& run : m_runs) {
        painter.setFont(run.Bold ? bold : normal);
        painter.setPen(run.Colour);
        painter.drawText(x, baseline, run.Text);
        x += QFontMetrics(painter.font()).horizontalAdvance(run.Text);
    }
}

} // namespace vantorel
