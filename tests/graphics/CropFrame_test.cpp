// The crop rectangle rules.
#include "CropFrame.h"

#include "Bitmap24.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace vantorel;

namespace {

QImage Source(int w, int h) {
    return testsupport::MakePicture(w, h, testsupport::PictureKind::kGradient, 2);
}

CropFrame Started(int w, int h, CropPreferences prefs) {
    CropFrame frame;
    frame.Start(Source(w, h), 100, 100, prefs);
    return frame;
}

TEST(CropFrame, StartSizesAndCentresTheFrame) {
    struct Case {
        CropPreferences prefs;
        int w, h;
        QRect expected;
    };
    const Case cases[] = {
        // Pixels: at most the source; the whole picture is halved.
        {{0, 400, 300}, 1000, 600, QRect(300, 150, 400, 300)},
        {{0, 5000, 5000}, 1000, 600, QRect(250, 150, 500, 300)},
        // Percent with an aspect (3:2 = 1.5): 50 % of 1000 × 600 is 500 × 300, then fitted to 3:2.
        {{3, 50, 50}, 1000, 600, QRect(250, 134, 500, 333)},
        // An aspect within 0.01 of the picture's own ratio shrinks the start to 90 %.
        {{3, 100, 100}, 900, 600, QRect(45, 30, 810, 540)},
        // "Use Photo Ratio" is never shrunk.
        {{1, 100, 100}, 900, 600, QRect(0, 0, 900, 600)},
    };
    for (const Case& c : cases) {
        const CropFrame frame = Started(c.w, c.h, c.prefs);
        EXPECT_EQ(frame.Rect(), c.expected) << c.prefs.CropAspect << " " << c.prefs.CropWidth;
    }
}

TEST(CropFrame, SquareAspectOnAWidePicture) {
    CropFrame frame = Started(1000, 600, {0, 400, 300});
    const QPoint centre = frame.Rect().center();
    frame.SetAspectChoice(2);
    EXPECT_EQ(frame.Rect().size(), QSize(400, 400));
    EXPECT_LE((frame.Rect().center() - centre).manhattanLength(), 2);
    EXPECT_FLOAT_EQ(frame.Aspect(), 1.0f);
    EXPECT_EQ(frame.Panel().AspectChoice, 2);
    // Portrait 4:3 (0.75) on the same frame: height a = 400, width 300.
    frame.SetAspectChoice(9);
    EXPECT_EQ(frame.Rect().size(), QSize(300, 400));
    EXPECT_FLOAT_EQ(CropFrame::AspectOfChoice(4, 1, 1), 1.3333333f);
    EXPECT_FLOAT_EQ(CropFrame::AspectOfChoice(1, 1000, 600), 1000.0f / 600.0f);
}

TEST(CropFrame, PreviewIsDarkOutsideAndBrightInside) {
    const QImage source = Source(200, 100);
    CropFrame frame;
    frame.Start(source, 96, 96, {0, 50, 40});
    frame.Drag(CropZoneKind::kInside, 30, 10); // moves, and redraws only what changes
    const QRect r = frame.Rect();
    EXPECT_EQ(r, QRect(105, 40, 50, 40));
    for (const QPoint p : {QPoint(0, 0), QPoint(104, 50), QPoint(r.right() + 1, 50), QPoint(120, 39), QPoint(80, 40)})
        EXPECT_EQ(frame.Preview().constScanLine(p.y())[p.x() * 3], source.constScanLine(p.y())[p.x() * 3] >> 1)
            << p.x() << "," << p.y();
    for (const QPoint p : {r.topLeft(), r.bottomRight(), r.center()})
        EXPECT_EQ(frame.Preview().constScanLine(p.y())[p.x() * 3], source.constScanLine(p.y())[p.x() * 3]);
    // A move past the edge stops at the edge.
    frame.Drag(CropZoneKind::kInside, 1000, -1000);
    EXPECT_EQ(frame.Rect(), QRect(150, 0, 50, 40));
}

TEST(CropFrame, HitZonesAndDrags) {
    CropFrame frame = Started(1000, 600, {0, 400, 300}); // (300, 150) to (700, 450)
    struct Hit {
        QPoint p;
        CropZoneKind zone;
    };
    for (const Hit h : {Hit{{500, 300}, CropZoneKind::kInside}, Hit{{299, 151}, CropZoneKind::kTopLeft},
                        Hit{{702, 148}, CropZoneKind::kTopRight}, Hit{{300, 450}, CropZoneKind::kBottomLeft},
                        Hit{{700, 452}, CropZoneKind::kBottomRight}, Hit{{500, 149}, CropZoneKind::kTop},
                        Hit{{701, 300}, CropZoneKind::kRight}, Hit{{500, 451}, CropZoneKind::kBottom},
                        Hit{{298, 300}, CropZoneKind::kLeft}, Hit{{100, 100}, CropZoneKind::kOutside}})
        EXPECT_EQ(frame.HitTest(h.p, 100), h.zone) << h.p.x() << "," << h.p.y();
    // At 50 % zoom the tolerance is 6 source pixels.
    EXPECT_EQ(frame.HitTest({305, 300}, 50), CropZoneKind::kLeft);

    frame.Drag(CropZoneKind::kRight, 20, 0);
    EXPECT_EQ(frame.Rect(), QRect(300, 150, 420, 300));
    frame.Drag(CropZoneKind::kLeft, 413, 0); // would leave 7 pixels: ignored
    EXPECT_EQ(frame.Rect().width(), 420);
    frame.Drag(CropZoneKind::kLeft, 412, 0); // 8 pixels are allowed
    EXPECT_EQ(frame.Rect().width(), 8);
    frame.Drag(CropZoneKind::kLeft, -412, 0);
    frame.Drag(CropZoneKind::kBottomRight, 10, -5); // not along the corner's diagonal: ignored
    EXPECT_EQ(frame.Rect(), QRect(300, 150, 420, 300));
    frame.Drag(CropZoneKind::kBottomRight, 10, 5);
    EXPECT_EQ(frame.Rect(), QRect(300, 150, 430, 305));
    frame.Drag(CropZoneKind::kTop, 0, -200); // past the top: ignored
    EXPECT_EQ(frame.Rect().top(), 150);

    // With 16:9 an edge drag makes the other side follow, centred across the edge.
    frame.SetAspectChoice(5);
    const QRect before = frame.Rect();
    frame.Drag(CropZoneKind::kRight, 32, 0);
    EXPECT_EQ(frame.Rect().width(), before.width() + 32);
    EXPECT_EQ(frame.Rect().height(), qRound(frame.Rect().width() / 1.7777777));
    EXPECT_NEAR(frame.Rect().center().y(), before.center().y(), 1);
}

TEST(CropFrame, MaximiseTypedSizesAndApply) {
    CropFrame frame = Started(1000, 600, {0, 400, 300});
    frame.SetAspectChoice(3); // 3:2
    frame.Maximise();         // the full width, then fitted: 900 × 600 cannot exceed the height
    EXPECT_EQ(frame.Rect(), QRect(50, 0, 900, 600));

    frame.SetUnits(1);                   // inches at 100 dpi
    EXPECT_EQ(frame.Panel().Width, 900); // 9.00 inches
    EXPECT_EQ(frame.Panel().Height, 600);
    frame.SetTypedSize(true, 3.0); // 300 pixels wide, 200 high with 3:2
    EXPECT_EQ(frame.Rect().size(), QSize(300, 200));
    frame.SetUnits(3);
    EXPECT_EQ(frame.Panel().Width, 7620); // 76.20 mm
    frame.SetTypedSize(true, 1.0);        // 1 mm is 4 pixels: scaled up to 8 high
    EXPECT_EQ(frame.Rect().height(), 8);
    EXPECT_EQ(frame.Rect().width(), 12);
    frame.SetUnits(0);
    frame.SetTypedSize(false, 5000); // too high: fitted into the source keeping 3:2
    EXPECT_EQ(frame.Rect().size(), QSize(900, 600));

    CropPreferences prefs;
    const QImage cropped = frame.Apply(prefs);
    EXPECT_EQ(cropped.size(), QSize(900, 600));
    EXPECT_EQ(prefs.CropAspect, 3);
    EXPECT_EQ(prefs.CropWidth, 90);
    EXPECT_EQ(prefs.CropHeight, 100);

    CropFrame free = Started(1000, 600, {0, 400, 300});
    CropPreferences freePrefs;
    free.Apply(freePrefs);
    EXPECT_EQ(freePrefs.CropWidth, 400); // pixels without an aspect
}

} // namespace
