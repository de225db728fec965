// The main window on the offscreen platform: the whole road of an image (open, live
// recompression, save), the saving rules and questions, incoming files, the command states, and
// the hand-over between two running programs.
#include "CompressionPanel.h"
#include "InfoCBox.h"
#include "InstanceHandOver.h"
#include "PrefilterPanel.h"
#include "SettingsStore.h"
#include "StatusLamps.h"
#include "StatusProgress.h"
#include "TJPEGImage.h"
#include "TMainForm.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QProcess>
#include <QTabBar>
#include <QTemporaryDir>
#include <QThread>
#include <QHelpEvent>
#include <QMenu>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// Answers the main window's questions from a script and records them.
class ScriptedDialogs : public vantorel::UserDialogs {
public:
    int InfoCBox(QWidget*, const QString&, const QString& valueName, int, int, int) override {
        Asked << valueName;
        return InfoAnswer;
    }
    int Question(QWidget*, const QString& text, bool) override {
        Asked << text.section('\n', 0, 0);
        return QuestionAnswer;
    }
    void Warning(QWidget*, const QString& text) override { Warnings << text; }
    QString OpenFileName(QWidget*, vantorel::DialogFolders&) override { return OpenName; }
    QString SaveFileName(QWidget*, vantorel::DialogFolders&, const QString& suggested) override {
        SaveSuggestions << suggested;
        return SaveName;
    }
    QString ExportFileName(QWidget*, vantorel::DialogFolders&, const QString&) override { return ExportName; }

    QStringList Asked;
    QStringList Warnings;
    QStringList SaveSuggestions;
    QString OpenName, SaveName, ExportName;
    int InfoAnswer = vantorel::kInfoYes;
    int QuestionAnswer = vantorel::kInfoYes;
};

bool WaitFor(const std::function<bool()>& done, int ms = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

class MainForm : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::EnsureGuiApplication();
        ASSERT_TRUE(m_dir.isValid());
        m_store = std::make_unique<vantorel::SettingsStore>(m_dir.filePath("settings.ini"));
        auto dialogs = std::make_unique<ScriptedDialogs>();
        m_dialogs = dialogs.get();
        m_form = std::make_unique<vantorel::TMainForm>(*m_store, std::move(dialogs));
        m_form->Prefs().ComprDelay = 100;
        m_form->Prefs().KeepOrigDatetime = true;
        m_form->resize(1200, 900);
        m_form->show();
    }
    void TearDown() override {
        if (!m_form)
            return;
        for (vantorel::TImageForm* f : m_form->ImageWindows())
            f->Document().Saved = true; // no questions at the end
        m_form.reset();
    }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QString WriteJpeg(const QString& name, int w = 480, int h = 360) {
        const auto bytes = testsupport::CjpegCompress(testsupport::MakePicture(w, h, testsupport::PictureKind::kPhotoLike),
                                                      "-quality 95", m_dir.path().toStdString());
        return QString::fromStdString(testsupport::WriteTempFile(m_dir.path().toStdString(), name.toStdString(), bytes));
    }
    // Waits until the window has a result and nothing runs.
    static bool Settled(vantorel::TImageForm* f) {
        return WaitFor([f] {
            const auto& d = f->Document();
            return !d.Busy() && !d.New() && d.ChangeCounter() == 0 && d.ResultSize() > 0;
        });
    }
    vantorel::TImageForm* OpenThroughDialog(const QString& file) {
        m_dialogs->OpenName = file;
        m_form->FileOpenActionExecute();
        vantorel::TImageForm* f = m_form->ActiveImage();
        return f && Settled(f) ? f : nullptr;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<vantorel::SettingsStore> m_store;
    ScriptedDialogs* m_dialogs = nullptr;
    std::unique_ptr<vantorel::TMainForm> m_form;
};

TEST_F(MainForm, TheWholeRoadOfOneImage) {
    const QString source = WriteJpeg("road.jpg", 640, 480);
    vantorel::TImageForm* f = OpenThroughDialog(source);
    ASSERT_NE(f, nullptr);
    const int first = f->Document().ResultSize();
    const int jobs = f->Document().JobsStarted();
    // A level change recompresses after the delay, once.
    m_form->ComprPanel().Lum().Slider->setValue(80);
    m_form->ComprPanel().Lum().Slider->setValue(85);
    ASSERT_TRUE(Settled(f));
    EXPECT_EQ(f->Document().JobsStarted(), jobs + 1);
    EXPECT_LT(f->Document().ResultSize(), first);
    m_form->IdleHandler();
    EXPECT_TRUE(m_form->Action("FileSaveAction")->isEnabled());
    // Saving writes the result over the source after the overwrite question.
    m_form->FileSaveActionExecute();
    EXPECT_EQ(m_dialogs->Asked, QStringList{"ConfirmOverwrite"});
    const auto saved = testsupport::ReadFileBytes(source.toStdString());
    EXPECT_EQ(static_cast<int>(saved.size()), f->Document().ResultSize());
    EXPECT_EQ(testsupport::DecodeWithLibjpeg(saved).size(), QSize(640, 480));
    EXPECT_TRUE(f->Document().Saved);
    // Later saves in the same window do not ask again.
    m_form->ComprPanel().Lum().Slider->setValue(60);
    ASSERT_TRUE(Settled(f));
    m_form->FileSaveActionExecute();
    EXPECT_EQ(m_dialogs->Asked.size(), 1);
}

TEST_F(MainForm, SavingRulesForBitmapsPastedAndCommandLineImages) {
    // A BMP opened through the dialog is saved beside it as .jpg, without a question.
    const QString bmp = Path("shot.bmp");
    ASSERT_TRUE(testsupport::MakePicture(200, 150, testsupport::PictureKind::kGradient).save(bmp, "BMP"));
    QFile::copy(bmp, Path("shot.jpg")); // even when that name exists
    vantorel::TImageForm* f = OpenThroughDialog(bmp);
    ASSERT_NE(f, nullptr);
    m_form->FileSaveActionExecute();
    EXPECT_TRUE(m_dialogs->Asked.isEmpty());
    EXPECT_TRUE(m_dialogs->SaveSuggestions.isEmpty());
    EXPECT_EQ(testsupport::DecodeWithLibjpeg(testsupport::ReadFileBytes(Path("shot.jpg").toStdString())).size(),
              QSize(200, 150));

    // A file from the command line has no file of its own: Save goes to Save As. a.jpeg saved as
    // b.jpg is written as b.jpeg, in a folder that did not exist.
    const QString a = WriteJpeg("a.jpeg");
    m_form->QueueIncomingFiles({"file://" + QString(a).replace(" ", "%20")});
    m_form->IdleHandler();
    vantorel::TImageForm* g = m_form->ActiveImage();
    ASSERT_NE(g, nullptr);
    ASSERT_TRUE(Settled(g));
    m_dialogs->SaveName = Path("new/deeper/b.jpg");
    m_form->FileSaveActionExecute();
    EXPECT_EQ(m_dialogs->SaveSuggestions, QStringList{"a.jpeg"});
    EXPECT_TRUE(QFileInfo::exists(Path("new/deeper/b.jpeg")));
    EXPECT_FALSE(QFileInfo::exists(Path("new/deeper/b.jpg")));
    EXPECT_EQ(g->Document().FileName(), Path("new/deeper/b.jpeg"));
    // The kept file date is the source's.
    EXPECT_EQ(QFileInfo(Path("new/deeper/b.jpeg")).lastModified().toSecsSinceEpoch(),
              QFileInfo(a).lastModified().toSecsSinceEpoch());

    // A pasted picture is NoName<counter>; its Save goes to Save As with that name.
    const int counter = m_form->NewImageCounter();
    vantorel::TImageForm* p =
        m_form->CreateImageWindowFromBitmap(testsupport::MakePicture(100, 80, testsupport::PictureKind::kNoise));
    ASSERT_TRUE(Settled(p));
    EXPECT_EQ(p->Document().FileName(), QString("NoName%1").arg(counter));
    m_dialogs->SaveName.clear(); // cancelled: nothing written
    m_form->FileSaveActionExecute();
    EXPECT_EQ(m_dialogs->SaveSuggestions.last(), QString("NoName%1").arg(counter));
    EXPECT_FALSE(p->Document().Saved);
}

TEST_F(MainForm, AWriteErrorKeepsTheResultUnsavedAndCloseAfterSavingCloses) {
    vantorel::TImageForm* f = OpenThroughDialog(WriteJpeg("c.jpg"));
    ASSERT_NE(f, nullptr);
    // The target's folder is taken by a file: the folder cannot be made.
    QFile blocker(Path("taken"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    m_dialogs->SaveName = Path("taken/x.jpg");
    m_form->FileSaveAsActionExecute();
    ASSERT_EQ(m_dialogs->Warnings.size(), 1);
    EXPECT_TRUE(m_dialogs->Warnings[0].startsWith("Cannot save file " + Path("taken/x.jpg")));
    EXPECT_FALSE(f->Document().Saved);

    m_form->Prefs().CloseAfterSaving = true;
    m_dialogs->SaveName = Path("closing.jpg");
    QPointer<QWidget> window = f;
    m_form->FileSaveAsActionExecute();
    EXPECT_TRUE(QFileInfo::exists(Path("closing.jpg")));
    ASSERT_TRUE(WaitFor([&] { return window.isNull(); }));
    EXPECT_TRUE(m_form->ImageWindows().isEmpty());
}

TEST_F(MainForm, ClosingAsksForUnsavedResultsOfTheRightWindow) {
    vantorel::TImageForm* pasted =
        m_form->CreateImageWindowFromBitmap(testsupport::MakePicture(120, 90, testsupport::PictureKind::kNoise));
    ASSERT_TRUE(Settled(pasted));
    const QString pastedName = pasted->Document().FileName();
    vantorel::TImageForm* other = OpenThroughDialog(WriteJpeg("d.jpg"));
    ASSERT_NE(other, nullptr);
    other->Document().Saved = true;
    ASSERT_EQ(m_form->ActiveImage(), other);
    // Cancel keeps everything open.
    m_dialogs->QuestionAnswer = vantorel::kInfoCancel;
    m_form->close();
    EXPECT_EQ(m_form->ImageWindows().size(), 2);
    // Yes on the pasted image (not the active one) shows Save As with its own name.
    m_dialogs->QuestionAnswer = vantorel::kInfoYes;
    m_dialogs->SaveName = Path("pasted.jpg");
    m_form->close();
    EXPECT_EQ(m_dialogs->SaveSuggestions.last(), pastedName);
    EXPECT_TRUE(QFileInfo::exists(Path("pasted.jpg")));
    EXPECT_TRUE(WaitFor([&] { return m_form->ImageWindows().isEmpty(); }));
}

TEST_F(MainForm, CommandStatesWithoutImagesAndTheAreaTabs) {
    m_form->IdleHandler();
    const QStringList enabled = {"FileOpenAction", "FileExitAction", "FileSelSourceAction", "FileAcquireAction", "ModeCompressionAction", "ModeCorrectionAction",
                                 "OptCompAutAction", "OptCompCmdAction", "EditAutoRotateAction", "OptMaxOptAction",
                                 "OptKeepDateAction", "HelpAboutAction", "ViewLargeButtonsAction", "ViewShowTipsAction",
                                 "ViewFlatBtnsAction", "ViewHighlightAction"};
    for (QAction* action : m_form->findChildren<QAction*>()) {
        if (action->objectName().isEmpty() || action->objectName() == "EditPasteAction")
            continue;
        EXPECT_EQ(action->isEnabled(), enabled.contains(action->objectName())) << action->objectName().toStdString();
    }
    vantorel::TImageForm* f = OpenThroughDialog(WriteJpeg("e.jpg"));
    ASSERT_NE(f, nullptr);
    m_form->IdleHandler();
    EXPECT_TRUE(m_form->Action("FileSaveAction")->isEnabled());
    EXPECT_TRUE(m_form->Action("ModeLosslessComprAction")->isEnabled());
    // Switching the compression tab to Selected also switches the prefilter tab, and back.
    auto* tabs = dynamic_cast<QTabBar*>(&m_form->ComprPanel().AreaTabs());
    ASSERT_NE(tabs, nullptr);
    tabs->setCurrentIndex(1);
    EXPECT_EQ(m_form->PrefiltPanel().AreaTab(), 1);
    m_form->PrefiltPanel().SetAreaTab(0);
    EXPECT_EQ(m_form->ComprPanel().AreaTab(), 0);
    // Lossless while the Selected tab shows: back to Base and the move tool.
    tabs->setCurrentIndex(1);
    f->SetTool(vantorel::TImageForm::kSelectionTool);
    m_form->Action("ModeLosslessComprAction")->trigger();
    EXPECT_EQ(m_form->ComprPanel().AreaTab(), 0);
    EXPECT_EQ(f->CurrentTool(), vantorel::TImageForm::kMoveTool);
    ASSERT_TRUE(Settled(f));
    // The Lossless result keeps the source's coefficients.
    EXPECT_EQ(testsupport::ReadCoefficients(std::vector<std::uint8_t>(f->Document().Engine().Data()->Stream)),
              testsupport::ReadCoefficients(testsupport::ReadFileBytes(Path("e.jpg").toStdString())));
}

TEST_F(MainForm, GrayscaleRestoresThePrecisionAndFullControlResetsTheEqualisers) {
    vantorel::TImageForm* f = OpenThroughDialog(WriteJpeg("g.jpg"));
    ASSERT_NE(f, nullptr);
    m_form->Action("OptPrecHighAction")->trigger();
    m_form->Action("OptGrayAction")->trigger();
    EXPECT_FALSE(m_form->Action("OptPrecNormAction")->isEnabled());
    EXPECT_FALSE(m_form->ComprPanel().Chrom().Slider->isEnabled());
    m_form->Action("OptPrecLowAction")->setEnabled(true);
    f->Document().Engine().SetPrecision(0);
    m_form->Action("OptColorAction")->trigger();
    EXPECT_EQ(f->Document().Engine().GetPrecision(), 1);
    f->Document().Engine().Settings().QualityEqualizerBand = {5, 5, 5, 5, 5};
    m_form->Action("OptEqFullAction")->trigger();
    m_form->Action("OptEqAdjAction")->trigger();
    EXPECT_EQ(f->Document().Engine().Settings().QualityEqualizerBand, (vantorel::EqualizerBands{0, 0, 0, 0, 0}));
    EXPECT_GT(f->Document().ChangeCounter(), 0);
    ASSERT_TRUE(Settled(f));
    const auto info = testsupport::InspectJpeg(std::vector<std::uint8_t>(f->Document().Engine().Data()->Stream));
    EXPECT_EQ(info.Components, 3);
}

TEST_F(MainForm, WithCommandCompressionAChangeStartsNothing) {
    vantorel::TImageForm* f = OpenThroughDialog(WriteJpeg("h.jpg"));
    ASSERT_NE(f, nullptr);
    m_form->Action("OptCompCmdAction")->trigger();
    const int jobs = f->Document().JobsStarted();
    m_form->ComprPanel().Lum().Slider->setValue(20);
    WaitFor([] { return false; }, 400);
    EXPECT_EQ(f->Document().JobsStarted(), jobs);
    m_form->Action("EditCompressAction")->trigger();
    ASSERT_TRUE(Settled(f));
    EXPECT_EQ(f->Document().JobsStarted(), jobs + 1);
}

TEST_F(MainForm, TheCommonProfileFollowsTheActiveImage) {
    vantorel::TImageForm* first = OpenThroughDialog(WriteJpeg("p1.jpg"));
    ASSERT_NE(first, nullptr);
    m_form->ComprPanel().Lum().Slider->setValue(77);
    ASSERT_TRUE(Settled(first));
    m_form->CommonProfileAction();
    ASSERT_TRUE(m_form->CommonProfileOn());
    EXPECT_TRUE(m_form->ComprPanel().CommonProfileBtn().isChecked());
    vantorel::TImageForm* second = OpenThroughDialog(WriteJpeg("p2.jpg"));
    ASSERT_NE(second, nullptr);
    m_form->IdleHandler();
    EXPECT_EQ(second->Document().Engine().Settings().LumCompressionLevel, 101 - 77);
    ASSERT_TRUE(Settled(second));
    // An image whose profile already equals the common one is left unchanged.
    const int jobs = first->Document().JobsStarted();
    m_form->ActivateImage(first);
    ASSERT_EQ(m_form->ActiveImage(), first);
    m_form->IdleHandler();
    WaitFor([] { return false; }, 300);
    EXPECT_EQ(first->Document().ChangeCounter(), 0);
    EXPECT_EQ(first->Document().JobsStarted(), jobs);
}

// "InitComprParams" gives a new image its parameters before its first compression.
TEST_F(MainForm, NewImagesStartWithTheChosenDefaultParameters) {
    const QString profiles = Path("Profiles/");
    ASSERT_TRUE(QDir().mkpath(profiles));
    {
        TJPEGImage web;
        web.Settings().LumCompressionLevel = 40;
        web.Settings().ChromCompressionLevel = 55;
        web.SaveProfileText((profiles + "Web.jcp").toStdString());
    }
    m_form->SetProfilesFolder(profiles);
    QImage png(64, 48, QImage::Format_RGB32);
    png.fill(Qt::darkCyan);
    ASSERT_TRUE(png.save(Path("flat.png")));
    const QString jpeg = WriteJpeg("defaults.jpg");
    const int defaultLum = TJPEGImage().Settings().LumCompressionLevel;
    struct Case {
        int choice;
        QString profile;
        QString file;
        int lum, mode;
        bool warns;
    };
    const Case cases[] = {
        {2, "Web", jpeg, 40, 0, false},
        {1, "Web", Path("flat.png"), 40, 0, false},
        {2, "Gone", jpeg, defaultLum, 0, true}, // the image keeps its parameters
        {3, "", jpeg, defaultLum, 1, false},
        {4, "", jpeg, defaultLum, 2, false},
        {4, "", Path("flat.png"), defaultLum, 1, false}, // no JPEG data to keep
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice);
        SCOPED_TRACE(c.file.toStdString());
        m_form->Prefs().InitComprParams = static_cast<std::uint8_t>(c.choice);
        m_form->Prefs().NameDefProfile = c.profile;
        m_dialogs->Warnings.clear();
        vantorel::TImageForm* f = OpenThroughDialog(c.file);
        ASSERT_NE(f, nullptr);
        const auto& doc = f->Document();
        EXPECT_EQ(doc.Engine().Settings().LumCompressionLevel, c.lum);
        EXPECT_EQ(doc.Engine().Settings().CompressionMode, c.mode);
        EXPECT_EQ(doc.JobsStarted(), 1); // the first compression already had them
        ASSERT_EQ(m_dialogs->Warnings.size(), c.warns ? 1 : 0);
        if (c.warns) {
            EXPECT_TRUE(m_dialogs->Warnings[0].contains(profiles + "Gone.jcp"));
        }
        // They are given once: activating the window again changes nothing.
        m_form->IdleHandler();
        EXPECT_EQ(doc.ChangeCounter(), 0);
        EXPECT_EQ(m_dialogs->Warnings.size(), c.warns ? 1 : 0);
        EXPECT_EQ(m_form->Action("ModeLosslessComprAction")->isChecked(), c.mode == 2);
    }
}

// A profile asking for a mode that the image does not allow falls back and says why, once.
TEST_F(MainForm, AProfileModeTheSourceDoesNotAllowIsWarnedAbout) {
    const QString profiles = Path("Profiles/");
    ASSERT_TRUE(QDir().mkpath(profiles));
    {
        TJPEGImage lossless;
        lossless.Settings().CompressionMode = 2;
        lossless.SaveProfileText((profiles + "Keep.jcp").toStdString());
    }
    m_form->SetProfilesFolder(profiles);
    m_form->Prefs().InitComprParams = 2;
    m_form->Prefs().NameDefProfile = "Keep";
    QImage png(40, 30, QImage::Format_RGB32);
    png.fill(Qt::darkRed);
    ASSERT_TRUE(png.save(Path("lossless.png")));
    vantorel::TImageForm* f = OpenThroughDialog(Path("lossless.png"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Document().Engine().Settings().CompressionMode, 1);
    for (int pass = 0; pass < 3; ++pass)
        m_form->IdleHandler();
    EXPECT_EQ(m_dialogs->Warnings,
              QStringList{"The compression mode set with the profile cannot be applied for this source image format."});
    EXPECT_TRUE(m_form->Action("ModeOriginalComprAction")->isChecked());
    EXPECT_FALSE(f->Document().HasProfileWarnings());
}

// The status bar's job panel and lamps follow the active image's work.
TEST_F(MainForm, TheStatusBarShowsTheJobAndWhetherWorkRuns) {
    // The status widgets have no meta-objects of their own: found by name, then cast.
    auto* lamps = dynamic_cast<vantorel::StatusLamps*>(m_form->findChild<QWidget*>("StatusLamps"));
    ASSERT_NE(lamps, nullptr);
    m_dialogs->OpenName = WriteJpeg("status.jpg", 1600, 1200);
    m_form->FileOpenActionExecute();
    vantorel::TImageForm* f = m_form->ActiveImage();
    ASSERT_NE(f, nullptr);
    bool sawWork = false;
    WaitFor([&] {
        m_form->TimerTimer();
        if (f->Document().Busy())
            sawWork = sawWork || (lamps->First() == vantorel::StatusLamps::kDark &&
                                  lamps->Second() == vantorel::StatusLamps::kWorking);
        return sawWork;
    });
    EXPECT_TRUE(sawWork);
    ASSERT_TRUE(Settled(f));
    m_form->TimerTimer();
    EXPECT_EQ(lamps->First(), vantorel::StatusLamps::kReady);
    EXPECT_EQ(lamps->Second(), vantorel::StatusLamps::kDark);
    auto* progress = dynamic_cast<vantorel::StatusProgress*>(m_form->findChild<QWidget*>("StatusProgress"));
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->Text(), "Done.");
}

// A target search shows its whole span as the bar and the current attempt as the edge strips.
TEST(StatusProgress, TheAttemptShowsAsStripsAboveAndBelowTheBar) {
    testsupport::EnsureGuiApplication();
    vantorel::StatusProgress bar;
    bar.resize(100, 20);
    bar.Show("Compressing", 30, 70, false);
    EXPECT_EQ(bar.Text(), "Compressing.. 30%");
    const QImage shot = bar.grab().toImage();
    const QColor navy(0, 0, 128);
    EXPECT_EQ(shot.pixelColor(60, 0), navy);   // the attempt's strip reaches 70 %
    EXPECT_NE(shot.pixelColor(80, 0), navy);
    EXPECT_NE(shot.pixelColor(25, 1), navy);   // the bar leaves the strips' rows free
    EXPECT_EQ(shot.pixelColor(28, 2), navy);   // the search's bar reaches 30 %
    EXPECT_NE(shot.pixelColor(32, 2), navy);
}

// The toolbars' look follows its four switches and is kept for the next run.
TEST_F(MainForm, ToolbarLookSwitchesAndTheirKeeping) {
    const auto openButton = [this] {
        return m_form->findChild<QToolBar*>("FileToolbar")->findChildren<QToolButton*>().value(0);
    };
    ASSERT_NE(openButton(), nullptr);
    EXPECT_EQ(openButton()->minimumSize(), QSize(23, 22));
    EXPECT_FALSE(openButton()->autoRaise()) << "buttons have borders by default";
    EXPECT_FALSE(m_form->Action("ViewFlatBtnsAction")->isChecked());
    m_form->Action("ViewLargeButtonsAction")->trigger();
    EXPECT_EQ(openButton()->minimumSize(), QSize(37, 36));
    EXPECT_EQ(m_form->findChild<QToolBar*>("FileToolbar")->iconSize(), QSize(32, 32));
    EXPECT_EQ(m_form->findChild<QSlider*>("ZoomTrackBar")->width(), 30);
    m_form->Action("ViewFlatBtnsAction")->trigger();
    EXPECT_TRUE(openButton()->autoRaise());
    // Without tips a tool tip request never reaches the button.
    // (The application's filters run before the button's own, which records what gets through.)
    struct TipRecorder : QObject {
        int Tips = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            Tips += e->type() == QEvent::ToolTip;
            return false;
        }
    } recorder;
    openButton()->installEventFilter(&recorder);
    const auto tipArrives = [&] {
        const int before = recorder.Tips;
        QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), openButton()->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(openButton(), &tip);
        return recorder.Tips > before;
    };
    EXPECT_TRUE(tipArrives());
    m_form->Action("ViewShowTipsAction")->trigger();
    EXPECT_FALSE(m_form->Prefs().ShowTips);
    EXPECT_FALSE(tipArrives());
    openButton()->removeEventFilter(&recorder);
    // The menu lists the switches, then the toolbars in their order.
    QStringList items;
    for (QAction* a : m_form->findChild<QMenu*>("ToolbarsMenu")->actions())
        items << (a->isSeparator() ? QString("-") : a->text());
    EXPECT_EQ(items, (QStringList{"&Large Buttons", "Show &Tips", "&Flat Buttons", "H&ighlight Pressed Buttons", "-",
                                  "&File", "&Edit", "&Mode", "&Selection", "&Tools", "&Zoom", "&View", "&Window",
                                  "&Options", "&Controls", "-", "Com&pression", "&Image Prefiltering"}));
    // The next run starts with the same look.
    m_form.reset();
    m_form = std::make_unique<vantorel::TMainForm>(*m_store, std::make_unique<ScriptedDialogs>());
    EXPECT_TRUE(m_form->Action("ViewLargeButtonsAction")->isChecked());
    EXPECT_TRUE(m_form->Action("ViewFlatBtnsAction")->isChecked());
    EXPECT_FALSE(m_form->Action("ViewShowTipsAction")->isChecked());
    EXPECT_TRUE(m_form->Action("ViewHighlightAction")->isChecked());
    EXPECT_EQ(openButton()->minimumSize(), QSize(37, 36));
}

TEST_F(MainForm, DroppedFilesAreQueuedAndOpenedOneWindowEach) {
    const QString a = WriteJpeg("drop a.jpg");
    const QString b = WriteJpeg("drop b.jpg");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(Path("missing.jpg")), QUrl::fromLocalFile(b)});
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(m_form.get())->event(&drop); // delivered as the window system would, without a drag
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_EQ(m_form->PendingFiles(), (QStringList{a, b}));
    m_form->IdleHandler();
    const auto windows = m_form->ImageWindows();
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows[0]->Document().FileName(), a);
    EXPECT_EQ(windows[1]->Document().FileName(), b);
    // Only the active window recompresses; the other one follows when it is activated.
    ASSERT_EQ(m_form->ActiveImage(), windows[1]);
    EXPECT_TRUE(Settled(windows[1]));
    EXPECT_EQ(windows[0]->Document().ResultSize(), 0);
    m_form->ActivateImage(windows[0]);
    EXPECT_TRUE(Settled(windows[0]));
    EXPECT_FALSE(windows[0]->Document().OwnFile) << "a dropped file has no file of its own";
}

TEST_F(MainForm, ATooAmbitiousTargetWarnsOnce) {
    vantorel::TImageForm* f = OpenThroughDialog(WriteJpeg("q.jpg", 640, 480));
    ASSERT_NE(f, nullptr);
    m_dialogs->Asked.clear();
    m_form->Action("OptHoldTargetAction")->trigger();
    ASSERT_TRUE(f->Document().Engine().TargetEnabled());
    // 921,600 bytes of pixels into 5 KB: a ratio of 180.
    m_form->ComprPanel().ComprRatioEdit().setText("5");
    m_form->ComprPanel().ComprRatioEditChange();
    ASSERT_TRUE(Settled(f));
    EXPECT_EQ(m_dialogs->Asked, QStringList{"Quality1"});
}

TEST_F(MainForm, ClosingWhileLoadingOrCompressingIsSafe) {
    const QString big = WriteJpeg("big.jpg", 3000, 2000);
    // A window closed while its picture is still being read.
    vantorel::TImageForm* loading = m_form->CreateImageWindowFromFile(big, false);
    ASSERT_TRUE(loading->Document().Busy());
    QPointer<QWidget> gone = loading;
    qobject_cast<QMdiSubWindow*>(loading->parentWidget())->close();
    ASSERT_TRUE(WaitFor([&] { return gone.isNull(); }));
    EXPECT_TRUE(m_dialogs->Warnings.isEmpty());
    // A window closed during its compression.
    vantorel::TImageForm* compressing = m_form->CreateImageWindowFromFile(big, false);
    ASSERT_TRUE(WaitFor([&] { return compressing->Document().Busy() && compressing->Document().Phase() == 0; }));
    gone = compressing;
    qobject_cast<QMdiSubWindow*>(compressing->parentWidget())->close();
    ASSERT_TRUE(WaitFor([&] { return gone.isNull(); }));
    // The main window goes while a window loads.
    m_form->CreateImageWindowFromFile(big, false);
    m_form.reset();
}

TEST(HandOver, ASecondStartGivesItsFilesToTheRunningProgram) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto jpeg = testsupport::CjpegCompress(testsupport::MakePicture(64, 48, testsupport::PictureKind::kGradient),
                                                 "-quality 90", dir.path().toStdString());
    const std::string one = testsupport::WriteTempFile(dir.path().toStdString(), "one.jpg", jpeg);
    const std::string two = testsupport::WriteTempFile(dir.path().toStdString(), "two.jpg", jpeg);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VANTOREL_SETTINGS", dir.filePath("settings.ini"));
    env.insert("XDG_RUNTIME_DIR", dir.path()); // a channel of this test's own
    env.insert("TMPDIR", dir.path());
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(VANTOREL_APP, {});
    ASSERT_TRUE(first.waitForStarted());
    // The first program opens its channel (a socket file in its temporary folder) once it runs.
    const QString channel = dir.filePath(vantorel::InstanceHandOver::DefaultChannel());
    QElapsedTimer timer;
    timer.start();
    while (!QFileInfo::exists(channel) && timer.elapsed() < 120000 && first.state() == QProcess::Running)
        QThread::msleep(50);
    ASSERT_TRUE(QFileInfo::exists(channel));
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(VANTOREL_APP, {QString::fromStdString(one), QString::fromStdString(two)});
    ASSERT_TRUE(second.waitForStarted());
    const bool handedOver = second.waitForFinished(60000) && second.exitStatus() == QProcess::NormalExit &&
                            second.exitCode() == 0;
    EXPECT_TRUE(handedOver);
    EXPECT_EQ(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished();
}

} // namespace
