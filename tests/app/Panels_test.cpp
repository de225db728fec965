// The compression and prefilter panels' handlers against a real image document.
#include "CompressionPanel.h"
#include "ImageDocument.h"
#include "PrefilterPanel.h"
#include "TestSupport.h"

#include <QComboBox>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// Widgets need the application before the fixture's members are made.
struct WithApplication {
    WithApplication() { testsupport::EnsureGuiApplication(); }
};

class Panels : public ::testing::Test, WithApplication {
protected:
    void SetUp() override {
        testsupport::EnsureGuiApplication();
        m_doc = std::make_unique<vantorel::ImageDocument>(vantorel::Preferences{});
        m_doc->LoadBitmap(testsupport::MakePicture(320, 240, testsupport::PictureKind::kPhotoLike), "NoName1");
        m_compr.SetDocument(m_doc.get());
        m_prefilt.SetDocument(m_doc.get());
        m_compr.EnablePanels(true, 0, 0);
        m_prefilt.EnablePanels(true, 0, 0);
        m_doc->MarkChanged(false);
    }
    vantorel::EngineSettings& S() { return m_doc->Engine().Settings(); }

    std::unique_ptr<vantorel::ImageDocument> m_doc;
    vantorel::CompressionPanel m_compr;
    vantorel::PrefilterPanel m_prefilt;
};

TEST_F(Panels, TheTieMovesBothLevelsAndMarksOncePerSlider) {
    S().LumCompressionLevel = S().ChromCompressionLevel = 61; // level 40
    m_compr.Refresh(vantorel::CompressionPanel::kCompression);
    m_compr.LumChromSyncBtnClick();
    ASSERT_TRUE(m_doc->LevelsTied);
    EXPECT_TRUE(m_compr.LumChromSyncBtn().isChecked());
    ASSERT_EQ(m_doc->ChangeCounter(), 0);
    m_compr.Lum().Slider->setValue(60);
    EXPECT_EQ(m_compr.Chrom().Slider->value(), 60);
    EXPECT_EQ(S().LumCompressionLevel, 41);
    EXPECT_EQ(S().ChromCompressionLevel, 41);
    EXPECT_EQ(m_doc->ChangeCounter(), 2);
    EXPECT_EQ(m_compr.Lum().NumberBox->text(), "60");
    EXPECT_EQ(m_compr.Chrom().UpDown->value(), 60);

    // An up-down click goes through its slider; without the tie the partner stays.
    m_compr.LumChromSyncBtnClick();
    m_compr.Chrom().UpDown->setValue(70);
    EXPECT_EQ(S().ChromCompressionLevel, 31);
    EXPECT_EQ(S().LumCompressionLevel, 41);
}

TEST_F(Panels, RefreshingFromTheImageNeverMarksItChanged) {
    m_doc->LevelsTied = true; // a tie must not pull the other level along while refreshing
    S().LumCompressionLevel = 30;
    S().ChromCompressionLevel = 80;
    S().SelThreshold = 70;
    S().QualityEqualizerBand = {10, -20, 0, 5, 50};
    S().BaseFilter.ActiveFilter = 3;
    S().BaseFilter.Strengths = {10, 20, 30, 40, 50};
    S().BaseFilter.Radius = 7;
    m_compr.Refresh(vantorel::CompressionPanel::kCompression | vantorel::CompressionPanel::kEqualizer);
    m_prefilt.Refresh();
    EXPECT_EQ(m_doc->ChangeCounter(), 0);
    EXPECT_EQ(m_compr.Lum().Slider->value(), 71);
    EXPECT_EQ(m_compr.Chrom().Slider->value(), 21);
    EXPECT_EQ(S().LumCompressionLevel, 30);
    EXPECT_EQ(S().ChromCompressionLevel, 80);
    EXPECT_EQ(m_compr.SThreshold().Slider->value(), 70);
    EXPECT_EQ(m_compr.Eq(0).Slider->value(), 40);
    EXPECT_EQ(m_compr.Eq(4).Slider->value(), 0);
    EXPECT_EQ(m_compr.Eq(1).NumberBox->text(), "70");
    EXPECT_TRUE(m_prefilt.FiltBtn(3).isChecked());
    EXPECT_FALSE(m_prefilt.FiltBtn(1).isChecked());
    EXPECT_EQ(m_prefilt.Filt(2).Slider->value(), 20);
    EXPECT_FALSE(m_prefilt.Filt(2).UpDown->isEnabled());
    EXPECT_TRUE(m_prefilt.Filt(2).Slider->isEnabled()) << "an inactive filter's slider stays usable";
    EXPECT_EQ(m_prefilt.Radius().Slider->value(), 7);
}

TEST_F(Panels, TypedTargetsAreRoundedAndAtLeastOne) {
    m_doc->Engine().SetTargetKind(vantorel::TargetKind::kRatio);
    m_compr.HoldTargetValueAction(true);
    ASSERT_TRUE(m_doc->Engine().TargetEnabled());
    ASSERT_TRUE(m_compr.ComprRatioEdit().isEnabled());
    m_doc->MarkChanged(false);
    struct Case {
        const char* Text;
        float Ratio;
        bool Marks;
    };
    for (const Case& c : {Case{"80.6", 81, true}, Case{"81", 81, false}, Case{"0", 1, true}, Case{"abc", 1, false}}) {
        m_doc->MarkChanged(false);
        m_compr.ComprRatioEdit().setText(c.Text);
        m_compr.ComprRatioEditChange();
        EXPECT_EQ(m_doc->Engine().Settings().ComprRatio, c.Ratio) << c.Text;
        EXPECT_EQ(m_doc->ChangeCounter() > 0, c.Marks) << c.Text;
    }
    // The size unit stores kilobytes.
    m_compr.TargetUnitComboChange(0);
    EXPECT_EQ(m_compr.TargetUnitCombo().currentIndex(), 0);
    m_compr.ComprRatioEdit().setText("12.4");
    m_compr.ComprRatioEditChange();
    EXPECT_EQ(m_doc->Engine().Settings().TargetFileSize, 12);
}

TEST_F(Panels, EqualiserModeAndGrayscaleDisableTheirLevels) {
    m_doc->LevelsTied = true;
    S().EqualizerFullControl = 1;
    S().SelectiveCompression = 1;
    m_compr.EnablePanels(true, 0, 0);
    EXPECT_FALSE(m_compr.Lum().Slider->isEnabled());
    EXPECT_FALSE(m_compr.SLum().Slider->isEnabled());
    EXPECT_EQ(m_compr.Lum().Slider->HighlightFrom(), m_compr.Lum().Slider->HighlightTo());
    m_compr.Chrom().Slider->setValue(30);
    S().EqualizerFullControl = 0;
    m_compr.Refresh(vantorel::CompressionPanel::kCompression);
    EXPECT_TRUE(m_compr.Lum().Slider->isEnabled());
    EXPECT_EQ(m_compr.Lum().Slider->value(), 30) << "luma takes chroma's position when the tie is on";

    S().Grayscale = 1;
    m_compr.Refresh(vantorel::CompressionPanel::kCompression);
    EXPECT_FALSE(m_compr.Chrom().Slider->isEnabled());
    EXPECT_FALSE(m_compr.SChrom().Slider->isEnabled());
}

TEST_F(Panels, EqualiserBandsAndResets) {
    m_compr.Eq(2).Slider->setValue(30);
    EXPECT_EQ(S().QualityEqualizerBand[2], 20);
    EXPECT_EQ(m_doc->ChangeCounter(), 1);
    m_doc->MarkChanged(false);
    m_compr.ComprEqResetBtnClick();
    EXPECT_EQ(S().QualityEqualizerBand[2], 0);
    EXPECT_EQ(m_compr.Eq(2).Slider->value(), 50);
    EXPECT_EQ(m_doc->ChangeCounter(), 1);
    m_doc->MarkChanged(false);
    m_compr.ComprEqResetBtnClick(); // nothing to reset: stays unchanged
    EXPECT_EQ(m_doc->ChangeCounter(), 0);
}

TEST_F(Panels, PrefilterButtonsAndSliders) {
    // A filter whose strength is 0 switched on while none is active changes nothing.
    S().BaseFilter.Strengths[0] = 0;
    m_prefilt.Refresh();
    m_prefilt.FiltBtn(1).setChecked(true);
    m_prefilt.FiltBtnClick(1);
    EXPECT_EQ(S().BaseFilter.ActiveFilter, 1);
    EXPECT_EQ(m_doc->ChangeCounter(), 0);
    m_prefilt.FiltBtn(1).setChecked(false);
    m_prefilt.FiltBtnClick(1);
    EXPECT_EQ(S().BaseFilter.ActiveFilter, 0);

    // Moving the slider of an inactive filter activates it.
    m_prefilt.Filt(4).Slider->setValue(70);
    EXPECT_EQ(S().BaseFilter.ActiveFilter, 4);
    EXPECT_EQ(S().BaseFilter.Strengths[3], 70);
    EXPECT_TRUE(m_prefilt.FiltBtn(4).isChecked());
    EXPECT_GT(m_doc->ChangeCounter(), 0);
    // The radius up-down allows 10; the slider keeps 9.
    m_prefilt.Radius().UpDown->setValue(10);
    EXPECT_EQ(S().BaseFilter.Radius, 9);
    // The menu item inverts its filter.
    m_prefilt.PrefilteringItemClick(4);
    EXPECT_EQ(S().BaseFilter.ActiveFilter, 0);
    m_prefilt.PrefilteringItemClick(2);
    EXPECT_EQ(S().BaseFilter.ActiveFilter, 2);
    // The Selected tab edits the selected area's filters.
    m_prefilt.SetAreaTab(1);
    m_prefilt.Filt(5).Slider->setValue(10);
    EXPECT_EQ(S().SelFilter.ActiveFilter, 5);
    EXPECT_EQ(S().BaseFilter.ActiveFilter, 2);
}

} // namespace
