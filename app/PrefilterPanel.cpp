#include "PrefilterPanel.h"

#include "ImageDocument.h"

#include <QBoxLayout>
#include <QLabel>
#include <QTabBar>
#include <QToolButton>

namespace vantorel {

namespace {

const char* const kFilterNames[5] = {"Unsharp Masking", "Luma Equalizing", "Noise Removing", "Range Equalizing",
                                     "Smoothing"};

} // namespace

PrefilterPanel::PrefilterPanel(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    m_tabs = MakeAreaTabs();
    row->addWidget(m_tabs);
    m_panel1 = new QWidget;
    m_panel2 = new QWidget;
    auto* grid1 = new QGridLayout(m_panel1);
    auto* grid2 = new QGridLayout(m_panel2);
    grid1->setContentsMargins(0, 0, 0, 0);
    grid2->setContentsMargins(0, 0, 0, 0);
    // Panel 1 holds filters 1, 2 and 5; panel 2 filters 3 and 4 and the radius.
    const int panelOf[5] = {1, 1, 2, 2, 1};
    int rows[2] = {0, 0};
    for (int filter = 1; filter <= 5; ++filter) {
        QGridLayout* grid = panelOf[filter - 1] == 1 ? grid1 : grid2;
        int& r = rows[panelOf[filter - 1] - 1];
        auto* button = new QToolButton;
        button->setText(kFilterNames[filter - 1]);
        button->setCheckable(true);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setProperty("tag", filter);
        m_buttons[static_cast<std::size_t>(filter - 1)] = button;
        auto* controls = new QHBoxLayout;
        m_filters[static_cast<std::size_t>(filter - 1)] = MakeSliderControl(controls, Qt::Horizontal, 0, 100, 50);
        m_filters[static_cast<std::size_t>(filter - 1)].Slider->setProperty("tag", filter);
        grid->addWidget(button, r, 0);
        grid->addLayout(controls, r, 1);
        ++r;
        connect(button, &QToolButton::clicked, this, [this, filter] { FiltBtnClick(filter); });
        connect(m_filters[static_cast<std::size_t>(filter - 1)].Slider, &QSlider::valueChanged, this,
                [this, filter] { FiltTrackBarChange(filter); });
    }
    auto* radiusRow = new QHBoxLayout;
    m_radius = MakeSliderControl(radiusRow, Qt::Horizontal, 1, 9, 5, "Radius", 1, 10);
    grid2->addLayout(radiusRow, rows[1], 0, 1, 2);
    QToolButton* reset1 = MakeResetButton();
    QToolButton* reset2 = MakeResetButton();
    for (QToolButton* reset : {reset1, reset2}) {
        connect(reset, &QToolButton::clicked, this, [this] { PrefiltResetBtnClick(); });
    }
    grid1->addWidget(reset1, rows[0], 0);
    grid2->addWidget(reset2, rows[1] + 1, 0);
    row->addWidget(m_panel1, 1);
    row->addWidget(m_panel2, 1);
    connect(m_radius.Slider, &QSlider::valueChanged, this, [this] { FiltRadTrackBarChange(); });
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int tab) {
        if (OnAreaTabChanged)
            OnAreaTabChanged(tab);
    });
}

int PrefilterPanel::AreaTab() const { return m_tabs->currentIndex(); }

void PrefilterPanel::SetAreaTab(int tab) {
    if (tab != m_tabs->currentIndex())
        m_tabs->setCurrentIndex(tab);
}

AreaPrefilter* PrefilterPanel::ShownArea() const {
    if (!m_doc)
        return nullptr;
    EngineSettings& s = m_doc->Engine().Settings();
    return AreaTab() == 0 ? &s.BaseFilter : &s.SelFilter;
}

int PrefilterPanel::ActiveFilter() const {
    const AreaPrefilter* area = ShownArea();
    return area ? area->ActiveFilter : 0;
}

void PrefilterPanel::Mark(bool differs) {
    if (m_doc)
        m_doc->MarkChanged(differs || m_doc->ChangeCounter() > 0);
}

void PrefilterPanel::FiltBtnClick(int filter) {
    AreaPrefilter* area = ShownArea();
    if (!area)
        return;
    const int a = FiltBtn(filter).isChecked() ? filter : 0;
    const int b = area->ActiveFilter;
    const auto value = [&](int f) { return f >= 1 && f <= 5 ? area->Strengths[static_cast<std::size_t>(f - 1)] : 0; };
    bool changed = false;
    if (b == 0 && a != 0)
        changed = value(a) > 0;
    else if (b != 0 && a != 0 && a != b)
        changed = value(a) > 0 || value(b) > 0;
    else if (b != 0 && a == 0)
        changed = value(b) > 0;
    Mark(changed);
    area->ActiveFilter = a;
    Refresh();
}

void PrefilterPanel::FiltTrackBarChange(int filter) {
    if (m_updating)
        return;
    AreaPrefilter* area = ShownArea();
    const SliderControl& c = Filt(filter);
    if (area) {
        std::uint8_t& stored = area->Strengths[static_cast<std::size_t>(filter - 1)];
        Mark(stored != c.Slider->value());
        stored = static_cast<std::uint8_t>(c.Slider->value());
        // Moving a slider makes its filter the active one.
        FiltBtn(filter).setChecked(true);
        FiltBtnClick(filter);
    }
    c.Mirror();
}

void PrefilterPanel::FiltRadTrackBarChange() {
    if (m_updating)
        return;
    AreaPrefilter* area = ShownArea();
    const int position = m_radius.Slider->value();
    if (area) {
        Mark(area->ActiveFilter != 0 && area->Radius != position);
        area->Radius = position;
        if (area->ActiveFilter != 0)
            m_radius.Slider->SetHighlight(m_radius.Slider->minimum(), position);
        else
            m_radius.Slider->ClearHighlight();
    }
    m_radius.Mirror();
}

void PrefilterPanel::PrefiltResetBtnClick() {
    if (!m_doc)
        return;
    Mark(m_doc->Engine().ResetGroup(AreaTab() == 0 ? 4 : 5));
    Refresh();
}

void PrefilterPanel::PrefilteringItemClick(int filter) {
    const bool on = ActiveFilter() != filter;
    for (int f = 1; f <= 5; ++f)
        FiltBtn(f).setChecked(f == filter && on);
    FiltBtnClick(filter);
}

void PrefilterPanel::Refresh() {
    const AreaPrefilter* area = ShownArea();
    if (!area || !m_panel1->isEnabled())
        return;
    const UpdatingScope scope(m_updating);
    for (int filter = 1; filter <= 5; ++filter) {
        const SliderControl& c = Filt(filter);
        const bool active = area->ActiveFilter == filter;
        // The other filters' sliders and buttons stay usable: moving one activates it.
        c.UpDown->setEnabled(active);
        c.NumberBox->setEnabled(active);
        c.Slider->setEnabled(true);
        FiltBtn(filter).setEnabled(true);
        FiltBtn(filter).setChecked(active);
        c.Slider->setValue(area->Strengths[static_cast<std::size_t>(filter - 1)]);
        if (active)
            c.Slider->SetHighlight(0, c.Slider->value());
        else
            c.Slider->ClearHighlight();
        c.Mirror();
    }
    m_radius.Slider->setValue(std::clamp(area->Radius, 1, 9));
    if (area->ActiveFilter != 0)
        m_radius.Slider->SetHighlight(m_radius.Slider->minimum(), m_radius.Slider->value());
    else
        m_radius.Slider->ClearHighlight();
    m_radius.Mirror();
}

void PrefilterPanel::EnablePanels(bool imagesOpen, int interfaceMode, int compressionMode) {
    const bool enabled = imagesOpen && interfaceMode == 0 && compressionMode != 2;
    SetPanelEnabled(m_tabs, enabled);
    SetPanelEnabled(m_panel1, enabled);
    SetPanelEnabled(m_panel2, enabled);
    if (imagesOpen)
        Refresh();
}

} // namespace vantorel
