// Rotation by quarter turns, mirroring, and the darkened crop preview.
#pragma once

#include "TPixelView.h"

#include <QImage>
#include <QRect>

namespace vantorel {

// A new 24-bit bitmap: code 1 turned 90° clockwise, 2 counter-clockwise, 3 by 180° (codes 1 and 2
// swap width and height), 4 mirrored left to right. Any other code, an empty or non-24-bit source,
// or too little memory gives a null image. Runs on any thread.
QImage RotateBitmap(const TPixelView& source, int code);

// Halves every channel inside the rectangle (left, top, right and bottom exclusive as QRect's
// x, y, x + width, y + height), clipped to the bitmap. The bitmap must be 24-bit.
void DarkenRect(QImage& bitmap, const QRect& rect);

} // namespace vantorel
