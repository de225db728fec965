// Colour conversion and downsampling of one row of MCUs, computing the component samples exactly as
// libjpeg's compressor does (JFIF equations, edge replication, its rounding bias pattern).
#pragma once

#include "JpegCodec.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace vantorel {

// Gives row y (0..height-1) of the 24-bit blue-green-red picture to encode. `scratch` holds
// width * 3 bytes the source may fill and return. Called from several threads at once.
using RowSource = std::function<const std::uint8_t*(int y, std::uint8_t* scratch)>;

// Per-thread working memory for one iMCU row of all components. Not shared between threads.
class ColorSampler {
public:
    ColorSampler(int width, int height, bool grayscale, const std::vector<ComponentLayout>& layout);

    // Converts iMCU row `mcuRow` and fills the component sample rows. Throws EJPEG for sampling
    // factors the codec cannot downsample to.
    void Sample(const RowSource& source, int mcuRow);

    // Row i (0 .. 8*VSamp-1 of the iMCU row) of component c; WidthInBlocks*8 samples are valid.
    const std::uint8_t* ComponentRow(int c, int i) const { return m_componentRows[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)]; }

private:
    void ConvertRow(const std::uint8_t* bgr, int planeRow);

    int m_width;
    int m_height;
    bool m_grayscale;
    int m_maxH = 1;
    int m_maxV = 1;
    int m_planeWidth = 0;
    std::vector<ComponentLayout> m_layout;
    std::vector<std::uint8_t> m_scratch;
    std::vector<std::uint8_t> m_planes;      // per component, 8*maxV rows of planeWidth samples
    std::vector<std::uint8_t> m_downsampled; // per downsampled component, 8*v rows
    std::vector<std::vector<const std::uint8_t*>> m_componentRows;
    std::vector<std::size_t> m_downsampledOffset;
};

} // namespace vantorel
