// Colour conversion and downsampling, as the JPEG compressor's preprocessing stage does it.
#include "ColorSampler.h"

#include "EngineError.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vantorel {

namespace {

// Fixed-point JFIF conversion with 16 fraction bits (libjpeg's jccolor.c tables).
constexpr int kScaleBits = 16;
constexpr std::int32_t kOneHalf = 1 << (kScaleBits - 1);
constexpr std::int32_t kCbCrOffset = 128 << kScaleBits;
constexpr std::int32_t Fix(double x) { return static_cast<std::int32_t>(x * (1 << kScaleBits) + 0.5); }

struct ConversionTables {
    std::array<std::int32_t, 256> rY, gY, bY, rCb, gCb, bCb, gCr, bCr;
    ConversionTables() {
        for (int i = 0; i < 256; ++i) {
            rY[i] = Fix(0.29900) * i;
            gY[i] = Fix(0.58700) * i;
            bY[i] = Fix(0.11400) * i + kOneHalf;
            rCb[i] = -Fix(0.16874) * i;
            gCb[i] = -Fix(0.33126) * i;
            // 0.5 - epsilon rounding keeps the maximum at 255 (and serves R for Cr as well).
            bCb[i] = Fix(0.50000) * i + kCbCrOffset + kOneHalf - 1;
            gCr[i] = -Fix(0.41869) * i;
            bCr[i] = -Fix(0.08131) * i;
        }
    }
};

const ConversionTables& Tables() {
    static const ConversionTables tables;
    return tables;
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
    const ConversionTables& t = Tables();
    const std::size_t planeStride = static_cast<std::size_t>(8 * m_maxV) * static_cast<std::size_t>(m_planeWidth);
    std::uint8_t* y = m_planes.data() + static_cast<std::size_t>(planeRow) * static_cast<std::size_t>(m_planeWidth);
    if (m_grayscale) {
        for (int x = 0; x < m_width; ++x, bgr += 3)
            y[x] = static_cast<std::uint8_t>((t.rY[bgr[2]] + t.gY[bgr[1]] + t.bY[bgr[0]]) >> kScaleBits);
        std::memset(y + m_width, y[m_width - 1], static_cast<std::size_t>(m_planeWidth - m_width));
        return;
    }
    std::uint8_t* cb = y + planeStride;
    std::uint8_t* cr = cb + planeStride;
    for (int x = 0; x < m_width; ++x, bgr += 3) {
        const int b = bgr[0], g = bgr[1], r = bgr[2];
        y[x] = static_cast<std::uint8_t>((t.rY[r] + t.gY[g] + t.bY[b]) >> kScaleBits);
        cb[x] = static_cast<std::uint8_t>((t.rCb[r] + t.gCb[g] + t.bCb[b]) >> kScaleBits);
        cr[x] = static_cast<std::uint8_t>((t.bCb[r] + t.gCr[g] + t.bCr[b]) >> kScaleBits);
    }
    const std::size_t pad = static_cast<std::size_t>(m_planeWidth - m_width);
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
                const std::uint8_t* in1 = in0 + planeWidth;
                int bias = 1; // 1, 2, 1, 2, ... along the row
                for (int x = 0; x < cols; ++x, in0 += 2, in1 += 2) {
                    dst[x] = static_cast<std::uint8_t>((in0[0] + in0[1] + in1[0] + in1[1] + bias) >> 2);
                    bias ^= 3;
                }
            } else if (fh == 2 && fv == 1) {
                int bias = 0; // 0, 1, 0, 1, ...
                for (int x = 0; x < cols; ++x, in0 += 2) {
                    dst[x] = static_cast<std::uint8_t>((in0[0] + in0[1] + bias) >> 1);
                    bias ^= 1;
                }
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
