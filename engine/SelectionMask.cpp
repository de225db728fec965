// Selection bitmap and block masks of selective compression.
#include "SelectionMask.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>

namespace vantorel {

namespace {

// Zero (selected) bits of each byte value, so that a block costs eight look-ups.
constexpr std::array<std::uint8_t, 256> MakeZeroBits() {
    std::array<std::uint8_t, 256> table{};
    for (int b = 0; b < 256; ++b) {
        int zeros = 0;
        for (int i = 0; i < 8; ++i)
            zeros += (b >> i & 1) == 0;
        table[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(zeros);
    }
    return table;
}
constexpr std::array<std::uint8_t, 256> kZeroBits = MakeZeroBits();

// A unit coordinate in pixels; far-away values are pulled in to a range the rasteriser handles.
double ToPixels(std::int32_t millionths, int size) {
    const double v = std::nearbyint(static_cast<double>(millionths) * size * 0.000001);
    return std::clamp(v, -4.0 * size - 8, 5.0 * size + 8);
}

} // namespace

QImage MakeSelectionBitmap(int imageWidth, int imageHeight) {
    if (imageWidth <= 0 || imageHeight <= 0)
        return {};
    QImage bitmap((imageWidth + 7) / 8 * 8, (imageHeight + 7) / 8 * 8, QImage::Format_Mono);
    if (bitmap.isNull())
        return {};
    bitmap.setColor(0, qRgb(0, 0, 0));
    bitmap.setColor(1, qRgb(255, 255, 255));
    return bitmap;
}

void DrawUnits(const std::vector<SelectionUnit>& units, int imageWidth, int imageHeight, QImage& bitmap) {
    bitmap.fill(1);
    QPainter painter(&bitmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor black(0, 0, 0);
    painter.setBrush(black);
    for (const SelectionUnit& unit : units) {
        if (!unit.Included)
            continue;
        if (unit.Kind == 0 || unit.Kind == 1) {
            const double x0 = ToPixels(unit.BegX, imageWidth), x1 = ToPixels(unit.EndX, imageWidth);
            const double y0 = ToPixels(unit.BegY, imageHeight), y1 = ToPixels(unit.EndY, imageHeight);
            const QRectF box(std::min(x0, x1), std::min(y0, y1), std::abs(x1 - x0), std::abs(y1 - y0));
            if (box.width() <= 0 || box.height() <= 0)
                continue;
            // A filled shape without a pen covers [left, right) x [top, bottom): the edges exclusive.
            painter.setPen(Qt::NoPen);
            if (unit.Kind == 0)
                painter.drawRect(box);
            else
                painter.drawEllipse(box);
        } else if (unit.Kind == 2 && !unit.Points.empty()) {
            QPolygonF polygon;
            for (const SelectionPoint& p : unit.Points)
                polygon << QPointF(ToPixels(p.X, imageWidth), ToPixels(p.Y, imageHeight));
            painter.setPen(QPen(black, 0)); // the outline through the points, one pixel wide
            painter.drawPolygon(polygon, Qt::OddEvenFill);
        }
    }
}

std::vector<std::vector<std::uint8_t>> BuildBlockMasks(const std::vector<ComponentLayout>& layout,
                                                       const QImage& selection, int threshold) {
    std::vector<std::vector<std::uint8_t>> masks;
    if (layout.empty() || selection.isNull())
        return masks;
    const int t = static_cast<int>(std::nearbyint(threshold * 64 * 0.01));
    std::size_t primary = 0;
    if (layout.size() > 1 && layout[1].WidthInBlocks + layout[1].HeightInBlocks >
                                 layout[0].WidthInBlocks + layout[0].HeightInBlocks)
        primary = 1;
    const ComponentLayout& p = layout[primary];
    if (selection.bytesPerLine() < p.WidthInBlocks || selection.height() / 8 != p.HeightInBlocks)
        return masks;

    std::vector<std::uint8_t> primaryMask(static_cast<std::size_t>(p.WidthInBlocks) * static_cast<std::size_t>(p.HeightInBlocks));
    for (int r = 0; r < p.HeightInBlocks; ++r) {
        const std::uint8_t* rows[8];
        for (int i = 0; i < 8; ++i)
            rows[i] = selection.constScanLine(8 * r + i);
        for (int c = 0; c < p.WidthInBlocks; ++c) {
            int selected = 0;
            for (int i = 0; i < 8; ++i)
                selected += kZeroBits[rows[i][c]];
            primaryMask[static_cast<std::size_t>(r) * static_cast<std::size_t>(p.WidthInBlocks) + static_cast<std::size_t>(c)] =
                selected >= t ? 1 : 0;
        }
    }

    int maxH = 1, maxV = 1;
    for (const ComponentLayout& l : layout) {
        maxH = std::max(maxH, l.HSamp);
        maxV = std::max(maxV, l.VSamp);
    }
    masks.assign(layout.size(), primaryMask);
    if (layout.size() == 1 || (maxH == 1 && maxV == 1))
        return masks; // the others share the primary mask
    const std::size_t secondary = primary == 0 ? 1 : 0;
    const ComponentLayout& s = layout[secondary];
    std::vector<int> sums(static_cast<std::size_t>(s.WidthInBlocks) * static_cast<std::size_t>(s.HeightInBlocks), 0);
    for (int r = 0; r < p.HeightInBlocks; ++r) {
        const int sr = r / maxV;
        if (sr >= s.HeightInBlocks)
            continue;
        for (int c = 0; c < p.WidthInBlocks; ++c) {
            const int sc = c / maxH;
            if (sc < s.WidthInBlocks)
                sums[static_cast<std::size_t>(sr) * static_cast<std::size_t>(s.WidthInBlocks) + static_cast<std::size_t>(sc)] +=
                    primaryMask[static_cast<std::size_t>(r) * static_cast<std::size_t>(p.WidthInBlocks) + static_cast<std::size_t>(c)];
        }
    }
    std::vector<std::uint8_t> secondaryMask(sums.size());
    for (std::size_t i = 0; i < sums.size(); ++i)
        secondaryMask[i] = sums[i] >= maxH * maxV ? 1 : 0;
    masks[secondary] = secondaryMask;
    if (layout.size() > 2)
        masks[2] = secondary == 1 ? secondaryMask : primaryMask;
    return masks;
}

} // namespace vantorel
