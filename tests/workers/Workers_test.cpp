// The background workers: phases, progress on the main thread, terminate requests, priorities,
// the resample worker, the tick and the rotate-button previews.
#include "TExtTimer.h"
#include "TImageInformThread.h"
#include "TJPEGEngine.h"
#include "TResampleEngine.h"

#include "Bitmap24.h"
#include "TJPEGImage.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <vector>

using testsupport::PictureKind;

namespace {

// Handles events until the worker has finished (its reports need the main thread).
void RunUntilFinished(QThread& worker) {
    while (!worker.isFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
}

struct Report {
    std::uint8_t phase;
    int percent;
    bool onMainThread;
};

class Workers : public ::testing::Test {
protected:
    void SetUp() override { testsupport::EnsureGuiApplication(); }
    static bool OnMain() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }
};

TEST_F(Workers, ACompressionJobCompressesThenDecodesReportingOnTheMainThread) {
    TJPEGImage image;
    image.SetSource(testsupport::MakePicture(320, 240, PictureKind::kPhotoLike));
    image.ProgressIntervalMs = 0;
    std::vector<Report> reports;
    TJPEGEngine engine(image, -1, [&](TJPEGEngine&, std::uint8_t phase, int percent) {
        reports.push_back({phase, percent, OnMain()});
    });
    engine.setPriority(TJPEGEngine::PriorityOf(2));
    engine.start();
    RunUntilFinished(engine);
    EXPECT_FALSE(engine.Aborted());
    EXPECT_GT(image.ResultSize(), 0);
    EXPECT_EQ(image.DecodedBitmap().size(), QSize(320, 240));
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front().phase, TJPEGEngine::kCompressing);
    EXPECT_EQ(reports.back().phase, TJPEGEngine::kDecoding);
    for (const Report& r : reports)
        EXPECT_TRUE(r.onMainThread);
}

TEST_F(Workers, OnlyTheCompressionPhaseReactsToATerminateRequest) {
    TJPEGImage image;
    image.SetSource(testsupport::MakePicture(320, 240, PictureKind::kPhotoLike));
    image.Compress();
    const TJPEGDataPtr previous = image.Data();
    image.Settings().LumCompressionLevel = 80;
    image.ProgressIntervalMs = 0;
    {
        // Asked to stop while compressing: aborted, silently, with the previous result kept.
        TJPEGEngine engine(image, -1, [](TJPEGEngine& sender, std::uint8_t phase, int) {
            if (phase == TJPEGEngine::kCompressing)
                sender.RequestTerminate();
        });
        engine.start();
        RunUntilFinished(engine);
        EXPECT_TRUE(engine.Aborted());
        EXPECT_EQ(engine.Phase(), TJPEGEngine::kCompressing);
        EXPECT_EQ(image.Data(), previous);
    }
    {
        // Asked to stop while decoding the result: the decode goes on to its end.
        TJPEGEngine engine(image, -1, [](TJPEGEngine& sender, std::uint8_t phase, int) {
            if (phase == TJPEGEngine::kDecoding)
                sender.RequestTerminate();
        });
        engine.start();
        RunUntilFinished(engine);
        EXPECT_FALSE(engine.Aborted());
        EXPECT_NE(image.Data(), previous);
        EXPECT_EQ(image.DecodedBitmap().size(), QSize(320, 240));
    }
    {
        // A modification job ignores the request.
        image.Modifications().AddModification(1, 60, 0, 0, false, false);
        TJPEGEngine engine(image, 1, {});
        engine.RequestTerminate();
        engine.start();
        RunUntilFinished(engine);
        EXPECT_FALSE(engine.Aborted());
        EXPECT_EQ(engine.Phase(), TJPEGEngine::kModifying);
        EXPECT_EQ(image.Modifications().Entry(1).Applied, 1);
    }
    EXPECT_EQ(TJPEGEngine::PriorityOf(7), QThread::NormalPriority);
    EXPECT_EQ(TJPEGEngine::PriorityOf(0), QThread::LowestPriority);
    EXPECT_EQ(TJPEGEngine::PriorityOf(4), QThread::HighestPriority);
}

TEST_F(Workers, TheResampleWorkerReportsAbortsAndFails) {
    const QImage source = testsupport::MakePicture(800, 600, PictureKind::kPhotoLike);
    {
        std::vector<Report> reports;
        TResampleEngine engine(source, vantorel::MakeBitmap24(200, 150), 2, 256,
                               [&](TResampleEngine&, std::uint8_t phase, int percent) {
                                   reports.push_back({phase, percent, OnMain()});
                               });
        engine.start();
        RunUntilFinished(engine);
        EXPECT_FALSE(engine.Failed());
        EXPECT_FALSE(engine.Aborted());
        EXPECT_EQ(engine.Destination().size(), QSize(200, 150));
        ASSERT_FALSE(reports.empty()); // the first progress is reported at once
        EXPECT_EQ(reports.front().phase, 2);
        EXPECT_TRUE(reports.front().onMainThread);
    }
    {
        TResampleEngine engine(source, vantorel::MakeBitmap24(200, 150), 2, 256, {});
        engine.RequestTerminate();
        engine.start();
        RunUntilFinished(engine);
        EXPECT_TRUE(engine.Aborted());
        EXPECT_FALSE(engine.Failed());
    }
    {
        TResampleEngine engine(source, QImage(), 2, 256, {});
        engine.start();
        RunUntilFinished(engine);
        EXPECT_TRUE(engine.Failed());
    }
}

TEST_F(Workers, TheTickFiresOnTheMainThreadNoSoonerThanItsInterval) {
    std::vector<qint64> ticks;
    bool allOnMain = true;
    QElapsedTimer clock;
    clock.start();
    {
        TExtTimer timer(40, [&] {
            ticks.push_back(clock.elapsed());
            allOnMain = allOnMain && OnMain();
        });
        timer.start(QThread::LowestPriority);
        while (clock.elapsed() < 400)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_TRUE(allOnMain);
    // The worker times the ticks; the main thread may run one late and the next on time, so single
    // gaps seen here can be shorter, but never on average and never more ticks than intervals.
    EXPECT_LE(ticks.size(), 10u);
    EXPECT_GE(static_cast<double>(ticks.back() - ticks.front()) / static_cast<double>(ticks.size() - 1), 30.0);
}

TEST_F(Workers, TheInformationThreadMakesThreeTurnedPreviews) {
    EXPECT_EQ(TImageInformThread::FitIntoBox({100, 50}, 153), QSize(100, 50));
    EXPECT_EQ(TImageInformThread::FitIntoBox({400, 300}, 153), QSize(153, 115)); // 114.75 rounds up
    EXPECT_EQ(TImageInformThread::FitIntoBox({300, 400}, 30), QSize(23, 30));    // 22.5 away from zero

    TJPEGImage image;
    image.SetSource(testsupport::MakePicture(400, 200, PictureKind::kPhotoLike));
    int reports = 0;
    TImageInformThread thread(image, 30, [&](TImageInformThread& sender) {
        ++reports;
        sender.ClearStopRequest();
    });
    thread.Resume();
    while (reports == 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const auto& thumbs = thread.Thumbnails();
    for (const QImage& t : thumbs)
        EXPECT_EQ(t.size(), QSize(30, 30));
    // The wide picture (28 x 14 inside the frame) lies across in the 180-degree preview and upright
    // in the quarter turns; the corners keep the key colour.
    EXPECT_EQ(thumbs[2].pixelColor(0, 0), QColor(0xFD, 0xC5, 0xFE)); // 0xFEC5FD is blue FE, green C5, red FD
    EXPECT_EQ(thumbs[2].pixelColor(15, 7), QColor(Qt::white));       // the frame along the picture
    EXPECT_EQ(thumbs[0].pixelColor(7, 15), QColor(Qt::white));
    EXPECT_EQ(thumbs[0].pixelColor(15, 0), QColor(Qt::white)); // turned: the frame runs down
    // A second pass for a new source.
    image.SetSource(testsupport::MakePicture(50, 100, PictureKind::kGradient));
    thread.Resume();
    while (reports < 2)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(thread.Preview().size(), QSize(50, 100));
    // Stopping a pass over a large source returns after the reducer's next report.
    image.SetSource(vantorel::MakeBitmap24(4000, 3000));
    thread.Resume();
    thread.StopPass();
    EXPECT_FALSE(thread.Busy());
}

} // namespace
