// The main window's stored values.
#include "WindowValues.h"

#include "SettingsStore.h"

namespace vantorel {

QStringList ReadNumberedList(const SettingsStore& store, const QString& prefix) {
    QStringList list;
    for (int n = 1;; ++n) {
        const QString value = store.ReadText(prefix + QString::number(n));
        if (value.isEmpty())
            break;
        list << value;
    }
    return list;
}

void WriteNumberedList(SettingsStore& store, const QString& prefix, const QStringList& list) {
    int n = 0;
    for (const QString& entry : list)
        if (!entry.isEmpty())
            store.WriteText(prefix + QString::number(++n), entry);
}

WindowValues LoadWindowValues(const SettingsStore& store, const QRect& current) {
    WindowValues v;
    v.StartCtr = store.ReadInt("StartCtr", 0);
    v.ComprEqVisible = store.ReadBool("ComprEqVisible", true);
    v.ComprTabVisible = store.ReadBool("ComprTabVisible", true);
    v.MainFormMaximized = store.ReadBool("MainFormMaximized", false);
    v.Bounds = QRect(store.ReadInt("MainFormLeft", current.left()), store.ReadInt("MainFormTop", current.top()),
                     store.ReadInt("MainFormWidth", current.width()), store.ReadInt("MainFormHeight", current.height()));
    v.OpenDir = store.ReadText("OpenDir");
    v.SaveDir = store.ReadText("SaveDir");
    v.ExportDir = store.ReadText("ExportDir", v.SaveDir);
    v.RecentOpenDirs = ReadNumberedList(store, "RecentOpenDir");
    v.RecentSaveDirs = ReadNumberedList(store, "RecentSaveDir");
    v.FileDialogOptions = store.ReadInt("FileDialogOptions", 0);
    v.DisplaySplash = store.ReadBool("DisplaySplash", true);
    return v;
}

void SaveWindowValues(SettingsStore& store, const WindowValues& v, bool minimised) {
    store.WriteBool("MainFormMaximized", v.MainFormMaximized);
    if (v.EarlyRun())
        store.WriteInt("StartCtr", v.StartCtr + 1);
    store.WriteBool("ComprEqVisible", v.ComprEqVisible);
    store.WriteBool("ComprTabVisible", v.ComprTabVisible);
    if (!v.MainFormMaximized && !minimised) {
        store.WriteInt("MainFormTop", v.Bounds.top());
        store.WriteInt("MainFormLeft", v.Bounds.left());
        store.WriteInt("MainFormWidth", v.Bounds.width());
        store.WriteInt("MainFormHeight", v.Bounds.height());
    }
    store.WriteText("OpenDir", v.OpenDir);
    store.WriteText("SaveDir", v.SaveDir);
    store.WriteText("ExportDir", v.ExportDir);
    WriteNumberedList(store, "RecentOpenDir", v.RecentOpenDirs);
    WriteNumberedList(store, "RecentSaveDir", v.RecentSaveDirs);
    store.WriteInt("FileDialogOptions", v.FileDialogOptions);
}

} // namespace vantorel
