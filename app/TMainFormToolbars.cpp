// The look of the toolbars: button size, borders, highlighting of pressed buttons and tool tips,
// all kept in the preferences.
#include "TMainForm.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>

namespace vantorel {

namespace {

// The toolbars of plain buttons; the panel toolbars keep their own layout.
const char* const kButtonToolbars[] = {"FileToolbar",   "EditToolbar", "ToolsToolbar",   "SelToolbar",
                                       "WindowToolbar", "ZoomToolbar", "ViewToolbar",    "ModeToolbar",
                                       "OptionsToolbar", "ControlsToolbar"};

const char* const kHighlightStyle =
    "QToolButton:checked { background-color: palette(midlight); border: 1px solid palette(highlight);"
    " border-radius: 2px; }";

} // namespace

void TMainForm::ApplyToolbarLook() {
    const bool large = m_prefs.LargeButtons;
    for (const char* name : kButtonToolbars) {
        auto* toolbar = findChild<QToolBar*>(name);
        if (!toolbar)
            continue;
        toolbar->setIconSize(large ? QSize(32, 32) : QSize(16, 16));
        for (QToolButton* button : toolbar->findChildren<QToolButton*>()) {
            const bool dropDown = button->popupMode() == QToolButton::MenuButtonPopup;
            button->setMinimumSize(large ? QSize(dropDown ? 51 : 37, 36) : QSize(dropDown ? 37 : 23, 22));
        }
    }
    if (m_zoomSlider) {
        const int thickness = large ? 30 : 23;
        m_zoomSlider->setMinimumSize(0, 0);
        m_zoomSlider->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (m_zoomSlider->orientation() == Qt::Vertical)
            m_zoomSlider->setFixedWidth(thickness);
        else
            m_zoomSlider->setFixedHeight(thickness);
    }
    // "FlatButtons" set means buttons with a border.
    for (QToolBar* toolbar : findChildren<QToolBar*>()) {
        for (QToolButton* button : toolbar->findChildren<QToolButton*>())
            button->setAutoRaise(!m_prefs.FlatButtons);
        toolbar->setStyleSheet(m_prefs.HiliteButtons ? kHighlightStyle : "");
    }
    SetChecked("ViewLargeButtonsAction", large);
    SetChecked("ViewShowTipsAction", m_prefs.ShowTips);
    SetChecked("ViewFlatBtnsAction", !m_prefs.FlatButtons);
    SetChecked("ViewHighlightAction", m_prefs.HiliteButtons);
}

void TMainForm::ViewLargeButtonsActionExecute() {
    m_prefs.LargeButtons = !m_prefs.LargeButtons;
    ApplyToolbarLook();
}

void TMainForm::ViewShowTipsActionExecute() {
    m_prefs.ShowTips = !m_prefs.ShowTips;
    ApplyToolbarLook();
}

void TMainForm::ViewFlatBtnsActionExecute() {
    m_prefs.FlatButtons = !m_prefs.FlatButtons;
    ApplyToolbarLook();
}

void TMainForm::ViewHighlightActionExecute() {
    m_prefs.HiliteButtons = !m_prefs.HiliteButtons;
    ApplyToolbarLook();
}

void TMainForm::AddToolbarLookItems(QMenu& menu) const {
    for (const char* name : {"ViewLargeButtonsAction", "ViewShowTipsAction", "ViewFlatBtnsAction", "ViewHighlightAction"})
        menu.addAction(Action(name));
}

QMenu* TMainForm::createPopupMenu() {
    auto* menu = new QMenu(this);
    AddToolbarLookItems(*menu);
    return menu;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && !m_prefs.ShowTips && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this)
        return true;
    return QMainWindow::eventFilter(watched, event);
}

} // namespace vantorel
