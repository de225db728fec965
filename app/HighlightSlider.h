// A slider that marks a range of its scale (the levels between two sliders, the strength of the
// active filter).
#pragma once

#include <QSlider>

namespace vantorel {

class HighlightSlider : public QSlider {
public:
    explicit HighlightSlider(Qt::Orientation orientation, QWidget* parent = nullptr);
    // The marked range in slider values; from == to marks nothing.
    void SetHighlight(int from, int to);
    void ClearHighlight() { SetHighlight(0, 0); }
    int HighlightFrom() const { return m_from; }
    int HighlightTo() const { return m_to; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_from = 0;
    int m_to = 0;
};

} // namespace vantorel
