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

#include <QImage>

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
    bool operator==(const ComponentLayout&) const = default;
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

// --- reading ------------------------------------------------------------------------------------

// Limits that keep a hostile file from exhausting memory or time.
inline constexpr long long kMaxPixels = 268402689; // 16383 x 16383
inline constexpr int kMaxSide = 65500;
inline constexpr long long kMaxDecoderMemory = 1LL << 30;
inline constexpr int kMaxScans = 100;

struct JpegHeader {
    int Width = 0;
    int Height = 0;
    int Components = 0;
    bool Grayscale = false;   // the file's colour space is grayscale
    bool Progressive = false; // more than one scan
    bool Cmyk = false;        // CMYK or YCCK (decoded through our own conversion)
    unsigned RestartInterval = 0;
    std::array<int, 10> HSampling{};
    std::array<int, 10> VSampling{};
    bool SawJfif = false;
    std::uint8_t DensityUnit = 0;
    std::uint16_t XDensity = 0;
    std::uint16_t YDensity = 0;
    std::vector<JpegMarker> Markers; // every APPn and COM segment, in file order
};

struct DecodeOptions {
    int Scale = 0;              // decode at 1/2^Scale, 0..3
    bool BlockSmoothing = true;
    bool EightBit = false;      // palette output
    int DitherMode = 2;         // 0 none, 1 ordered, 2 Floyd-Steinberg
    bool TwoPassQuantize = true;
    int Colours = 236;
    bool BestSpeed = false;     // fast integer DCT, one-pass quantisation, ordered dithering
    bool ProgressiveDisplay = false; // show every scan of a multi-scan file as it arrives
};

// (first row, row count) of the rows decoded since the last report, and whether the picture is
// complete for display (a scan of a progressive file). The handler may throw to cancel.
using RowProgress = std::function<void(int, int, bool)>;

// Reads one JPEG stream. The stream must outlive the reader. Throws EJPEG with the codec's message;
// pictures over kMaxPixels or kMaxSide, files of more than kMaxScans scans, and decodes needing more
// than kMaxDecoderMemory are refused with a clear message.
class JpegReader {
public:
    JpegReader(const std::uint8_t* data, std::size_t size, WarningList* warnings);
    ~JpegReader();
    JpegReader(const JpegReader&) = delete;
    JpegReader& operator=(const JpegReader&) = delete;

    const JpegHeader& ReadHeader();
    // The output size at the given scale, from the header.
    void ScaledSize(int scale, int& width, int& height);
    // Decodes the picture: 24-bit blue-green-red, or 8-bit with a palette. A cancellation thrown by
    // the progress handler ends the decode quietly (`cancelled` set, the picture as far as it got).
    QImage Decode(const DecodeOptions& options, const RowProgress& progress, bool& cancelled);
    // The quantisation tables the file defines, consecutive from slot 0 (low bytes, natural order).
    std::vector<std::array<std::uint8_t, 64>> QuantTables() const;

    struct State;

private:
    std::unique_ptr<State> m_state;
    JpegHeader m_header;
    bool m_headerRead = false;
};

// The source's coefficients written again unchanged: always sequential, with a JFIF header where the
// colour space allows one, and with the given Huffman optimisation, restart interval, densities and
// markers.
struct LosslessSetup {
    bool OptimizeHuffman = true;
    unsigned RestartInterval = 0;
    std::uint8_t DensityUnit = 1;
    std::uint16_t XDensity = 96;
    std::uint16_t YDensity = 96;
};
std::vector<std::uint8_t> TranscodeLossless(const std::vector<std::uint8_t>& source, const LosslessSetup& setup,
                                            const std::vector<JpegMarker>& markers, WarningList& warnings,
                                            const JpegWriter::PassProgress& progress);

// The eight EXIF orientations' transforms (1 none, 2 flip horizontal, 3 rotate 180, 4 flip vertical,
// 5 transpose, 6 rotate 90 clockwise, 7 transverse, 8 rotate 270 clockwise), applied to the
// coefficients without decoding: partial edge blocks stay, every segment is copied. Throws EJPEG.
std::vector<std::uint8_t> TransformLossless(const std::vector<std::uint8_t>& source, int orientationTransform);

} // namespace vantorel
