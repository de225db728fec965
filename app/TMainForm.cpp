// The main window's life: creation, the idle pass, the tick, incoming files, image windows,
// closing and the settings.
#include "TMainForm.h"

#include "IncomingFiles.h"
#include "MonotonicClock.h"
#include "PrefilterPanel.h"
#include "ProgramFolders.h"
#include "SaveNaming.h"
#include "SettingsStore.h"
#include "SplashWindow.h"
#include "StatusProgress.h"
#include "TExtTimer.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace vantorel {

TMainForm::TMainForm(SettingsStore& store, std::unique_ptr<UserDialogs> dialogs, QStringList arguments)
    : m_store(store), m_dialogs(std::move(dialogs)), m_arguments(std::move(arguments)) {
    if (!m_dialogs)
        m_dialogs = std::make_unique<UserDialogs>();
    m_dialogs->Store = &m_store;
    setObjectName("MainForm");
    QApplication::setApplicationDisplayName("Vantorel");
    setWindowTitle("Vantorel 2019");
    resize(1024, 720);
    m_mdi = new QMdiArea;
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    m_comprPanel = new CompressionPanel;
    m_prefiltPanel = new PrefilterPanel;
    CreateActions();
    CreateMenus();
    CreateToolbars();
    CreateStatusBar();
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) {
        if (TImageForm* a = ActiveImage())
            ImageNotify(*a, 0);
    });
    // The panels edit the active image; the two area tabs always show the same area.
    m_comprPanel->OnAreaTabChanged = [this](int tab) {
        m_prefiltPanel->SetAreaTab(tab);
        EnablePanels();
    };
    m_prefiltPanel->OnAreaTabChanged = [this](int tab) {
        m_comprPanel->SetAreaTab(tab);
        EnablePanels();
    };
    m_comprPanel->OnHoldChanged = [this](bool held) { SetChecked("OptHoldTargetAction", held); };
    m_comprPanel->OnCommonProfileClicked = [this] { CommonProfileAction(); };
    m_comprPanel->OnTargetUnitChanged = [this] {
        const bool ratio = m_comprPanel->TargetUnitCombo().currentIndex() == 1;
        SetChecked("OptTargetSizeAction", !ratio);
        SetChecked("OptTargetRatioAction", ratio);
    };
    m_commandLinePending = !m_arguments.isEmpty();
    qApp->installEventFilter(this);
    LoadWindowSettings();
    setAcceptDrops(true);
    m_noImageState = false;
    EnterNoImageState();
    // The tick drives the recompression and the continuous zoom; the idle pass everything else.
    m_tick = std::make_unique<TExtTimer>(100, [this] { TimerTimer(); });
    m_tick->start(QThread::LowestPriority);
    m_idle = new QTimer(this);
    m_idle->setInterval(30);
    connect(m_idle, &QTimer::timeout, this, [this] { IdleHandler(); });
    m_idle->start();
}

TMainForm::~TMainForm() {
    m_destroying = true;
    qApp->removeEventFilter(this);
    // The children outlive this part of the window: nothing they emit while they go may reach it.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    m_comprPanel->OnAreaTabChanged = nullptr;
    m_comprPanel->OnHoldChanged = nullptr;
    m_comprPanel->OnCommonProfileClicked = nullptr;
    m_comprPanel->OnTargetUnitChanged = nullptr;
    m_prefiltPanel->OnAreaTabChanged = nullptr;
    m_idle->stop();
    m_pendingFiles.clear();
    if (m_tick) {
        m_tick->Stop();
        while (!m_tick->wait(10))
            QCoreApplication::processEvents(); // its last call may be waiting for the main thread
        m_tick.reset();
    }
    SaveWindowSettings();
    // Image windows go first: their documents wait for their workers.
    for (TImageForm* form : ImageWindows())
        delete form;
}

// --- windows ---------------------------------------------------------------------------------------

TImageForm* TMainForm::ActiveImage() const {
    // The current window stays the active image while the program itself is not the active one.
    QMdiSubWindow* sub = m_mdi->currentSubWindow();
    auto* form = sub ? dynamic_cast<TImageForm*>(sub->widget()) : nullptr;
    return form && !form->Closing() ? form : nullptr;
}

QList<TImageForm*> TMainForm::ImageWindows() const {
    QList<TImageForm*> forms;
    for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (auto* form = dynamic_cast<TImageForm*>(sub->widget()); form && !form->Closing())
            forms << form;
    return forms;
}

void TMainForm::ActivateImage(TImageForm* form) {
    if (auto* sub = form ? qobject_cast<QMdiSubWindow*>(form->parentWidget()) : nullptr)
        m_mdi->setActiveSubWindow(sub);
}

void TMainForm::SetSplash(SplashWindow* splash) { m_splash = splash; }

QAction* TMainForm::Action(const QString& name) const { return findChild<QAction*>(name); }

namespace {

QMdiSubWindow* AddToArea(QMdiArea& area, TImageForm* form) {
    QMdiSubWindow* sub = area.addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->resize(std::max(320, area.width() * 3 / 4), std::max(240, area.height() * 3 / 4));
    sub->show();
    area.setActiveSubWindow(sub);
    return sub;
}

} // namespace

TImageForm* TMainForm::CreateImageWindowFromFile(const QString& fileName, bool ownFile) {
    auto* form = new TImageForm(m_prefs, *this);
    // The decode starts first and runs while the window is being laid out and shown.
    form->LoadFromFile(fileName, ownFile);
    AddToArea(*m_mdi, form);
    if (!ownFile)
        ++m_newImageCounter; // the counter numbers the windows that did not come from the open dialog
    return form;
}

TImageForm* TMainForm::CreateImageWindowFromBitmap(const QImage& picture) {
    auto* form = new TImageForm(m_prefs, *this);
    AddToArea(*m_mdi, form);
    form->LoadFromBitmap(picture, NewImageName(m_newImageCounter));
    ++m_newImageCounter;
    return form;
}

TImageForm* TMainForm::CreateImageWindowFromWindow(const TImageForm& other) {
    auto* form = new TImageForm(m_prefs, *this);
    AddToArea(*m_mdi, form);
    form->LoadFromWindow(other);
    return form;
}

// --- incoming files --------------------------------------------------------------------------------

void TMainForm::QueueIncomingFiles(const QStringList& names) {
    int notCached = 0;
    m_pendingFiles << FilterIncomingFiles(names, &notCached);
    if (notCached > 0)
        m_dialogs->Warning(this, "Cannot open an image: it is not cached or fully loaded. You can use the Windows "
                                 "clipboard to copy this image into Vantorel");
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void TMainForm::dropEvent(QDropEvent* event) {
    QStringList names;
    for (const QUrl& url : event->mimeData()->urls())
        names << (url.isLocalFile() ? url.toLocalFile() : url.toString());
    event->setDropAction(Qt::CopyAction);
    event->accept();
    QueueIncomingFiles(names);
}

// --- the idle pass and the tick ------------------------------------------------------------------

void TMainForm::IdleHandler() {
    m_firstIdle = false;
    // The splash goes at the first idle pass once its fade-in has been seen.
    if (m_splash && m_splash->ShownFor() >= 400) {
        m_splash->close();
        m_splash = nullptr;
    }
    if (m_commandLinePending) {
        m_commandLinePending = false;
        QStringList names;
        for (const QString& argument : m_arguments) {
            if (argument.startsWith("http:", Qt::CaseInsensitive) || argument.startsWith("file:", Qt::CaseInsensitive)) {
                names << argument;
                continue;
            }
            const QFileInfo info(argument);
            names << (info.exists() ? info.absoluteFilePath() : QString());
        }
        QueueIncomingFiles(names);
    }
    // Each queued file opens in its own window, in queue order.
    const QStringList queue = std::exchange(m_pendingFiles, {});
    for (const QString& name : queue)
        CreateImageWindowFromFile(name, false);
    const QList<TImageForm*> forms = ImageWindows();
    if (forms.isEmpty()) {
        EnterNoImageState();
    } else {
        TImageForm* active = ActiveImage();
        const long long now = MonotonicMs();
        if (active && now - m_lastTakeOver >= 150) {
            m_lastTakeOver = now;
            const int code = active->TakeNotification();
            if (code >= 0)
                UpdateFromActiveImage(active, code);
        }
        for (TImageForm* form : forms)
            form->Document().IdleWork();
        if (m_noImageState)
            LeaveNoImageState();
        RefreshCommandStates();
        // The warnings wait for the window's second pass, so that its first synchronisation is done.
        if (active && !active->FirstIdlePass && active->Document().HasProfileWarnings()) {
            UpdateFromActiveImage(active, 0);
            m_dialogs->Warning(this, active->Document().TakeProfileWarnings());
        }
        for (TImageForm* form : forms)
            form->FirstIdlePass = false;
    }
    if (QAction* paste = Action("EditPasteAction"))
        paste->setEnabled(QApplication::clipboard()->mimeData() && QApplication::clipboard()->mimeData()->hasImage());
}

void TMainForm::TimerTimer() {
    TImageForm* a = ActiveImage();
    if (!a || m_destroying)
        return;
    ImageDocument& doc = a->Document();
    if ((m_compressOnChange || m_interfaceMode == 1) && doc.RecompressionDue(m_interfaceMode == 1)) {
        doc.StartJob();
        RefreshCommandStates();
        const EngineSettings& s = doc.Engine().Settings();
        // The ratio follows a size target too.
        if (doc.Engine().TargetEnabled() && s.ComprRatio > 100 && doc.CorrectionView() == 0 && s.CompressionMode == 0)
            m_dialogs->InfoCBox(this,
                                "Entered Target value is low for this image. It will possibly result in low picture "
                                "quality.\n\nPlease try to reduce image dimensions (resize) at first. This will help "
                                "to gain the entered\ntarget value with better overall picture quality. Use the \"Edit "
                                "> Resize...\" menu item to access image resizing options.",
                                "Quality1", 0, 500, 0);
    }
    if (a->TimedWork())
        a->TimerEvent();
    StatusBarRefresh();
}

// --- ImageFormHost ---------------------------------------------------------------------------------

const QString& TMainForm::ProfilesFolder() {
    if (m_profilesFolder.isEmpty())
        m_profilesFolder = vantorel::ProfilesFolder();
    return m_profilesFolder;
}

void TMainForm::ImageNotify(TImageForm& form, int code) {
    if (code == 3 && &form == ActiveImage())
        UpdateFromActiveImage(&form, 3);
    if (code == 0 && &form == ActiveImage()) {
        form.TakeNotification();
        UpdateFromActiveImage(&form, 0);
    }
}

void TMainForm::ImageLoadFailed(TImageForm& form, const QString& error) {
    m_dialogs->Warning(this, error);
    if (auto* sub = qobject_cast<QMdiSubWindow*>(form.parentWidget())) {
        form.Document().Saved = true; // nothing to ask about
        sub->close();
    }
}

void TMainForm::ImageMessage(const QString& text) { m_dialogs->Warning(this, text); }

void TMainForm::ImageContextMenu(TImageForm&, const QPoint& globalPosition) {
    QMenu menu(this);
    for (const char* name : {"EditCompressAction", "EditStopAction"})
        menu.addAction(Action(name));
    menu.addSeparator();
    menu.addAction(Action("FileSaveAsAction"));
    menu.addAction(Action("FileCloseAction"));
    menu.addSeparator();
    menu.addAction(Action("ViewZoomFitAction"));
    menu.addAction(Action("ViewActSizeAction"));
    menu.addSeparator();
    QMenu* units = menu.addMenu("&File Size Units");
    QAction* bytes = units->addAction("&Bytes");
    QAction* kbytes = units->addAction("&KBytes");
    units->addSeparator();
    QAction* dt28 = units->addAction("Download Time at &28.8 Kbit");
    QAction* dt56 = units->addAction("Download Time at &56 KBit");
    for (QAction* item : {bytes, kbytes, dt28, dt56})
        item->setCheckable(true);
    std::uint8_t& word = m_prefs.ImageInfoOptions;
    bytes->setChecked(!(word & 4));
    kbytes->setChecked(word & 4);
    dt28->setChecked(word & 8);
    dt56->setChecked(word & 16);
    QAction* chosen = menu.exec(globalPosition);
    if (!chosen)
        return;
    if (chosen == bytes)
        word &= ~4;
    else if (chosen == kbytes)
        word |= 4;
    else if (chosen == dt28)
        word = static_cast<std::uint8_t>((word & 8) ? word & ~8 : (word | 8) & ~16);
    else if (chosen == dt56)
        word = static_cast<std::uint8_t>((word & 16) ? word & ~16 : (word | 16) & ~8);
    else
        return;
    for (TImageForm* form : ImageWindows())
        form->RefreshStatus();
}

// --- closing and settings ------------------------------------------------------------------------

void TMainForm::closeEvent(QCloseEvent* event) {
    // Every image window answers its close question first; one that refuses keeps them all open.
    const QList<TImageForm*> forms = ImageWindows();
    for (TImageForm* form : forms) {
        if (!ImageMayClose(*form)) {
            event->ignore();
            return;
        }
    }
    for (TImageForm* form : forms)
        form->SetCloseAnswered();
    m_mdi->closeAllSubWindows();
    event->accept();
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // The information panel takes 40 % of what the fixed panels leave, at most 160 pixels.
    const int w = statusBar()->width() - 200;
    m_infoLabel->setFixedWidth(std::max(0, std::min(160, static_cast<int>(std::lround(w * 0.4)))));
}

void TMainForm::LoadWindowSettings() {
    LoadPreferences(m_store, m_prefs, m_batchOptions);
    m_windowValues = LoadWindowValues(m_store, geometry());
    m_comprPanel->SetEqualizerVisible(m_windowValues.ComprEqVisible);
    m_comprPanel->SetTabsVisible(m_windowValues.ComprTabVisible);
    if (m_prefs.SaveToolbarsPos) {
        m_store.SetGroup("Toolbars");
        const QByteArray state = QByteArray::fromBase64(m_store.ReadText("State").toLatin1());
        m_store.SetGroup({});
        if (!state.isEmpty())
            restoreState(state);
    }
    if (m_prefs.SaveWindowSize && m_windowValues.MainFormMaximized) {
        setWindowState(Qt::WindowMaximized);
    } else if (!m_prefs.FirstRun()) {
        if (m_prefs.SaveWindowPos)
            move(m_windowValues.Bounds.topLeft());
        if (m_prefs.SaveWindowSize && m_windowValues.Bounds.width() > 0 && m_windowValues.Bounds.height() > 0)
            resize(m_windowValues.Bounds.size());
    }
    m_openFolders.InitialDir = m_windowValues.OpenDir;
    m_saveFolders.InitialDir = m_windowValues.SaveDir;
    m_exportFolders.InitialDir = m_windowValues.ExportDir;
    m_openFolders.Recent = m_windowValues.RecentOpenDirs;
    m_saveFolders.Recent = m_windowValues.RecentSaveDirs;
    m_openFolders.Options = m_saveFolders.Options = m_windowValues.FileDialogOptions;
    SetChecked("OptMaxOptAction", m_prefs.ExtraOptimization);
    SetChecked("OptKeepDateAction", m_prefs.KeepOrigDatetime);
    SetChecked("EditAutoRotateAction", m_prefs.AutoRotate);
    ApplyToolbarLook();
}

void TMainForm::SaveWindowSettings() {
    SavePreferences(m_store, m_prefs, m_batchOptions);
    m_store.SetGroup("Toolbars");
    m_store.WriteText("State", QString::fromLatin1(saveState().toBase64()));
    m_store.SetGroup({});
    m_windowValues.MainFormMaximized = isMaximized();
    m_windowValues.ComprEqVisible = m_comprPanel->EqualizerVisible();
    m_windowValues.ComprTabVisible = m_comprPanel->TabsVisible();
    m_windowValues.Bounds = geometry();
    m_windowValues.OpenDir = m_openFolders.InitialDir;
    m_windowValues.SaveDir = m_saveFolders.InitialDir;
    m_windowValues.ExportDir = m_exportFolders.InitialDir;
    m_windowValues.RecentOpenDirs = m_openFolders.Recent;
    m_windowValues.RecentSaveDirs = m_saveFolders.Recent;
    m_windowValues.FileDialogOptions = m_openFolders.Options;
    SaveWindowValues(m_store, m_windowValues, isMinimized());
    m_store.Flush();
}

} // namespace vantorel
