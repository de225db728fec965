#include "StatusLamps.h"

#include <QPainter>

namespace vantorel {

namespace {

QColor ColourOf(StatusLamps::Lamp lamp) {
    switch (lamp) {
    case StatusLamps::kReady:
        return QColor(40, 170, 60);
    case StatusLamps::kBatchWaiting:
        return QColor(50, 90, 200);
    case StatusLamps::kWorking:
        return QColor(235, 160, 20);
    case StatusLamps::kDark:
        break;
    }
    return QColor(150, 150, 150);
}

} // namespace

StatusLamps::StatusLamps(QWidget* parent) : QWidget(parent) {
    setFixedWidth(sizeHint().width());
    setStatusTip("Lit green when the program is ready, amber while it works");
}

void StatusLamps::Show(bool busy, bool batchJobs) {
    const Lamp first = busy ? kDark : kReady;
    const Lamp second = busy ? kWorking : batchJobs ? kBatchWaiting : kDark;
    if (first == m_first && second == m_second)
        return;
    m_first = first;
    m_second = second;
    update();
}

void StatusLamps::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int top = (height() - 16) / 2;
    const Lamp lamps[] = {m_first, m_second};
    for (int i = 0; i < 2; ++i) {
        const QRectF box(4 + 20 * i + 2, top + 2, 12, 12);
        painter.setPen(QPen(QColor(60, 60, 60), 1));
        painter.setBrush(ColourOf(lamps[i]));
        painter.drawEllipse(box);
        if (lamps[i] != kDark) { // a highlight makes a lit lamp read as lit
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(255, 255, 255, 120));
            painter.drawEllipse(QRectF(box.left() + 3, box.top() + 2, 4, 3));
        }
    }
}

} // namespace vantorel
