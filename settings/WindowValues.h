// The main window's stored values that are not preferences: run counter, panels, bounds, folders.
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

namespace vantorel {

class SettingsStore;

struct WindowValues {
    int StartCtr = 0; // interactive runs so far, counted up to 3
    bool ComprEqVisible = true;
    bool ComprTabVisible = true;
    bool MainFormMaximized = false;
    QRect Bounds; // MainFormLeft, MainFormTop, MainFormWidth, MainFormHeight
    QString OpenDir;
    QString SaveDir;
    QString ExportDir;
    QStringList RecentOpenDirs; // most recent first
    QStringList RecentSaveDirs;
    int FileDialogOptions = 0;
    bool DisplaySplash = true;

    bool EarlyRun() const { return StartCtr < 3; }
};

// Reads the values; `currentBounds` supplies each bound that is missing.
WindowValues LoadWindowValues(const SettingsStore& store, const QRect& currentBounds);

// Writes the values as the main window does at exit: the bounds only when the window is neither
// maximised nor minimised, the run counter only during an early run (read value + 1).
void SaveWindowValues(SettingsStore& store, const WindowValues& values, bool minimised);

// "Prefix1", "Prefix2", ...: read until the first missing or empty value; written without gaps,
// empty entries skipped (higher numbers left from earlier runs stay, and reading stops before them
// only at a gap).
QStringList ReadNumberedList(const SettingsStore& store, const QString& prefix);
void WriteNumberedList(SettingsStore& store, const QString& prefix, const QStringList& list);

} // namespace vantorel
