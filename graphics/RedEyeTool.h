// Red-eye removal on a working copy of a picture: the recolouring rule, the list of marked eyes
// and the lens that picks them.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

#include <array>
#include <cstdint>
#include <vector>

namespace vantorel {

// The recolouring of one pixel inside a marked eye: reds that dominate the luminance become dark
// grey, weaker ones grey, the weakest are toned down; dark neutral pixels and others stay.
std::array<std::uint8_t, 3> RedEyePixel(std::uint8_t r, std::uint8_t g, std::uint8_t b);

struct MarkedEye {
    int X = 0;
    int Y = 0;
    int R = 1; // radius, 1..23
    bool operator==(const MarkedEye&) const = default;
};

// Used on the main thread by the document while its red-eye tool is shown. The tool keeps the
// source (shared, never written) and the corrected copy the result view shows.
class RedEyeTool {
public:
    static constexpr int kMaxRadius = 23;
    // The radius of a slider position 1..23 (the slider runs from large to small).
    static int RadiusOfSlider(int position) { return kMaxRadius - position + 1; }

    // Starts on a 24-bit source with an empty eye list; the lens is w × h pixels.
    void Start(const QImage& source, int lensWidth, int lensHeight);
    const QImage& Result() const { return m_result; }
    const std::vector<MarkedEye>& Eyes() const { return m_eyes; }

    // Centres the lens on a point, kept so that the lens lies inside the picture.
    void SetLensCentre(QPoint point);
    QPoint LensCentre() const { return m_lensCentre; }
    QRect LensRect() const;

    // A click at a lens position: marks the eye under it with radius r (1..23), replacing the last
    // eye whose centre lies within 2r. Returns false when the point is outside the picture.
    bool MarkEye(QPoint lensPosition, int radius);
    // Gives the last eye radius r when its centre lies inside the lens; true when it changed (the
    // caller then stores r as the preferred radius).
    bool SetRadius(int radius);
    void DeleteLastEye();
    void DeleteAllEyes();
    // The picture with every correction (the new working source); clears the eye list.
    QImage Apply();

    // The area around an eye that the lens circles: its square enlarged by 3 pixels on every side.
    static QRect MarkRect(const MarkedEye& eye);

private:
    void Redraw(const QRect& area);
    static QRect Square(const MarkedEye& eye);

    QImage m_source;
    QImage m_result;
    std::vector<MarkedEye> m_eyes;
    QPoint m_lensCentre;
    int m_lensWidth = 0;
    int m_lensHeight = 0;
};

} // namespace vantorel
