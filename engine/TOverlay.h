// A text or picture watermark held by an engine, its mask for one image size, and the blending of
// it into scanlines.
#pragma once

#include "OverlayEntry.h"
#include "PictureLoader.h"

#include <QImage>

#include <cstdint>
#include <optional>
#include <vector>

// Owned by its engine. Its properties are changed on the main thread while no encode of the engine
// runs; PrepareOverlay runs on the compression worker before an encode, and CompositeOverlay on the
// encoder's threads at once (it only reads the overlay).
class TOverlay {
public:
    // Flags bits: what PrepareOverlay must redo before the next encode.
    static constexpr std::uint8_t kContentChanged = 1;  // text, font, colour, type, alignment, transparency
    static constexpr std::uint8_t kPositionChanged = 2; // horizontal or vertical position
    static constexpr std::uint8_t kReloadPicture = 4;   // a new picture file

    // A white bold "Sample" in the centre of an image of the given size, fully opaque.
    TOverlay(int imageWidth, int imageHeight);

    vantorel::OverlayEntry Entry;
    std::uint8_t Flags = kContentChanged;

    // A picture the caller has already read (the open-picture dialog), used instead of reading the
    // file on the next load; it is taken over by the next PrepareOverlay that loads.
    void SetPreloadedPicture(const QImage& picture, const vantorel::ImageFileInfo& info);

    int ImageWidth() const { return m_imageWidth; }
    int ImageHeight() const { return m_imageHeight; }
    // The content's place in the image (may lie partly or wholly outside it).
    int Left() const { return m_left; }
    int Top() const { return m_top; }
    int ContentWidth() const { return m_contentWidth; }
    int ContentHeight() const { return m_contentHeight; }
    const QImage& Picture() const { return m_picture; }
    // Whether image pixel (x, y) is blended (the mask's bit 0); false outside the image.
    bool Blends(int x, int y) const;

private:
    friend void PrepareOverlay(TOverlay& overlay, int imageWidth, int imageHeight);
    friend bool CompositeOverlay(const TOverlay& overlay, std::uint8_t* destination, const std::uint8_t* source, int y,
                                 int n);
    void PrepareText();
    void PreparePicture();

    int m_imageWidth;
    int m_imageHeight;
    int m_left = 0;
    int m_top = 0;
    int m_contentWidth = 0;
    int m_contentHeight = 0;
    // The mask inside the image: one byte per pixel of the band m_maskLeft.., m_maskTop.., 1 where the
    // overlay is blended. Pixels outside the band are kept.
    std::vector<std::uint8_t> m_blend;
    int m_maskLeft = 0;
    int m_maskTop = 0;
    int m_maskWidth = 0;
    int m_maskHeight = 0;
    // Picture overlays with a transparent colour: 1 per transparent picture pixel.
    std::vector<std::uint8_t> m_transparent;
    bool m_hasTransparencyMask = false;
    QImage m_picture;
    std::optional<QImage> m_preloaded;
    vantorel::ImageFileInfo m_preloadedInfo;
};

// Brings the overlay's mask up to date for an image of the given size: nothing when no flag is set
// and the size is the same; (re)loads a picture when asked; measures and draws text (which needs a
// QGuiApplication, offscreen in headless runs). A picture that cannot be loaded leaves flags 5 and
// an empty OverlayImageInfo and throws EngineError naming the file. Text without a QGuiApplication
// throws EngineError.
void PrepareOverlay(TOverlay& overlay, int imageWidth, int imageHeight);

// Blends the prepared overlay into scanline y of n 24-bit blue-green-red pixels. The destination may
// be the source row itself. Returns false, leaving the destination untouched, when the overlay does
// not touch the row.
bool CompositeOverlay(const TOverlay& overlay, std::uint8_t* destination, const std::uint8_t* source, int y, int n);

// Marks the picture's pixels within `tolerance` (0..100) of the colour 0x00BBGGRR as transparent
// (mask 1), one byte per pixel row by row. Tolerance 0 makes none transparent.
void BuildTransparencyMask(const QImage& picture, std::vector<std::uint8_t>& mask, std::int32_t colour,
                           std::int32_t tolerance);

namespace vantorel {
// The description of a loaded picture shown in the watermark panel's hint.
std::string OverlayImageInfoText(const QString& fileName, const ImageFileInfo& info);
} // namespace vantorel
