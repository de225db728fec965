// Watermarks: their masks and the blending into scanlines.
#include "TOverlay.h"

#include "Bitmap24.h"
#include "EngineError.h"
#include "Rounding.h"
#include "TPixelView.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Text is measured and drawn at 96 dots per inch, so that a size in points maps to pixels as the
// watermark panel's sizes were chosen for (96 points are 128 pixels).
constexpr int kDotsPerMeter96 = 3780;
// Glyphs far larger than any picture only cost memory in the rasteriser.
constexpr int kMaxFontPoints = 3000;

int Position(int freeSpace, int percent) {
    // The product is an integer; the percentage then rounds half to even.
    return vantorel::RoundEven(static_cast<double>(static_cast<long long>(freeSpace) * percent) * 0.01);
}

std::uint8_t Blend(std::uint8_t s, std::uint8_t c, float o) {
    return static_cast<std::uint8_t>(std::lrint(static_cast<float>(s) + o * static_cast<float>(c - s)));
}

float Opacity(const vantorel::OverlayEntry& e) {
    return static_cast<float>(std::min(std::abs(static_cast<long long>(e.OverlayOpacity)), 100LL)) * 0.01f;
}

} // namespace

TOverlay::TOverlay(int imageWidth, int imageHeight) : m_imageWidth(imageWidth), m_imageHeight(imageHeight) {
    Entry.OverlayType = 0;
    Entry.OverlayHPos = 50;
    Entry.OverlayVPos = 50;
    Entry.OverlayOpacity = 100;
    Entry.OverlayText = "Sample";
    Entry.OverlayFontName = "Verdana";
    Entry.OverlayFontSize = 96;
    Entry.OverlayFontColor = 0xFFFFFF;
    Entry.OverlayFontStyle = 1; // bold
    Entry.OverlayTextAlignment = 1;
    Entry.OverlayTranspColor = 0xFFFFFF;
    Entry.OverlayToleranceLevel = 25;
}

void TOverlay::SetPreloadedPicture(const QImage& picture, const vantorel::ImageFileInfo& info) {
    m_preloaded = picture;
    m_preloadedInfo = info;
}

bool TOverlay::Blends(int x, int y) const {
    const int bx = x - m_maskLeft, by = y - m_maskTop;
    if (bx < 0 || by < 0 || bx >= m_maskWidth || by >= m_maskHeight)
        return false;
    return m_blend[static_cast<std::size_t>(by) * static_cast<std::size_t>(m_maskWidth) +
                   static_cast<std::size_t>(bx)] != 0;
}

void TOverlay::PrepareText() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        throw vantorel::EngineError("A text watermark needs fonts, and this program was started without them");
    QFont font(QString::fromStdString(Entry.OverlayFontName));
    font.setPointSize(std::clamp(Entry.OverlayFontSize, 1, kMaxFontPoints));
    font.setBold(Entry.OverlayFontStyle & 1);
    font.setItalic(Entry.OverlayFontStyle & 2);
    font.setUnderline(Entry.OverlayFontStyle & 4);
    font.setStrikeOut(Entry.OverlayFontStyle & 8);
    // The mask is binary: any pixel the rasteriser marks is blended fully.
    font.setStyleStrategy(QFont::NoAntialias);

    QImage probe(1, 1, QImage::Format_RGB32);
    probe.setDotsPerMeterX(kDotsPerMeter96);
    probe.setDotsPerMeterY(kDotsPerMeter96);
    const QFontMetrics metrics(font, &probe);
    const QStringList lines = QString::fromStdString(Entry.OverlayText).split(QStringLiteral("\r\n"));
    std::vector<int> widths;
    int blockWidth = 0;
    for (const QString& line : lines) {
        widths.push_back(metrics.horizontalAdvance(line));
        blockWidth = std::max(blockWidth, widths.back());
    }
    const int lineHeight = metrics.height();
    const int blockHeight =
        static_cast<int>(std::min<long long>(static_cast<long long>(lines.size()) * lineHeight, 1 << 30));
    m_contentWidth = blockWidth;
    m_contentHeight = blockHeight;
    m_left = Position(m_imageWidth - blockWidth, Entry.OverlayHPos);
    m_top = Position(m_imageHeight - blockHeight, Entry.OverlayVPos);

    // Only the rows of the block inside the image are drawn, and the columns of the block with a
    // margin of one line height for overhanging glyphs.
    const int bandTop = std::max(0, m_top);
    const int bandBottom =
        static_cast<int>(std::min<long long>(m_imageHeight, static_cast<long long>(m_top) + blockHeight));
    const int bandLeft = static_cast<int>(std::max<long long>(0, static_cast<long long>(m_left) - lineHeight));
    const int bandRight =
        static_cast<int>(std::min<long long>(m_imageWidth, static_cast<long long>(m_left) + blockWidth + lineHeight));
    if (bandBottom <= bandTop || bandRight <= bandLeft)
        return;
    QImage band(bandRight - bandLeft, bandBottom - bandTop, QImage::Format_RGB32);
    if (band.isNull())
        throw vantorel::EngineError("Not enough memory for the watermark's mask");
    band.setDotsPerMeterX(kDotsPerMeter96);
    band.setDotsPerMeterY(kDotsPerMeter96);
    band.fill(Qt::white);
    {
        QPainter painter(&band);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.translate(-bandLeft, -bandTop);
        const int ascent = metrics.ascent();
        for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
            const long long y = static_cast<long long>(m_top) + static_cast<long long>(i) * lineHeight;
            if (y + lineHeight <= bandTop || y >= bandBottom)
                continue;
            const int w = widths[static_cast<std::size_t>(i)];
            int x = m_left;
            if (lines.size() > 1) {
                if (Entry.OverlayTextAlignment == 1)
                    x = m_left + blockWidth - w;
                else if (Entry.OverlayTextAlignment == 2)
                    x = m_left + (blockWidth - w) / 2;
            }
            painter.drawText(QPoint(x, static_cast<int>(y) + ascent), lines[i]);
        }
    }
    m_maskLeft = bandLeft;
    m_maskTop = bandTop;
    m_maskWidth = band.width();
    m_maskHeight = band.height();
    m_blend.assign(static_cast<std::size_t>(m_maskWidth) * static_cast<std::size_t>(m_maskHeight), 0);
    for (int y = 0; y < m_maskHeight; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(band.constScanLine(y));
        std::uint8_t* out = m_blend.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_maskWidth);
        for (int x = 0; x < m_maskWidth; ++x)
            out[x] = qGray(row[x]) < 128 ? 1 : 0;
    }
}

void TOverlay::PreparePicture() {
    m_contentWidth = m_picture.width();
    m_contentHeight = m_picture.height();
    m_left = Position(m_imageWidth - m_contentWidth, Entry.OverlayHPos);
    m_top = Position(m_imageHeight - m_contentHeight, Entry.OverlayVPos);
    if (!vantorel::HasPixels(m_picture))
        return;
    const int bandLeft = std::max(0, m_left), bandTop = std::max(0, m_top);
    const int bandRight =
        static_cast<int>(std::min<long long>(m_imageWidth, static_cast<long long>(m_left) + m_contentWidth));
    const int bandBottom =
        static_cast<int>(std::min<long long>(m_imageHeight, static_cast<long long>(m_top) + m_contentHeight));
    if (Entry.OverlayUseTranspColor) {
        const std::size_t pixels = static_cast<std::size_t>(m_contentWidth) * static_cast<std::size_t>(m_contentHeight);
        // Rebuilt on every change of content: the colour and tolerance are content.
        if (!m_hasTransparencyMask || m_transparent.size() != pixels || (Flags & (kContentChanged | kReloadPicture))) {
            BuildTransparencyMask(m_picture, m_transparent, Entry.OverlayTranspColor, Entry.OverlayToleranceLevel);
            m_hasTransparencyMask = true;
        }
    } else {
        m_transparent.clear();
        m_hasTransparencyMask = false;
    }
    if (bandBottom <= bandTop || bandRight <= bandLeft)
        return;
    m_maskLeft = bandLeft;
    m_maskTop = bandTop;
    m_maskWidth = bandRight - bandLeft;
    m_maskHeight = bandBottom - bandTop;
    m_blend.assign(static_cast<std::size_t>(m_maskWidth) * static_cast<std::size_t>(m_maskHeight), 1);
    if (!m_hasTransparencyMask)
        return;
    for (int y = 0; y < m_maskHeight; ++y) {
        const std::uint8_t* t =
            m_transparent.data() +
            static_cast<std::size_t>(y + bandTop - m_top) * static_cast<std::size_t>(m_contentWidth) +
            static_cast<std::size_t>(bandLeft - m_left);
        std::uint8_t* out = m_blend.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_maskWidth);
        for (int x = 0; x < m_maskWidth; ++x)
            out[x] = t[x] ? 0 : 1;
    }
}

void PrepareOverlay(TOverlay& overlay, int imageWidth, int imageHeight) {
    // A new image size also needs a new mask, whatever the flags say.
    if (overlay.Flags == 0 && imageWidth == overlay.m_imageWidth && imageHeight == overlay.m_imageHeight)
        return;
    overlay.m_imageWidth = std::max(0, imageWidth);
    overlay.m_imageHeight = std::max(0, imageHeight);
    vantorel::OverlayEntry& e = overlay.Entry;
    if ((overlay.Flags & TOverlay::kReloadPicture) && !e.OverlayImageFileName.empty()) {
        const QString name = QString::fromStdString(e.OverlayImageFileName);
        try {
            vantorel::ImageFileInfo info;
            QImage picture;
            if (overlay.m_preloaded) {
                picture = vantorel::ToBitmap24(*overlay.m_preloaded);
                info = overlay.m_preloadedInfo;
                overlay.m_preloaded.reset();
            } else {
                picture = vantorel::LoadPictureWithInfo(name, false, info);
            }
            if (!vantorel::HasPixels(picture))
                throw vantorel::EngineError("Cannot read " + e.OverlayImageFileName + ": the picture has no pixels");
            overlay.m_picture = vantorel::ToBitmap24(picture);
            e.OverlayImageInfo = vantorel::OverlayImageInfoText(name, info);
            overlay.Flags = TOverlay::kContentChanged;
        } catch (const std::exception& error) {
            overlay.Flags = TOverlay::kContentChanged | TOverlay::kReloadPicture;
            e.OverlayImageInfo.clear();
            overlay.m_picture = QImage();
            std::string message = error.what();
            if (message.find(e.OverlayImageFileName) == std::string::npos)
                message = "Cannot read the watermark picture " + e.OverlayImageFileName + ": " + message;
            throw vantorel::EngineError(message);
        }
    }
    overlay.m_blend.clear();
    overlay.m_maskLeft = overlay.m_maskTop = overlay.m_maskWidth = overlay.m_maskHeight = 0;
    if (e.OverlayType == 0)
        overlay.PrepareText();
    else
        overlay.PreparePicture();
    overlay.Flags = 0;
}

bool CompositeOverlay(const TOverlay& overlay, std::uint8_t* destination, const std::uint8_t* source, int y, int n) {
    const vantorel::OverlayEntry& e = overlay.Entry;
    const long long left = overlay.m_left, top = overlay.m_top;
    const bool picture = e.OverlayType != 0;
    if (picture && !vantorel::HasPixels(overlay.m_picture))
        return false;
    if (y < top || y >= top + overlay.m_contentHeight || left + overlay.m_contentWidth <= 0 || left >= n)
        return false;
    if (destination != source)
        std::memcpy(destination, source, static_cast<std::size_t>(n) * 3);
    const int by = y - overlay.m_maskTop;
    if (by < 0 || by >= overlay.m_maskHeight)
        return true;
    const float o = Opacity(e);
    const std::uint8_t* mask =
        overlay.m_blend.data() + static_cast<std::size_t>(by) * static_cast<std::size_t>(overlay.m_maskWidth);
    const int x0 = overlay.m_maskLeft, x1 = std::min(n, overlay.m_maskLeft + overlay.m_maskWidth);
    if (!picture) {
        const auto r = static_cast<std::uint8_t>(e.OverlayFontColor & 0xFF);
        const auto g = static_cast<std::uint8_t>((e.OverlayFontColor >> 8) & 0xFF);
        const auto b = static_cast<std::uint8_t>((e.OverlayFontColor >> 16) & 0xFF);
        for (int x = x0; x < x1; ++x) {
            if (!mask[x - x0])
                continue;
            std::uint8_t* d = destination + static_cast<std::ptrdiff_t>(x) * 3;
            d[0] = Blend(d[0], b, o);
            d[1] = Blend(d[1], g, o);
            d[2] = Blend(d[2], r, o);
        }
        return true;
    }
    const std::uint8_t* p = overlay.m_picture.constScanLine(static_cast<int>(y - top));
    for (int x = x0; x < x1; ++x) {
        if (!mask[x - x0])
            continue;
        std::uint8_t* d = destination + static_cast<std::ptrdiff_t>(x) * 3;
        const std::uint8_t* c = p + (x - left) * 3;
        d[0] = Blend(d[0], c[0], o);
        d[1] = Blend(d[1], c[1], o);
        d[2] = Blend(d[2], c[2], o);
    }
    return true;
}

void BuildTransparencyMask(const QImage& picture, std::vector<std::uint8_t>& mask, std::int32_t colour,
                           std::int32_t tolerance) {
    const TPixelView view = TPixelView::OfShared(picture);
    mask.assign(static_cast<std::size_t>(std::max(0, view.Width)) * static_cast<std::size_t>(std::max(0, view.Height)),
                0);
    if (view.IsEmpty())
        return;
    // Squared distances per channel, capped so that three of them fit the tolerance scale (each term
    // is 0..85).
    std::array<std::array<int, 256>, 3> distance{};
    for (int c = 0; c < 3; ++c) {
        const int reference = (colour >> (8 * (2 - c))) & 0xFF; // blue, green, red in pixel order
        for (int v = 0; v < 256; ++v)
            distance[static_cast<std::size_t>(c)][static_cast<std::size_t>(v)] =
                (std::min((reference - v) * (reference - v), 8192) + 15) / 96;
    }
    std::uint8_t* out = mask.data();
    for (int y = 0; y < view.Height; ++y) {
        const std::uint8_t* p = view.Row(y);
        for (int x = 0; x < view.Width; ++x, p += 3)
            *out++ = distance[0][p[0]] + distance[1][p[1]] + distance[2][p[2]] < tolerance ? 1 : 0;
    }
}

namespace vantorel {

std::string OverlayImageInfoText(const QString& fileName, const ImageFileInfo& info) {
    // "File Name: <name> " CR LF "Type: <format>" CR LF "Dimensions: <w> x <h>"
    const QString text = QStringLiteral("File Name: ") + QFileInfo(fileName).fileName() +
                         QStringLiteral(" \r\nType: ") + info.FormatName + QStringLiteral("\r\nDimensions: ") +
                         QString::number(info.Width) + QStringLiteral(" x ") + QString::number(info.Height);
    return text.toStdString();
}

} // namespace vantorel
