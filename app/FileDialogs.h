// The main window's file dialogs: the open dialog's filter list and the folders each dialog
// remembers.
#pragma once

#include <QString>
#include <QStringList>

namespace vantorel {

// "All supported formats (...)" followed by one entry per format family, for QFileDialog.
QStringList OpenDialogFilters();
inline const char* const kSaveDialogFilter = "JPEG Image File (*.jpg)";
inline const char* const kExportDialogFilter = "Windows Bitmap (*.bmp)";

// What one dialog remembers: its initial folder, its recent folders (most recent first) and the
// display-options word.
struct DialogFolders {
    QString InitialDir;
    QStringList Recent;
    int Options = 0;
};

// After a choice of `fileName` in dialog `used`: its initial folder becomes the file's folder, the
// other dialog takes its options word, the folder moves to (or is inserted at) the top of the used
// dialog's list and is appended to the other's list when missing there. The lists never shrink.
void RememberFolder(DialogFolders& used, DialogFolders& other, const QString& fileName);

} // namespace vantorel
