#include "SelectionDrawing.h"

#include <cmath>
#include <cstdlib>

namespace vantorel {

int ToMillionths(int pixel, int size) {
    return size > 0 ? static_cast<int>(std::lround(double(pixel) * 1000000.0 / size)) : 0;
}

int FromMillionths(int millionths, int size) {
    return static_cast<int>(std::lround(double(millionths) * size / 1000000.0));
}

bool SelectionDrawing::PolygonShown() const {
    const SelectionUnit* unit = Current();
    return unit && unit->Kind == 2 && unit->Points.size() >= 2;
}

void SelectionDrawing::Start(int shape, QPoint p, QSize image, int view) {
    SelectionUnit unit;
    unit.Kind = static_cast<std::uint8_t>(shape);
    unit.BegX = unit.EndX = ToMillionths(p.x(), image.width());
    unit.BegY = unit.EndY = ToMillionths(p.y(), image.height());
    unit.Included = false;
    if (shape == 2)
        unit.Points.push_back({unit.BegX, unit.BegY});
    m_units.push_back(std::move(unit));
    m_drawing = true;
    m_view = view;
}

void SelectionDrawing::Extend(QPoint p, QSize image) {
    if (!m_drawing || m_units.back().Kind != 2)
        return;
    SelectionUnit& unit = m_units.back();
    unit.EndX = ToMillionths(p.x(), image.width());
    unit.EndY = ToMillionths(p.y(), image.height());
    unit.Points.push_back({unit.EndX, unit.EndY});
}

void SelectionDrawing::Drag(QPoint p, QSize image) {
    if (!m_drawing)
        return;
    SelectionUnit& unit = m_units.back();
    unit.EndX = ToMillionths(p.x(), image.width());
    unit.EndY = ToMillionths(p.y(), image.height());
}

bool SelectionDrawing::Finish(QPoint p, QSize image) {
    if (!m_drawing)
        return false;
    m_drawing = false;
    SelectionUnit& unit = m_units.back();
    unit.Included = true;
    unit.EndX = ToMillionths(p.x(), image.width());
    unit.EndY = ToMillionths(p.y(), image.height());
    bool stays;
    if (unit.Kind == 2) {
        stays = unit.Points.size() >= 2;
        if (stays)
            unit.Points.push_back({unit.EndX, unit.EndY});
    } else {
        const int w = std::abs(FromMillionths(unit.EndX, image.width()) - FromMillionths(unit.BegX, image.width()));
        const int h = std::abs(FromMillionths(unit.EndY, image.height()) - FromMillionths(unit.BegY, image.height()));
        stays = w > 2 && h > 2;
    }
    if (!stays)
        m_units.pop_back();
    return stays;
}

void SelectionDrawing::Cancel() {
    if (m_drawing)
        m_units.pop_back();
    m_drawing = false;
}

} // namespace vantorel
