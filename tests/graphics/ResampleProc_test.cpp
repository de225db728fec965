// Target sizes and the two resamplers.
#include "ResampleProc.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using vantorel::ResizeParams;

QImage Filled(int w, int h, std::uint8_t value) {
    QImage image(w, h, QImage::Format_BGR888);
    image.fill(QColor(value, value, value));
    return image;
}

TEST(Resample, TargetSizes) {
    struct Case {
        ResizeParams group;
        int sw, sh;
        QSize expected;
        bool noOp;
    };
    const Case cases[] = {
        {{0, 800, 0, 0, 0, 0, 0}, 1600, 1200, {800, 600}, false},
        {{0, 50, 0, 1, 1, 0, 0}, 1600, 1200, {800, 600}, false},
        {{1, 160, 160, 0, 0, 0, 0}, 1600, 1200, {160, 120}, false},
        {{1, 160, 160, 0, 0, 0, 0}, 100, 80, {160, 128}, true}, // a thumbnail never enlarges
        {{0, 2500, 0, 2, 2, 300, 300}, 1000, 500, {750, 375}, false},
        {{0, 0, 0, 0, 0, 0, 0}, 1000, 500, {0, 0}, true},
        {{0, 1000, 0, 0, 0, 0, 0}, 1000, 500, {1000, 500}, true},
        {{0, 10, 10, 0, 0, 0, 0}, 0, 0, {0, 0}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vantorel::ComputeTargetSize(c.group, c.sw, c.sh), c.expected) << c.sw << " " << c.group.Width;
        if (c.sw > 0) {
            EXPECT_EQ(vantorel::ResampleIsNoOp(c.group, c.sw, c.sh), c.noOp) << c.sw << " " << c.group.Width;
        }
    }
}

TEST(Resample, AreaAverageWeightsAndFidelity) {
    QImage source(3, 1, QImage::Format_BGR888);
    const std::uint8_t values[3] = {0, 30, 90};
    for (int x = 0; x < 3; ++x)
        std::fill_n(source.scanLine(0) + 3 * x, 3, values[x]);
    QImage out(2, 1, QImage::Format_BGR888);
    vantorel::Resample(source, out, 3, 256, {});
    EXPECT_EQ(out.constScanLine(0)[0], 10); // 0 x 2/3 + 30 x 1/3
    EXPECT_EQ(out.constScanLine(0)[3], 70); // 30 x 1/3 + 90 x 2/3
    vantorel::Resample(source, out, 3, 0, {});
    EXPECT_EQ(out.constScanLine(0)[0], 30); // point sampling: column round(0.49 x 1.5) = 1
    EXPECT_EQ(out.constScanLine(0)[3], 90); // column round(1.49 x 1.5) = 2

    // Method 3 enlarging is the Mitchell filter.
    QImage small(5, 4, QImage::Format_BGR888);
    std::mt19937 rng(1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 15; ++x)
            small.scanLine(y)[x] = static_cast<std::uint8_t>(rng() & 0xFF);
    QImage a(9, 7, QImage::Format_BGR888), b(9, 7, QImage::Format_BGR888);
    vantorel::Resample(small, a, 3, 256, {});
    vantorel::Resample(small, b, 2, 256, {});
    EXPECT_EQ(a, b);
}

TEST(Resample, TinySourcesAndTargetsGiveCorrectPixelsForEveryMethod) {
    for (int method = 0; method <= 3; ++method)
        for (const QSize from : {QSize(1, 1), QSize(2, 1), QSize(1, 2), QSize(2, 2), QSize(300, 4), QSize(7, 7)})
            for (const QSize to : {QSize(1, 1), QSize(1, 5), QSize(8, 8), QSize(3, 2)}) {
                QImage out(to, QImage::Format_BGR888);
                out.fill(Qt::black);
                vantorel::Resample(Filled(from.width(), from.height(), 120), out, method, 256, {});
                for (int y = 0; y < to.height(); ++y)
                    for (int x = 0; x < to.width() * 3; ++x)
                        ASSERT_NEAR(out.constScanLine(y)[x], 120, 3)
                            << "method " << method << " " << from.width() << "x" << from.height() << " -> "
                            << to.width() << "x" << to.height();
            }
}

TEST(Resample, ErrorsProgressAndStopping) {
    QImage out(4, 4, QImage::Format_BGR888);
    EXPECT_THROW(vantorel::Resample(QImage(), out, 0, 256, {}), std::runtime_error);
    QImage none;
    try {
        vantorel::Resample(Filled(4, 4, 1), none, 0, 256, {});
        ADD_FAILURE();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Result bitmap is not created");
    }
    for (int method : {2, 3}) {
        std::vector<float> reports;
        QImage big(40, 300, QImage::Format_BGR888);
        vantorel::Resample(Filled(80, 600, 9), big, method, 256, [&](float f, bool&) { reports.push_back(f); });
        ASSERT_FALSE(reports.empty());
        EXPECT_FLOAT_EQ(reports.back(), 1.0f);
        EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    }
    // The area-average reducer stops after the row that asked it to; the last report is still 1.
    QImage partial(40, 300, QImage::Format_BGR888);
    partial.fill(Qt::black);
    float lastReport = 0;
    vantorel::Resample(Filled(80, 600, 9), partial, 3, 256, [&](float f, bool& stop) {
        lastReport = f;
        stop = true;
    });
    EXPECT_FLOAT_EQ(lastReport, 1.0f);
    EXPECT_EQ(partial.constScanLine(0)[0], 9);
    EXPECT_EQ(partial.constScanLine(299)[0], 0); // never written
}

} // namespace
