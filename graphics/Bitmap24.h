// 24-bit blue-green-red bitmaps: the one pixel layout the engine and the pixel routines work on.
#pragma once

#include <QImage>

namespace vantorel {

// True when the image has at least one pixel.
inline bool HasPixels(const QImage& image) { return !image.isNull() && image.width() > 0 && image.height() > 0; }

// A blank 24-bit bitmap of the given size (rows are 4-byte aligned, top-down). Null when the size is
// not positive or memory is short.
QImage MakeBitmap24(int width, int height);

// The image as a 24-bit bitmap. An image already in that format is returned as a shallow copy;
// any other format (palette, 1-bit, 32-bit with alpha, grayscale, 16-bit) is converted, with alpha
// composed over white so that transparent areas do not turn black. A null image gives a null image.
QImage ToBitmap24(const QImage& image);

} // namespace vantorel
