#include "ToolCursors.h"

#include <QPainter>
#include <QPixmap>

#include <array>
#include <functional>

namespace vantorel {
namespace {

constexpr int kSize = 32;

// Draws `shape` twice: first as a wide white halo, then in black, so that the cursor shows on dark
// and light pictures alike.
using Shape = std::function<void(QPainter&, bool halo)>;

QCursor Drawn(const Shape& shape, int hotX, int hotY) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    shape(painter, true);
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    shape(painter, false);
    painter.end();
    return QCursor(pixmap, hotX, hotY);
}

// A cross whose centre is the hot spot, with a gap where the pointed-at pixel stays visible.
void Cross(QPainter& p, int c) {
    p.drawLine(c, c - 8, c, c - 3);
    p.drawLine(c, c + 3, c, c + 8);
    p.drawLine(c - 8, c, c - 3, c);
    p.drawLine(c + 3, c, c + 8, c);
}

void Magnifier(QPainter& p, bool halo, bool filled) {
    if (filled)
        p.setBrush(halo ? QBrush(Qt::white) : QBrush(Qt::lightGray));
    p.drawEllipse(QRect(2, 2, 14, 14));
    p.setBrush(Qt::NoBrush);
    p.drawLine(15, 15, 22, 22);
    p.drawLine(16, 15, 23, 22);
    p.drawLine(6, 9, 12, 9); // the plus of zooming in
    p.drawLine(9, 6, 9, 12);
}

void Eye(QPainter& p, bool halo, bool pressed) {
    Cross(p, 10);
    p.drawEllipse(QRect(17, 18, 12, 8));
    if (pressed)
        p.setBrush(halo ? Qt::white : Qt::black);
    p.drawEllipse(QRect(21, 20, 4, 4));
    p.setBrush(Qt::NoBrush);
}

QCursor Make(ToolCursor which) {
    switch (which) {
    case ToolCursor::kHand:
        return QCursor(Qt::OpenHandCursor);
    case ToolCursor::kHandPressed:
        return QCursor(Qt::ClosedHandCursor);
    case ToolCursor::kSelRect:
        return Drawn([](QPainter& p, bool) { Cross(p, 10); p.drawRect(18, 18, 10, 8); }, 10, 10);
    case ToolCursor::kSelEllipse:
        return Drawn([](QPainter& p, bool) { Cross(p, 10); p.drawEllipse(QRect(18, 18, 11, 9)); }, 10, 10);
    case ToolCursor::kSelPolygon:
        return Drawn(
            [](QPainter& p, bool) {
                Cross(p, 10);
                const QPoint corners[] = {{18, 27}, {22, 17}, {29, 21}, {27, 28}};
                p.drawPolygon(corners, 4);
            },
            10, 10);
    case ToolCursor::kZoom:
        return Drawn([](QPainter& p, bool halo) { Magnifier(p, halo, false); }, 9, 9);
    case ToolCursor::kZoomPressed:
        return Drawn([](QPainter& p, bool halo) { Magnifier(p, halo, true); }, 9, 9);
    case ToolCursor::kRedEye:
        return Drawn([](QPainter& p, bool halo) { Eye(p, halo, false); }, 10, 10);
    case ToolCursor::kRedEyePressed:
        return Drawn([](QPainter& p, bool halo) { Eye(p, halo, true); }, 10, 10);
    case ToolCursor::kRedEyeLens:
        return Drawn([](QPainter& p, bool) { p.drawEllipse(QRect(6, 6, 20, 20)); Cross(p, 16); }, 16, 16);
    }
    return QCursor(Qt::ArrowCursor);
}

} // namespace

const QCursor& CursorOf(ToolCursor which) {
    // Built on the GUI thread on first use and never destroyed: pixmaps must not outlive the
    // application object, which static destructors would make them do.
    static const auto* const cursors = [] {
        auto* all = new std::array<QCursor, 10>;
        for (int i = 0; i < 10; ++i)
            (*all)[static_cast<std::size_t>(i)] = Make(static_cast<ToolCursor>(i + 1));
        return all;
    }();
    const int index = static_cast<int>(which) - 1;
    return (*cursors)[static_cast<std::size_t>(index >= 0 && index < 10 ? index : 0)];
}

} // namespace vantorel
