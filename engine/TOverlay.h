// A text or picture watermark held by an engine.
#pragma once

#include "OverlayEntry.h"

// Owned by its engine and used on the thread that owns the engine. The flags tell the overlay stage
// what to redo before the next encode: rebuild the mask for the current image size, reload the
// picture file.
class TOverlay {
public:
    TOverlay(int imageWidth, int imageHeight) : m_imageWidth(imageWidth), m_imageHeight(imageHeight) {}

    vantorel::OverlayEntry Entry;
    bool NeedsRebuild = true;
    bool NeedsReload = false;

    int ImageWidth() const { return m_imageWidth; }
    int ImageHeight() const { return m_imageHeight; }
    void SetImageSize(int width, int height) {
        if (width != m_imageWidth || height != m_imageHeight)
            NeedsRebuild = true;
        m_imageWidth = width;
        m_imageHeight = height;
    }

private:
    int m_imageWidth;
    int m_imageHeight;
};
