// Opening, saving and exporting through the main window's commands.
#include "TMainForm.h"

#include "Bitmap24.h"
#include "InfoCBox.h"
#include "SafeFile.h"
#include "SaveNaming.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFileInfo>
#include <QMdiSubWindow>

namespace vantorel {

void TMainForm::FileOpenActionExecute() {
    const QString name = m_dialogs->OpenFileName(this, m_openFolders);
    if (name.isEmpty())
        return;
    CreateImageWindowFromFile(name, true);
    RememberFolder(m_openFolders, m_saveFolders, name);
}

void TMainForm::EditPasteActionExecute() {
    const QImage picture = QApplication::clipboard()->image();
    if (picture.isNull())
        return;
    CreateImageWindowFromBitmap(ToBitmap24(picture));
}

void TMainForm::WindowDuplActionExecute() {
    if (TImageForm* a = ActiveImage())
        CreateImageWindowFromWindow(*a);
}

void TMainForm::FileSaveActionExecute(TImageForm* sender) {
    TImageForm* w = sender ? sender : ActiveImage();
    if (!w)
        return;
    if (w->Document().OwnFile)
        SaveResult(*w, {});
    else
        FileSaveAsActionExecute(w);
}

void TMainForm::FileSaveAsActionExecute(TImageForm* window) {
    TImageForm* w = window ? window : ActiveImage();
    if (!w)
        return;
    const QString suggested = QFileInfo(w->Document().FileName()).fileName();
    const QString chosen = m_dialogs->SaveFileName(this, m_saveFolders, suggested);
    if (chosen.isEmpty())
        return;
    SaveResult(*w, chosen);
    RememberFolder(m_saveFolders, m_openFolders, chosen);
}

bool TMainForm::SaveResult(TImageForm& window, const QString& name) {
    ImageDocument& doc = window.Document();
    // The result must not change while it is written.
    doc.WaitWhileBusy();
    if (doc.Stopped() &&
        m_dialogs->Question(this, "Current compression parameters are not applied.\nSave the last resulting image ?",
                            false) != kInfoYes)
        return false;
    const QString target = SaveTarget(name, doc.FileName(), doc.SourceIsJpeg());
    if (doc.SourceIsJpeg() && name.isEmpty() && !doc.SavedOnce &&
        m_dialogs->InfoCBox(this,
                            "The source image is about to be replaced by the processed image. The size, quality, or "
                            "other values of the original image may be lost. Would you like to overwrite the source "
                            "image?",
                            "ConfirmOverwrite", 4, 520, 1) == kInfoNo)
        return false;
    QString error;
    if (!doc.WriteResult(target, error)) {
        // The window stays open: the user has seen the error and the result is not marked saved.
        m_dialogs->Warning(this, "Cannot save file " + target + "\n" + error);
        return false;
    }
    doc.SavedOnce = true;
    doc.Saved = true;
    if (!name.isEmpty())
        doc.SetFileName(target);
    doc.OwnFile = true;
    window.UpdateCaption();
    if (m_prefs.CloseAfterSaving && !m_inCloseQuestion)
        if (auto* sub = qobject_cast<QMdiSubWindow*>(window.parentWidget()))
            sub->close();
    return true;
}

void TMainForm::FileExportBMPActionExecute() {
    TImageForm* a = ActiveImage();
    if (!a)
        return;
    const QString suggested = QFileInfo(a->Document().FileName()).completeBaseName();
    const QString chosen = m_dialogs->ExportFileName(this, m_exportFolders, suggested);
    if (chosen.isEmpty())
        return;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const bool encoded = a->Document().SourceBitmap().save(&buffer, "BMP");
    const QByteArray& bytes = buffer.data();
    const QString error =
        encoded ? WriteFileSafely(chosen, std::vector<std::uint8_t>(bytes.begin(), bytes.end())) : QString("no bitmap");
    m_exportFolders.InitialDir = QFileInfo(chosen).absolutePath();
    if (!error.isEmpty())
        m_dialogs->Warning(this, "Cannot save file " + chosen);
}

bool TMainForm::ImageMayClose(TImageForm& form) {
    ImageDocument& doc = form.Document();
    if (doc.ResultSize() == 0 || doc.Saved || doc.Stopped() || !m_prefs.WarnToSave)
        return true;
    const int answer = m_dialogs->Question(this,
                                           "Current compression settings have been applied\nto the source image (" +
                                               doc.FileName() + ")\n\nSave the result image ?",
                                           true);
    if (answer == kInfoCancel)
        return false;
    if (answer == kInfoYes) {
        m_inCloseQuestion = true; // the window is closing already
        FileSaveActionExecute(&form);
        m_inCloseQuestion = false;
        return doc.Saved;
    }
    return true;
}

} // namespace vantorel
