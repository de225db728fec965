#include "StatusProgress.h"

#include <QPainter>

#include <algorithm>

namespace vantorel {

namespace {
const QColor kNavy(0, 0, 128);
}

StatusProgress::StatusProgress(QWidget* parent) : QWidget(parent) {}

void StatusProgress::Show(const QString& word, int percent, int secondPercent, bool changed) {
    if (word == m_word && percent == m_percent && secondPercent == m_second && changed == m_changed)
        return;
    m_word = word;
    m_percent = percent;
    m_second = secondPercent;
    m_changed = changed;
    update();
}

QString StatusProgress::Text() const {
    if (m_percent >= 0)
        return m_word + QString::asprintf("..%3d%s", m_percent, "%");
    return m_changed ? "Changed" : "Done.";
}

void StatusProgress::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect r = rect();
    painter.fillRect(r, palette().window());
    if (m_percent < 0) {
        painter.setPen(m_changed ? kNavy : palette().color(QPalette::WindowText));
        painter.drawText(r, Qt::AlignCenter, Text());
        return;
    }
    const int filled = r.width() * std::clamp(m_percent, 0, 100) / 100;
    QRect bar = r;
    if (m_second >= 0) {
        bar.adjust(0, 2, 0, -2);
        const int second = r.width() * std::clamp(m_second, 0, 100) / 100;
        painter.fillRect(QRect(r.left(), r.top(), second, 1), kNavy);
        painter.fillRect(QRect(r.left(), r.bottom(), second, 1), kNavy);
    }
    const QRect done(bar.left(), bar.top(), filled, bar.height());
    painter.fillRect(done, kNavy);
    // The text is white over the filled part and black elsewhere.
    painter.setClipRect(done);
    painter.setPen(Qt::white);
    painter.drawText(r, Qt::AlignCenter, Text());
    painter.setClipRect(QRect(bar.left() + filled, r.top(), r.width() - filled, r.height()));
    painter.setPen(Qt::black);
    painter.drawText(r, Qt::AlignCenter, Text());
}

} // namespace vantorel
