// Red-eye removal.
#include "RedEyeTool.h"

#include "Bitmap24.h"
#include "Rounding.h"
#include "TPixelView.h"

#include <algorithm>
#include <cstring>

namespace vantorel {

std::array<std::uint8_t, 3> RedEyePixel(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    const int y = RoundEven(0.299 * r + 0.587 * g + 0.114 * b);
    const std::array<std::uint8_t, 3> same{r, g, b};
    if (y < 20 && y >= RoundEven(0.68 * r))
        return same;
    if (y <= RoundEven(0.67 * r)) {
        const auto v = static_cast<std::uint8_t>(RoundEven(0.49 * y));
        return {v, v, v};
    }
    if (y <= RoundEven(0.76 * r)) {
        const auto v = static_cast<std::uint8_t>(y);
        return {v, v, v};
    }
    if (y <= RoundEven(0.86 * r))
        return {static_cast<std::uint8_t>(RoundEven(0.9 * r)), g, b};
    return same;
}

void RedEyeTool::Start(const QImage& source, int lensWidth, int lensHeight) {
    m_source = ToBitmap24(source);
    m_result = m_source.copy();
    m_eyes.clear();
    m_lensWidth = std::max(1, lensWidth);
    m_lensHeight = std::max(1, lensHeight);
    SetLensCentre(QPoint(m_source.width() / 2, m_source.height() / 2));
}

void RedEyeTool::SetLensCentre(QPoint point) {
    const auto limit = [](int v, int lens, int size) {
        if (size < lens)
            return lens / 2;
        return std::clamp(v, lens / 2, size - lens + lens / 2);
    };
    m_lensCentre =
        QPoint(limit(point.x(), m_lensWidth, m_result.width()), limit(point.y(), m_lensHeight, m_result.height()));
}

QRect RedEyeTool::LensRect() const {
    return QRect(m_lensCentre.x() - m_lensWidth / 2, m_lensCentre.y() - m_lensHeight / 2, m_lensWidth, m_lensHeight);
}

QRect RedEyeTool::Square(const MarkedEye& eye) {
    return QRect(eye.X - eye.R, eye.Y - eye.R, 2 * eye.R + 1, 2 * eye.R + 1);
}

QRect RedEyeTool::MarkRect(const MarkedEye& eye) {
    return Square(eye).adjusted(-3, -3, 3, 3);
}

// Refills the area from the source and recolours the discs of every eye that reaches into it, so
// that an eye's square never covers a neighbour's correction with uncorrected pixels.
void RedEyeTool::Redraw(const QRect& area) {
    const QRect clip = area.intersected(m_result.rect());
    if (clip.isEmpty())
        return;
    const TPixelView source = TPixelView::OfShared(m_source);
    const TPixelView result = TPixelView::Of(m_result);
    for (int y = clip.top(); y <= clip.bottom(); ++y)
        std::memcpy(result.Row(y) + clip.left() * 3, source.Row(y) + clip.left() * 3,
                    static_cast<std::size_t>(clip.width()) * 3);
    for (const MarkedEye& eye : m_eyes) {
        const QRect part = Square(eye).intersected(clip);
        // The disc: the pixels strictly inside the circle inscribed in the square.
        const int r2 = eye.R * eye.R;
        for (int y = part.top(); y <= part.bottom(); ++y) {
            const std::uint8_t* s = source.Row(y);
            std::uint8_t* d = result.Row(y);
            const int dy = y - eye.Y;
            for (int x = part.left(); x <= part.right(); ++x) {
                const int dx = x - eye.X;
                if (dx * dx + dy * dy >= r2)
                    continue;
                const auto p = RedEyePixel(s[x * 3 + 2], s[x * 3 + 1], s[x * 3]);
                d[x * 3 + 2] = p[0];
                d[x * 3 + 1] = p[1];
                d[x * 3] = p[2];
            }
        }
    }
}

bool RedEyeTool::MarkEye(QPoint lensPosition, int radius) {
    const QPoint p(lensPosition.x() + m_lensCentre.x() - m_lensWidth / 2,
                   lensPosition.y() + m_lensCentre.y() - m_lensHeight / 2);
    if (!m_source.rect().contains(p))
        return false;
    const int r = std::clamp(radius, 1, kMaxRadius);
    int found = -1;
    for (int i = static_cast<int>(m_eyes.size()) - 1; i >= 0; --i) {
        const MarkedEye& e = m_eyes[static_cast<std::size_t>(i)];
        const long dx = e.X - p.x(), dy = e.Y - p.y();
        if (dx * dx + dy * dy <= 4L * r * r) {
            found = i;
            break;
        }
    }
    const MarkedEye eye{p.x(), p.y(), r};
    if (found < 0) {
        m_eyes.push_back(eye);
        Redraw(Square(eye));
        return true;
    }
    // The eye marked again is reused, and moves to the end of the list.
    const QRect old = Square(m_eyes[static_cast<std::size_t>(found)]);
    m_eyes[static_cast<std::size_t>(found)] = eye;
    std::swap(m_eyes[static_cast<std::size_t>(found)], m_eyes.back());
    Redraw(old.united(Square(eye)));
    return true;
}

bool RedEyeTool::SetRadius(int radius) {
    if (m_eyes.empty() || !LensRect().contains(QPoint(m_eyes.back().X, m_eyes.back().Y)))
        return false;
    const QRect old = Square(m_eyes.back());
    m_eyes.back().R = std::clamp(radius, 1, kMaxRadius);
    Redraw(old.united(Square(m_eyes.back())));
    return true;
}

void RedEyeTool::DeleteLastEye() {
    if (m_eyes.empty())
        return;
    const QRect old = Square(m_eyes.back());
    m_eyes.pop_back();
    Redraw(old);
}

void RedEyeTool::DeleteAllEyes() {
    while (!m_eyes.empty())
        DeleteLastEye();
}

QImage RedEyeTool::Apply() {
    m_eyes.clear();
    m_source = m_result;
    return m_result;
}

} // namespace vantorel
