// The compression toolbar's panel: luma and chroma levels with their tie, the five-band detail
// equaliser, the selected area's levels and threshold, and the target with its hold switch. It
// edits the active image's profile directly; the image is the only store.
#pragma once

#include "PanelControls.h"

#include <QWidget>

#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QTabBar;
class QToolButton;

namespace vantorel {

class ImageDocument;

class CompressionPanel : public QWidget {
public:
    enum RefreshFlag { kCompression = 1, kEqualizer = 2 };

    explicit CompressionPanel(QWidget* parent = nullptr);

    // The active image (null: none). The controls are refreshed by the main window.
    void SetDocument(ImageDocument* document) { m_doc = document; }
    ImageDocument* Document() const { return m_doc; }

    // Sets the groups of `flags` from the image without marking it changed.
    void Refresh(int flags);
    // Enables the panels: images open, interface mode (0 compression), the image's compression mode.
    void EnablePanels(bool imagesOpen, int interfaceMode, int compressionMode);
    bool Updating() const { return m_updating; }

    int AreaTab() const;
    // Shows the Base (0) or Selected (1) tab; the main window mirrors it on the prefilter toolbar.
    void SetAreaTab(int tab);

    // --- handlers ---------------------------------------------------------------------------
    void LumTrackBarChange();
    void ChromTrackBarChange();
    void SLumTrackBarChange();
    void SChromTrackBarChange();
    void SThresholdTrackBarChange();
    void LumChromSyncBtnClick();
    void SLumChromSyncBtnClick();
    void EqTrackBarChange(int band);
    void ComprEqResetBtnClick();
    void SComprOptResetBtnClick();
    void TargetUnitComboChange(int index);
    // With a sender (the button or the command): inverts the hold switch; without: only takes the
    // edit's text.
    void HoldTargetValueAction(bool withSender);
    void ComprRatioEditChange();
    void ComprShowEqBtn1Click();
    void ComprShowSelBtnClick();

    // --- controls (also for the main window's commands and the tests) ------------------------
    const SliderControl& Lum() const { return m_lum; }
    const SliderControl& Chrom() const { return m_chrom; }
    const SliderControl& SLum() const { return m_sLum; }
    const SliderControl& SChrom() const { return m_sChrom; }
    const SliderControl& SThreshold() const { return m_sThreshold; }
    const SliderControl& Eq(int band) const { return m_eq[static_cast<std::size_t>(band)]; }
    QToolButton& LumChromSyncBtn() const { return *m_sync; }
    QToolButton& SLumChromSyncBtn() const { return *m_sSync; }
    QToolButton& HoldTargetValueBtn() const { return *m_hold; }
    QToolButton& CommonProfileBtn() const { return *m_common; }
    QLineEdit& ComprRatioEdit() const { return *m_ratioEdit; }
    QComboBox& TargetUnitCombo() const { return *m_unitCombo; }
    QWidget& EqualizerPanel() const { return *m_eqPanel; }
    QWidget& AreaTabs() const;
    bool EqualizerVisible() const { return !m_eqPanel->isHidden(); }
    void SetEqualizerVisible(bool visible);
    bool TabsVisible() const;
    void SetTabsVisible(bool visible);

    // The main window: the area tab changed (mirror it and run EnablePanels); the hold switch
    // changed (check the command); the common-profile button was clicked.
    std::function<void(int tab)> OnAreaTabChanged;
    std::function<void(bool held)> OnHoldChanged;
    std::function<void()> OnCommonProfileClicked;
    std::function<void()> OnTargetUnitChanged;

private:
    void LevelChange(const SliderControl& control, std::uint8_t& quality, bool tied, const SliderControl& partner,
                     bool base);
    void UpdateBaseHighlights();
    void UpdateEqHighlight(int band);
    void ApplyLevelEnabling();
    void Mark(bool differs);
    bool ParseTarget(bool& differs);

    ImageDocument* m_doc = nullptr;
    bool m_updating = false;
    QTabBar* m_tabs = nullptr;
    QWidget* m_basePanel = nullptr;
    QWidget* m_selPanel = nullptr;
    QWidget* m_eqPanel = nullptr;
    QWidget* m_targetPanel = nullptr;
    SliderControl m_lum, m_chrom, m_sLum, m_sChrom, m_sThreshold;
    std::array<SliderControl, 5> m_eq;
    QToolButton* m_sync = nullptr;
    QToolButton* m_sSync = nullptr;
    QToolButton* m_hold = nullptr;
    QToolButton* m_common = nullptr;
    QToolButton* m_showEq = nullptr;
    QToolButton* m_showSel = nullptr;
    QComboBox* m_unitCombo = nullptr;
    QLineEdit* m_ratioEdit = nullptr;
    QLabel* m_ratioLabel = nullptr;
    QLabel* m_sizeLabel = nullptr;
    bool m_lumWasEnabled = true;
    bool m_chromWasEnabled = true;
};

} // namespace vantorel
