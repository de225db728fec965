// The document's job control: when jobs start, what they do, and what their ends leave.
#include "ImageDocument.h"

#include "Rounding.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using testsupport::PictureKind;

namespace {

class Document : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::EnsureGuiApplication();
        ASSERT_TRUE(m_dir.isValid());
    }
    // A JPEG file of the given size, written with cjpeg.
    QString Jpeg(int width, int height, const char* name = "photo.jpg") {
        const auto bytes = testsupport::CjpegCompress(testsupport::MakePicture(width, height, PictureKind::kPhotoLike),
                                                      "-quality 90", m_dir.path().toStdString());
        return QString::fromStdString(testsupport::WriteTempFile(m_dir.path().toStdString(), name, bytes));
    }
    // Plays the main window's tick: starts a job whenever one is due, until `done` or a time limit.
    static void Tick(vantorel::ImageDocument& doc, const std::function<bool()>& done, bool correctionMode = false) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 20000) {
            if (doc.RecompressionDue(correctionMode))
                doc.StartJob();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
    static vantorel::Preferences Prefs(int delayMs) {
        vantorel::Preferences p;
        p.ComprDelay = delayMs;
        return p;
    }
    QTemporaryDir m_dir;
};

TEST_F(Document, LoadingCompressesAtOnceAndFiveChangesDuringAJobGiveOneMore) {
    vantorel::ImageDocument doc(Prefs(100));
    QString error;
    ASSERT_TRUE(doc.LoadFile(Jpeg(800, 600), error)) << error.toStdString();
    EXPECT_TRUE(doc.RecompressionDue(false)); // forced: no delay
    doc.StartJob();
    EXPECT_TRUE(doc.Busy());
    EXPECT_FALSE(doc.RecompressionDue(false)); // never while busy
    for (int i = 0; i < 5; ++i)
        doc.MarkChanged(true);
    doc.WaitWhileBusy();
    EXPECT_GT(doc.ResultSize(), 0);
    EXPECT_EQ(doc.JobsStarted(), 1);
    EXPECT_GT(doc.ChangeCounter(), 0); // the changes made meanwhile are still due
    // The changes give exactly one further compression once the delay has passed.
    Tick(doc, [&] { return doc.JobsStarted() == 2 && !doc.Busy(); });
    EXPECT_EQ(doc.JobsStarted(), 2);
    EXPECT_EQ(doc.ChangeCounter(), 0);
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 300) {
        EXPECT_FALSE(doc.RecompressionDue(false));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

TEST_F(Document, StoppingActsOnlyOnTheCompressionPhase) {
    vantorel::ImageDocument doc(Prefs(50));
    QString error;
    ASSERT_TRUE(doc.LoadFile(Jpeg(1600, 1200), error)) << error.toStdString();
    Tick(doc, [&] { return doc.JobsStarted() == 1 && !doc.Busy(); });
    const TJPEGDataPtr previous = doc.Engine().Data();
    ASSERT_GT(doc.ResultSize(), 0);

    // Stopped while compressing: the previous result stays and the document is marked stopped.
    doc.Engine().Settings().LumCompressionLevel = 10;
    doc.Engine().ProgressIntervalMs = 0;
    doc.MarkChanged(true);
    Tick(doc, [&] { return doc.Busy(); });
    while (doc.Busy() && doc.Phase() != 0)
        QCoreApplication::processEvents();
    doc.Stop();
    doc.WaitWhileBusy();
    EXPECT_TRUE(doc.Stopped());
    EXPECT_EQ(doc.Engine().Data(), previous);
    EXPECT_FALSE(doc.RecompressionDue(false)); // stopped: no new job until the next change

    // A stop while the result is decoded does nothing.
    doc.MarkChanged(true);
    bool stoppedInDecode = false;
    Tick(doc, [&] {
        if (doc.Busy() && doc.Phase() == 1 && !stoppedInDecode) {
            doc.Stop();
            stoppedInDecode = true;
        }
        return stoppedInDecode && !doc.Busy();
    });
    EXPECT_TRUE(stoppedInDecode);
    EXPECT_FALSE(doc.Stopped());
    EXPECT_NE(doc.Engine().Data(), previous);
}

TEST_F(Document, SwitchingToTheCorrectionViewStopsACompressionFirst) {
    vantorel::ImageDocument doc(Prefs(50));
    QString error;
    ASSERT_TRUE(doc.LoadFile(Jpeg(1600, 1200), error)) << error.toStdString();
    doc.Engine().ProgressIntervalMs = 0;
    doc.StartJob();
    ASSERT_TRUE(doc.Busy());
    doc.SetCorrectionView(1);
    EXPECT_FALSE(doc.Busy());
    EXPECT_EQ(doc.CorrectionView(), 1);
    EXPECT_EQ(doc.Engine().DecodedBitmap(), doc.SourceBitmap()); // the "after" view starts as the source

    // In the correction view a job previews the pending entry.
    doc.Engine().Modifications().Pending().ModifyType = 1;
    doc.Engine().Modifications().Pending().Value1_ = 100;
    doc.MarkChanged(true);
    Tick(
        doc, [&] { return doc.JobsStarted() >= 2 && !doc.Busy(); }, true);
    const QColor before = doc.SourceBitmap().pixelColor(10, 10);
    const QColor after = doc.Engine().DecodedBitmap().pixelColor(10, 10);
    EXPECT_EQ(after.red(), std::min(255, static_cast<int>(std::nearbyint(before.red() * 1.5f))));
}

TEST_F(Document, AProfilesBrightnessIsAppliedAndItsCropAsksForTheTool) {
    vantorel::ImageDocument doc(Prefs(50));
    QString error;
    ASSERT_TRUE(doc.LoadFile(Jpeg(320, 240), error)) << error.toStdString();
    const QColor before = doc.SourceBitmap().pixelColor(5, 5);
    TModifyImage& list = doc.Engine().Modifications();
    list.AddModification(1, 100, 0, 0, false, false); // the older entry
    list.AddModification(8, 0, 0, 0, false, false);
    Tick(doc, [&] { return doc.JobsStarted() == 1 && !doc.Busy(); });
    // The brightness entry ran as one job and its output became the source; the crop was dropped
    // and asks for the crop tool, and no compression followed.
    EXPECT_TRUE(doc.CropRequested());
    EXPECT_EQ(list.IndexOfKind(8), 0);
    EXPECT_EQ(list.Entry(list.IndexOfKind(1)).Applied, 1);
    EXPECT_EQ(doc.SourceBitmap().pixelColor(5, 5).red(),
              std::min(255, static_cast<int>(std::nearbyint(before.red() * 1.5f))));
    // No compression follows: the crop tool is to open first (the main window's business).
    QElapsedTimer clock;
    clock.start();
    Tick(doc, [&] { return clock.elapsed() > 300; });
    EXPECT_EQ(doc.JobsStarted(), 1);
    EXPECT_FALSE(doc.Busy());
}

TEST_F(Document, AProfilesResampleRunsOnceAndUnreadableFilesAreRefused) {
    vantorel::ImageDocument doc(Prefs(50));
    QString error;
    ASSERT_TRUE(doc.LoadFile(Jpeg(400, 300), error)) << error.toStdString();
    doc.Engine().Settings().Resizing.ResamplingWidth = 200;
    doc.Engine().Settings().Resizing.ResamplingMethod = 3;
    doc.Engine().Settings().Resizing.ResamplingFidLevel = 256;
    doc.Engine().Modifications().AddModification(0, 0, 0, 0, false, false);
    Tick(doc, [&] { return doc.JobsStarted() == 2 && !doc.Busy(); });
    EXPECT_TRUE(doc.Resampled());
    EXPECT_EQ(doc.SourceBitmap().size(), QSize(200, 150));
    EXPECT_EQ(doc.Engine().Data()->Width, 200);
    EXPECT_EQ(doc.Engine().Modifications().Count(), 1); // one applied resample entry
    EXPECT_EQ(doc.Engine().Modifications().Entry(1).Applied, 1);

    vantorel::ImageDocument broken(Prefs(50));
    EXPECT_FALSE(broken.LoadFile(m_dir.filePath("missing.jpg"), error));
    EXPECT_TRUE(error.contains("missing.jpg")) << error.toStdString();
}

TEST_F(Document, EditsDuringAJobStayAndTheJobsDerivedTargetIsTakenOver) {
    vantorel::ImageDocument doc(Prefs(50));
    QString error;
    ASSERT_TRUE(doc.LoadFile(Jpeg(1600, 1200), error)) << error.toStdString();
    Tick(doc, [&] { return doc.Busy(); });
    ASSERT_TRUE(doc.Busy());
    // The user changes options while the worker compresses and then decodes the old settings' result.
    vantorel::EngineSettings& s = doc.Engine().Settings();
    s.ProgressiveEncoding = true;
    s.LumCompressionLevel = 20;
    doc.MarkChanged(true);
    doc.WaitWhileBusy();
    EXPECT_TRUE(doc.Engine().Settings().ProgressiveEncoding) << "the result's header must not undo the edit";
    EXPECT_EQ(doc.Engine().Settings().LumCompressionLevel, 20);
    EXPECT_FALSE(testsupport::InspectJpeg(doc.Engine().Data()->Stream).Progressive) << "the job used its own copy";
    // Without a held target the job's ratio becomes the image's; the next compression uses the edits.
    EXPECT_EQ(vantorel::RoundEven(doc.Engine().Settings().ComprRatio), doc.Engine().CurrentRatio());
    Tick(doc, [&] { return !doc.Busy() && doc.ChangeCounter() == 0; });
    EXPECT_TRUE(testsupport::InspectJpeg(doc.Engine().Data()->Stream).Progressive);
}

TEST_F(Document, LosslessAfterAFreeRotationTurnsTheJpegDataToThePicture) {
    vantorel::ImageDocument doc(Prefs(50));
    const QString file = Jpeg(640, 480);
    QString error;
    ASSERT_TRUE(doc.LoadFile(file, error)) << error.toStdString();
    Tick(doc, [&] { return !doc.Busy() && doc.ChangeCounter() == 0; });
    // A quarter turn in the Free mode turns the picture only.
    doc.Engine().Modifications().AddModification(vantorel::kRotationModification, 1, 0, 0, false, false);
    doc.MarkChanged(true);
    Tick(doc, [&] { return !doc.Busy() && !doc.Engine().Modifications().HasUnapplied() && doc.ChangeCounter() == 0; });
    ASSERT_EQ(doc.SourceBitmap().size(), QSize(480, 640));
    EXPECT_EQ(doc.CurrentRotation, 1);
    EXPECT_EQ(doc.LosslessRotation, 0);
    ASSERT_TRUE(doc.LosslessAllowed());
    // Lossless: the data follows the picture, so the result is the source turned without loss.
    doc.SetCompressionMode(2);
    EXPECT_EQ(doc.LosslessRotation, 1);
    Tick(doc, [&] { return !doc.Busy() && doc.ChangeCounter() == 0; });
    const std::string turned = m_dir.filePath("turned.jpg").toStdString();
    ASSERT_EQ(testsupport::RunCommand("jpegtran -rotate 90 -outfile '" + turned + "' '" + file.toStdString() + "'"), 0);
    EXPECT_EQ(testsupport::ReadCoefficients(doc.Engine().Data()->Stream),
              testsupport::ReadCoefficients(testsupport::ReadFileBytes(turned)));
}

TEST_F(Document, ADuplicateKeepsTheProfileAndTheJpegDataForTheLosslessMode) {
    vantorel::ImageDocument doc(Prefs(50));
    const QString file = Jpeg(320, 240);
    QString error;
    ASSERT_TRUE(doc.LoadFile(file, error)) << error.toStdString();
    Tick(doc, [&] { return !doc.Busy() && doc.ChangeCounter() == 0; });
    doc.Engine().Settings().LumCompressionLevel = 33;
    vantorel::ImageDocument copy(Prefs(50));
    copy.LoadFromDocument(doc);
    EXPECT_EQ(copy.Engine().Settings().LumCompressionLevel, 33);
    EXPECT_EQ(copy.SourceBitmap().constBits(), doc.SourceBitmap().constBits()) << "the picture is shared, not copied";
    ASSERT_TRUE(copy.LosslessAllowed());
    copy.SetCompressionMode(2);
    Tick(copy, [&] { return !copy.Busy() && copy.ChangeCounter() == 0; });
    ASSERT_TRUE(copy.Engine().Data());
    EXPECT_EQ(testsupport::ReadCoefficients(copy.Engine().Data()->Stream),
              testsupport::ReadCoefficients(testsupport::ReadFileBytes(file.toStdString())));
}

} // namespace
