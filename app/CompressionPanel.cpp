#include "CompressionPanel.h"

#include "ImageDocument.h"
#include "Rounding.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QTabBar>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace vantorel {

namespace {

QToolButton* MakeToggle(const QString& text, const QString& hint) {
    auto* button = new QToolButton;
    button->setText(text);
    button->setCheckable(true);
    button->setToolTip(hint.section('|', 0, 0));
    button->setStatusTip(hint.section('|', 1));
    return button;
}

} // namespace

CompressionPanel::CompressionPanel(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    m_tabs = MakeAreaTabs();
    row->addWidget(m_tabs);

    // Base levels.
    m_basePanel = new QWidget;
    m_basePanel->setObjectName("ComprPanel");
    auto* base = new QGridLayout(m_basePanel);
    base->setContentsMargins(0, 0, 0, 0);
    auto* lumRow = new QHBoxLayout;
    auto* chromRow = new QHBoxLayout;
    m_lum = MakeSliderControl(lumRow, Qt::Horizontal, 1, 100, 50, "Luma");
    m_chrom = MakeSliderControl(chromRow, Qt::Horizontal, 1, 100, 50, "Chroma");
    m_sync = MakeToggle("=", "Tie|Moves the luma and chroma levels together");
    base->addLayout(lumRow, 0, 0);
    base->addLayout(chromRow, 1, 0);
    base->addWidget(m_sync, 0, 1, 2, 1);
    row->addWidget(m_basePanel, 3);

    // Selected-area levels and threshold.
    m_selPanel = new QWidget;
    m_selPanel->setObjectName("SComprPanel");
    auto* sel = new QGridLayout(m_selPanel);
    sel->setContentsMargins(0, 0, 0, 0);
    auto* sLumRow = new QHBoxLayout;
    auto* sChromRow = new QHBoxLayout;
    auto* thresholdRow = new QHBoxLayout;
    m_sLum = MakeSliderControl(sLumRow, Qt::Horizontal, 1, 100, 50, "Luma");
    m_sChrom = MakeSliderControl(sChromRow, Qt::Horizontal, 1, 100, 50, "Chroma");
    m_sThreshold = MakeSliderControl(thresholdRow, Qt::Horizontal, 1, 100, 50, "Area Threshold", 0, 100);
    m_sSync = MakeToggle("=", "Tie|Moves the selected area's luma and chroma levels together");
    QToolButton* selReset = MakeResetButton();
    sel->addLayout(sLumRow, 0, 0);
    sel->addLayout(sChromRow, 1, 0);
    sel->addLayout(thresholdRow, 2, 0);
    sel->addWidget(m_sSync, 0, 1, 2, 1);
    sel->addWidget(selReset, 2, 1);
    row->addWidget(m_selPanel, 3);
    m_selPanel->hide();

    // Equaliser: band 1 ("Large" details) on the left, band 5 ("Small") on the right.
    m_showEq = new QToolButton;
    m_showEq->setText(">");
    m_eqPanel = new QWidget;
    auto* eq = new QGridLayout(m_eqPanel);
    eq->setContentsMargins(0, 0, 0, 0);
    for (int band = 0; band < 5; ++band) {
        auto* column = new QVBoxLayout;
        m_eq[static_cast<std::size_t>(band)] = MakeSliderControl(column, Qt::Vertical, 0, 100, 50, {}, 0, 100);
        m_eq[static_cast<std::size_t>(band)].Slider->setProperty("tag", band);
        eq->addLayout(column, 0, band);
    }
    eq->addWidget(new QLabel("Large"), 1, 0);
    eq->addWidget(new QLabel("Small"), 1, 4);
    QToolButton* eqReset = MakeResetButton();
    auto* hideEq = new QToolButton;
    hideEq->setText("<");
    eq->addWidget(eqReset, 1, 2);
    eq->addWidget(hideEq, 0, 5);
    row->addWidget(m_showEq);
    row->addWidget(m_eqPanel, 2);
    m_showEq->hide();

    // Target.
    m_targetPanel = new QWidget;
    auto* target = new QGridLayout(m_targetPanel);
    target->setContentsMargins(0, 0, 0, 0);
    target->addWidget(new QLabel("Set Target"), 0, 0, 1, 3);
    m_unitCombo = new QComboBox;
    m_unitCombo->addItems({"File Size", "Compression Ratio"});
    target->addWidget(m_unitCombo, 1, 0, 1, 3);
    m_ratioLabel = new QLabel("1:");
    m_ratioEdit = new QLineEdit;
    m_ratioEdit->setMaxLength(4);
    QFont bold = m_ratioEdit->font();
    bold.setBold(true);
    m_ratioEdit->setFont(bold);
    m_ratioEdit->setFixedWidth(m_ratioEdit->fontMetrics().horizontalAdvance("000000") + 8);
    m_sizeLabel = new QLabel("Kbytes");
    target->addWidget(m_ratioLabel, 2, 0);
    target->addWidget(m_ratioEdit, 2, 1);
    target->addWidget(m_sizeLabel, 2, 2);
    m_hold = MakeToggle("Hold", "Hold Target Value|Holds the target file size or compression ratio");
    m_common = MakeToggle("Common", "Common Profile|Gives every activated image the same compression profile");
    target->addWidget(m_hold, 3, 0, 1, 2);
    target->addWidget(m_common, 3, 2);
    m_showSel = new QToolButton;
    m_showSel->setText("<");
    row->addWidget(m_targetPanel);
    row->insertWidget(0, m_showSel);

    connect(m_lum.Slider, &QSlider::valueChanged, this, [this] { LumTrackBarChange(); });
    connect(m_chrom.Slider, &QSlider::valueChanged, this, [this] { ChromTrackBarChange(); });
    connect(m_sLum.Slider, &QSlider::valueChanged, this, [this] { SLumTrackBarChange(); });
    connect(m_sChrom.Slider, &QSlider::valueChanged, this, [this] { SChromTrackBarChange(); });
    connect(m_sThreshold.Slider, &QSlider::valueChanged, this, [this] { SThresholdTrackBarChange(); });
    connect(m_sync, &QToolButton::clicked, this, [this] { LumChromSyncBtnClick(); });
    connect(m_sSync, &QToolButton::clicked, this, [this] { SLumChromSyncBtnClick(); });
    for (int band = 0; band < 5; ++band)
        connect(m_eq[static_cast<std::size_t>(band)].Slider, &QSlider::valueChanged, this,
                [this, band] { EqTrackBarChange(band); });
    connect(eqReset, &QToolButton::clicked, this, [this] { ComprEqResetBtnClick(); });
    connect(selReset, &QToolButton::clicked, this, [this] { SComprOptResetBtnClick(); });
    connect(m_unitCombo, &QComboBox::activated, this, [this](int index) { TargetUnitComboChange(index); });
    connect(m_hold, &QToolButton::clicked, this, [this] { HoldTargetValueAction(true); });
    connect(m_common, &QToolButton::clicked, this, [this] {
        if (OnCommonProfileClicked)
            OnCommonProfileClicked();
    });
    connect(m_ratioEdit, &QLineEdit::textEdited, this, [this] { ComprRatioEditChange(); });
    connect(m_ratioEdit, &QLineEdit::editingFinished, this, [this] { Refresh(kCompression); });
    connect(m_showEq, &QToolButton::clicked, this, [this] { ComprShowEqBtn1Click(); });
    connect(hideEq, &QToolButton::clicked, this, [this] { ComprShowEqBtn1Click(); });
    connect(m_showSel, &QToolButton::clicked, this, [this] { ComprShowSelBtnClick(); });
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int tab) {
        m_basePanel->setVisible(tab == 0);
        m_selPanel->setVisible(tab == 1);
        if (OnAreaTabChanged)
            OnAreaTabChanged(tab);
    });
}

QWidget& CompressionPanel::AreaTabs() const { return *m_tabs; }

int CompressionPanel::AreaTab() const { return m_tabs->currentIndex(); }

void CompressionPanel::SetAreaTab(int tab) {
    if (tab != m_tabs->currentIndex())
        m_tabs->setCurrentIndex(tab);
}

void CompressionPanel::Mark(bool differs) {
    if (!m_doc)
        return;
    m_doc->MarkChanged(differs || m_doc->ChangeCounter() > 0);
}

// --- levels -----------------------------------------------------------------------------------

void CompressionPanel::LevelChange(const SliderControl& control, std::uint8_t& quality, bool tied,
                                   const SliderControl& partner, bool base) {
    const int position = control.Slider->value();
    if (!m_updating)
        Mark(101 - position != quality);
    quality = static_cast<std::uint8_t>(101 - position);
    // A refresh sets each slider from the image; the tie must not overwrite the partner's level then.
    if (tied && partner.Slider->isEnabled() && !m_updating)
        partner.Slider->setValue(position);
    if (base)
        UpdateBaseHighlights();
    else
        control.Slider->SetHighlight(control.Slider->minimum(), position);
    control.Mirror();
}

void CompressionPanel::LumTrackBarChange() {
    std::uint8_t scratch = 0;
    LevelChange(m_lum, m_doc ? m_doc->Engine().Settings().LumCompressionLevel : scratch, m_doc && m_doc->LevelsTied,
                m_chrom, true);
}

void CompressionPanel::ChromTrackBarChange() {
    std::uint8_t scratch = 0;
    LevelChange(m_chrom, m_doc ? m_doc->Engine().Settings().ChromCompressionLevel : scratch, m_doc && m_doc->LevelsTied,
                m_lum, true);
}

void CompressionPanel::SLumTrackBarChange() {
    std::uint8_t scratch = 0;
    LevelChange(m_sLum, m_doc ? m_doc->Engine().Settings().SelLumCompressionLevel : scratch,
                m_doc && m_doc->SelLevelsTied, m_sChrom, false);
}

void CompressionPanel::SChromTrackBarChange() {
    std::uint8_t scratch = 0;
    LevelChange(m_sChrom, m_doc ? m_doc->Engine().Settings().SelChromCompressionLevel : scratch,
                m_doc && m_doc->SelLevelsTied, m_sLum, false);
}

void CompressionPanel::SThresholdTrackBarChange() {
    const int position = m_sThreshold.Slider->value();
    if (m_doc) {
        std::uint8_t& threshold = m_doc->Engine().Settings().SelThreshold;
        Mark(position != threshold);
        threshold = static_cast<std::uint8_t>(position);
    }
    m_sThreshold.Slider->SetHighlight(m_sThreshold.Slider->minimum(), position);
    m_sThreshold.Mirror();
}

void CompressionPanel::LumChromSyncBtnClick() {
    if (!m_doc)
        return;
    m_doc->LevelsTied = !m_doc->LevelsTied;
    m_sync->setChecked(m_doc->LevelsTied);
    if (m_doc->LevelsTied && m_lum.Slider->isEnabled() && m_chrom.Slider->isEnabled())
        m_chrom.Slider->setValue(m_lum.Slider->value());
}

void CompressionPanel::SLumChromSyncBtnClick() {
    if (!m_doc)
        return;
    m_doc->SelLevelsTied = !m_doc->SelLevelsTied;
    m_sSync->setChecked(m_doc->SelLevelsTied);
    if (m_doc->SelLevelsTied && m_sLum.Slider->isEnabled() && m_sChrom.Slider->isEnabled())
        m_sChrom.Slider->setValue(m_sLum.Slider->value());
}

void CompressionPanel::UpdateBaseHighlights() {
    const bool held = m_doc && m_doc->Engine().TargetEnabled();
    for (const SliderControl* c : {&m_lum, &m_chrom}) {
        const SliderControl& other = c == &m_lum ? m_chrom : m_lum;
        if (!c->Slider->isEnabled())
            c->Slider->ClearHighlight();
        else if (held)
            c->Slider->SetHighlight(c->Slider->value(), other.Slider->isEnabled() ? other.Slider->value() : 50);
        else
            c->Slider->SetHighlight(1, c->Slider->value());
    }
}

void CompressionPanel::ApplyLevelEnabling() {
    if (!m_doc)
        return;
    const EngineSettings& s = m_doc->Engine().Settings();
    const bool lum = !s.EqualizerFullControl;
    const bool chrom = !s.Grayscale;
    struct Pair {
        const SliderControl& Lum;
        const SliderControl& Chrom;
        bool Tied;
        QWidget* Panel;
    };
    for (const Pair& p : {Pair{m_lum, m_chrom, m_doc->LevelsTied, m_basePanel},
                          Pair{m_sLum, m_sChrom, m_doc->SelLevelsTied, m_selPanel}}) {
        if (!p.Panel->isEnabled())
            continue;
        const bool lumWas = p.Lum.Slider->isEnabled();
        const bool chromWas = p.Chrom.Slider->isEnabled();
        p.Lum.SetEnabled(lum);
        p.Chrom.SetEnabled(chrom);
        if (!lum)
            p.Lum.Slider->ClearHighlight();
        if (!chrom)
            p.Chrom.Slider->ClearHighlight();
        if (lum && !lumWas && p.Tied)
            p.Lum.Slider->setValue(p.Chrom.Slider->value());
        if (chrom && !chromWas && p.Tied)
            p.Chrom.Slider->setValue(p.Lum.Slider->value());
    }
}

// --- equaliser ------------------------------------------------------------------------------------

void CompressionPanel::UpdateEqHighlight(int band) {
    const SliderControl& c = m_eq[static_cast<std::size_t>(band)];
    const int position = c.Slider->value();
    const bool full = m_doc && m_doc->Engine().Settings().EqualizerFullControl;
    const bool held = m_doc && m_doc->Engine().TargetEnabled();
    if (full && !held)
        c.Slider->SetHighlight(position, 100);
    else
        c.Slider->SetHighlight(std::min(50, position), std::max(50, position));
}

void CompressionPanel::EqTrackBarChange(int band) {
    if (m_updating)
        return;
    const SliderControl& c = m_eq[static_cast<std::size_t>(band)];
    if (m_doc) {
        EngineSettings& s = m_doc->Engine().Settings();
        std::int8_t& stored = (AreaTab() == 0 ? s.QualityEqualizerBand : s.SelQualityEqualizerBand)[static_cast<std::size_t>(band)];
        const int value = 50 - c.Slider->value();
        Mark(value != stored);
        stored = static_cast<std::int8_t>(value);
    }
    UpdateEqHighlight(band);
    c.Mirror();
}

void CompressionPanel::ComprEqResetBtnClick() {
    if (!m_doc)
        return;
    Mark(m_doc->Engine().ResetGroup(AreaTab() == 0 ? 2 : 3));
    Refresh(kEqualizer);
}

void CompressionPanel::SComprOptResetBtnClick() {
    if (!m_doc)
        return;
    Mark(m_doc->Engine().ResetGroup(1));
    Refresh(kCompression);
}

void CompressionPanel::ComprShowEqBtn1Click() { SetEqualizerVisible(m_eqPanel->isHidden()); }

void CompressionPanel::SetEqualizerVisible(bool visible) {
    m_eqPanel->setVisible(visible);
    m_showEq->setVisible(!visible);
}

bool CompressionPanel::TabsVisible() const { return !m_tabs->isHidden(); }

void CompressionPanel::SetTabsVisible(bool visible) {
    m_tabs->setVisible(visible);
    m_showSel->setText(visible ? "<" : ">");
}

void CompressionPanel::ComprShowSelBtnClick() { SetTabsVisible(m_tabs->isHidden()); }

// --- target ---------------------------------------------------------------------------------------

void CompressionPanel::TargetUnitComboChange(int index) {
    if (m_doc)
        m_doc->Engine().SetTargetKind(index == 0 ? TargetKind::kFileSize : TargetKind::kRatio);
    if (m_unitCombo->currentIndex() != index)
        m_unitCombo->setCurrentIndex(index);
    if (OnTargetUnitChanged)
        OnTargetUnitChanged();
    Refresh(kCompression);
}

bool CompressionPanel::ParseTarget(bool& differs) {
    differs = false;
    bool ok = false;
    const double typed = m_ratioEdit->text().trimmed().toDouble(&ok);
    if (!ok || !m_doc || !std::isfinite(typed) || std::abs(typed) > 1e9)
        return false;
    const int value = std::max(1, RoundEven(typed));
    TJPEGImage& engine = m_doc->Engine();
    const EngineSettings& s = engine.Settings();
    if (s.Target == TargetKind::kRatio) {
        differs = value != RoundEven(s.ComprRatio);
        engine.SetTargetRatio(static_cast<float>(value));
    } else {
        differs = value != s.TargetFileSize;
        engine.SetTargetSize(value);
    }
    return true;
}

void CompressionPanel::HoldTargetValueAction(bool withSender) {
    if (!m_doc)
        return;
    TJPEGImage& engine = m_doc->Engine();
    if (withSender) {
        const bool held = !engine.TargetEnabled();
        m_hold->setChecked(held);
        Mark(engine.TargetEnabled() != held);
        engine.SetTargetEnabled(held);
        if (OnHoldChanged)
            OnHoldChanged(held);
    }
    if (!m_updating) {
        bool differs = false;
        if (ParseTarget(differs) && engine.TargetEnabled() && differs)
            m_doc->MarkChanged(true);
    }
    Refresh(kCompression | kEqualizer);
}

void CompressionPanel::ComprRatioEditChange() {
    if (m_ratioEdit->isEnabled())
        HoldTargetValueAction(false);
}

// --- refresh and enabling ---------------------------------------------------------------------

void CompressionPanel::Refresh(int flags) {
    if (!m_doc)
        return;
    const UpdatingScope scope(m_updating);
    TJPEGImage& engine = m_doc->Engine();
    const EngineSettings& s = engine.Settings();
    if (flags & kCompression) {
        m_lum.Slider->setValue(101 - s.LumCompressionLevel);
        m_chrom.Slider->setValue(101 - s.ChromCompressionLevel);
        m_sLum.Slider->setValue(101 - s.SelLumCompressionLevel);
        m_sChrom.Slider->setValue(101 - s.SelChromCompressionLevel);
        for (const SliderControl* c : {&m_lum, &m_chrom, &m_sLum, &m_sChrom})
            c->Mirror();
        m_sync->setChecked(m_doc->LevelsTied);
        m_sSync->setChecked(m_doc->SelLevelsTied);
        m_hold->setChecked(engine.TargetEnabled());
        const bool editEnabled = engine.TargetEnabled() && m_basePanel->isEnabled();
        m_ratioEdit->setEnabled(editEnabled);
        m_unitCombo->setEnabled(editEnabled);
        const bool ratio = s.Target == TargetKind::kRatio;
        m_unitCombo->setCurrentIndex(ratio ? 1 : 0);
        m_ratioLabel->setVisible(ratio);
        m_sizeLabel->setVisible(!ratio);
        // The text being typed stays as it is; it is rewritten when the edit is left.
        if (!m_ratioEdit->hasFocus()) {
            const QSignalBlocker block(m_ratioEdit);
            m_ratioEdit->setText(QString::number(ratio ? RoundEven(s.ComprRatio) : s.TargetFileSize));
        }
        m_sThreshold.Slider->setValue(s.SelThreshold);
        m_sThreshold.Slider->SetHighlight(m_sThreshold.Slider->minimum(), s.SelThreshold);
        m_sThreshold.Mirror();
        if (m_selPanel->isEnabled() != (s.SelectiveCompression && s.CompressionMode == 0) &&
            m_basePanel->isEnabled())
            SetPanelEnabled(m_selPanel, s.SelectiveCompression && s.CompressionMode == 0);
        ApplyLevelEnabling();
        UpdateBaseHighlights();
    }
    if (flags & kEqualizer) {
        const EqualizerBands& bands = AreaTab() == 0 ? s.QualityEqualizerBand : s.SelQualityEqualizerBand;
        for (int band = 0; band < 5; ++band) {
            const SliderControl& c = m_eq[static_cast<std::size_t>(band)];
            c.Slider->setValue(50 - bands[static_cast<std::size_t>(band)]);
            c.Mirror();
            UpdateEqHighlight(band);
        }
        if (m_basePanel->isEnabled())
            SetPanelEnabled(m_eqPanel, AreaTab() == 0 || s.SelectiveCompression);
    }
}

void CompressionPanel::EnablePanels(bool imagesOpen, int interfaceMode, int compressionMode) {
    const bool base = imagesOpen && interfaceMode == 0 && compressionMode == 0;
    const bool selective = m_doc && m_doc->Engine().Settings().SelectiveCompression;
    SetPanelEnabled(m_tabs, base);
    SetPanelEnabled(m_basePanel, base);
    SetPanelEnabled(m_eqPanel, base && AreaTab() == 0);
    SetPanelEnabled(m_selPanel, base && selective);
    SetPanelEnabled(m_targetPanel, imagesOpen && interfaceMode == 0);
    m_hold->setEnabled(base);
    if (imagesOpen)
        Refresh(kCompression | kEqualizer);
}

} // namespace vantorel
