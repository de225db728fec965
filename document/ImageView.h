// One of an image window's two views: a picture drawn at the window's zoom inside its scroll box.
#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

namespace vantorel {

// Draws only the exposed part of the picture, scaled from the matching part of the source rows,
// so that a repaint costs what the screen shows, not what the picture holds.
class ImageView : public QWidget {
public:
    explicit ImageView(QWidget* parent = nullptr);

    // A shallow copy of the picture (shared pixels); a null picture shows nothing.
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return m_picture; }
    // Sizes the view to the picture at `zoom` percent (or to `size` when it is given, which may be
    // 0 x 0 to hide a result that does not exist yet).
    void SetViewSize(QSize size);

    // Drawn after the picture (selection outlines, the crop frame); the painter is clipped to the
    // exposed part.
    std::function<void(QPainter& painter)> PaintExtra;
    std::function<void(QMouseEvent* event)> OnMousePress;
    std::function<void(QMouseEvent* event)> OnMouseMove;
    std::function<void(QMouseEvent* event)> OnMouseRelease;
    std::function<void(QMouseEvent* event)> OnDoubleClick;
    // Called after every paint that drew a picture.
    std::function<void()> OnPainted;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage m_picture;
};

} // namespace vantorel
