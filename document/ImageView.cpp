#include "ImageView.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace vantorel {

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void ImageView::SetPicture(const QImage& picture) {
    m_picture = picture;
    update();
}

void ImageView::SetViewSize(QSize size) {
    if (size != this->size())
        setFixedSize(size);
    update();
}

void ImageView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect exposed = event->rect();
    if (m_picture.isNull() || width() == 0 || height() == 0) {
        painter.fillRect(exposed, palette().window());
        return;
    }
    // The source rectangle of the exposed part, in picture pixels.
    const double sx = double(m_picture.width()) / width();
    const double sy = double(m_picture.height()) / height();
    const QRectF source(exposed.x() * sx, exposed.y() * sy, exposed.width() * sx, exposed.height() * sy);
    painter.drawImage(QRectF(exposed), m_picture, source);
    if (PaintExtra) {
        painter.setClipRect(exposed);
        PaintExtra(painter);
    }
    if (OnPainted)
        OnPainted();
}

void ImageView::mousePressEvent(QMouseEvent* event) {
    if (OnMousePress)
        OnMousePress(event);
}

void ImageView::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove)
        OnMouseMove(event);
}

void ImageView::mouseReleaseEvent(QMouseEvent* event) {
    if (OnMouseRelease)
        OnMouseRelease(event);
}

void ImageView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (OnDoubleClick)
        OnDoubleClick(event);
}

} // namespace vantorel
