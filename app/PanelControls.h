// The slider, up-down and number box that always show one value together.
#pragma once

#include "HighlightSlider.h"

#include <QLineEdit>
#include <QSpinBox>
#include <QString>

class QBoxLayout;
class QLabel;
class QTabBar;
class QToolButton;

namespace vantorel {

struct SliderControl {
    HighlightSlider* Slider = nullptr;
    QSpinBox* UpDown = nullptr;
    QLineEdit* NumberBox = nullptr;
    QLabel* Label = nullptr;

    // Shows the slider's position in the up-down and the number box.
    void Mirror() const;
    void SetEnabled(bool enabled) const;
};

// Builds the three controls into `layout` (the label first when given). The up-down may allow a
// wider range than the slider, which limits it.
SliderControl MakeSliderControl(QBoxLayout* layout, Qt::Orientation orientation, int minimum, int maximum, int start,
                                const QString& label = {}, int upDownMinimum = -1, int upDownMaximum = -1);

// Sets a panel's updating flag (its handlers then leave the image unmarked) and restores the
// previous value when it goes.
class UpdatingScope {
public:
    explicit UpdatingScope(bool& flag) : m_flag(flag), m_saved(flag) { m_flag = true; }
    ~UpdatingScope() { m_flag = m_saved; }
    UpdatingScope(const UpdatingScope&) = delete;
    UpdatingScope& operator=(const UpdatingScope&) = delete;

private:
    bool& m_flag;
    bool m_saved;
};

// The "R" button that resets a panel's group to its defaults.
QToolButton* MakeResetButton();
// The Base / Selected tabs of the compression and prefilter toolbars.
QTabBar* MakeAreaTabs();

// Disables or enables a panel and its controls one level deep; nothing when it has that state.
void SetPanelEnabled(QWidget* panel, bool enabled);

} // namespace vantorel
