// The zoom steps, the zoom slider's scale and the names results are saved under.
#include "SaveNaming.h"
#include "ZoomSteps.h"

#include <gtest/gtest.h>

namespace {

TEST(ZoomSteps, InAndOutWalkTheSameSteps) {
    const int steps[] = {25, 33, 50, 100, 200, 300};
    for (int i = 0; i + 1 < 6; ++i) {
        EXPECT_EQ(vantorel::ZoomInStep(steps[i]), steps[i + 1]) << steps[i];
        EXPECT_EQ(vantorel::ZoomOutStep(steps[i + 1]), steps[i]) << steps[i + 1];
    }
    EXPECT_EQ(vantorel::ZoomInStep(150), 300); // 1.5 rounds to even: 2, then one step up
    EXPECT_EQ(vantorel::ZoomOutStep(10), 9);   // the window limits it to 10
}

TEST(ZoomSteps, TheSliderScale) {
    struct Case {
        int position, zoom;
    };
    for (const Case c : {Case{0, 300}, Case{20, 200}, Case{35, 150}, Case{50, 100}, Case{100, 10}}) {
        EXPECT_EQ(vantorel::SliderToZoom(c.position), c.zoom) << c.position;
        EXPECT_EQ(vantorel::ZoomToSlider(c.zoom), c.position) << c.zoom;
    }
    EXPECT_EQ(vantorel::ZoomToSlider(1000), 0); // limited to 300 first
    EXPECT_EQ(vantorel::ZoomToSlider(1), 100);
}

TEST(SaveNaming, ExtensionsFollowTheSource) {
    struct Case {
        const char* chosen;
        const char* document;
        bool jpeg;
        const char* target;
    };
    const Case cases[] = {
        {"", "/photos/a.png", false, "/photos/a.jpg"},         // another format: .jpg beside it
        {"/out/b.jpg", "/photos/a.jpeg", true, "/out/b.jpeg"}, // the JPEG source's extension
        {"", "/photos/a.JPG", true, "/photos/a.JPG"},
        {"/out/x.y/name", "/photos/a.bmp", false, "/out/x.y/name.jpg"}, // a dot in a folder is no extension
        {"", ".jpg", false, "TEMP.jpg"},
        {"/out/.jpg", "/photos/a.tif", false, "/out/.jpg"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vantorel::SaveTarget(c.chosen, c.document, c.jpeg), QString(c.target))
            << c.chosen << " " << c.document;
    EXPECT_EQ(vantorel::NewImageName(1), "NoName1");
}

} // namespace
