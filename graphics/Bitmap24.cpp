// Conversion of other pixel formats to 24-bit blue-green-red bitmaps.
#include "Bitmap24.h"

#include <QPainter>

namespace vantorel {

QImage MakeBitmap24(int width, int height) {
    if (width <= 0 || height <= 0)
        return {};
    return QImage(width, height, QImage::Format_BGR888);
}

QImage ToBitmap24(const QImage& image) {
    if (image.isNull())
        return {};
    if (image.format() == QImage::Format_BGR888)
        return image;
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_BGR888);
    // Composing over white keeps a transparent logo readable instead of black.
    QImage flat(image.size(), QImage::Format_RGB32);
    if (flat.isNull())
        return {};
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
    }
    return flat.convertToFormat(QImage::Format_BGR888);
}

} // namespace vantorel
