// Drawing selection units with the mouse: starting, extending and dragging a unit, and the rule
// that decides whether a finished unit stays.
#pragma once

#include "SelectionUnit.h"

#include <QPoint>
#include <QSize>

#include <vector>

namespace vantorel {

// Image pixels <-> millionths of the image size, so that a unit keeps its place whatever the size.
int ToMillionths(int pixel, int size);
int FromMillionths(int millionths, int size);

// Works on the window's list of units (main thread). Points are image pixels.
class SelectionDrawing {
public:
    explicit SelectionDrawing(std::vector<SelectionUnit>& units) : m_units(units) {}

    bool Drawing() const { return m_drawing; }
    // The view (0 source, 1 result) the unit being drawn started in.
    int View() const { return m_view; }
    // The unit being drawn (the last of the list) while Drawing().
    const SelectionUnit* Current() const { return m_drawing ? &m_units.back() : nullptr; }
    // Whether the drawn polygon has at least two points (its outline is worth drawing).
    bool PolygonShown() const;

    // A new unit of the shape (0 rectangle, 1 ellipse, 2 polygon) with begin = end = p, not yet included.
    void Start(int shape, QPoint p, QSize image, int view);
    // A polygon's further point (left button while drawing it).
    void Extend(QPoint p, QSize image);
    // The end point (or a polygon's rubber line) follows the pointer.
    void Drag(QPoint p, QSize image);
    // Finishes the unit: it becomes included and ends at p. A rectangle or ellipse stays when its
    // width and height both exceed 2 image pixels; a polygon when it already has two points (p is
    // then its last point). True when the unit stayed; otherwise it is removed. Drawing ends.
    bool Finish(QPoint p, QSize image);
    // Ends a drawing without keeping the unit.
    void Cancel();

private:
    std::vector<SelectionUnit>& m_units;
    bool m_drawing = false;
    int m_view = 0;
};

} // namespace vantorel
