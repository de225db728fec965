// A description of a 24-bit blue-green-red pixel buffer that every pixel routine reads.
#pragma once

#include <cstdint>

class QImage;

namespace vantorel {

// Pixel format codes carried by a view; only k24Bit buffers are read by the pixel routines.
enum class PixelFormatKind : std::uint8_t { kUnknown = 0, k1Bit = 1, k8Bit = 3, k24Bit = 6 };

} // namespace vantorel

// A non-owning view: the buffer belongs to the bitmap it was taken from and must outlive the view.
// Stride is the signed byte distance from row 0 (the top row) to row 1.
struct TPixelView {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint8_t* Bits = nullptr;
    std::int32_t Stride = 0;
    vantorel::PixelFormatKind PixelFormat = vantorel::PixelFormatKind::kUnknown;

    bool IsEmpty() const { return Width <= 0 || Height <= 0 || Bits == nullptr; }
    std::uint8_t* Row(int y) const { return Bits + static_cast<std::intptr_t>(y) * Stride; }

    // A view over a QImage of Format_BGR888 (any other format gives an empty view). Of detaches the
    // image so that the view may be written; OfShared does not copy and is for reading only.
    static TPixelView Of(QImage& image);
    static TPixelView OfShared(const QImage& image);
};
