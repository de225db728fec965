#include "UserDialogs.h"

#include "InfoCBox.h"
#include "SettingsStore.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QSpinBox>

namespace vantorel {

namespace {

// Masks match case-insensitively, as users of picture files expect ("*.JPG" too).
QStringList CaseInsensitive(const QStringList& filters) {
    QStringList result;
    for (const QString& filter : filters) {
        const int open = static_cast<int>(filter.lastIndexOf('('));
        const int close = static_cast<int>(filter.lastIndexOf(')'));
        if (open < 0 || close < open) {
            result << filter;
            continue;
        }
        QStringList patterns = filter.mid(open + 1, close - open - 1).split(' ', Qt::SkipEmptyParts);
        const QStringList lower = patterns;
        for (const QString& p : lower)
            if (p.toUpper() != p)
                patterns << p.toUpper();
        result << filter.left(open + 1) + patterns.join(' ') + ")";
    }
    return result;
}

QString RunFileDialog(QWidget* owner, const QString& title, const QStringList& filters, DialogFolders& folders,
                      const QString& suggestedName, bool save, const QString& suffix) {
    QFileDialog dialog(owner, title, folders.InitialDir);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilters(CaseInsensitive(filters));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save) {
        dialog.setDefaultSuffix(suffix);
        dialog.selectFile(suggestedName);
    }
    QStringList sidebar;
    for (const QString& folder : folders.Recent)
        if (!folder.isEmpty())
            sidebar << folder;
    dialog.setHistory(sidebar);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

int UserDialogs::InfoCBox(QWidget* owner, const QString& text, const QString& valueName, int buttons, int width,
                          int icon) {
    if (!Store)
        return kInfoSuppressed;
    return ShowInfoCBox(owner, text, *Store, 0, width, buttons, icon, valueName);
}

int UserDialogs::Question(QWidget* owner, const QString& text, bool withCancel) {
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    const auto answer = QMessageBox::question(owner, "Vantorel", text, buttons);
    return answer == QMessageBox::Yes ? kInfoYes : answer == QMessageBox::No ? kInfoNo : kInfoCancel;
}

void UserDialogs::Warning(QWidget* owner, const QString& text) { QMessageBox::warning(owner, "Vantorel", text); }

QString UserDialogs::OpenFileName(QWidget* owner, DialogFolders& folders) {
    return RunFileDialog(owner, "Open...", OpenDialogFilters(), folders, {}, false, {});
}

QString UserDialogs::SaveFileName(QWidget* owner, DialogFolders& folders, const QString& suggestedName) {
    return RunFileDialog(owner, "Save As...", {kSaveDialogFilter}, folders, suggestedName, true, "jpg");
}

QString UserDialogs::ExportFileName(QWidget* owner, DialogFolders& folders, const QString& suggestedName) {
    return RunFileDialog(owner, "Export To...", {kExportDialogFilter}, folders, suggestedName, true, "bmp");
}

int UserDialogs::IntegrityMarks(QWidget* owner, int interval) {
    QDialog dialog(owner);
    dialog.setObjectName("TIntMarksForm");
    dialog.setWindowTitle("Integrity marks");
    auto* column = new QVBoxLayout(&dialog);
    auto* text = new QLabel("Integrity marks allow the decompression to be resumed if image will be damaged. You can "
                            "specify the interval (in compression blocks) between integrity marks . NOTE: Smaller "
                            "interval means more marks to be inserted in the image and the greater file size. ");
    text->setWordWrap(true);
    column->addWidget(text);
    auto* insert = new QCheckBox("Insert integrity marks");
    column->addWidget(insert);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel("Interval:");
    auto* value = new QSpinBox;
    value->setRange(1, 9999);
    value->setValue(interval > 0 ? interval : 24);
    row->addWidget(label);
    row->addWidget(value);
    row->addStretch();
    column->addLayout(row);
    insert->setChecked(interval > 0);
    label->setEnabled(interval > 0);
    value->setEnabled(interval > 0);
    QObject::connect(insert, &QCheckBox::toggled, value, &QWidget::setEnabled);
    QObject::connect(insert, &QCheckBox::toggled, label, &QWidget::setEnabled);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    column->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    return insert->isChecked() ? value->value() : 0;
}

} // namespace vantorel
