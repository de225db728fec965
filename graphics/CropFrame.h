// The crop rectangle of a picture: its aspect rules, set-up, hit zones, drags, maximising, the size
// fields in the panel's units, and the darkened preview around it.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

#include <cstdint>

namespace vantorel {

// The preferences the crop tool starts from and updates on apply.
struct CropPreferences {
    int CropAspect = 0; // the aspect choice
    int CropWidth = 0;  // percent of the source with an aspect, else pixels
    int CropHeight = 0;
};

// What the panel shows (and the pending crop entry records): the aspect choice, the units and the
// rectangle's size in them (inches, cm and mm times 100).
struct CropPanelValues {
    int AspectChoice = 0;
    int Units = 0; // 0 pixels, 1 inches, 2 cm, 3 mm
    int Width = 0;
    int Height = 0;
};

enum class CropZoneKind : std::uint8_t {
    kOutside = 0,
    kInside = 1,
    kTopLeft = 2,
    kTopRight = 3,
    kBottomLeft = 4,
    kBottomRight = 5,
    kTop = 6,
    kRight = 7,
    kBottom = 8,
    kLeft = 9,
};

// Used on the main thread by the document while its crop tool is shown.
class CropFrame {
public:
    static constexpr int kAspectChoices = 13;
    // The required width / height of an aspect choice (0 = free; choice 1 is the source's ratio).
    static float AspectOfChoice(int choice, int sourceWidth, int sourceHeight);

    // Sets up the frame on a 24-bit source with its densities (dots per inch; 0 counts as 96).
    void Start(const QImage& source, int horzDpi, int vertDpi, const CropPreferences& preferences);
    void SetAspectChoice(int choice);
    void SetUnits(int units);
    // A size typed in the panel, in the current units (inches, cm or mm as real numbers).
    void SetTypedSize(bool isWidth, double value);
    CropZoneKind HitTest(QPoint point, int zoomPercent) const;
    // The mouse moved by (dx, dy) source pixels with the button held over `zone`.
    void Drag(CropZoneKind zone, int dx, int dy);
    // A double click inside the rectangle: spread it to the source's full width or height.
    void Maximise();
    // The source area inside the rectangle; the preferences take the choice and the size.
    QImage Apply(CropPreferences& preferences) const;

    // Left, top, width and height in source pixels.
    QRect Rect() const { return QRect(m_left, m_top, m_right - m_left, m_bottom - m_top); }
    float Aspect() const { return m_aspect; }
    const CropPanelValues& Panel() const { return m_panel; }
    // The source, darkened outside the rectangle.
    const QImage& Preview() const { return m_preview; }

private:
    void Show(int left, int top, int width, int height);
    void Centre(int centreX, int centreY, int width, int height);
    void RefreshPanel();
    bool Acceptable(int left, int top, int right, int bottom) const;

    QImage m_source;
    QImage m_preview;
    int m_horzDpi = 96;
    int m_vertDpi = 96;
    int m_left = 0, m_top = 0, m_right = 0, m_bottom = 0; // right and bottom exclusive
    int m_choice = 0;
    float m_aspect = 0;
    CropPanelValues m_panel;
};

} // namespace vantorel
