#include "CommandPictures.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace vantorel {

namespace {

// Every picture is drawn on a 16 × 16 grid and scaled for the large buttons.
using Drawing = std::function<void(QPainter&)>;

const QColor kInk(50, 50, 60);
const QColor kPaper(250, 250, 250);
const QColor kAccent(40, 100, 200);
const QColor kWarn(200, 40, 40);

QPen Ink(double width = 1.0) { return QPen(kInk, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin); }

// A window frame with a title bar.
void Window(QPainter& p, const QRectF& r) {
    p.setPen(Ink());
    p.setBrush(kPaper);
    p.drawRect(r);
    p.fillRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 0.5, 2), kAccent);
}

void Magnifier(QPainter& p) {
    p.setPen(Ink(1.2));
    p.setBrush(kPaper);
    p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    p.setPen(Ink(2.2));
    p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
}

// The red cross of the delete commands, at the lower right.
void DeleteMark(QPainter& p) {
    p.setPen(QPen(kWarn, 2));
    p.drawLine(QPointF(8, 8), QPointF(14, 14));
    p.drawLine(QPointF(14, 8), QPointF(8, 14));
}

void Pane(QPainter& p, const QRectF& r, const QColor& fill) {
    p.setPen(Ink());
    p.setBrush(fill);
    p.drawRect(r);
}

const QHash<QString, Drawing>& Drawings() {
    static const QHash<QString, Drawing> drawings = {
        {"SelRectAction",
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1, Qt::DashLine));
             p.drawRect(QRectF(2.5, 3.5, 11, 9));
         }},
        {"SelElliptAction",
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1, Qt::DashLine));
             p.drawEllipse(QRectF(1.5, 3.5, 13, 9));
         }},
        {"SelPolyAction",
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1, Qt::DashLine));
             const QPointF corners[] = {{2.5, 12.5}, {5.5, 2.5}, {13.5, 5.5}, {10.5, 13.5}};
             p.drawPolygon(corners, 4);
         }},
        {"SelHideAction",
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1, Qt::DashLine));
             p.drawRect(QRectF(2.5, 3.5, 11, 9));
             p.setPen(QPen(kWarn, 1.6));
             p.drawLine(QPointF(2, 14), QPointF(14, 2));
         }},
        {"SelDelAction",
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1, Qt::DashLine));
             p.drawRect(QRectF(1.5, 1.5, 9, 7));
             DeleteMark(p);
         }},
        {"SelDelAllAction",
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1, Qt::DashLine));
             p.drawRect(QRectF(0.5, 0.5, 7, 5));
             p.drawEllipse(QRectF(4.5, 3.5, 7, 5));
             DeleteMark(p);
         }},
        {"OptToolMoveAction",
         [](QPainter& p) {
             p.setPen(Ink(1.4));
             p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
             p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
             p.setBrush(kInk);
             const QPointF up[] = {{8, 0.5}, {5.5, 3.5}, {10.5, 3.5}};
             const QPointF down[] = {{8, 15.5}, {5.5, 12.5}, {10.5, 12.5}};
             const QPointF left[] = {{0.5, 8}, {3.5, 5.5}, {3.5, 10.5}};
             const QPointF right[] = {{15.5, 8}, {12.5, 5.5}, {12.5, 10.5}};
             p.drawPolygon(up, 3);
             p.drawPolygon(down, 3);
             p.drawPolygon(left, 3);
             p.drawPolygon(right, 3);
         }},
        {"OptToolSelAction",
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1, Qt::DashLine));
             p.drawRect(QRectF(1.5, 1.5, 9, 8));
             p.setPen(Ink());
             p.setBrush(kPaper);
             const QPointF arrow[] = {{7, 6}, {7, 15}, {9.5, 12.5}, {11.5, 15.5}, {13, 14.5}, {11, 11.5}, {14, 11.5}};
             p.drawPolygon(arrow, 7);
         }},
        {"OptToolZoomAction", [](QPainter& p) { Magnifier(p); }},
        {"ViewZoomInAction",
         [](QPainter& p) {
             Magnifier(p);
             p.setPen(QPen(kAccent, 1.4));
             p.drawLine(QPointF(3.5, 6), QPointF(8.5, 6));
             p.drawLine(QPointF(6, 3.5), QPointF(6, 8.5));
         }},
        {"ViewZoomOutAction",
         [](QPainter& p) {
             Magnifier(p);
             p.setPen(QPen(kAccent, 1.4));
             p.drawLine(QPointF(3.5, 6), QPointF(8.5, 6));
         }},
        {"ViewActSizeAction",
         [](QPainter& p) {
             p.setPen(Ink());
             p.setBrush(kPaper);
             p.drawRect(QRectF(0.5, 2.5, 15, 11));
             QFont font = p.font();
             font.setPixelSize(8);
             font.setBold(true);
             p.setFont(font);
             p.setPen(kAccent);
             p.drawText(QRectF(0, 2, 16, 12), Qt::AlignCenter, "1:1");
         }},
        {"ViewZoomFitAction",
         [](QPainter& p) {
             p.setPen(Ink());
             p.drawRect(QRectF(0.5, 0.5, 15, 15));
             p.setBrush(kAccent);
             p.setPen(Qt::NoPen);
             p.drawRect(QRectF(3, 3, 10, 10));
         }},
        {"ViewCenterAction",
         [](QPainter& p) {
             p.setPen(Ink());
             p.drawRect(QRectF(0.5, 0.5, 15, 15));
             p.setPen(QPen(kAccent, 1.4));
             p.drawLine(QPointF(8, 3), QPointF(8, 13));
             p.drawLine(QPointF(3, 8), QPointF(13, 8));
         }},
        {"ViewArrHorzAction",
         [](QPainter& p) {
             Pane(p, QRectF(0.5, 2.5, 7, 11), kPaper);
             Pane(p, QRectF(8.5, 2.5, 7, 11), QColor(200, 220, 245));
         }},
        {"ViewArrVertAction",
         [](QPainter& p) {
             Pane(p, QRectF(1.5, 0.5, 13, 7), kPaper);
             Pane(p, QRectF(1.5, 8.5, 13, 7), QColor(200, 220, 245));
         }},
        {"ViewArrResAction", [](QPainter& p) { Pane(p, QRectF(1.5, 2.5, 13, 11), QColor(200, 220, 245)); }},
        {"WindowCascadeAction",
         [](QPainter& p) {
             Window(p, QRectF(0.5, 0.5, 9, 8));
             Window(p, QRectF(3.5, 3.5, 9, 8));
             Window(p, QRectF(6.5, 6.5, 9, 8));
         }},
        {"WindowTileHorizontalAction",
         [](QPainter& p) {
             Window(p, QRectF(0.5, 0.5, 15, 7));
             Window(p, QRectF(0.5, 8.5, 15, 7));
         }},
        {"WindowTileVerticalAction",
         [](QPainter& p) {
             Window(p, QRectF(0.5, 0.5, 7, 15));
             Window(p, QRectF(8.5, 0.5, 7, 15));
         }},
        {"WindowMinimizeAllAction",
         [](QPainter& p) {
             Window(p, QRectF(0.5, 0.5, 15, 10));
             p.setPen(Ink(2));
             p.drawLine(QPointF(2, 14), QPointF(7, 14));
             p.drawLine(QPointF(9, 14), QPointF(14, 14));
         }},
        {"WindowFitAction",
         [](QPainter& p) {
             Window(p, QRectF(0.5, 0.5, 15, 15));
             p.setBrush(QColor(200, 220, 245));
             p.setPen(Ink());
             p.drawRect(QRectF(3.5, 5.5, 9, 7));
         }},
        {"WindowDuplAction",
         [](QPainter& p) {
             Window(p, QRectF(0.5, 0.5, 10, 9));
             Window(p, QRectF(5.5, 6.5, 10, 9));
         }},
        {"EditCopyAction",
         [](QPainter& p) {
             Pane(p, QRectF(1.5, 1.5, 8, 10), kPaper);
             Pane(p, QRectF(6.5, 4.5, 8, 10), kPaper);
         }},
        {"EditPasteAction",
         [](QPainter& p) {
             Pane(p, QRectF(2.5, 2.5, 11, 12), QColor(215, 190, 140));
             Pane(p, QRectF(5.5, 1.5, 5, 3), kInk);
             Pane(p, QRectF(6.5, 6.5, 8, 8), QColor(200, 220, 245));
         }},
        {"FileSaveAsAction",
         [](QPainter& p) {
             Pane(p, QRectF(0.5, 0.5, 12, 12), kAccent);
             Pane(p, QRectF(3.5, 0.5, 6, 4), kPaper);
             p.setPen(QPen(kInk, 1.6));
             p.drawLine(QPointF(8, 15), QPointF(15, 8));
         }},
    };
    return drawings;
}

QPixmap Render(const Drawing& drawing, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    drawing(painter);
    return pixmap;
}

} // namespace

QIcon CommandPicture(const QString& actionName) {
    const auto it = Drawings().constFind(actionName);
    if (it == Drawings().constEnd())
        return {};
    QIcon icon;
    icon.addPixmap(Render(*it, 16));
    icon.addPixmap(Render(*it, 32));
    return icon;
}

} // namespace vantorel
