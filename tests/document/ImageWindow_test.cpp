// The image window: status figures, drawing selection units, the lossless rotation alignment,
// and the window's loading, zoom and scrolling on the offscreen platform.
#include "ImageDocument.h"
#include "SelectionDrawing.h"
#include "StatusFigures.h"
#include "TImageForm.h"
#include "ToolCursors.h"
#include "TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QDir>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using vantorel::StatusOptions;

TEST(StatusFigures, KilobytePanelsShowSizesRatiosAndColours) {
    const auto f = vantorel::ComputeStatusFigures(120000, 14000, 3 * 640 * 480, false);
    const StatusOptions kb = StatusOptions::FromWord(4);
    EXPECT_EQ(vantorel::PlainText(vantorel::SourcePanelRuns(f, 120000, kb)), "Source: 117.2 Kbytes  [857%*Result]");
    EXPECT_EQ(vantorel::PlainText(vantorel::ResultPanelRuns(f, 14000, kb)),
              "Result: 13.7 Kbytes  [12%*Source]   1:65.8");
    EXPECT_EQ(f.SourceColour, QColor(255, 0, 0));
    EXPECT_EQ(f.ResultColour, QColor(0, 0, 255));
    EXPECT_TRUE(f.SourceRaised);

    // A larger result: colours swap unless the mode is Lossless; without a result both are black.
    EXPECT_EQ(vantorel::ComputeStatusFigures(1000, 2000, 3000, false).ResultColour, QColor(255, 0, 0));
    EXPECT_EQ(vantorel::ComputeStatusFigures(1000, 2000, 3000, true).ResultColour, QColor(Qt::black));
    const auto none = vantorel::ComputeStatusFigures(1000, 0, 3000, false);
    EXPECT_EQ(vantorel::PlainText(vantorel::ResultPanelRuns(none, 0, kb)), "Result: ?  [?%*Source]   ");
}

TEST(StatusFigures, SizeAndTimeFormats) {
    struct Case {
        long long Bytes;
        bool Kb;
        const char* Text;
    };
    for (const Case& c : {Case{10239, true, "10.00 Kbytes"}, Case{10240, true, "10.0 Kbytes"},
                          Case{1023999, true, "1000.0 Kbytes"}, Case{1024000, true, "1000 Kbytes"},
                          Case{120000, false, "120000 bytes"}})
        EXPECT_EQ(vantorel::FormatFileSize(c.Bytes, c.Kb), c.Text) << c.Bytes;
    EXPECT_EQ(vantorel::FormatDownloadTime(3000, 28800), "0.83 sec");
    EXPECT_EQ(vantorel::FormatDownloadTime(120000, 56000), "17.1 sec");
    EXPECT_EQ(vantorel::FormatDownloadTime(1200000, 56000), "171 sec");
    EXPECT_EQ(StatusOptions::FromWord(8).DownloadBitsPerSecond, 28800);
    EXPECT_FALSE(StatusOptions::FromWord(0).Kilobytes);
}

TEST(SelectionDrawing, ClicksMakeNoUnitAndShortPolygonsAreRemoved) {
    std::vector<vantorel::SelectionUnit> units;
    vantorel::SelectionDrawing drawing(units);
    const QSize image(400, 300);
    for (int shape : {0, 1}) {
        drawing.Start(shape, {50, 50}, image, 1);
        EXPECT_FALSE(drawing.Finish({52, 60}, image)) << "two pixels wide is too narrow";
        EXPECT_TRUE(units.empty());
    }
    drawing.Start(0, {10, 20}, image, 1);
    drawing.Drag({100, 120}, image);
    EXPECT_TRUE(drawing.Finish({200, 150}, image));
    ASSERT_EQ(units.size(), 1u);
    EXPECT_TRUE(units[0].Included);
    EXPECT_EQ(units[0].BegX, 25000);
    EXPECT_EQ(units[0].EndX, 500000);
    EXPECT_EQ(units[0].EndY, 500000);

    // A polygon finished after its first point goes; one with two points stays with the finishing point.
    drawing.Start(2, {10, 10}, image, 0);
    EXPECT_FALSE(drawing.Finish({30, 30}, image));
    EXPECT_EQ(units.size(), 1u);
    drawing.Start(2, {10, 10}, image, 0);
    drawing.Extend({100, 10}, image);
    EXPECT_TRUE(drawing.Finish({100, 100}, image));
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[1].Points.size(), 3u);
    EXPECT_FALSE(drawing.Drawing());
}

TEST(LosslessRotation, AlignmentTakesTheDataToThePicturesRotation) {
    using D = vantorel::ImageDocument;
    const int table[4][4] = {{0, 2, 1, 3}, {1, 0, 3, 2}, {2, 3, 0, 1}, {3, 1, 2, 0}};
    for (int current = 0; current < 4; ++current)
        for (int lossless = 0; lossless < 4; ++lossless) {
            EXPECT_EQ(D::LosslessAlignment(current, lossless), table[current][lossless]);
            // Turning the data from the lossless rotation by the code gives the current rotation.
            EXPECT_EQ(D::ComposeRotation(lossless, D::LosslessAlignment(current, lossless)), current);
        }
}

class FakeHost : public vantorel::ImageFormHost {
public:
    void ImageNotify(vantorel::TImageForm&, int code) override { Codes.push_back(code); }
    bool ImageMayClose(vantorel::TImageForm&) override { return true; }
    void ImageLoadFailed(vantorel::TImageForm&, const QString& error) override { Errors << error; }
    void ImageMessage(const QString& text) override { Errors << text; }
    int StatusOptionsWord() const override { return 4; }
    void ImageContextMenu(vantorel::TImageForm&, const QPoint&) override {}
    std::vector<int> Codes;
    QStringList Errors;
};

// Handles events, starting the document's jobs as the main window's tick would, until done.
bool WaitFor(const std::function<bool()>& done, vantorel::ImageDocument* doc = nullptr, int ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (doc && doc->RecompressionDue(false))
            doc->StartJob();
    }
    return done();
}

class ImageWindow : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::EnsureGuiApplication();
        ASSERT_TRUE(m_dir.isValid());
    }
    std::string Dir() const { return m_dir.path().toStdString(); }
    QTemporaryDir m_dir;
};

TEST_F(ImageWindow, LoadsOnAWorkerPaintsTheSourceAndShowsTheResult) {
    const auto jpeg = testsupport::CjpegCompress(testsupport::MakePicture(800, 600, testsupport::PictureKind::kPhotoLike),
                                                 "-quality 92", Dir());
    const std::string path = testsupport::WriteTempFile(Dir(), "photo.jpg", jpeg);
    FakeHost host;
    vantorel::Preferences prefs;
    vantorel::TImageForm form(prefs, host);
    form.resize(900, 500);
    form.show();
    bool painted = false;
    form.SourceView().OnPainted = [&] { painted = true; };
    form.LoadFromFile(QString::fromStdString(path), true);
    EXPECT_TRUE(form.Document().Busy()) << "the decode runs on a worker";
    ASSERT_TRUE(WaitFor([&] { return painted; }));
    EXPECT_EQ(form.Document().SourceBitmap().size(), QSize(800, 600));
    EXPECT_TRUE(form.windowTitle().startsWith(QString::fromStdString(path) + "  [zoom:"));
    EXPECT_EQ(form.InformationLine(), "Source: [800x600]x24 JPEG");
    // The load forces a compression at once; its result shows in the result view.
    ASSERT_TRUE(WaitFor([&] { return !form.Document().Busy() && form.Document().ResultSize() > 0; }, &form.Document()));
    EXPECT_EQ(form.ShownResult().size(), QSize(800, 600));
    EXPECT_TRUE(vantorel::PlainText(form.ResultStatus().Runs()).startsWith("Result: "));
    form.ShowSourceAsResult(true);
    EXPECT_EQ(form.ShownResult().constBits(), form.Document().SourceBitmap().constBits());
    form.ShowSourceAsResult(false);
    EXPECT_NE(form.ShownResult().constBits(), form.Document().SourceBitmap().constBits());
    EXPECT_TRUE(host.Errors.isEmpty());
}

TEST_F(ImageWindow, ViewsScrollTogetherAndTheContinuousZoomStopsAtItsLimits) {
    FakeHost host;
    vantorel::Preferences prefs;
    prefs.InitImageScale = 2; // start at 100 %
    vantorel::TImageForm form(prefs, host);
    form.resize(600, 400);
    form.show();
    form.LoadFromBitmap(testsupport::MakePicture(1200, 900, testsupport::PictureKind::kGradient), "NoName1");
    ASSERT_TRUE(WaitFor([&] { return !form.Document().Busy() && form.Document().ResultSize() > 0; }, &form.Document()));
    QCoreApplication::processEvents();
    const auto boxes = form.findChildren<QScrollArea*>();
    ASSERT_EQ(boxes.size(), 2);
    boxes[0]->horizontalScrollBar()->setValue(123);
    boxes[0]->verticalScrollBar()->setValue(77);
    EXPECT_EQ(boxes[1]->horizontalScrollBar()->value(), 123);
    EXPECT_EQ(boxes[1]->verticalScrollBar()->value(), 77);
    boxes[1]->horizontalScrollBar()->setValue(40);
    EXPECT_EQ(boxes[0]->horizontalScrollBar()->value(), 40);

    form.SetZoom(296);
    form.SetTool(vantorel::TImageForm::kZoomTool);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&form.ResultView(), &press);
    ASSERT_TRUE(form.TimedWork());
    for (int i = 0; i < 10; ++i)
        form.TimerEvent();
    EXPECT_EQ(form.Zoom(), 300);
    form.SetZoom(14);
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&form.ResultView(), &right);
    for (int i = 0; i < 10; ++i)
        form.TimerEvent();
    EXPECT_EQ(form.Zoom(), 10);
    EXPECT_EQ(form.ResultView().size(), QSize(120, 90));
}

TEST_F(ImageWindow, TheSelectionToolDrawsUnitsWithTheMouse) {
    FakeHost host;
    vantorel::Preferences prefs;
    prefs.InitImageScale = 2;
    vantorel::TImageForm form(prefs, host);
    form.resize(900, 500);
    form.show();
    form.LoadFromBitmap(testsupport::MakePicture(400, 300, testsupport::PictureKind::kGradient), "NoName1");
    form.Document().Engine().Settings().SelectiveCompression = 1;
    form.SetZoom(50);
    form.SetTool(vantorel::TImageForm::kSelectionTool);
    const auto send = [&](QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(p), form.ResultView().mapToGlobal(QPointF(p)), button, held, Qt::NoModifier);
        QApplication::sendEvent(&form.ResultView(), &e);
    };
    form.Document().MarkChanged(false);
    // A click without moving makes no unit.
    send(QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {20, 20}, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(form.HasUnits());
    // A drag draws a rectangle (view pixels at 50 % are two image pixels) and marks the document.
    send(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, {60, 40}, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {100, 75}, Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(form.Document().Units.size(), 1u);
    const vantorel::SelectionUnit& unit = form.Document().Units[0];
    EXPECT_EQ(unit.BegX, 50000);
    EXPECT_EQ(unit.EndX, 500000);
    EXPECT_EQ(unit.EndY, 500000);
    EXPECT_EQ(form.Document().ChangeCounter(), 1);
    EXPECT_TRUE(form.SelectionCopyPossible());
    form.CopyToClipboard();
    EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(180, 130));
    // A polygon: left clicks add points, a right click finishes it.
    form.SetSelectionShape(2);
    send(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {10, 10}, Qt::LeftButton, Qt::NoButton);
    send(QEvent::MouseButtonPress, {150, 10}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {150, 10}, Qt::LeftButton, Qt::NoButton);
    send(QEvent::MouseButtonPress, {150, 120}, Qt::RightButton, Qt::RightButton);
    ASSERT_EQ(form.Document().Units.size(), 2u);
    EXPECT_EQ(form.Document().Units[1].Points.size(), 3u);
    form.ResultView().grab(); // draws the outlines
    form.DeleteLastUnit();
    form.DeleteAllUnits();
    EXPECT_FALSE(form.HasUnits());
}

// Each tool shows its cursor in both views, and its pressed cursor while a button is held.
TEST_F(ImageWindow, ToolCursorsFollowTheToolTheShapeAndTheButton) {
    using vantorel::ToolCursor;
    FakeHost host;
    vantorel::Preferences prefs;
    vantorel::TImageForm form(prefs, host);
    form.resize(600, 400);
    form.show();
    form.LoadFromBitmap(testsupport::MakePicture(200, 150, testsupport::PictureKind::kGradient), "NoName1");
    ASSERT_TRUE(WaitFor([&] { return !form.Document().Busy(); }, &form.Document()));
    const auto same = [](const QCursor& a, const QCursor& b) {
        return a.shape() == b.shape() && a.pixmap().cacheKey() == b.pixmap().cacheKey();
    };
    const auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(5, 5), form.SourceView().mapToGlobal(QPointF(5, 5)), button, held, Qt::NoModifier);
        QApplication::sendEvent(&form.SourceView(), &e);
    };
    struct Case {
        int tool, shape;
        ToolCursor shown, pressed;
    };
    const Case cases[] = {
        {vantorel::TImageForm::kMoveTool, 0, ToolCursor::kHand, ToolCursor::kHandPressed},
        {vantorel::TImageForm::kZoomTool, 0, ToolCursor::kZoom, ToolCursor::kZoomPressed},
        {vantorel::TImageForm::kSelectionTool, 1, ToolCursor::kSelEllipse, ToolCursor::kSelEllipse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tool);
        form.SetSelectionShape(c.shape);
        form.SetTool(c.tool);
        EXPECT_TRUE(same(form.SourceView().cursor(), vantorel::CursorOf(c.shown)));
        EXPECT_TRUE(same(form.ResultView().cursor(), vantorel::CursorOf(c.shown)));
        send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
        EXPECT_TRUE(same(form.SourceView().cursor(), vantorel::CursorOf(c.pressed)));
        send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
        EXPECT_TRUE(same(form.SourceView().cursor(), vantorel::CursorOf(c.shown)));
    }
    // A new shape while selecting gives the shape's cursor at once.
    form.SetSelectionShape(2);
    EXPECT_TRUE(same(form.ResultView().cursor(), vantorel::CursorOf(ToolCursor::kSelPolygon)));
    EXPECT_FALSE(vantorel::CursorOf(ToolCursor::kSelPolygon).pixmap().isNull());
}

TEST_F(ImageWindow, AFileThatCannotBeReadIsReportedWithItsName) {
    FakeHost host;
    vantorel::Preferences prefs;
    vantorel::TImageForm form(prefs, host);
    const QString missing = m_dir.filePath("missing.jpg");
    form.LoadFromFile(missing, false);
    ASSERT_TRUE(WaitFor([&] { return !host.Errors.isEmpty(); }));
    EXPECT_TRUE(host.Errors.front().startsWith("Cannot load an image from  " + missing)) << host.Errors.front().toStdString();
}

// Every picture of the corpus, sound or broken, either opens and compresses or is reported with its
// name; nothing stays busy and nothing else is said.
TEST_F(ImageWindow, CorpusPicturesOpenOrAreReportedWithTheirNames) {
    const std::string corpus = testsupport::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "no corpus";
    QStringList files;
    for (const char* folder : {"broken", "formats", "formats/derived", "orientation-600"}) {
        const QDir dir(QString::fromStdString(corpus) + '/' + folder);
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
            if (!name.startsWith("huge_") && !name.endsWith(".md")) // the 280-megapixel file is the benchmarks'
                files << dir.filePath(name);
    }
    ASSERT_FALSE(files.isEmpty());
    int opened = 0;
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        FakeHost host;
        vantorel::Preferences prefs;
        vantorel::TImageForm form(prefs, host);
        form.resize(500, 400);
        form.LoadFromFile(file, true);
        const auto& doc = form.Document();
        ASSERT_TRUE(WaitFor([&] { return !host.Errors.isEmpty() || (!doc.New() && !doc.Busy() && doc.ChangeCounter() == 0); },
                            &form.Document(), 60000));
        if (!host.Errors.isEmpty()) {
            EXPECT_EQ(host.Errors.size(), 1);
            EXPECT_TRUE(host.Errors[0].startsWith("Cannot load an image from  " + file)) << host.Errors[0].toStdString();
            continue;
        }
        ++opened;
        EXPECT_FALSE(doc.SourceBitmap().isNull());
        EXPECT_GT(doc.ResultSize(), 0);
        EXPECT_EQ(form.ShownResult().size(), doc.SourceBitmap().size());
    }
    EXPECT_GT(opened, files.size() / 2);
}

} // namespace
