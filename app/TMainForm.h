// The main window: the image windows in an MDI area, every command as a named action, the
// compression and prefilter toolbars, the status bar, and the idle pass and tick that drive the
// live recompression.
#pragma once

#include "CompressionPanel.h"
#include "SplashWindow.h"
#include "FileDialogs.h"
#include "Preferences.h"
#include "TBatchProcOptions.h"
#include "TImageForm.h"
#include "UserDialogs.h"
#include "WindowValues.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <memory>

class QLabel;
class QMdiArea;
class QMenu;
class QMdiSubWindow;
class QTimer;
class TExtTimer;

namespace vantorel {

class PrefilterPanel;
class SettingsStore;
class StatusLamps;
class StatusProgress;

class TMainForm : public QMainWindow, public ImageFormHost {
public:
    // `arguments`: the files of the command line (opened on the first idle pass).
    TMainForm(SettingsStore& store, std::unique_ptr<UserDialogs> dialogs, QStringList arguments = {});
    ~TMainForm() override;

    // --- windows -------------------------------------------------------------------------------
    TImageForm* ActiveImage() const;
    QList<TImageForm*> ImageWindows() const;
    void ActivateImage(TImageForm* form);
    QAction* Action(const QString& name) const;
    CompressionPanel& ComprPanel() const { return *m_comprPanel; }
    PrefilterPanel& PrefiltPanel() const { return *m_prefiltPanel; }
    const Preferences& Prefs() const { return m_prefs; }
    Preferences& Prefs() { return m_prefs; }
    void SetSplash(SplashWindow* splash);

    // --- start-up ------------------------------------------------------------------------------
    // Decodes "file:" names and queues the existing files; the idle pass opens them.
    void QueueIncomingFiles(const QStringList& names);
    const QStringList& PendingFiles() const { return m_pendingFiles; }
    TImageForm* CreateImageWindowFromFile(const QString& fileName, bool ownFile);
    TImageForm* CreateImageWindowFromBitmap(const QImage& picture);
    TImageForm* CreateImageWindowFromWindow(const TImageForm& other);
    void IdleHandler();
    void TimerTimer();
    int NewImageCounter() const { return m_newImageCounter; }

    // --- opening and saving --------------------------------------------------------------------
    void FileOpenActionExecute();
    // `sender`: the window whose close question asked, otherwise the active one.
    void FileSaveActionExecute(TImageForm* sender = nullptr);
    void FileSaveAsActionExecute(TImageForm* window = nullptr);
    void FileExportBMPActionExecute();
    void EditPasteActionExecute();
    void WindowDuplActionExecute();
    // Writes W's result under `name` (or W's own name) as the saving rules say; false when nothing
    // was written.
    bool SaveResult(TImageForm& window, const QString& name);
    DialogFolders& OpenFolders() { return m_openFolders; }
    DialogFolders& SaveFolders() { return m_saveFolders; }

    // --- modes and options ---------------------------------------------------------------------
    int InterfaceMode() const { return m_interfaceMode; }
    void SetInterfaceMode(int mode);
    void ModeComprActionExecute(int mode);
    void EditCompressActionExecute();
    void UpdateFromActiveImage(TImageForm* window, int code);
    void RefreshPanels(int flags);
    void EnablePanels();
    void RefreshCommandStates();
    void EnterNoImageState();
    void LeaveNoImageState();
    bool CompressOnOptionChange() const { return m_compressOnChange; }
    bool CommonProfileOn() const { return m_commonProfileOn; }
    void CommonProfileAction();
    // The folder of the ".jcp" files, with a trailing "/" (the program's own, found when first
    // needed, unless set).
    const QString& ProfilesFolder();
    void SetProfilesFolder(const QString& folder) { m_profilesFolder = folder; }

    // --- ImageFormHost ---------------------------------------------------------------------------
    void ImageNotify(TImageForm& form, int code) override;
    bool ImageMayClose(TImageForm& form) override;
    void ImageLoadFailed(TImageForm& form, const QString& error) override;
    void ImageMessage(const QString& text) override;
    int StatusOptionsWord() const override { return m_prefs.ImageInfoOptions; }
    void ImageContextMenu(TImageForm& form, const QPoint& globalPosition) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The toolbars' context menu: the look of the buttons.
    QMenu* createPopupMenu() override;
    // Swallows the main window's tool tips while "Show Tips" is off.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // construction (TMainFormActions.cpp)
    void CreateActions();
    void CreateMenus();
    void CreateToolbars();
    void CreateStatusBar();
    QAction* MakeAction(const char* name, const QString& caption, const QString& keys, void (TMainForm::*handler)(),
                        bool checkable = false);
    void SetEnabled(const QStringList& names, bool enabled);
    void SetChecked(const char* name, bool checked);
    // view commands
    void ViewZoomInActionExecute();
    void ViewZoomOutActionExecute();
    void ViewZoomFitActionExecute();
    void ViewActSizeActionExecute();
    void ViewCenterActionExecute();
    void ViewArrangement(int arrangement);
    void ZoomTrackBarChange(int position);
    void UpdateZoomControls();
    void WindowFitActionExecute();
    void EditCopyActionExecute();
    void FileCloseActionExecute();
    void HelpAboutActionExecute();
    void FileAcquireActionExecute();
    void StatusBarRefresh();
    // toolbar look (TMainFormToolbars.cpp)
    void ViewLargeButtonsActionExecute();
    void ViewShowTipsActionExecute();
    void ViewFlatBtnsActionExecute();
    void ViewHighlightActionExecute();
    // Gives every toolbar button the size, border and highlight of the preferences.
    void ApplyToolbarLook();
    // The four look switches, as View > Toolbars and the toolbars' context menu list them.
    void AddToolbarLookItems(QMenu& menu) const;
    // options (TMainFormModes.cpp)
    void OptionSelective(bool on, bool byUser);
    void OptionProgressive(bool on);
    void OptionGrayscale(bool on);
    void OptionFullControl(bool on);
    void OptionPrecision(int precision);
    void OptionTool(int tool, bool byUser);
    void OptIntMarksActionExecute();
    void OptKeepDateActionExecute();
    void OptMaxOptActionExecute();
    void EditAutoRotateActionExecute();
    void OptKeepBit(int bit, const char* action);
    void SelectionShape(int shape);
    void ApplyCommandSetForMode();
    // A new image's compression parameters by the "InitComprParams" preference, given once.
    void ApplyDefaultParameters(TImageForm& form);
    // settings
    void LoadWindowSettings();
    void SaveWindowSettings();

    SettingsStore& m_store;
    std::unique_ptr<UserDialogs> m_dialogs;
    Preferences m_prefs;
    TBatchProcOptions m_batchOptions;
    WindowValues m_windowValues;
    QMdiArea* m_mdi = nullptr;
    CompressionPanel* m_comprPanel = nullptr;
    PrefilterPanel* m_prefiltPanel = nullptr;
    QToolBar* m_comprToolbar = nullptr;
    QToolBar* m_prefiltToolbar = nullptr;
    QSlider* m_zoomSlider = nullptr;
    QLabel* m_infoLabel = nullptr;
    StatusProgress* m_progress = nullptr;
    StatusLamps* m_lamps = nullptr;
    QTimer* m_idle = nullptr;
    std::unique_ptr<TExtTimer> m_tick;
    QPointer<SplashWindow> m_splash; // the splash, until the first idle pass after its fade
    DialogFolders m_openFolders;
    DialogFolders m_saveFolders;
    DialogFolders m_exportFolders;
    QStringList m_arguments;
    QString m_profilesFolder;
    QStringList m_pendingFiles;
    int m_newImageCounter = 1;
    bool m_commandLinePending = false;
    bool m_firstIdle = true;
    bool m_noImageState = false;
    int m_interfaceMode = 0;
    int m_mirroredMode = 0;
    bool m_compressOnChange = true;
    bool m_commonProfileOn = false;
    TJPEGProfile m_commonProfile;
    QPointer<TImageForm> m_lastActive;
    long long m_lastTakeOver = 0;
    bool m_zoomSliderSetting = false;
    bool m_destroying = false;
    bool m_inCloseQuestion = false;
};

} // namespace vantorel
