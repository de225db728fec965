// The interface and compression modes, the compression options, the compress and stop command,
// the common profile and the synchronisation of the main window with the active image.
#include "TMainForm.h"

#include "PrefilterPanel.h"
#include "ZoomSteps.h"

#include <QMdiSubWindow>
#include <QSlider>
#include <QToolButton>

namespace vantorel {

void TMainForm::RefreshPanels(int flags) {
    TImageForm* a = ActiveImage();
    ImageDocument* doc = a ? &a->Document() : nullptr;
    m_comprPanel->SetDocument(doc);
    m_prefiltPanel->SetDocument(doc);
    m_comprPanel->Refresh(flags & 3);
    if (flags & 4)
        m_prefiltPanel->Refresh();
}

void TMainForm::EnablePanels() {
    TImageForm* a = ActiveImage();
    ImageDocument* doc = a ? &a->Document() : nullptr;
    m_comprPanel->SetDocument(doc);
    m_prefiltPanel->SetDocument(doc);
    const int mode = doc ? doc->Engine().Settings().CompressionMode : 0;
    m_comprPanel->EnablePanels(doc != nullptr, m_interfaceMode, mode);
    m_prefiltPanel->EnablePanels(doc != nullptr, m_interfaceMode, mode);
}

void TMainForm::ApplyCommandSetForMode() {
    TImageForm* a = ActiveImage();
    if (!a)
        return;
    const int m = a->Document().Engine().Settings().CompressionMode;
    const bool v = m_interfaceMode == 0;
    const bool v2 = v && m != 2;
    const bool v3 = v && m == 0;
    SetEnabled({"FileSaveAction", "FileSaveAsAction", "EditCompressAction", "EditStopAction", "OptToolMoveAction",
                "OptToolSelAction", "OptToolZoomAction", "SelRectAction", "SelElliptAction", "SelPolyAction",
                "SelDelAction", "SelDelAllAction", "SelHideAction", "OptCommProfileAction", "OptIntMarksAction",
                "OptKeepEXIFAction", "OptKeepCommAction", "ModeFreeComprAction", "ModeOriginalComprAction",
                "ModeLosslessComprAction"},
               v);
    SetEnabled({"PrefilterItem1", "PrefilterItem2", "PrefilterItem3", "PrefilterItem4", "PrefilterItem5",
                "OptProgAction", "OptOptAction", "OptGrayAction", "OptColorAction"},
               v2);
    SetEnabled({"SelRectAction", "SelElliptAction", "SelPolyAction", "OptToolSelAction"}, v2);
    SetEnabled({"OptEqAdjAction", "OptEqFullAction", "OptHoldTargetAction", "OptTargetSizeAction",
                "OptTargetRatioAction", "OptPlainAction", "OptSelAction"},
               v3);
    const bool gray = a->Document().Engine().Settings().Grayscale;
    SetEnabled({"OptPrecNormAction", "OptPrecHighAction", "OptPrecLowAction"}, v3 && !gray);
}

void TMainForm::SetInterfaceMode(int mode) {
    if (mode == m_interfaceMode) {
        SetChecked("ModeCompressionAction", mode == 0);
        SetChecked("ModeCorrectionAction", mode == 1);
        return;
    }
    m_interfaceMode = mode;
    SetChecked("ModeCorrectionAction", mode == 1);
    SetChecked("ModeCompressionAction", mode == 0);
    // F12 switches between the two modes.
    Action("ModeCorrectionAction")->setShortcut(mode == 0 ? QKeySequence("F12") : QKeySequence());
    Action("ModeCompressionAction")->setShortcut(mode == 1 ? QKeySequence("F12") : QKeySequence());
    const QList<TImageForm*> forms = ImageWindows();
    for (TImageForm* form : forms) {
        if (mode == 1 && form->CurrentTool() == TImageForm::kSelectionTool) {
            form->SetTool(TImageForm::kMoveTool);
            SetChecked("OptToolMoveAction", true);
            SetChecked("OptToolSelAction", false);
            SetChecked("OptToolZoomAction", false);
        }
        if (mode == 1 && !form->UnitsHidden())
            form->SetUnitsHidden(true);
        if (mode == 0 && form->Document().Engine().Settings().CompressionMode != 2 && form->UnitsHidden())
            form->SetUnitsHidden(false);
    }
    if (forms.isEmpty())
        return;
    ApplyCommandSetForMode();
    for (TImageForm* form : forms) {
        form->Document().SetCorrectionView(mode);
        form->RefreshStatus();
    }
    EnablePanels();
    RefreshCommandStates();
}

void TMainForm::ModeComprActionExecute(int mode) {
    SetChecked("ModeFreeComprAction", mode == 0);
    SetChecked("ModeOriginalComprAction", mode == 1);
    SetChecked("ModeLosslessComprAction", mode == 2);
    if (m_comprPanel->AreaTab() == 1)
        m_comprPanel->SetAreaTab(0);
    TImageForm* a = ActiveImage();
    if (mode == 2 && a) {
        a->SetTool(TImageForm::kMoveTool);
        SetChecked("OptToolMoveAction", true);
        SetChecked("OptToolSelAction", false);
        SetChecked("OptToolZoomAction", false);
        if (!a->UnitsHidden())
            a->SetUnitsHidden(true);
    }
    const int stored = a ? a->Document().Engine().Settings().CompressionMode : 0;
    m_mirroredMode = mode;
    if (a) {
        const EngineSettings& s = a->Document().Engine().Settings();
        if (mode != 2) {
            SetChecked("OptGrayAction", s.Grayscale);
            SetChecked("OptColorAction", !s.Grayscale);
        }
        if (mode == 0) {
            const int precision = a->Document().Engine().GetPrecision();
            SetChecked("OptPrecNormAction", precision == 0);
            SetChecked("OptPrecHighAction", precision == 1);
            SetChecked("OptPrecLowAction", precision == 2);
            SetChecked("OptPlainAction", !s.SelectiveCompression);
            SetChecked("OptSelAction", s.SelectiveCompression);
        }
        if (mode != 2 && stored == 2 && a->UnitsHidden())
            a->SetUnitsHidden(false);
        a->Document().SetCompressionMode(mode);
    }
    ApplyCommandSetForMode();
    EnablePanels();
    RefreshCommandStates();
}

void TMainForm::EditCompressActionExecute() {
    TImageForm* a = ActiveImage();
    if (!a)
        return;
    ImageDocument& doc = a->Document();
    if (doc.Busy()) {
        doc.Stop();
    } else {
        doc.MarkChanged(true);
        doc.StartJob();
    }
    RefreshCommandStates();
}

void TMainForm::CommonProfileAction() {
    m_commonProfileOn = !m_commonProfileOn;
    SetChecked("OptCommProfileAction", m_commonProfileOn);
    m_comprPanel->CommonProfileBtn().setChecked(m_commonProfileOn);
    if (m_commonProfileOn)
        if (TImageForm* a = ActiveImage()) {
            m_commonProfile = a->Document().Engine().GetProfile();
            m_lastActive = a;
        }
}

void TMainForm::UpdateFromActiveImage(TImageForm* window, int code) {
    TImageForm* a = ActiveImage();
    if (!a)
        return;
    ImageDocument& doc = a->Document();
    ApplyDefaultParameters(*a);
    if (m_commonProfileOn && code == 3 && a == window) {
        m_commonProfile = doc.Engine().GetProfile();
        m_lastActive = nullptr;
        return;
    }
    if (a->Closing())
        return;
    if (m_commonProfileOn && a != m_lastActive && m_lastActive && !m_lastActive->Closing())
        m_commonProfile = m_lastActive->Document().Engine().GetProfile();
    if (a != window)
        return;
    // A window still loading synchronises when its picture has arrived (it notifies again then).
    if (code != 1 && !doc.New()) {
        const bool unchanged = doc.ChangeCounter() == 0;
        bool given = false;
        if (m_commonProfileOn && a != m_lastActive && !doc.Busy() &&
            !TJPEGImage::ProfilesMatch(m_commonProfile, doc.Engine().GetProfile())) {
            doc.Engine().ApplyProfile(m_commonProfile);
            doc.PullUnits();
            doc.InitialParams = true;
            doc.MarkChanged(true);
            given = true;
        }
        m_lastActive = a;
        const EngineSettings& s = doc.Engine().Settings();
        if (s.CompressionMode != m_mirroredMode)
            ModeComprActionExecute(s.CompressionMode);
        SetChecked("ModeFreeComprAction", s.CompressionMode == 0);
        SetChecked("ModeOriginalComprAction", s.CompressionMode == 1);
        SetChecked("ModeLosslessComprAction", s.CompressionMode == 2);
        SetChecked("OptHoldTargetAction", doc.Engine().TargetEnabled());
        SetChecked("SelRectAction", a->SelectionShape() == 0);
        SetChecked("SelElliptAction", a->SelectionShape() == 1);
        SetChecked("SelPolyAction", a->SelectionShape() == 2);
        SetChecked("SelHideAction", a->UnitsHidden());
        SetChecked("OptToolMoveAction", a->CurrentTool() == TImageForm::kMoveTool);
        SetChecked("OptToolSelAction", a->CurrentTool() == TImageForm::kSelectionTool);
        SetChecked("OptToolZoomAction", a->CurrentTool() == TImageForm::kZoomTool);
        SetChecked("OptSelAction", s.SelectiveCompression);
        SetChecked("OptPlainAction", !s.SelectiveCompression);
        SetChecked("OptProgAction", s.ProgressiveEncoding);
        SetChecked("OptOptAction", !s.ProgressiveEncoding);
        SetChecked("OptGrayAction", s.Grayscale);
        SetChecked("OptColorAction", !s.Grayscale);
        const int precision = doc.Engine().GetPrecision();
        SetEnabled({"OptPrecNormAction", "OptPrecHighAction", "OptPrecLowAction"},
                   !s.Grayscale && m_mirroredMode == 0 && m_interfaceMode == 0);
        SetChecked("OptPrecNormAction", precision == 0);
        SetChecked("OptPrecHighAction", precision == 1);
        SetChecked("OptPrecLowAction", precision == 2);
        SetChecked("OptEqFullAction", s.EqualizerFullControl);
        SetChecked("OptEqAdjAction", !s.EqualizerFullControl);
        SetChecked("OptKeepEXIFAction", (s.KeepJPEGDataMask & 2) != 0);
        SetChecked("OptKeepCommAction", (s.KeepJPEGDataMask & kKeepCommentsBit) != 0);
        SetChecked("OptTargetSizeAction", s.Target == TargetKind::kFileSize);
        SetChecked("OptTargetRatioAction", s.Target == TargetKind::kRatio);
        EnablePanels();
        RefreshPanels(31);
        UpdateZoomControls();
        if (unchanged && !given)
            doc.MarkChanged(false);
    }
    RefreshCommandStates();
    a->RefreshStatus();
}

// --- options ------------------------------------------------------------------------------------------

void TMainForm::OptionSelective(bool on, bool byUser) {
    SetChecked("OptSelAction", on);
    SetChecked("OptPlainAction", !on);
    TImageForm* a = ActiveImage();
    if (!a)
        return;
    a->Document().Engine().Settings().SelectiveCompression = on;
    a->Document().MarkChanged(true);
    if (on && byUser)
        OptionTool(TImageForm::kSelectionTool, false);
    EnablePanels();
    RefreshPanels(1 | 2 | 4 | 8);
}

void TMainForm::OptionProgressive(bool on) {
    SetChecked("OptProgAction", on);
    SetChecked("OptOptAction", !on);
    if (TImageForm* a = ActiveImage()) {
        a->Document().Engine().Settings().ProgressiveEncoding = on;
        a->Document().MarkChanged(true);
    }
}

void TMainForm::OptionGrayscale(bool on) {
    SetChecked("OptGrayAction", on);
    SetChecked("OptColorAction", !on);
    TImageForm* a = ActiveImage();
    if (!a)
        return;
    ImageDocument& doc = a->Document();
    if (on && !doc.Engine().Settings().Grayscale)
        doc.SavedPrecision = doc.Engine().GetPrecision();
    if (!on && doc.Engine().Settings().Grayscale)
        doc.Engine().SetPrecision(doc.SavedPrecision);
    doc.Engine().Settings().Grayscale = on;
    doc.MarkChanged(true);
    SetEnabled({"OptPrecNormAction", "OptPrecHighAction", "OptPrecLowAction"},
               !on && doc.Engine().Settings().CompressionMode == 0);
    RefreshPanels(1);
}

void TMainForm::OptionFullControl(bool on) {
    SetChecked("OptEqFullAction", on);
    SetChecked("OptEqAdjAction", !on);
    TImageForm* a = ActiveImage();
    if (!a)
        return;
    TJPEGImage& engine = a->Document().Engine();
    engine.Settings().EqualizerFullControl = on;
    engine.ResetGroup(2);
    engine.ResetGroup(3);
    a->Document().MarkChanged(true);
    RefreshPanels(1 | 2);
}

void TMainForm::OptionPrecision(int precision) {
    SetChecked("OptPrecNormAction", precision == 0);
    SetChecked("OptPrecHighAction", precision == 1);
    SetChecked("OptPrecLowAction", precision == 2);
    if (TImageForm* a = ActiveImage()) {
        a->Document().Engine().SetPrecision(precision);
        a->Document().MarkChanged(true);
    }
}

void TMainForm::OptionTool(int tool, bool byUser) {
    SetChecked("OptToolMoveAction", tool == TImageForm::kMoveTool);
    SetChecked("OptToolSelAction", tool == TImageForm::kSelectionTool);
    SetChecked("OptToolZoomAction", tool == TImageForm::kZoomTool);
    TImageForm* a = ActiveImage();
    if (!a)
        return;
    a->SetTool(tool);
    if (tool == TImageForm::kSelectionTool) {
        a->SetUnitsHidden(false);
        SetChecked("SelHideAction", false);
        if (byUser && !a->Document().Engine().Settings().SelectiveCompression)
            OptionSelective(true, false);
    }
    if (tool != TImageForm::kZoomTool)
        UpdateFromActiveImage(a, 0);
}

void TMainForm::ApplyDefaultParameters(TImageForm& form) {
    ImageDocument& doc = form.Document();
    const int choice = m_prefs.InitComprParams;
    // A window still loading, or compressing, gets them when it is idle (it notifies again then).
    if (doc.InitialParams || m_commonProfileOn || choice < 1 || choice > 4 || doc.New() || doc.Busy() ||
        form.Closing())
        return;
    doc.InitialParams = true; // once, even when the profile cannot be read
    if (choice == 3 || choice == 4) {
        // Lossless needs JPEG data that has not been modified; otherwise the quantisation of the
        // source is the nearest the image allows.
        doc.SetCompressionMode(choice == 4 && doc.LosslessAllowed() ? 2 : 1);
        return;
    }
    const QString file = ProfilesFolder() + m_prefs.NameDefProfile + ".jcp";
    try {
        doc.Engine().LoadProfileText(file.toStdString());
    } catch (const std::exception& e) {
        m_dialogs->Warning(this, QString::fromStdString(e.what()));
        return;
    }
    doc.PullUnits();
    doc.MarkChanged(true);
}

void TMainForm::SelectionShape(int shape) {
    SetChecked("SelRectAction", shape == 0);
    SetChecked("SelElliptAction", shape == 1);
    SetChecked("SelPolyAction", shape == 2);
    if (TImageForm* a = ActiveImage())
        a->SetSelectionShape(shape);
}

void TMainForm::OptIntMarksActionExecute() {
    TImageForm* a = ActiveImage();
    if (!a)
        return;
    std::uint32_t& interval = a->Document().Engine().Settings().RestartInterval;
    const int chosen = m_dialogs->IntegrityMarks(this, static_cast<int>(interval));
    if (chosen < 0 || static_cast<std::uint32_t>(chosen) == interval)
        return;
    interval = static_cast<std::uint32_t>(chosen);
    a->Document().MarkChanged(true);
}

void TMainForm::OptKeepDateActionExecute() {
    m_prefs.KeepOrigDatetime = !m_prefs.KeepOrigDatetime;
    SetChecked("OptKeepDateAction", m_prefs.KeepOrigDatetime);
    for (TImageForm* form : ImageWindows())
        form->Document().KeepFileDate = m_prefs.KeepOrigDatetime;
}

void TMainForm::OptMaxOptActionExecute() {
    m_prefs.ExtraOptimization = !m_prefs.ExtraOptimization;
    SetChecked("OptMaxOptAction", m_prefs.ExtraOptimization);
    for (TImageForm* form : ImageWindows()) {
        form->Document().Engine().Settings().OptimizeHuffman = m_prefs.ExtraOptimization;
        form->Document().MarkChanged(true);
    }
}

void TMainForm::EditAutoRotateActionExecute() {
    m_prefs.AutoRotate = !m_prefs.AutoRotate;
    SetChecked("EditAutoRotateAction", m_prefs.AutoRotate);
}

void TMainForm::OptKeepBit(int bit, const char* action) {
    TImageForm* a = ActiveImage();
    if (!a)
        return;
    std::int32_t& mask = a->Document().Engine().Settings().KeepJPEGDataMask;
    mask ^= bit;
    SetChecked(action, (mask & bit) != 0);
    a->Document().MarkChanged(true);
}

} // namespace vantorel
