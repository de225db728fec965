// Cancellation at every progress report of a target search, a decode and a resample: the previous
// result stays, nothing is left half-changed, and (under the sanitizers) nothing leaks.
#include "ResampleProc.h"
#include "TJPEGImage.h"
#include "TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using testsupport::PictureKind;

namespace {

// Runs `work` with a handler that throws at the k-th report, for k = 1, 2, ... until a run goes
// through; `check` sees every cancelled run. Returns the number of reports of the complete run.
int CancelAtEveryReport(const std::function<void(const std::function<void()>& report)>& work,
                        const std::function<void(int k)>& check) {
    for (int k = 1;; ++k) {
        if (k > 20000) {
            ADD_FAILURE() << "never completed";
            return k;
        }
        int seen = 0;
        bool cancelled = false;
        try {
            work([&] {
                if (++seen == k)
                    throw vantorel::OperationAborted();
            });
        } catch (const vantorel::OperationAborted&) {
            cancelled = true;
        }
        if (seen < k && !cancelled)
            return k - 1; // went through without reaching report k
        check(k);
    }
}

TEST(Cancellation, TargetSearchAtEveryReportRestoresThePreviousResult) {
    TJPEGImage engine;
    engine.SetSource(testsupport::MakePicture(160, 120, PictureKind::kPhotoLike, 5));
    engine.Compress();
    const TJPEGDataPtr previous = engine.Data();
    const std::vector<std::uint8_t> bytes = previous->Stream;
    engine.SetTargetKind(vantorel::TargetKind::kRatio);
    engine.SetTargetEnabled(true);
    engine.SetTargetRatio(40.0f);
    engine.ProgressIntervalMs = 0;
    const int reports = CancelAtEveryReport(
        [&](const std::function<void()>& report) {
            engine.OnProgress = [&](const vantorel::ProgressEvent&) { report(); };
            engine.Compress(); // a cancelled search ends quietly
            if (engine.Data() != previous)
                return; // completed
            throw vantorel::OperationAborted();
        },
        [&](int k) {
            EXPECT_EQ(engine.Data(), previous) << k;
            EXPECT_FALSE(engine.Searching()) << k;
        });
    EXPECT_GT(reports, 3);
    EXPECT_EQ(previous->Stream, bytes);
}

TEST(Cancellation, DecodeAtEveryReportLeavesTheStreamAndALaterDecodeWhole) {
    QTemporaryDir dir;
    const std::vector<std::uint8_t> jpeg =
        testsupport::CjpegCompress(testsupport::MakePicture(48, 160, PictureKind::kPhotoLike, 6),
                                   "-progressive -quality 85", dir.path().toStdString());
    TJPEGImage reference;
    reference.LoadFromBytes(jpeg);
    const QImage whole = reference.GetBitmap().copy();
    TJPEGImage engine;
    engine.LoadFromBytes(jpeg);
    const TJPEGDataPtr data = engine.Data();
    engine.ProgressIntervalMs = 0;
    const int reports = CancelAtEveryReport(
        [&](const std::function<void()>& report) {
            engine.OnProgress = [&](const vantorel::ProgressEvent&) { report(); };
            engine.KeepBitmap = false;
            engine.GetBitmap(); // a cancelled decode ends quietly with the rows decoded so far
        },
        [&](int k) {
            EXPECT_EQ(engine.Data(), data) << k;
            // The rows decoded so far, or nothing when it was cancelled before the first row.
            EXPECT_TRUE(engine.DecodedBitmap().isNull() || engine.DecodedBitmap().size() == QSize(48, 160)) << k;
        });
    EXPECT_GT(reports, 2);
    engine.OnProgress = nullptr;
    engine.KeepBitmap = false;
    EXPECT_EQ(engine.GetBitmap(), whole);
}

TEST(Cancellation, ResampleAtEveryReportLeavesTheSource) {
    const QImage source = testsupport::MakePicture(120, 90, PictureKind::kPhotoLike, 7);
    const QImage copy = source.copy();
    for (int method : {2, 3}) {
        SCOPED_TRACE(method);
        QImage out(50, 40, QImage::Format_BGR888);
        QImage completed;
        const int reports = CancelAtEveryReport(
            [&](const std::function<void()>& report) {
                vantorel::Resample(source, out, method, 256, [&](float, bool&) { report(); });
                completed = out.copy();
            },
            [&](int) { EXPECT_EQ(source, copy); });
        EXPECT_GT(reports, 1);
        EXPECT_FALSE(completed.isNull());
    }
}

} // namespace
