// Conversion of other pixel formats to 24-bit blue-green-red bitmaps.
#include "Bitmap24.h"

#include "LargeBuffer.h"

#include <QPainter>

#include <climits>

namespace vantorel {

namespace {

// Pictures of a few megabytes and more live in pooled memory on huge pages.
constexpr std::size_t kPooledBytes = 2u << 20;

void ReleasePixels(void* block) {
    FreeLarge(block);
}

} // namespace

QImage MakeBitmap24(int width, int height) {
    if (width <= 0 || height <= 0)
        return {};
    const qsizetype stride = (static_cast<qsizetype>(width) * 3 + 3) & ~qsizetype(3);
    const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    if (bytes < kPooledBytes || stride > INT_MAX)
        return QImage(width, height, QImage::Format_BGR888);
    void* memory = AllocateLarge(bytes);
    if (!memory)
        return {};
    QImage image(static_cast<uchar*>(memory), width, height, stride, QImage::Format_BGR888, ReleasePixels, memory);
    if (image.isNull())
        FreeLarge(memory);
    return image;
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
