// The main window's commands (created here, in one place), its menus, toolbars and status bar, the
// command states, and the view and window commands.
#include "TMainForm.h"

#include "CommandPictures.h"
#include "PrefilterPanel.h"
#include "StatusLamps.h"
#include "StatusProgress.h"
#include "ZoomSteps.h"

#include <QActionGroup>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>
#include <QStyle>
#include <QToolButton>

namespace vantorel {

QAction* TMainForm::MakeAction(const char* name, const QString& caption, const QString& keys,
                               void (TMainForm::*handler)(), bool checkable) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    if (!keys.isEmpty())
        action->setShortcut(QKeySequence(keys));
    action->setCheckable(checkable);
    if (handler)
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return action;
}

void TMainForm::CreateActions() {
    using M = TMainForm;
    struct ActionRow {
        const char* Name;
        const char* Caption;
        const char* Keys;
        void (M::*Handler)();
        bool Checkable;
    };
    // Handlers that take arguments are bound below.
    const ActionRow rows[] = {
        {"FileOpenAction", "&Open...", "Ctrl+O", &M::FileOpenActionExecute, false},
        {"FileSaveAction", "&Save", "Ctrl+S", nullptr, false},
        {"FileSaveAsAction", "Save &As...", "F2", nullptr, false},
        {"FileExportBMPAction", "Windows &Bitmap (BMP)", "", &M::FileExportBMPActionExecute, false},
        {"EditCompressAction", "Com&press", "Ctrl+P", &M::EditCompressActionExecute, false},
        {"EditStopAction", "Stop", "Shift+P", &M::EditCompressActionExecute, false},
        {"FileCloseAction", "&Close", "", &M::FileCloseActionExecute, false},
        {"FileSelSourceAction", "Select So&urce...", "", &M::FileAcquireActionExecute, false},
        {"FileAcquireAction", "&Acquire...", "", &M::FileAcquireActionExecute, false},
        {"FileExitAction", "E&xit", "", nullptr, false},
        {"EditCopyAction", "&Copy", "Ctrl+C", &M::EditCopyActionExecute, false},
        {"EditPasteAction", "Paste as New &Image", "Ctrl+V", &M::EditPasteActionExecute, false},
        {"ModeCorrectionAction", "Image Co&rrection", "F12", nullptr, true},
        {"ModeCompressionAction", "Image Com&pression", "", nullptr, true},
        {"ModeFreeComprAction", "Free", "Ctrl+F3", nullptr, true},
        {"ModeOriginalComprAction", "Original", "Ctrl+F2", nullptr, true},
        {"ModeLosslessComprAction", "Lossless", "Ctrl+F1", nullptr, true},
        {"OptToolMoveAction", "&Move", "", nullptr, true},
        {"OptToolSelAction", "&Selection", "", nullptr, true},
        {"OptToolZoomAction", "&Zoom", "", nullptr, true},
        {"SelRectAction", "&Rectangular", "", nullptr, true},
        {"SelElliptAction", "&Elliptic", "", nullptr, true},
        {"SelPolyAction", "&Polygonal", "", nullptr, true},
        {"SelDelAction", "&Delete", "Ctrl+D", nullptr, false},
        {"SelDelAllAction", "Delele &All", "Ctrl+Alt+D", nullptr, false},
        {"SelHideAction", "&Hide All", "", nullptr, true},
        {"OptEqAdjAction", "&Adjustment", "", nullptr, true},
        {"OptEqFullAction", "&Full Control", "", nullptr, true},
        {"OptCompAutAction", "&Options change (automatically)", "", nullptr, true},
        {"OptCompCmdAction", "&Command", "", nullptr, true},
        {"OptHoldTargetAction", "Hold Target Value", "Ctrl+T", nullptr, true},
        {"OptTargetSizeAction", "File &Size", "", nullptr, true},
        {"OptTargetRatioAction", "Compression &Ratio", "", nullptr, true},
        {"OptCommProfileAction", "Common Profile", "", &M::CommonProfileAction, true},
        {"OptPlainAction", "&Plain", "", nullptr, true},
        {"OptSelAction", "&Selective", "", nullptr, true},
        {"OptOptAction", "&Optimized", "", nullptr, true},
        {"OptProgAction", "P&rogressive (Web)", "", nullptr, true},
        {"OptColorAction", "&True Color (24 bit)", "", nullptr, true},
        {"OptGrayAction", "&Gray Scale (8 bit)", "", nullptr, true},
        {"OptPrecNormAction", "&Normal (2 Luma : 1 Chroma)", "", nullptr, true},
        {"OptPrecHighAction", "&High (2 Luma : 2 Chroma)", "", nullptr, true},
        {"OptPrecLowAction", "&Low (1 Luma : 2 Chroma)", "", nullptr, true},
        {"OptKeepEXIFAction", "Keep E&XIF data", "", nullptr, true},
        {"OptKeepCommAction", "Keep &text comments", "", nullptr, true},
        {"EditAutoRotateAction", "Auto-rotate", "", &M::EditAutoRotateActionExecute, true},
        {"OptIntMarksAction", "&Integrity marks...", "", &M::OptIntMarksActionExecute, false},
        {"OptMaxOptAction", "&Maximum optimization", "", &M::OptMaxOptActionExecute, true},
        {"OptKeepDateAction", "Keep original &file date", "", &M::OptKeepDateActionExecute, true},
        {"ViewZoomInAction", "Zoom &In", "Ctrl+Up", &M::ViewZoomInActionExecute, false},
        {"ViewZoomOutAction", "Zoom &Out", "Ctrl+Down", &M::ViewZoomOutActionExecute, false},
        {"ViewZoomFitAction", "Zoom to &Fit", "Ctrl+Ins", &M::ViewZoomFitActionExecute, false},
        {"ViewActSizeAction", "&Actual size", "Ctrl+1", &M::ViewActSizeActionExecute, false},
        {"ViewCenterAction", "&Center", "Ctrl+Home", &M::ViewCenterActionExecute, false},
        {"ViewArrHorzAction", "Arrange &Horizontally", "Alt+H", nullptr, true},
        {"ViewArrVertAction", "Arrange &Vertically", "Alt+V", nullptr, true},
        {"ViewArrResAction", "&Result only", "Alt+R", nullptr, true},
        {"WindowCascadeAction", "&Cascade", "", nullptr, false},
        {"WindowTileHorizontalAction", "Tile &Horizontally", "", nullptr, false},
        {"WindowTileVerticalAction", "Tile &Vertically", "", nullptr, false},
        {"WindowMinimizeAllAction", "&Minimize All", "", nullptr, false},
        {"WindowDuplAction", "&Duplicate", "Shift+D", &M::WindowDuplActionExecute, false},
        {"WindowFitAction", "&Fit to image", "Ctrl+W", &M::WindowFitActionExecute, false},
        {"HelpAboutAction", "&About...", "", &M::HelpAboutActionExecute, false},
        {"ViewLargeButtonsAction", "&Large Buttons", "", &M::ViewLargeButtonsActionExecute, true},
        {"ViewShowTipsAction", "Show &Tips", "", &M::ViewShowTipsActionExecute, true},
        {"ViewFlatBtnsAction", "&Flat Buttons", "", &M::ViewFlatBtnsActionExecute, true},
        {"ViewHighlightAction", "H&ighlight Pressed Buttons", "", &M::ViewHighlightActionExecute, true},
    };
    for (const ActionRow& row : rows)
        MakeAction(row.Name, row.Caption, row.Keys, row.Handler, row.Checkable);
    for (int filter = 1; filter <= 5; ++filter) {
        static const char* const kCaptions[] = {"&Unsharp Masking", "&Luma Equalizing", "&Noise Removing",
                                                "&Range Equalizing", "&Smoothing"};
        QAction* item = MakeAction(QString("PrefilterItem%1").arg(filter).toLatin1().constData(), kCaptions[filter - 1],
                                   {}, nullptr, true);
        connect(item, &QAction::triggered, this, [this, filter] {
            m_prefiltToolbar->show();
            m_prefiltPanel->PrefilteringItemClick(filter);
        });
    }
    const auto on = [this](const char* name, auto handler) {
        connect(Action(name), &QAction::triggered, this, handler);
    };
    on("FileSaveAction", [this] { FileSaveActionExecute(); });
    on("FileSaveAsAction", [this] { FileSaveAsActionExecute(); });
    on("FileExitAction", [this] { close(); });
    on("ModeCompressionAction", [this] { SetInterfaceMode(0); });
    on("ModeCorrectionAction", [this] { SetInterfaceMode(1); });
    on("ModeFreeComprAction", [this] { ModeComprActionExecute(0); });
    on("ModeOriginalComprAction", [this] { ModeComprActionExecute(1); });
    on("ModeLosslessComprAction", [this] { ModeComprActionExecute(2); });
    on("OptToolMoveAction", [this] { OptionTool(TImageForm::kMoveTool, true); });
    on("OptToolSelAction", [this] { OptionTool(TImageForm::kSelectionTool, true); });
    on("OptToolZoomAction", [this] { OptionTool(TImageForm::kZoomTool, true); });
    on("SelRectAction", [this] { SelectionShape(0); });
    on("SelElliptAction", [this] { SelectionShape(1); });
    on("SelPolyAction", [this] { SelectionShape(2); });
    on("SelDelAction", [this] {
        if (TImageForm* a = ActiveImage())
            a->DeleteLastUnit();
    });
    on("SelDelAllAction", [this] {
        if (TImageForm* a = ActiveImage())
            a->DeleteAllUnits();
    });
    on("SelHideAction", [this] {
        if (TImageForm* a = ActiveImage()) {
            a->SetUnitsHidden(!a->UnitsHidden());
            SetChecked("SelHideAction", a->UnitsHidden());
        }
    });
    on("OptEqAdjAction", [this] { OptionFullControl(false); });
    on("OptEqFullAction", [this] { OptionFullControl(true); });
    on("OptCompAutAction", [this] {
        m_compressOnChange = true;
        SetChecked("OptCompAutAction", true);
        SetChecked("OptCompCmdAction", false);
    });
    on("OptCompCmdAction", [this] {
        m_compressOnChange = false;
        SetChecked("OptCompAutAction", false);
        SetChecked("OptCompCmdAction", true);
    });
    on("OptHoldTargetAction", [this] { m_comprPanel->HoldTargetValueAction(true); });
    on("OptTargetSizeAction", [this] { m_comprPanel->TargetUnitComboChange(0); });
    on("OptTargetRatioAction", [this] { m_comprPanel->TargetUnitComboChange(1); });
    on("OptPlainAction", [this] { OptionSelective(false, true); });
    on("OptSelAction", [this] { OptionSelective(true, true); });
    on("OptOptAction", [this] { OptionProgressive(false); });
    on("OptProgAction", [this] { OptionProgressive(true); });
    on("OptColorAction", [this] { OptionGrayscale(false); });
    on("OptGrayAction", [this] { OptionGrayscale(true); });
    on("OptPrecNormAction", [this] { OptionPrecision(0); });
    on("OptPrecHighAction", [this] { OptionPrecision(1); });
    on("OptPrecLowAction", [this] { OptionPrecision(2); });
    on("OptKeepEXIFAction", [this] { OptKeepBit(1, "OptKeepEXIFAction"); });
    on("OptKeepCommAction", [this] { OptKeepBit(16, "OptKeepCommAction"); });
    on("ViewArrHorzAction", [this] { ViewArrangement(0); });
    on("ViewArrVertAction", [this] { ViewArrangement(1); });
    on("ViewArrResAction", [this] { ViewArrangement(2); });
    on("WindowCascadeAction", [this] { m_mdi->cascadeSubWindows(); });
    on("WindowTileHorizontalAction", [this] { m_mdi->tileSubWindows(); });
    on("WindowTileVerticalAction", [this] { m_mdi->tileSubWindows(); });
    on("WindowMinimizeAllAction", [this] {
        for (QMdiSubWindow* sub : m_mdi->subWindowList())
            sub->showMinimized();
    });
    // Pictures for the commonest commands; the others show their captions.
    const struct {
        const char* Name;
        QStyle::StandardPixmap Picture;
    } pictures[] = {{"FileOpenAction", QStyle::SP_DialogOpenButton},   {"FileSaveAction", QStyle::SP_DialogSaveButton},
                    {"EditStopAction", QStyle::SP_BrowserStop},        {"EditCompressAction", QStyle::SP_MediaPlay},
                    {"FileCloseAction", QStyle::SP_DialogCloseButton}, {"HelpAboutAction", QStyle::SP_MessageBoxInformation}};
    for (const auto& p : pictures)
        Action(p.Name)->setIcon(style()->standardIcon(p.Picture));
    for (QAction* action : findChildren<QAction*>())
        if (const QIcon picture = CommandPicture(action->objectName()); !picture.isNull())
            action->setIcon(picture);
    SetChecked("ModeCompressionAction", true);
    SetChecked("ModeFreeComprAction", true);
    SetChecked("OptCompAutAction", true);
    SetChecked("OptToolMoveAction", true);
    SetChecked("SelRectAction", true);
}

void TMainForm::CreateMenus() {
    const auto add = [this](QMenu* menu, const QStringList& names) {
        for (const QString& name : names) {
            if (name.isEmpty())
                menu->addSeparator();
            else
                menu->addAction(Action(name));
        }
    };
    QMenu* file = menuBar()->addMenu("&File");
    add(file, {"FileOpenAction", "FileSaveAction", "FileSaveAsAction"});
    add(file->addMenu("&Export To"), {"FileExportBMPAction"});
    add(file, {"", "EditCompressAction", "EditStopAction", "", "FileCloseAction", "", "FileSelSourceAction",
               "FileAcquireAction", "", "FileExitAction"});
    QMenu* edit = menuBar()->addMenu("&Edit");
    add(edit, {"EditCopyAction", "EditPasteAction"});
    QMenu* correct = menuBar()->addMenu("&Correct");
    QMenu* prefiltering = correct->addMenu("Pre&filtering");
    prefiltering->setObjectName("PrefilteringMenu");
    for (int filter : {1, 2, 4, 5, 3})
        prefiltering->addAction(Action(QString("PrefilterItem%1").arg(filter)));
    connect(prefiltering, &QMenu::aboutToShow, this, [this] {
        const int active = ActiveImage() ? m_prefiltPanel->ActiveFilter() : 0;
        for (int filter = 1; filter <= 5; ++filter)
            SetChecked(QString("PrefilterItem%1").arg(filter).toLatin1().constData(), filter == active);
    });
    QMenu* mode = menuBar()->addMenu("&Mode");
    add(mode, {"ModeCompressionAction", "ModeCorrectionAction", ""});
    add(mode->addMenu("Com&pression"), {"ModeFreeComprAction", "ModeOriginalComprAction", "ModeLosslessComprAction"});
    add(mode->addMenu("&Tool"), {"OptToolMoveAction", "OptToolSelAction", "OptToolZoomAction"});
    add(mode->addMenu("&Selection"),
        {"SelRectAction", "SelElliptAction", "SelPolyAction", "", "SelDelAction", "SelDelAllAction", "SelHideAction"});
    QMenu* options = menuBar()->addMenu("&Options");
    add(options->addMenu("&Equalizer"), {"OptEqAdjAction", "OptEqFullAction"});
    add(options->addMenu("Compress &on"), {"OptCompAutAction", "OptCompCmdAction"});
    add(options, {"OptHoldTargetAction"});
    add(options->addMenu("Target &Value"), {"OptTargetSizeAction", "OptTargetRatioAction"});
    add(options, {"OptCommProfileAction", "", "OptPlainAction", "OptSelAction", "", "OptOptAction", "OptProgAction",
                  "", "OptColorAction", "OptGrayAction"});
    add(options->addMenu("Pre&cision"), {"OptPrecNormAction", "OptPrecHighAction", "OptPrecLowAction"});
    add(options->addMenu("&Advanced"), {"OptKeepEXIFAction", "OptKeepCommAction", "EditAutoRotateAction", "",
                                        "OptIntMarksAction", "OptMaxOptAction", "OptKeepDateAction"});
    QMenu* view = menuBar()->addMenu("&View");
    add(view, {"ViewZoomInAction", "ViewZoomOutAction", "ViewZoomFitAction", "ViewActSizeAction", "ViewCenterAction",
               "", "ViewArrHorzAction", "ViewArrVertAction", "ViewArrResAction"});
    QMenu* toolbars = view->addMenu("&Toolbars");
    toolbars->setObjectName("ToolbarsMenu");
    QMenu* window = menuBar()->addMenu("&Window");
    // The open image windows follow the commands, the active one checked.
    connect(window, &QMenu::aboutToShow, this, [this, window, add] {
        window->clear();
        add(window, {"WindowCascadeAction", "WindowTileHorizontalAction", "WindowTileVerticalAction",
                     "WindowMinimizeAllAction", "", "WindowFitAction", "WindowDuplAction"});
        const QList<QMdiSubWindow*> subs = m_mdi->subWindowList(QMdiArea::CreationOrder);
        if (!subs.isEmpty())
            window->addSeparator();
        int number = 1;
        for (QMdiSubWindow* sub : subs) {
            QAction* item = window->addAction(QString("&%1 %2").arg(number++).arg(sub->windowTitle()));
            item->setCheckable(true);
            item->setChecked(sub == m_mdi->currentSubWindow());
            connect(item, &QAction::triggered, m_mdi, [this, sub] { m_mdi->setActiveSubWindow(sub); });
        }
    });
    QMenu* help = menuBar()->addMenu("&Help");
    add(help, {"HelpAboutAction"});
}

void TMainForm::CreateToolbars() {
    const auto bar = [this](const char* name, const QString& caption, Qt::ToolBarArea area, const QStringList& actions) {
        auto* toolbar = new QToolBar(caption, this);
        toolbar->setObjectName(name);
        for (const QString& action : actions) {
            if (action.isEmpty())
                toolbar->addSeparator();
            else
                toolbar->addAction(Action(action));
        }
        addToolBar(area, toolbar);
        return toolbar;
    };
    bar("FileToolbar", "File", Qt::TopToolBarArea,
        {"FileOpenAction", "EditCompressAction", "EditStopAction", "FileSaveAction", "FileSaveAsAction"});
    bar("EditToolbar", "Edit", Qt::TopToolBarArea, {"EditPasteAction", "EditCopyAction"});
    bar("SelToolbar", "Selection", Qt::TopToolBarArea,
        {"SelRectAction", "SelElliptAction", "SelPolyAction", "SelHideAction", "SelDelAction", "SelDelAllAction"});
    bar("ToolsToolbar", "Tools", Qt::TopToolBarArea, {"OptToolMoveAction", "OptToolSelAction", "OptToolZoomAction"});
    bar("WindowToolbar", "Window", Qt::TopToolBarArea,
        {"WindowCascadeAction", "WindowTileHorizontalAction", "WindowTileVerticalAction", "WindowMinimizeAllAction",
         "WindowFitAction", "WindowDuplAction"});
    bar("ModeToolbar", "Mode", Qt::LeftToolBarArea,
        {"ModeOriginalComprAction", "ModeLosslessComprAction", "ModeCompressionAction", "ModeCorrectionAction",
         "ModeFreeComprAction"});
    bar("OptionsToolbar", "Options", Qt::LeftToolBarArea,
        {"OptPlainAction", "OptGrayAction", "OptColorAction", "OptProgAction", "OptOptAction", "OptSelAction",
         "OptPrecHighAction", "OptPrecNormAction", "OptPrecLowAction"});
    bar("ControlsToolbar", "Controls", Qt::LeftToolBarArea,
        {"OptEqAdjAction", "OptEqFullAction", "OptCompAutAction", "OptCompCmdAction"});
    QToolBar* zoom = bar("ZoomToolbar", "Zoom", Qt::RightToolBarArea,
                         {"ViewZoomInAction", "ViewZoomOutAction", "ViewActSizeAction", "ViewZoomFitAction",
                          "ViewCenterAction"});
    m_zoomSlider = new QSlider(Qt::Vertical);
    m_zoomSlider->setObjectName("ZoomTrackBar");
    m_zoomSlider->setRange(0, 100);
    m_zoomSlider->setValue(50);
    zoom->addWidget(m_zoomSlider);
    connect(m_zoomSlider, &QSlider::valueChanged, this, [this](int p) { ZoomTrackBarChange(p); });
    connect(zoom, &QToolBar::orientationChanged, this, [this](Qt::Orientation orientation) {
        m_zoomSlider->setOrientation(orientation);
        ApplyToolbarLook(); // the thickness goes with the orientation
    });
    QToolBar* view = bar("ViewToolbar", "View", Qt::RightToolBarArea,
                         {"ViewArrHorzAction", "ViewArrResAction", "ViewArrVertAction"});
    auto* compare = new QToolButton;
    compare->setObjectName("ViewSrcAsResBtn");
    compare->setText("Compare");
    compare->setToolTip("Quick Compare");
    compare->setStatusTip("Displays the source image instead of the result image (while pressed)");
    connect(compare, &QToolButton::pressed, this, [this] {
        if (TImageForm* a = ActiveImage())
            a->ShowSourceAsResult(true);
    });
    connect(compare, &QToolButton::released, this, [this] {
        if (TImageForm* a = ActiveImage())
            a->ShowSourceAsResult(false);
    });
    view->addWidget(compare);
    m_comprToolbar = bar("ComprToolbar", "Compression", Qt::BottomToolBarArea, {});
    m_comprToolbar->addWidget(m_comprPanel);
    addToolBarBreak(Qt::BottomToolBarArea);
    m_prefiltToolbar = bar("PrefiltToolbar", "Image Prefiltering", Qt::BottomToolBarArea, {});
    m_prefiltToolbar->addWidget(m_prefiltPanel);
    // The options, then the toolbars in the menu's order (the button toolbars, then the panels).
    QMenu* menu = findChild<QMenu*>("ToolbarsMenu");
    AddToolbarLookItems(*menu);
    menu->addSeparator();
    static const struct {
        const char* Name;
        const char* Caption;
    } kItems[] = {{"FileToolbar", "&File"},         {"EditToolbar", "&Edit"},     {"ModeToolbar", "&Mode"},
                  {"SelToolbar", "&Selection"},     {"ToolsToolbar", "&Tools"},   {"ZoomToolbar", "&Zoom"},
                  {"ViewToolbar", "&View"},         {"WindowToolbar", "&Window"}, {"OptionsToolbar", "&Options"},
                  {"ControlsToolbar", "&Controls"}, {nullptr, nullptr},           {"ComprToolbar", "Com&pression"},
                  {"PrefiltToolbar", "&Image Prefiltering"}};
    for (const auto& item : kItems) {
        if (!item.Name) {
            menu->addSeparator();
            continue;
        }
        QAction* toggle = findChild<QToolBar*>(item.Name)->toggleViewAction();
        toggle->setText(item.Caption);
        menu->addAction(toggle);
    }
}

void TMainForm::CreateStatusBar() {
    m_infoLabel = new QLabel;
    m_infoLabel->setObjectName("InfoPanel");
    m_progress = new StatusProgress;
    m_progress->setObjectName("StatusProgress");
    m_progress->setFixedWidth(140);
    statusBar()->addPermanentWidget(m_infoLabel);
    statusBar()->addPermanentWidget(m_progress);
    m_lamps = new StatusLamps;
    m_lamps->setObjectName("StatusLamps");
    statusBar()->addPermanentWidget(m_lamps);
}

void TMainForm::SetEnabled(const QStringList& names, bool enabled) {
    for (const QString& name : names)
        if (QAction* action = Action(name))
            action->setEnabled(enabled);
}

void TMainForm::SetChecked(const char* name, bool checked) {
    if (QAction* action = Action(name)) {
        const QSignalBlocker block(action);
        action->setChecked(checked);
    }
}

// --- command states ----------------------------------------------------------------------------------

namespace {

const QStringList kImageCommands = {
    "FileSaveAction", "FileSaveAsAction", "FileExportBMPAction", "EditCompressAction", "EditStopAction",
    "FileCloseAction", "EditCopyAction", "ModeFreeComprAction", "ModeOriginalComprAction", "ModeLosslessComprAction",
    "OptToolMoveAction", "OptToolSelAction", "OptToolZoomAction", "SelRectAction", "SelElliptAction", "SelPolyAction",
    "SelDelAction", "SelDelAllAction", "SelHideAction", "OptEqAdjAction", "OptEqFullAction", "OptHoldTargetAction",
    "OptTargetSizeAction", "OptTargetRatioAction", "OptCommProfileAction", "OptPlainAction", "OptSelAction",
    "OptOptAction", "OptProgAction", "OptColorAction", "OptGrayAction", "OptPrecNormAction", "OptPrecHighAction",
    "OptPrecLowAction", "OptKeepEXIFAction", "OptKeepCommAction", "OptIntMarksAction", "ViewZoomInAction",
    "ViewZoomOutAction", "ViewZoomFitAction", "ViewActSizeAction", "ViewCenterAction", "ViewArrHorzAction",
    "ViewArrVertAction", "ViewArrResAction", "WindowCascadeAction", "WindowTileHorizontalAction",
    "WindowTileVerticalAction", "WindowMinimizeAllAction", "WindowDuplAction", "WindowFitAction", "PrefilterItem1",
    "PrefilterItem2", "PrefilterItem3", "PrefilterItem4", "PrefilterItem5"};

} // namespace

void TMainForm::EnterNoImageState() {
    if (m_noImageState)
        return;
    m_noImageState = true;
    SetEnabled(kImageCommands, false);
    if (auto* compare = findChild<QToolButton*>("ViewSrcAsResBtn"))
        compare->setEnabled(false);
    SetChecked("ModeFreeComprAction", true);
    SetChecked("ModeOriginalComprAction", false);
    SetChecked("ModeLosslessComprAction", false);
    m_mirroredMode = 0;
    m_comprPanel->SetDocument(nullptr);
    m_prefiltPanel->SetDocument(nullptr);
    EnablePanels();
    m_lastActive = nullptr;
    m_infoLabel->clear();
    m_progress->Show({}, -1, -1, false);
    m_lamps->Show(false, false);
}

void TMainForm::LeaveNoImageState() {
    if (!m_noImageState)
        return;
    m_noImageState = false;
    SetEnabled({"FileCloseAction", "EditCopyAction", "FileExportBMPAction", "ViewCenterAction", "ViewArrHorzAction",
                "ViewArrVertAction", "ViewArrResAction", "WindowCascadeAction", "WindowTileHorizontalAction",
                "WindowTileVerticalAction", "WindowMinimizeAllAction", "WindowDuplAction", "WindowFitAction"},
               true);
    SetEnabled({"ModeFreeComprAction"}, true);
    SetChecked("ModeFreeComprAction", true);
    ApplyCommandSetForMode();
    if (TImageForm* a = ActiveImage())
        UpdateFromActiveImage(a, 0);
    RefreshCommandStates();
}

void TMainForm::RefreshCommandStates() {
    TImageForm* a = ActiveImage();
    if (!a) {
        return;
    }
    const ImageDocument& doc = a->Document();
    const bool c = m_interfaceMode == 0;
    const int m = doc.Engine().Settings().CompressionMode;
    const bool busy = doc.Busy();
    const bool r = !busy && (doc.CorrectionView() == 0 ? doc.ResultSize() > 0 : !doc.Engine().Modifications().HasUnapplied());
    SetEnabled({"FileSaveAction", "FileSaveAsAction"}, c && r);
    SetEnabled({"EditCompressAction"}, c && !busy);
    const bool stoppable = busy && (doc.Phase() == 0 || doc.Phase() == 2);
    SetEnabled({"EditStopAction"}, stoppable);
    Action("EditStopAction")->setVisible(stoppable);
    Action("EditCompressAction")->setVisible(!stoppable);
    SetEnabled({"ModeLosslessComprAction"}, c && doc.LosslessAllowed());
    SetEnabled({"ModeFreeComprAction", "ModeOriginalComprAction"}, c);
    const bool selections = c && a->HasUnits() && m != 2;
    SetEnabled({"SelDelAction", "SelDelAllAction", "SelHideAction"}, selections);
    SetEnabled({"ViewZoomInAction"}, a->Zoom() < kMaxZoom);
    SetEnabled({"ViewZoomOutAction"}, a->Zoom() > kMinZoom);
    SetEnabled({"ViewActSizeAction"}, a->Zoom() != 100);
    SetEnabled({"ViewZoomFitAction"}, a->Zoom() != a->FitZoom());
    if (auto* compare = findChild<QToolButton*>("ViewSrcAsResBtn"))
        compare->setEnabled(r || a->SourceAsResult());
    SetChecked("ViewArrHorzAction", a->Arrangement() == 0);
    SetChecked("ViewArrVertAction", a->Arrangement() == 1);
    SetChecked("ViewArrResAction", a->Arrangement() == 2);
    m_infoLabel->setText(a->InformationLine());
}

void TMainForm::StatusBarRefresh() {
    TImageForm* a = ActiveImage();
    if (!a) {
        m_progress->Show({}, -1, -1, false);
        m_lamps->Show(false, false);
        return;
    }
    const ImageDocument& doc = a->Document();
    m_lamps->Show(doc.Busy(), false);
    if (doc.Busy()) {
        static const char* const kWords[] = {"Compressing", "Decompressing", "Resampling"};
        const int phase = doc.Phase();
        const char* word = phase == 2 ? kWords[2] : phase == 1 ? kWords[1] : phase == 6 ? "Modifying" : kWords[0];
        m_progress->Show(word, doc.Percent(), phase == 0 ? doc.AttemptPercent() : -1, false);
    } else {
        m_progress->Show({}, -1, -1, doc.ChangeCounter() > 0);
    }
}

// --- view and window commands ------------------------------------------------------------------------

void TMainForm::UpdateZoomControls() {
    TImageForm* a = ActiveImage();
    if (!a)
        return;
    m_zoomSliderSetting = true;
    m_zoomSlider->setValue(ZoomToSlider(a->Zoom()));
    m_zoomSliderSetting = false;
    RefreshCommandStates();
}

void TMainForm::ViewZoomInActionExecute() {
    if (TImageForm* a = ActiveImage()) {
        a->SetZoomKeepingCentre(std::clamp(ZoomInStep(a->Zoom()), kMinZoom, kMaxZoom));
        UpdateZoomControls();
    }
}

void TMainForm::ViewZoomOutActionExecute() {
    if (TImageForm* a = ActiveImage()) {
        a->SetZoomKeepingCentre(std::clamp(ZoomOutStep(a->Zoom()), kMinZoom, kMaxZoom));
        UpdateZoomControls();
    }
}

void TMainForm::ViewZoomFitActionExecute() {
    if (TImageForm* a = ActiveImage()) {
        a->ZoomToFit();
        UpdateZoomControls();
    }
}

void TMainForm::ViewActSizeActionExecute() {
    if (TImageForm* a = ActiveImage()) {
        a->SetZoomKeepingCentre(100);
        UpdateZoomControls();
    }
}

void TMainForm::ViewCenterActionExecute() {
    if (TImageForm* a = ActiveImage())
        a->Centre();
}

void TMainForm::ViewArrangement(int arrangement) {
    if (TImageForm* a = ActiveImage())
        a->SetArrangement(arrangement);
    RefreshCommandStates();
}

void TMainForm::ZoomTrackBarChange(int position) {
    if (m_zoomSliderSetting)
        return;
    if (TImageForm* a = ActiveImage()) {
        a->SetZoomKeepingCentre(SliderToZoom(position));
        RefreshCommandStates();
    }
}

void TMainForm::WindowFitActionExecute() {
    if (TImageForm* a = ActiveImage())
        a->FitWindow(m_mdi->viewport()->rect().adjusted(0, 0, -5, -5));
}

void TMainForm::EditCopyActionExecute() {
    if (TImageForm* a = ActiveImage())
        a->CopyToClipboard();
}

void TMainForm::FileCloseActionExecute() {
    if (QMdiSubWindow* sub = m_mdi->currentSubWindow())
        sub->close();
}

void TMainForm::FileAcquireActionExecute() {
    // Scanners and cameras are not reached through an acquisition interface on this platform.
    m_dialogs->Warning(this, "No image acquisition source is available. Save the picture from your scanner or "
                             "camera software and open the file.");
}

void TMainForm::HelpAboutActionExecute() {
    QMessageBox::about(this, "Vantorel",
                       "Vantorel\n\nRe-compresses photographs as JPEG files as small as possible for the quality "
                       "you accept.");
}

} // namespace vantorel
