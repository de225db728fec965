#include "PanelControls.h"

#include <QBoxLayout>
#include <QLabel>
#include <QTabBar>
#include <QToolButton>

namespace vantorel {

void SliderControl::Mirror() const {
    const QSignalBlocker block(UpDown);
    UpDown->setValue(Slider->value());
    NumberBox->setText(QString::number(Slider->value()));
}

void SliderControl::SetEnabled(bool enabled) const {
    Slider->setEnabled(enabled);
    UpDown->setEnabled(enabled);
    NumberBox->setEnabled(enabled);
    if (Label)
        Label->setEnabled(enabled);
}

SliderControl MakeSliderControl(QBoxLayout* layout, Qt::Orientation orientation, int minimum, int maximum, int start,
                                const QString& label, int upDownMinimum, int upDownMaximum) {
    SliderControl c;
    if (!label.isEmpty()) {
        c.Label = new QLabel(label);
        layout->addWidget(c.Label);
    }
    c.Slider = new HighlightSlider(orientation);
    c.Slider->setRange(minimum, maximum);
    c.Slider->setValue(start);
    if (orientation == Qt::Vertical)
        c.Slider->setInvertedAppearance(true); // the top is the slider's start
    c.UpDown = new QSpinBox;
    c.UpDown->setRange(upDownMinimum >= 0 ? upDownMinimum : minimum, upDownMaximum >= 0 ? upDownMaximum : maximum);
    c.UpDown->setValue(start);
    c.UpDown->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    c.UpDown->setFixedWidth(18);
    c.NumberBox = new QLineEdit(QString::number(start));
    c.NumberBox->setReadOnly(true);
    c.NumberBox->setMaxLength(3);
    c.NumberBox->setFixedWidth(c.NumberBox->fontMetrics().horizontalAdvance("0000") + 6);
    layout->addWidget(c.Slider, 1);
    layout->addWidget(c.NumberBox);
    layout->addWidget(c.UpDown);
    // An up-down click moves the slider, whose handler does the rest.
    HighlightSlider* slider = c.Slider;
    QObject::connect(c.UpDown, &QSpinBox::valueChanged, slider, [slider](int value) { slider->setValue(value); });
    return c;
}

QToolButton* MakeResetButton() {
    auto* button = new QToolButton;
    button->setText("R");
    button->setToolTip("Reset");
    button->setStatusTip("Resets this panel options to their default values");
    return button;
}

QTabBar* MakeAreaTabs() {
    auto* tabs = new QTabBar;
    tabs->addTab(" Base");
    tabs->addTab("Selected");
    tabs->setShape(QTabBar::RoundedWest);
    return tabs;
}

void SetPanelEnabled(QWidget* panel, bool enabled) {
    if (panel->isEnabled() == enabled && panel->property("panelEnabled").isValid())
        return;
    panel->setProperty("panelEnabled", enabled);
    for (QObject* child : panel->children())
        if (auto* widget = qobject_cast<QWidget*>(child))
            widget->setEnabled(enabled);
    panel->setEnabled(enabled);
}

} // namespace vantorel
