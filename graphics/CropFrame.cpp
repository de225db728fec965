// The crop rectangle.
#include "CropFrame.h"

#include "Bitmap24.h"
#include "RotateBitmap.h"
#include "Rounding.h"
#include "TPixelView.h"

#include <QRegion>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vantorel {

namespace {

// Single-precision values as the panel's list has always used them: 1.3333333 and 1.7777777 lie one
// step below 4/3 and 16/9, and 0.66666 is not 2/3.
constexpr std::array<float, CropFrame::kAspectChoices> kAspects{
    0.0f, 0.0f, 1.0f, 1.5f, 1.3333333f, 1.7777777f, 1.25f, 1.41f, 0.66666f, 0.75f, 0.5625f, 0.8f, 0.70922f};

void CopyArea(const QImage& from, QImage& to, const QRect& area) {
    const QRect clip = area.intersected(to.rect());
    if (clip.isEmpty())
        return;
    const TPixelView s = TPixelView::OfShared(from);
    const TPixelView d = TPixelView::Of(to);
    for (int y = clip.top(); y <= clip.bottom(); ++y)
        std::memcpy(d.Row(y) + clip.left() * 3, s.Row(y) + clip.left() * 3, static_cast<std::size_t>(clip.width()) * 3);
}

} // namespace

float CropFrame::AspectOfChoice(int choice, int sourceWidth, int sourceHeight) {
    if (choice == 1)
        return sourceHeight > 0 ? static_cast<float>(sourceWidth) / static_cast<float>(sourceHeight) : 0.0f;
    if (choice < 0 || choice >= kAspectChoices)
        return 0.0f;
    return kAspects[static_cast<std::size_t>(choice)];
}

void CropFrame::Start(const QImage& source, int horzDpi, int vertDpi, const CropPreferences& preferences) {
    m_source = ToBitmap24(source);
    m_preview = m_source.copy();
    m_horzDpi = horzDpi > 0 ? horzDpi : 96;
    m_vertDpi = vertDpi > 0 ? vertDpi : 96;
    const int w = m_source.width(), h = m_source.height();
    int width, height;
    if (preferences.CropAspect != 0) {
        width = RoundEven(w * preferences.CropWidth * 0.01);
        height = RoundEven(h * preferences.CropHeight * 0.01);
        // A frame of the picture's own ratio would cover it whole: start a little smaller.
        const float entry = preferences.CropAspect == 1 ? 0.0f : AspectOfChoice(preferences.CropAspect, w, h);
        if (h > 0 && std::fabs(entry - static_cast<double>(w) / h) <= 0.01) {
            width = RoundEven(width * 0.9);
            height = RoundEven(height * 0.9);
        }
    } else {
        width = std::min(preferences.CropWidth, w);
        height = std::min(preferences.CropHeight, h);
        if (width == w && height == h) {
            width /= 2;
            height /= 2;
        }
    }
    width = std::clamp(width, std::min(8, w), w);
    height = std::clamp(height, std::min(8, h), h);
    m_left = (w - width) / 2;
    m_top = (h - height) / 2;
    m_right = m_left + width;
    m_bottom = m_top + height;
    DarkenRect(m_preview, QRect(0, 0, w, m_top));
    DarkenRect(m_preview, QRect(0, m_bottom, w, h - m_bottom));
    DarkenRect(m_preview, QRect(0, m_top, m_left, height));
    DarkenRect(m_preview, QRect(m_right, m_top, w - m_right, height));
    SetAspectChoice(preferences.CropAspect);
}

void CropFrame::SetAspectChoice(int choice) {
    const int w = m_source.width(), h = m_source.height();
    m_choice = std::clamp(choice, 0, kAspectChoices - 1);
    m_aspect = AspectOfChoice(m_choice, w, h);
    m_panel.AspectChoice = m_choice;
    if (m_choice == 0 || m_aspect <= 0) {
        RefreshPanel();
        return;
    }
    const int a = std::max(m_right - m_left, m_bottom - m_top);
    int width, height;
    if (m_aspect > 1) {
        width = std::min(a, w);
        height = RoundEven(width / m_aspect);
    } else {
        height = std::min(a, h);
        width = RoundEven(height * m_aspect);
    }
    if (height > h) {
        height = h;
        width = RoundEven(height * m_aspect);
    }
    if (width > w) {
        width = w;
        height = RoundEven(width / m_aspect);
    }
    Centre((m_left + m_right) / 2, (m_top + m_bottom) / 2, width, height);
}

void CropFrame::SetUnits(int units) {
    m_panel.Units = std::clamp(units, 0, 3);
    RefreshPanel();
}

void CropFrame::RefreshPanel() {
    const auto inUnits = [this](int pixels, int dpi) {
        switch (m_panel.Units) {
        case 1:
            return RoundEven(pixels / static_cast<double>(dpi) * 100);
        case 2:
            return RoundEven(pixels / static_cast<double>(dpi) * 100 * 2.54);
        case 3:
            return RoundEven(pixels / static_cast<double>(dpi) * 100 * 25.4);
        default:
            return pixels;
        }
    };
    m_panel.Width = inUnits(m_right - m_left, m_horzDpi);
    m_panel.Height = inUnits(m_bottom - m_top, m_vertDpi);
}

void CropFrame::SetTypedSize(bool isWidth, double value) {
    const int w = m_source.width(), h = m_source.height();
    const int dpi = isWidth ? m_horzDpi : m_vertDpi;
    double pixels;
    switch (m_panel.Units) {
    case 1:
        pixels = value * dpi;
        break;
    case 2:
        pixels = value * dpi / 2.54;
        break;
    case 3:
        pixels = value * dpi / 25.4;
        break;
    default:
        pixels = value;
        break;
    }
    double width = m_right - m_left, height = m_bottom - m_top;
    if (isWidth) {
        width = RoundEven(std::clamp(pixels, 0.0, 1e7));
        if (m_aspect > 0)
            height = width / m_aspect;
    } else {
        height = RoundEven(std::clamp(pixels, 0.0, 1e7));
        if (m_aspect > 0)
            width = height * m_aspect;
    }
    if (width > w || height > h) {
        const double t = std::min(w / std::max(width, 1.0), h / std::max(height, 1.0));
        width *= t;
        height *= t;
    }
    if (width < 8 || height < 8) {
        if (m_aspect > 0) {
            const double up = std::max(8 / std::max(height, 1e-9), 8 / std::max(width, 1e-9));
            width *= up;
            height *= up;
        } else {
            width = std::max(width, 8.0);
            height = std::max(height, 8.0);
        }
    }
    Centre((m_left + m_right) / 2, (m_top + m_bottom) / 2, std::min(RoundEven(width), w),
           std::min(RoundEven(height), h));
}

void CropFrame::Centre(int centreX, int centreY, int width, int height) {
    const int w = m_source.width(), h = m_source.height();
    width = std::clamp(width, 1, std::max(1, w));
    height = std::clamp(height, 1, std::max(1, h));
    int left = centreX - width / 2;
    int top = centreY - height / 2;
    left = std::clamp(left, 0, w - width);
    top = std::clamp(top, 0, h - height);
    Show(left, top, width, height);
}

// Only the bands that change are redrawn: the part of the old rectangle left behind is darkened,
// the part newly covered is copied from the source.
void CropFrame::Show(int left, int top, int width, int height) {
    const QRegion old(Rect());
    m_left = left;
    m_top = top;
    m_right = left + width;
    m_bottom = top + height;
    const QRegion now(Rect());
    for (const QRect& band : old.subtracted(now))
        DarkenRect(m_preview, band);
    for (const QRect& band : now.subtracted(old))
        CopyArea(m_source, m_preview, band);
    RefreshPanel();
}

CropZoneKind CropFrame::HitTest(QPoint p, int zoomPercent) const {
    const int c = RoundEven(300.0 / std::max(zoomPercent, 1));
    const int x = p.x(), y = p.y();
    if (x >= m_left + c && x < m_right - c && y >= m_top + c && y < m_bottom - c)
        return CropZoneKind::kInside;
    const auto near = [c](int a, int b) { return std::abs(a - b) <= c; };
    if (near(x, m_left) && near(y, m_top))
        return CropZoneKind::kTopLeft;
    if (near(x, m_right) && near(y, m_top))
        return CropZoneKind::kTopRight;
    if (near(x, m_left) && near(y, m_bottom))
        return CropZoneKind::kBottomLeft;
    if (near(x, m_right) && near(y, m_bottom))
        return CropZoneKind::kBottomRight;
    const bool across = x > m_left && x < m_right;
    const bool along = y > m_top && y < m_bottom;
    if (across && near(y, m_top))
        return CropZoneKind::kTop;
    if (across && near(y, m_bottom))
        return CropZoneKind::kBottom;
    if (along && near(x, m_left))
        return CropZoneKind::kLeft;
    if (along && near(x, m_right))
        return CropZoneKind::kRight;
    return CropZoneKind::kOutside;
}

bool CropFrame::Acceptable(int left, int top, int right, int bottom) const {
    return left >= 0 && top >= 0 && right <= m_source.width() && bottom <= m_source.height() && right - left > 7 &&
           bottom - top > 7;
}

void CropFrame::Drag(CropZoneKind zone, int dx, int dy) {
    int l = m_left, t = m_top, r = m_right, b = m_bottom;
    const bool fixed = m_aspect > 0;
    // With an aspect the dimension that does not lead follows the one that does.
    const auto heightOf = [this](int width) { return RoundEven(width / m_aspect); };
    const auto widthOf = [this](int height) { return RoundEven(height * m_aspect); };
    switch (zone) {
    case CropZoneKind::kInside: {
        dx = std::clamp(dx, -l, m_source.width() - r);
        dy = std::clamp(dy, -t, m_source.height() - b);
        l += dx, r += dx, t += dy, b += dy;
        break;
    }
    case CropZoneKind::kTopLeft:
    case CropZoneKind::kTopRight:
    case CropZoneKind::kBottomLeft:
    case CropZoneKind::kBottomRight: {
        const bool leftSide = zone == CropZoneKind::kTopLeft || zone == CropZoneKind::kBottomLeft;
        const bool topSide = zone == CropZoneKind::kTopLeft || zone == CropZoneKind::kTopRight;
        // A corner follows only movements along its diagonal.
        const long product = static_cast<long>(dx) * dy;
        if (leftSide == topSide ? product <= 0 : product >= 0)
            return;
        (leftSide ? l : r) += dx;
        (topSide ? t : b) += dy;
        if (fixed) {
            if (m_aspect <= 1) {
                const int width = widthOf(b - t);
                (leftSide ? l : r) = leftSide ? r - width : l + width;
            } else {
                const int height = heightOf(r - l);
                (topSide ? t : b) = topSide ? b - height : t + height;
            }
        }
        break;
    }
    case CropZoneKind::kTop:
    case CropZoneKind::kBottom: {
        (zone == CropZoneKind::kTop ? t : b) += dy;
        if (fixed) {
            const int width = widthOf(b - t);
            const int change = width - (r - l);
            l -= change / 2;
            r = l + width;
        }
        break;
    }
    case CropZoneKind::kLeft:
    case CropZoneKind::kRight: {
        (zone == CropZoneKind::kLeft ? l : r) += dx;
        if (fixed) {
            const int height = heightOf(r - l);
            const int change = height - (b - t);
            t -= change / 2;
            b = t + height;
        }
        break;
    }
    case CropZoneKind::kOutside:
        return;
    }
    if (!Acceptable(l, t, r, b))
        return;
    Show(l, t, r - l, b - t);
}

void CropFrame::Maximise() {
    if (m_aspect <= 0)
        return;
    const int w = m_source.width(), h = m_source.height();
    const bool fullWidth = m_aspect > 1 || (m_aspect == 1 && !(w > h));
    if (fullWidth)
        Show(0, m_top, w, m_bottom - m_top);
    else
        Show(m_left, 0, m_right - m_left, h);
    SetAspectChoice(m_choice);
}

QImage CropFrame::Apply(CropPreferences& preferences) const {
    preferences.CropAspect = m_choice;
    const int width = m_right - m_left, height = m_bottom - m_top;
    if (m_aspect > 0 && m_source.width() > 0 && m_source.height() > 0) {
        preferences.CropWidth = RoundEven(static_cast<double>(width) / m_source.width() * 100);
        preferences.CropHeight = RoundEven(static_cast<double>(height) / m_source.height() * 100);
    } else {
        preferences.CropWidth = width;
        preferences.CropHeight = height;
    }
    return m_source.copy(Rect());
}

} // namespace vantorel
