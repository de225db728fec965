// Rotation, mirroring and darkening of 24-bit bitmaps.
#include "RotateBitmap.h"

#include "Bitmap24.h"

#include <algorithm>
#include <cstring>

namespace vantorel {

namespace {

// Quarter turns go tile by tile so that both the reads and the writes stay within a few cache lines.
constexpr int kTile = 32;

} // namespace

QImage RotateBitmap(const TPixelView& source, int code) {
    if (code < 1 || code > 4 || source.IsEmpty() || source.PixelFormat != PixelFormatKind::k24Bit)
        return {};
    const int w = source.Width, h = source.Height;
    const bool swaps = code == 1 || code == 2;
    QImage result = MakeBitmap24(swaps ? h : w, swaps ? w : h);
    if (result.isNull())
        return {};
    const TPixelView out = TPixelView::Of(result);
    if (!swaps) {
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* s = source.Row(y);
            std::uint8_t* d = out.Row(code == 3 ? h - 1 - y : y) + static_cast<std::ptrdiff_t>(w - 1) * 3;
            for (int x = 0; x < w; ++x, s += 3, d -= 3) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
        }
        return result;
    }
    for (int y0 = 0; y0 < h; y0 += kTile) {
        const int y1 = std::min(h, y0 + kTile);
        for (int x0 = 0; x0 < w; x0 += kTile) {
            const int x1 = std::min(w, x0 + kTile);
            for (int y = y0; y < y1; ++y) {
                const std::uint8_t* s = source.Row(y) + static_cast<std::ptrdiff_t>(x0) * 3;
                // Clockwise: (x, y) goes to (h - 1 - y, x); counter-clockwise: to (y, w - 1 - x).
                const int column = code == 1 ? h - 1 - y : y;
                for (int x = x0; x < x1; ++x, s += 3) {
                    std::uint8_t* d = out.Row(code == 1 ? x : w - 1 - x) + static_cast<std::ptrdiff_t>(column) * 3;
                    d[0] = s[0];
                    d[1] = s[1];
                    d[2] = s[2];
                }
            }
        }
    }
    return result;
}

void DarkenRect(QImage& bitmap, const QRect& rect) {
    const QRect area = rect.intersected(bitmap.rect());
    if (area.isEmpty() || bitmap.format() != QImage::Format_BGR888)
        return;
    const TPixelView view = TPixelView::Of(bitmap);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        std::uint8_t* p = view.Row(y) + static_cast<std::ptrdiff_t>(area.left()) * 3;
        for (int i = 0; i < area.width() * 3; ++i)
            p[i] = static_cast<std::uint8_t>(p[i] >> 1);
    }
}

} // namespace vantorel
