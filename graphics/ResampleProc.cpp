// The resamplers.
#include "ResampleProc.h"

#include "Bitmap24.h"
#include "Rounding.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace vantorel {

namespace {

using Clock = std::chrono::steady_clock;

// Single-precision kernels, as the filters are defined.
float BSpline(float x) {
    const float a = std::fabs(x);
    if (a < 1)
        return a * a * a / 2 - a * a + 2.0f / 3.0f;
    if (a < 2) {
        const float t = 2 - a;
        return t * t * t / 6;
    }
    return 0;
}

float Bell(float x) {
    const float a = std::fabs(x);
    if (a < 0.5f)
        return 0.75f - a * a;
    if (a < 1.5f)
        return (a - 1.5f) * (a - 1.5f) / 2;
    return 0;
}

float Mitchell(float x) {
    const float a = std::fabs(x);
    if (a < 1)
        return (7 * a * a * a - 12 * a * a + 16.0f / 3.0f) / 6;
    if (a < 2)
        return (-7.0f / 3.0f * a * a * a + 12 * a * a - 20 * a + 32.0f / 3.0f) / 6;
    return 0;
}

struct Contributor {
    int index;
    float weight;
};

// Contributor lists of every destination position, flattened.
struct Contributions {
    std::vector<int> start; // into `items`, one more than positions
    std::vector<Contributor> items;
};

Contributions FilterContributions(int destination, int source, float (*f)(float), double support) {
    Contributions c;
    c.start.push_back(0);
    const bool onePixelTarget = destination == 1 && source > 1;
    // A one-pixel target takes the source's centre, with the window of the whole reduction.
    const double scale = onePixelTarget ? 1.0 / source
                         : source == 1  ? destination
                                        : static_cast<double>(destination - 1) / (source - 1);
    for (int i = 0; i < destination; ++i) {
        const double centre = onePixelTarget ? (source - 1) / 2.0 : i / scale;
        const bool enlarging = scale >= 1;
        const double reach = enlarging ? support : support / scale;
        for (int j = static_cast<int>(std::floor(centre - reach)); j <= static_cast<int>(std::ceil(centre + reach)); ++j) {
            const float weight = enlarging ? f(static_cast<float>(centre - j))
                                           : f(static_cast<float>((centre - j) * scale)) * static_cast<float>(scale);
            if (weight == 0)
                continue;
            int k = j < 0 ? -j : j >= source ? 2 * source - 1 - j : j;
            k = std::clamp(k, 0, source - 1); // sources smaller than the filter's reach
            c.items.push_back({k, weight});
        }
        c.start.push_back(static_cast<int>(c.items.size()));
    }
    return c;
}

// The column (row) walk of the area-average reducer.
Contributions AreaContributions(int destination, int source) {
    Contributions c;
    c.start.push_back(0);
    if (destination == source) {
        for (int i = 0; i < destination; ++i) {
            c.items.push_back({i, 1.0f});
            c.start.push_back(static_cast<int>(c.items.size()));
        }
        return c;
    }
    const double step = static_cast<double>(source) / destination;
    const float u = static_cast<float>(static_cast<double>(destination) / source);
    double m = 0;
    int current = 0;
    for (int i = 0; i < destination; ++i) {
        if (i == 0)
            c.items.push_back({0, u});
        else if (m > 0)
            c.items.push_back({current, static_cast<float>((1 - m) * u)});
        m += step;
        while (m >= 1.00005) {
            ++current;
            c.items.push_back({current, u});
            m -= 1;
        }
        c.items.back().weight = static_cast<float>(m * u);
        c.start.push_back(static_cast<int>(c.items.size()));
    }
    for (Contributor& item : c.items)
        item.index = std::min(item.index, source - 1); // past the last column reads the last one
    return c;
}

std::uint8_t Clamp(double v) { return v > 255 ? 255 : v < 0 ? 0 : static_cast<std::uint8_t>(RoundEven(v)); }

void AreaAverage(const QImage& src, QImage& dst, int fidelity, const ResampleProgress& progress) {
    const int sW = src.width(), sH = src.height(), dW = dst.width(), dH = dst.height();
    const Contributions cols = AreaContributions(dW, sW), rows = AreaContributions(dH, sH);
    const double sx = static_cast<double>(sW) / dW, sy = static_cast<double>(sH) / dH;
    std::vector<double> acc(static_cast<std::size_t>(dW) * 3);
    auto last = Clock::now() - std::chrono::hours(1);
    bool stop = false;
    for (int y = 0; y < dH && !stop; ++y) {
        std::fill(acc.begin(), acc.end(), 0.0);
        for (int r = rows.start[y]; r < rows.start[y + 1]; ++r) {
            const std::uint8_t* line = src.constScanLine(rows.items[r].index);
            const double rw = rows.items[r].weight;
            for (int x = 0; x < dW; ++x) {
                double b = 0, g = 0, red = 0;
                for (int k = cols.start[x]; k < cols.start[x + 1]; ++k) {
                    const std::uint8_t* p = line + 3 * cols.items[k].index;
                    const double w = static_cast<double>(cols.items[k].weight) * rw;
                    b += p[0] * w;
                    g += p[1] * w;
                    red += p[2] * w;
                }
                acc[3 * x] += b;
                acc[3 * x + 1] += g;
                acc[3 * x + 2] += red;
            }
        }
        std::uint8_t* out = dst.scanLine(y);
        const std::uint8_t* reference =
            src.constScanLine(std::min(RoundEven((y + 0.49) * sy), sH - 1));
        for (int x = 0; x < dW; ++x)
            for (int c = 0; c < 3; ++c) {
                int v = std::min(255, RoundEven(acc[3 * x + c]));
                if (fidelity < 256) {
                    const int r = reference[3 * std::min(RoundEven((x + 0.49) * sx), sW - 1) + c];
                    v = (256 * r + fidelity * (v - r) + 127) >> 8;
                }
                out[3 * x + c] = static_cast<std::uint8_t>(v);
            }
        if (progress && y % 32 == 0 && Clock::now() - last >= std::chrono::milliseconds(100)) {
            last = Clock::now();
            progress(static_cast<float>(y) / dH, stop);
        }
    }
    if (progress) {
        bool ignored = false;
        progress(1.0f, ignored);
    }
}

void TwoPass(const QImage& src, QImage& dst, int method, int fidelity, const ResampleProgress& progress) {
    float (*f)(float) = method == 0 ? BSpline : method == 1 ? Bell : Mitchell;
    const double support = method == 1 ? 1.5 : 2.0;
    const int sW = src.width(), sH = src.height(), dW = dst.width(), dH = dst.height();
    const float total = 2.0f * dW + sH + dH;
    float done = 0;
    auto last = Clock::now() - std::chrono::hours(1);
    const auto step = [&](int count) {
        done += static_cast<float>(count);
        const float fraction = done * (1.0f / total);
        if (progress && (Clock::now() - last >= std::chrono::milliseconds(120) || fraction >= 0.99f)) {
            last = Clock::now();
            bool ignored = false;
            progress(fraction, ignored);
        }
    };
    const Contributions cols = FilterContributions(dW, sW, f, support);
    step(dW);
    QImage work = MakeBitmap24(dW, sH);
    if (work.isNull())
        throw std::runtime_error("Result bitmap is not created");
    for (int y = 0; y < sH; ++y) {
        const std::uint8_t* line = src.constScanLine(y);
        std::uint8_t* out = work.scanLine(y);
        for (int x = 0; x < dW; ++x) {
            float sum[3] = {0, 0, 0};
            for (int k = cols.start[x]; k < cols.start[x + 1]; ++k) {
                const std::uint8_t* p = line + 3 * cols.items[k].index;
                for (int c = 0; c < 3; ++c)
                    sum[c] += cols.items[k].weight * p[c];
            }
            const int lastIndex = cols.start[x + 1] > cols.start[x] ? cols.items[cols.start[x + 1] - 1].index : 0;
            for (int c = 0; c < 3; ++c) {
                int v = Clamp(sum[c]);
                if (fidelity < 256) {
                    const int p = line[3 * lastIndex + c];
                    v = (256 * p + fidelity * (v - p) + 127) >> 8;
                }
                out[3 * x + c] = static_cast<std::uint8_t>(v);
            }
        }
        step(1);
    }
    const Contributions rows = FilterContributions(dH, sH, f, support);
    step(dH);
    for (int x = 0; x < dW; ++x) {
        for (int y = 0; y < dH; ++y) {
            float sum[3] = {0, 0, 0};
            for (int k = rows.start[y]; k < rows.start[y + 1]; ++k) {
                const std::uint8_t* p = work.constScanLine(rows.items[k].index) + 3 * x;
                for (int c = 0; c < 3; ++c)
                    sum[c] += rows.items[k].weight * p[c];
            }
            std::uint8_t* out = dst.scanLine(y) + 3 * x;
            for (int c = 0; c < 3; ++c)
                out[c] = Clamp(sum[c]);
        }
        step(1);
    }
    if (progress) {
        bool ignored = false;
        progress(1.0f, ignored);
    }
}

} // namespace

QSize ComputeTargetSize(const ResizeParams& g, int sW, int sH) {
    if (sW <= 0 || sH <= 0)
        return QSize(sW, sH);
    const float aspect = static_cast<float>(sW) / static_cast<float>(sH);
    int w, h;
    if (g.Purpose == 0) {
        w = g.Width;
        h = g.Height;
        if (g.WUnits == 1)
            w = RoundEven(w * static_cast<double>(sW) * 0.01);
        if (g.HUnits == 1)
            h = RoundEven(h * static_cast<double>(sH) * 0.01);
        if (g.WUnits == 2) {
            w = RoundEven(w * static_cast<double>(g.HorzDPI) * 0.001);
            h = RoundEven(h * static_cast<double>(g.VertDPI) * 0.001);
        }
        if (w == 0)
            w = RoundEven(h * static_cast<double>(aspect));
        if (h == 0)
            h = RoundEven(w / static_cast<double>(aspect));
    } else {
        if (g.Height != 0 && static_cast<float>(g.Width) / static_cast<float>(g.Height) < aspect) {
            w = g.WUnits == 1 ? RoundEven(g.Width * static_cast<double>(sW) * 0.01) : g.Width;
            h = RoundEven(w / static_cast<double>(aspect));
        } else {
            h = g.HUnits == 1 ? RoundEven(g.Height * static_cast<double>(sH) * 0.01) : g.Height;
            w = RoundEven(h * static_cast<double>(aspect));
        }
    }
    return QSize(w, h);
}

bool ResampleIsNoOp(const ResizeParams& g, int sW, int sH) {
    const QSize t = ComputeTargetSize(g, sW, sH);
    if (g.Purpose == 0) {
        if ((g.Width == 0 || t.width() == sW) && (g.Height == 0 || t.height() == sH))
            return true;
    } else if (sW <= t.width() && sH <= t.height()) {
        return true;
    }
    return t.width() + t.height() == 0;
}

void Resample(const QImage& source, QImage& destination, int method, int fidelity, const ResampleProgress& progress) {
    if (source.isNull() || source.width() <= 0 || source.height() <= 0)
        throw std::runtime_error("Source bitmap is not created");
    if (destination.isNull() || destination.width() <= 0 || destination.height() <= 0 ||
        destination.format() != QImage::Format_BGR888)
        throw std::runtime_error("Result bitmap is not created");
    const QImage src = ToBitmap24(source);
    fidelity = std::clamp(fidelity, 0, 256);
    if (method == 3 && destination.width() <= src.width() && destination.height() <= src.height())
        AreaAverage(src, destination, fidelity, progress);
    else
        TwoPass(src, destination, method == 3 ? 2 : std::clamp(method, 0, 2), fidelity, progress);
}

} // namespace vantorel
