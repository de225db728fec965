// The one place that talks to libjpeg: writing quantised coefficient arrays as a JPEG stream.
#pragma once

#include "HuffmanOptimizer.h"
#include "QuantTables.h"

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantorel {

// Collects codec warnings: the first kMaxWarnings texts, then only a count.
class WarningList {
public:
    static constexpr int kMaxWarnings = 100;

    void Add(std::string text);
    void Clear();
    // The texts, with a closing line that counts the warnings beyond the first hundred.
    std::vector<std::string> Texts() const;
    int Count() const { return m_count; }

private:
    std::vector<std::string> m_texts;
    int m_count = 0;
};

struct JpegMarker {
    int Code = 0; // 0xE0..0xEF (APPn) or 0xFE (COM)
    std::string Payload;
};

struct JpegWriterSetup {
    int Width = 0;
    int Height = 0;
    bool Grayscale = false; // one component; otherwise three (YCbCr)
    std::array<int, 3> HSampling{2, 1, 1};
    std::array<int, 3> VSampling{2, 1, 1};
    QuantTable LumaTable{};
    QuantTable ChromaTable{};
    bool Progressive = false;    // the codec's simple progression script
    bool OptimizeInCodec = false; // let libjpeg gather statistics (progressive output needs it)
    unsigned RestartInterval = 0; // MCUs, 0 = none
    std::uint8_t DensityUnit = 1;
    std::uint16_t XDensity = 96;
    std::uint16_t YDensity = 96;
    bool WriteJfif = true;
};

struct ComponentLayout {
    int HSamp = 1;
    int VSamp = 1;
    int WidthInBlocks = 0;  // blocks that carry image data
    int HeightInBlocks = 0;
    int ArrayWidth = 0;     // WidthInBlocks rounded up to HSamp (the array's row length)
    int ArrayHeight = 0;    // HeightInBlocks rounded up to VSamp
};

// The component layout a compressor derives from the image size and sampling factors.
std::vector<ComponentLayout> ComputeLayout(int width, int height, bool grayscale, const std::array<int, 3>& h,
                                           const std::array<int, 3>& v);

class CoefficientStore;

// Writes one JPEG stream from coefficient arrays. Used by one thread at a time. Every call may throw
// EJPEG with the codec's message, or rethrow what the progress handler threw.
class JpegWriter {
public:
    // (pass counter, pass limit, completed passes, total passes) of the codec's own passes.
    using PassProgress = std::function<void(long, long, int, int)>;

    explicit JpegWriter(WarningList* warnings);
    ~JpegWriter();
    JpegWriter(const JpegWriter&) = delete;
    JpegWriter& operator=(const JpegWriter&) = delete;

    // Sets every parameter.
    void Begin(const JpegWriterSetup& setup);
    // The component layout of the parameters set.
    const std::vector<ComponentLayout>& Layout() const { return m_layout; }
    // Fixed Huffman tables for table numbers 0 (luma) and 1 (chroma); without them the Annex K
    // tables are used (or the codec's own optimisation with OptimizeInCodec).
    void SetHuffmanTables(const HuffmanTable& dc0, const HuffmanTable& ac0, const HuffmanTable* dc1,
                          const HuffmanTable* ac1);
    // The number of passes the codec will make in Finish.
    int CodecPasses() const;
    // Writes the headers, the markers (in order, after the JFIF header) and the entropy-coded data of
    // the coefficients, which must have this writer's layout. `sizeHint` is the expected stream size.
    void Finish(const CoefficientStore& coefficients, const std::vector<JpegMarker>& markers,
                const PassProgress& progress, std::size_t sizeHint);
    std::vector<std::uint8_t> TakeBytes() { return std::move(m_bytes); }

    struct State;

private:
    // Everything with a destructor is done here, outside the frame that libjpeg may jump to.
    void PrepareRows(const CoefficientStore& coefficients, std::size_t sizeHint);

    std::unique_ptr<State> m_state;
    std::vector<ComponentLayout> m_layout;
    std::vector<std::uint8_t> m_bytes;
};

} // namespace vantorel
