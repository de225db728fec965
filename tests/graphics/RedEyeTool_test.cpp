// Red-eye removal: the recolouring rule and the eye list.
#include "RedEyeTool.h"

#include "Bitmap24.h"

#include <gtest/gtest.h>

using namespace vantorel;

namespace {

TEST(RedEyePixel, TheRuleOnReferencePixels) {
    EXPECT_EQ(RedEyePixel(255, 0, 0), (std::array<std::uint8_t, 3>{37, 37, 37}));
    EXPECT_EQ(RedEyePixel(40, 0, 0), (std::array<std::uint8_t, 3>{6, 6, 6}));
    EXPECT_EQ(RedEyePixel(10, 20, 10), (std::array<std::uint8_t, 3>{10, 20, 10}));
    EXPECT_EQ(RedEyePixel(100, 100, 100), (std::array<std::uint8_t, 3>{100, 100, 100}));
    // Y = 124 lies between 0.67 R (121) and 0.76 R (137) for R = 180, G = 120, B = 0: grey at Y.
    EXPECT_EQ(RedEyePixel(180, 120, 0), (std::array<std::uint8_t, 3>{124, 124, 124}));
    // Y = 148 lies between 0.76 R (137) and 0.86 R (155): only red is toned down (0.9 R).
    EXPECT_EQ(RedEyePixel(180, 160, 0), (std::array<std::uint8_t, 3>{162, 160, 0}));
}

QImage RedPicture(int w, int h) {
    QImage image = MakeBitmap24(w, h);
    image.fill(QColor(255, 0, 0));
    return image;
}

bool Corrected(const QImage& image, int x, int y) {
    return image.pixelColor(x, y) == QColor(37, 37, 37);
}

TEST(RedEyeTool, MarkReplaceResizeAndDelete) {
    RedEyeTool tool;
    tool.Start(RedPicture(100, 80), 40, 30);
    EXPECT_EQ(tool.LensCentre(), QPoint(50, 40));
    tool.SetLensCentre({0, 0}); // kept inside the picture
    EXPECT_EQ(tool.LensCentre(), QPoint(20, 15));
    tool.SetLensCentre({99, 79});
    EXPECT_EQ(tool.LensCentre(), QPoint(80, 65));
    EXPECT_EQ(tool.LensRect(), QRect(60, 50, 40, 30));

    tool.SetLensCentre({50, 40});           // lens (30, 25) to (70, 55)
    ASSERT_TRUE(tool.MarkEye({10, 10}, 3)); // source point (40, 35)
    ASSERT_EQ(tool.Eyes().size(), 1u);
    EXPECT_EQ(tool.Eyes()[0], (MarkedEye{40, 35, 3}));
    EXPECT_TRUE(Corrected(tool.Result(), 40, 35));
    EXPECT_TRUE(Corrected(tool.Result(), 42, 35));
    EXPECT_FALSE(Corrected(tool.Result(), 43, 35)); // the outline is not part of the disc
    EXPECT_TRUE(Corrected(tool.Result(), 42, 37));
    EXPECT_FALSE(Corrected(tool.Result(), 42, 38));

    // Marked again within 2r: the same eye moves instead of a second one being added.
    ASSERT_TRUE(tool.MarkEye({14, 12}, 3));
    ASSERT_EQ(tool.Eyes().size(), 1u);
    EXPECT_EQ(tool.Eyes()[0], (MarkedEye{44, 37, 3}));
    EXPECT_FALSE(Corrected(tool.Result(), 40, 35)); // the old correction was undone
    EXPECT_TRUE(Corrected(tool.Result(), 44, 37));

    // A second eye far away, then a small eye inside the first: the first keeps its correction.
    ASSERT_TRUE(tool.MarkEye({30, 5}, 2)); // (60, 30)
    ASSERT_TRUE(tool.SetRadius(10));
    EXPECT_EQ(tool.Eyes().back().R, 10);
    EXPECT_TRUE(Corrected(tool.Result(), 60, 39));
    ASSERT_TRUE(tool.MarkEye({36, 5}, 1)); // (66, 30): more than 2 pixels from every eye
    ASSERT_EQ(tool.Eyes().size(), 3u);
    EXPECT_TRUE(Corrected(tool.Result(), 67, 30)); // still corrected by the large eye
    EXPECT_FALSE(tool.MarkEye({-40, 0}, 3));       // outside the picture

    tool.DeleteLastEye();
    EXPECT_EQ(tool.Eyes().size(), 2u);
    EXPECT_TRUE(Corrected(tool.Result(), 66, 30)); // the large eye covers it
    tool.DeleteAllEyes();
    EXPECT_TRUE(tool.Eyes().empty());
    EXPECT_EQ(tool.Result(), RedPicture(100, 80));

    // The radius of an eye outside the lens does not change.
    tool.MarkEye({1, 1}, 2);
    tool.SetLensCentre({99, 79});
    EXPECT_FALSE(tool.SetRadius(5));
    EXPECT_EQ(RedEyeTool::RadiusOfSlider(1), 23);
    EXPECT_EQ(RedEyeTool::RadiusOfSlider(23), 1);
    const QImage applied = tool.Apply();
    EXPECT_TRUE(tool.Eyes().empty());
    EXPECT_TRUE(Corrected(applied, 31, 26));
}

} // namespace
