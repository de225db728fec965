// The questions and file choices the main window puts to the user, in one place, so that a test
// can answer them.
#pragma once

#include "FileDialogs.h"

#include <QString>

class QWidget;

namespace vantorel {

class SettingsStore;

class UserDialogs {
public:
    virtual ~UserDialogs() = default;
    // The don't-show-again box (see InfoCBox.h for the buttons and results).
    virtual int InfoCBox(QWidget* owner, const QString& text, const QString& valueName, int buttons, int width, int icon);
    // A Yes/No (or Yes/No/Cancel) question; returns 6 Yes, 7 No, 2 Cancel.
    virtual int Question(QWidget* owner, const QString& text, bool withCancel);
    virtual void Warning(QWidget* owner, const QString& text);
    // The chosen file, or empty when the dialog was cancelled.
    virtual QString OpenFileName(QWidget* owner, DialogFolders& folders);
    virtual QString SaveFileName(QWidget* owner, DialogFolders& folders, const QString& suggestedName);
    virtual QString ExportFileName(QWidget* owner, DialogFolders& folders, const QString& suggestedName);
    // The integrity marks dialog: the new restart interval (0 none), or -1 when cancelled.
    virtual int IntegrityMarks(QWidget* owner, int interval);

    SettingsStore* Store = nullptr;
};

} // namespace vantorel
