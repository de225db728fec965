#include "HighlightSlider.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>

namespace vantorel {

HighlightSlider::HighlightSlider(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent) {}

void HighlightSlider::SetHighlight(int from, int to) {
    if (from > to)
        std::swap(from, to);
    if (from == m_from && to == m_to)
        return;
    m_from = from;
    m_to = to;
    update();
}

void HighlightSlider::paintEvent(QPaintEvent* event) {
    QSlider::paintEvent(event);
    if (m_from == m_to || !isEnabled())
        return;
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const auto at = [&](int value) {
        const int span = orientation() == Qt::Horizontal ? groove.width() - handle.width() : groove.height() - handle.height();
        return QStyle::sliderPositionFromValue(minimum(), maximum(), value, span, option.upsideDown) +
               (orientation() == Qt::Horizontal ? handle.width() : handle.height()) / 2;
    };
    QPainter painter(this);
    const QColor colour = palette().color(QPalette::Highlight);
    if (orientation() == Qt::Horizontal) {
        const int a = groove.left() + at(m_from);
        const int b = groove.left() + at(m_to);
        painter.fillRect(QRect(QPoint(std::min(a, b), groove.bottom() + 2), QPoint(std::max(a, b), groove.bottom() + 4)), colour);
    } else {
        const int a = groove.top() + at(m_from);
        const int b = groove.top() + at(m_to);
        painter.fillRect(QRect(QPoint(groove.right() + 2, std::min(a, b)), QPoint(groove.right() + 4, std::max(a, b))), colour);
    }
}

} // namespace vantorel
