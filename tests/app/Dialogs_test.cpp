// The don't-show-again box and the folders the file dialogs remember.
#include "FileDialogs.h"
#include "InfoCBox.h"
#include "SettingsStore.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Answers the next modal box: ticks its check box when asked, then clicks the button with `caption`.
void AnswerNextBox(const QString& caption, bool tick) {
    QTimer::singleShot(50, [caption, tick] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QDialog*>(w);
            if (!box || !box->isVisible() || box->objectName() != "TInfoCBoxForm")
                continue;
            if (tick)
                box->findChild<QCheckBox*>()->setChecked(true);
            for (QAbstractButton* b : box->findChildren<QAbstractButton*>())
                if (b->text() == caption)
                    b->click();
        }
    });
}

TEST(InfoCBox, ATickedBoxAnsweredNoIsNeverShownAgain) {
    testsupport::EnsureGuiApplication();
    QTemporaryDir dir;
    vantorel::SettingsStore store(dir.filePath("s.ini"));
    AnswerNextBox("&Yes", false);
    EXPECT_EQ(vantorel::ShowInfoCBox(nullptr, "Overwrite?", store, 0, 520, 4, 1, "ConfirmOverwrite"), vantorel::kInfoYes);
    EXPECT_EQ(store.ReadText("ConfirmOverwrite"), "0");
    AnswerNextBox("&No", true);
    EXPECT_EQ(vantorel::ShowInfoCBox(nullptr, "Overwrite?", store, 0, 520, 4, 1, "ConfirmOverwrite"), vantorel::kInfoNo);
    EXPECT_EQ(store.ReadText("ConfirmOverwrite"), "1");
    // Suppressed from now on: nothing shows and the answer is 0.
    EXPECT_EQ(vantorel::ShowInfoCBox(nullptr, "Overwrite?", store, 0, 520, 4, 1, "ConfirmOverwrite"),
              vantorel::kInfoSuppressed);
    AnswerNextBox("&Cancel", false);
    EXPECT_EQ(vantorel::ShowInfoCBox(nullptr, "Go on?", store, 0, 0, 3, 4, "Other"), vantorel::kInfoCancel);
}

TEST(FileDialogs, TheOpenFilterListsEveryFormatAndFoldersAreRemembered) {
    const QStringList filters = vantorel::OpenDialogFilters();
    ASSERT_EQ(filters.size(), 17);
    EXPECT_TRUE(filters[0].startsWith("All supported formats (*.jpg *.jpeg *.jpe *.jfif *.bmp"));
    EXPECT_TRUE(filters[0].endsWith("*.cel *.pic *.eps)"));
    EXPECT_EQ(filters[1], "JPEG Image Files (JPG, JPEG, JPE, JFIF) (*.jpg *.jpeg *.jpe *.jfif)");

    vantorel::DialogFolders open{"", {"/b", "/a"}, 7};
    vantorel::DialogFolders save{"", {"/c"}, 0};
    vantorel::RememberFolder(open, save, "/a/x.jpg");
    EXPECT_EQ(open.InitialDir, "/a");
    EXPECT_EQ(open.Recent, (QStringList{"/a", "/b"}));
    EXPECT_EQ(save.Recent, (QStringList{"/c", "/a"}));
    EXPECT_EQ(save.Options, 7);
    vantorel::RememberFolder(save, open, "/d/y.jpg");
    EXPECT_EQ(save.Recent, (QStringList{"/d", "/c", "/a"}));
    EXPECT_EQ(open.Recent, (QStringList{"/a", "/b", "/d"}));
}

} // namespace
