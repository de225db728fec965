// The prefilter toolbar's panels: five filters (a toggle button and a strength slider each, one
// of them active per area) and the radius.
#pragma once

#include "PanelControls.h"

#include <QWidget>

#include <array>
#include <functional>

class QTabBar;
class QToolButton;

namespace vantorel {

class ImageDocument;
struct AreaPrefilter;

class PrefilterPanel : public QWidget {
public:
    explicit PrefilterPanel(QWidget* parent = nullptr);

    void SetDocument(ImageDocument* document) { m_doc = document; }
    // Sets every control from the shown area of the image without marking it changed.
    void Refresh();
    void EnablePanels(bool imagesOpen, int interfaceMode, int compressionMode);
    bool Updating() const { return m_updating; }

    int AreaTab() const;
    void SetAreaTab(int tab);

    // Filter numbers 1 "Unsharp Masking", 2 "Luma Equalizing", 3 "Noise Removing",
    // 4 "Range Equalizing", 5 "Smoothing".
    void FiltBtnClick(int filter);
    void FiltTrackBarChange(int filter);
    void FiltRadTrackBarChange();
    void PrefiltResetBtnClick();
    // The Correct > "Pre&filtering" item of the filter: inverts its state and runs FiltBtnClick.
    void PrefilteringItemClick(int filter);
    // The filter active in the shown area (0 none), for the menu's check marks.
    int ActiveFilter() const;

    QToolButton& FiltBtn(int filter) const { return *m_buttons[static_cast<std::size_t>(filter - 1)]; }
    const SliderControl& Filt(int filter) const { return m_filters[static_cast<std::size_t>(filter - 1)]; }
    const SliderControl& Radius() const { return m_radius; }

    std::function<void(int tab)> OnAreaTabChanged;

private:
    AreaPrefilter* ShownArea() const;
    void Mark(bool differs);

    ImageDocument* m_doc = nullptr;
    bool m_updating = false;
    QTabBar* m_tabs = nullptr;
    QWidget* m_panel1 = nullptr;
    QWidget* m_panel2 = nullptr;
    std::array<QToolButton*, 5> m_buttons{};
    std::array<SliderControl, 5> m_filters;
    SliderControl m_radius;
};

} // namespace vantorel
