// Views over Qt images.
#include "TPixelView.h"

#include <QImage>

TPixelView TPixelView::Of(QImage& image) {
    TPixelView view;
    if (image.isNull() || image.format() != QImage::Format_BGR888)
        return view;
    view.Width = image.width();
    view.Height = image.height();
    view.Bits = image.bits();
    view.Stride = static_cast<std::int32_t>(image.bytesPerLine());
    view.PixelFormat = vantorel::PixelFormatKind::k24Bit;
    return view;
}
