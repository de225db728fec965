// Views over Qt images.
#include "TPixelView.h"

#include <QImage>

TPixelView TPixelView::Of(QImage& image) {
    TPixelView view = OfShared(image);
    if (!view.IsEmpty())
        view.Bits = image.bits();
    return view;
}

TPixelView TPixelView::OfShared(const QImage& image) {
    TPixelView view;
    if (image.isNull() || image.format() != QImage::Format_BGR888)
        return view;
    view.Width = image.width();
    view.Height = image.height();
    // Reading through the view never changes the image, so it may share the caller's pixels.
    view.Bits = const_cast<std::uint8_t*>(image.constBits());
    view.Stride = static_cast<std::int32_t>(image.bytesPerLine());
    view.PixelFormat = vantorel::PixelFormatKind::k24Bit;
    return view;
}
