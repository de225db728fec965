// Colour conversion and downsampling, as the JPEG compressor's preprocessing stage does it.
#include "ColorSampler.h"

#include "EngineError.h"

#include <algorithm>
#include <cstring>

namespace vantorel {

namespace {

// Fixed-point JFIF conversion with 16 fraction bits (libjpeg's jccolor.c tables).
constexpr int kScaleBits = 16;
constexpr std::int32_t kOneHalf = 1 << (kScaleBits - 1);
constexpr std::int32_t kCbCrOffset = 128 << kScaleBits;
constexpr std::int32_t Fix(double x) { return static_cast<std::int32_t>(x * (1 << kScaleBits) + 0.5); }

// The fixed-point products of libjpeg's conversion tables, computed directly: table entry i is
// exactly Fix(c) * i, so the sums and the rounding are the same.
constexpr std::int32_t kRY = Fix(0.29900), kGY = Fix(0.58700), kBY = Fix(0.11400);
constexpr std::int32_t kRCb = -Fix(0.16874), kGCb = -Fix(0.33126), kBCb = Fix(0.50000);
constexpr std::int32_t kGCr = -Fix(0.41869), kBCr = -Fix(0.08131);
// 0.5 - epsilon rounding for Cb and Cr keeps their maximum at 255.
constexpr std::int32_t kCbCrBias = kCbCrOffset + kOneHalf - 1;

__attribute__((target_clones("avx2", "default"))) void ConvertToYCbCr(const std::uint8_t* __restrict bgr, int width,
                                                                       std::uint8_t* __restrict y,
                                                                       std::uint8_t* __restrict cb,
                                                                       std::uint8_t* __restrict cr) {
    for (int x = 0; x < width; ++x) {
        const std::int32_t b = bgr[3 * x], g = bgr[3 * x + 1], r = bgr[3 * x + 2];
        y[x] = static_cast<std::uint8_t>((kRY * r + kGY * g + kBY * b + kOneHalf) >> kScaleBits);
        cb[x] = static_cast<std::uint8_t>((kRCb * r + kGCb * g + kBCb * b + kCbCrBias) >> kScaleBits);
        cr[x] = static_cast<std::uint8_t>((kBCb * r + kGCr * g + kBCr * b + kCbCrBias) >> kScaleBits);
    }
}

__attribute__((target_clones("avx2", "default"))) void ConvertToGray(const std::uint8_t* __restrict bgr, int width,
                                                                      std::uint8_t* __restrict y) {
    for (int x = 0; x < width; ++x) {
        const std::int32_t b = bgr[3 * x], g = bgr[3 * x + 1], r = bgr[3 * x + 2];
        y[x] = static_cast<std::uint8_t>((kRY * r + kGY * g + kBY * b + kOneHalf) >> kScaleBits);
    }
}

// Output columns alternate their rounding bias (1, 2 for 2x2; 0, 1 for 2x1) so that rounding errors
// do not accumulate in one direction. `cols` is a multiple of 8.
__attribute__((target_clones("avx2", "default"))) void DownsampleH2V2(const std::uint8_t* __restrict in0,
                                                                       const std::uint8_t* __restrict in1, int cols,
                                                                       std::uint8_t* __restrict out) {
    for (int x = 0; x < cols; x += 2) {
        out[x] = static_cast<std::uint8_t>((in0[2 * x] + in0[2 * x + 1] + in1[2 * x] + in1[2 * x + 1] + 1) >> 2);
        out[x + 1] = static_cast<std::uint8_t>((in0[2 * x + 2] + in0[2 * x + 3] + in1[2 * x + 2] + in1[2 * x + 3] + 2) >> 2);
    }
}

__attribute__((target_clones("avx2", "default"))) void DownsampleH2V1(const std::uint8_t* __restrict in, int cols,
                                                                       std::uint8_t* __restrict out) {
    for (int x = 0; x < cols; x += 2) {
        out[x] = static_cast<std::uint8_t>((in[2 * x] + in[2 * x + 1]) >> 1);
        out[x + 1] = static_cast<std::uint8_t>((in[2 * x + 2] + in[2 * x + 3] + 1) >> 1);
    }
}

} // namespace

ColorSampler::ColorSampler(int width, int height, bool grayscale, const std::vector<ComponentLayout>& layout)
    : m_width(width), m_height(height), m_grayscale(grayscale), m_layout(layout) {
    for (const ComponentLayout& l : m_layout) {
        m_maxH = std::max(m_maxH, l.HSamp);
        m_maxV = std::max(m_maxV, l.VSamp);
    }
    m_planeWidth = width;
    for (const ComponentLayout& l : m_layout) {
        if (m_maxH % l.HSamp != 0 || m_maxV % l.VSamp != 0)
            throw EJPEG("Fractional sampling not implemented yet");
        m_planeWidth = std::max(m_planeWidth, l.WidthInBlocks * 8 * (m_maxH / l.HSamp));
    }
    const std::size_t planeRows = static_cast<std::size_t>(8 * m_maxV);
    m_scratch.resize(static_cast<std::size_t>(width) * 3);
    m_planes.resize(m_layout.size() * planeRows * static_cast<std::size_t>(m_planeWidth));
    std::size_t downsampledSize = 0;
    m_downsampledOffset.assign(m_layout.size(), 0);
    for (std::size_t c = 0; c < m_layout.size(); ++c) {
        const ComponentLayout& l = m_layout[c];
        if (l.HSamp == m_maxH && l.VSamp == m_maxV)
            continue;
        m_downsampledOffset[c] = downsampledSize;
        downsampledSize += static_cast<std::size_t>(8 * l.VSamp) * static_cast<std::size_t>(l.WidthInBlocks * 8);
    }
    m_downsampled.resize(downsampledSize);
    m_componentRows.resize(m_layout.size());
    for (std::size_t c = 0; c < m_layout.size(); ++c)
        m_componentRows[c].resize(static_cast<std::size_t>(8 * m_layout[c].VSamp));
}

void ColorSampler::ConvertRow(const std::uint8_t* bgr, int planeRow) {
    const std::size_t planeStride = static_cast<std::size_t>(8 * m_maxV) * static_cast<std::size_t>(m_planeWidth);
    std::uint8_t* y = m_planes.data() + static_cast<std::size_t>(planeRow) * static_cast<std::size_t>(m_planeWidth);
    const std::size_t pad = static_cast<std::size_t>(m_planeWidth - m_width);
    if (m_grayscale) {
        ConvertToGray(bgr, m_width, y);
        std::memset(y + m_width, y[m_width - 1], pad);
        return;
    }
    std::uint8_t* cb = y + planeStride;
    std::uint8_t* cr = cb + planeStride;
    ConvertToYCbCr(bgr, m_width, y, cb, cr);
    // Columns right of the picture repeat its last column, as the compressor's edge expansion does.
    std::memset(y + m_width, y[m_width - 1], pad);
    std::memset(cb + m_width, cb[m_width - 1], pad);
    std::memset(cr + m_width, cr[m_width - 1], pad);
}

void ColorSampler::Sample(const RowSource& source, int mcuRow) {
    const int planeRows = 8 * m_maxV;
    const int firstRow = mcuRow * planeRows;
    const std::size_t planeStride = static_cast<std::size_t>(planeRows) * static_cast<std::size_t>(m_planeWidth);
    const std::size_t planeWidth = static_cast<std::size_t>(m_planeWidth);

    // Rows below the picture repeat its last row, as the compressor's bottom-edge expansion does.
    int converted = 0;
    for (int j = 0; j < planeRows; ++j) {
        const int y = firstRow + j;
        if (y < m_height) {
            ConvertRow(source(y, m_scratch.data()), j);
            converted = j + 1;
        } else {
            for (std::size_t c = 0; c < m_layout.size(); ++c) {
                std::uint8_t* plane = m_planes.data() + c * planeStride;
                std::memcpy(plane + static_cast<std::size_t>(j) * planeWidth,
                            plane + static_cast<std::size_t>(converted - 1) * planeWidth, planeWidth);
            }
        }
    }

    const int rowGroups = (m_height + m_maxV - 1) / m_maxV; // row groups the compressor downsamples
    for (std::size_t c = 0; c < m_layout.size(); ++c) {
        const ComponentLayout& l = m_layout[c];
        const std::uint8_t* plane = m_planes.data() + c * planeStride;
        const int fh = m_maxH / l.HSamp;
        const int fv = m_maxV / l.VSamp;
        const int rows = 8 * l.VSamp;
        const int produced = rowGroups * l.VSamp; // later rows repeat the last one produced
        std::vector<const std::uint8_t*>& out = m_componentRows[c];
        if (fh == 1 && fv == 1) {
            for (int i = 0; i < rows; ++i) {
                const int cy = std::min(mcuRow * rows + i, produced - 1);
                out[static_cast<std::size_t>(i)] = plane + static_cast<std::size_t>(cy - firstRow) * planeWidth;
            }
            continue;
        }
        const int cols = l.WidthInBlocks * 8;
        std::uint8_t* dst = m_downsampled.data() + m_downsampledOffset[c];
        for (int i = 0; i < rows; ++i, dst += cols) {
            out[static_cast<std::size_t>(i)] = dst;
            const int cy = mcuRow * rows + i;
            if (cy >= produced && i > 0) {
                std::memcpy(dst, dst - cols, static_cast<std::size_t>(cols));
                continue;
            }
            const int sy = std::min(cy, produced - 1) * fv - firstRow; // plane row of the first input row
            const std::uint8_t* in0 = plane + static_cast<std::size_t>(sy) * planeWidth;
            if (fh == 2 && fv == 2) {
                DownsampleH2V2(in0, in0 + planeWidth, cols, dst);
            } else if (fh == 2 && fv == 1) {
                DownsampleH2V1(in0, cols, dst);
            } else {
                const int count = fh * fv;
                for (int x = 0; x < cols; ++x) {
                    int sum = 0;
                    for (int v = 0; v < fv; ++v) {
                        const std::uint8_t* in = in0 + static_cast<std::size_t>(v) * planeWidth + x * fh;
                        for (int h = 0; h < fh; ++h)
                            sum += in[h];
                    }
                    dst[x] = static_cast<std::uint8_t>((sum + count / 2) / count);
                }
            }
        }
    }
}

} // namespace vantorel
