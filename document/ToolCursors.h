// The image views' tool cursors, drawn once on first use (needs a GUI application).
#pragma once

#include <QCursor>

namespace vantorel {

enum class ToolCursor {
    kHand = 1,       // move tool
    kHandPressed,    // move tool while dragging
    kSelRect,        // selection tool by shape
    kSelEllipse,
    kSelPolygon,
    kZoom,           // zoom tool
    kZoomPressed,    // zoom tool while zooming continuously
    kRedEye,         // red-eye tool
    kRedEyePressed,
    kRedEyeLens,     // the red-eye size preview box
};

const QCursor& CursorOf(ToolCursor which);

} // namespace vantorel
