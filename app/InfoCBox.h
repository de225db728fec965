// The message box with "  Don't show this message again", remembered under a value name.
#pragma once

#include <QString>

class QWidget;

namespace vantorel {

class SettingsStore;

// Button sets: 0 "&OK" (1); 1 "&OK" (1), "&Cancel" (2); 3 "&Yes" (6), "&No" (7), "&Cancel" (2);
// 4 "&Yes" (6), "&No" (7). Icons: 0 information, 1 question, 4 warning.
enum InfoCBoxResult { kInfoSuppressed = 0, kInfoOk = 1, kInfoCancel = 2, kInfoYes = 6, kInfoNo = 7 };

// Shows nothing and returns 0 when the value is already true; otherwise shows the modal box and
// afterwards writes the check box's state to the value, whatever the answer.
int ShowInfoCBox(QWidget* owner, const QString& text, SettingsStore& store, int textOffset, int width, int buttons,
                 int icon, const QString& valueName);

} // namespace vantorel
