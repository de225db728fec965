// One encode from 24-bit rows to a JPEG stream: our colour conversion, DCT and quantiser on all
// cores, then libjpeg's entropy coder and marker writer.
#pragma once

#include "CoefficientStore.h"
#include "ColorSampler.h"
#include "JpegCodec.h"
#include "QuantTables.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace vantorel {

// The DCT output of every block of one encode, kept so that further encodes of the same picture
// with other tables (the passes of a target search) quantise again without converting, sampling
// and transforming again.
struct DctCache {
    enum class ModeKind { kOff, kFill, kUse };
    ModeKind Mode = ModeKind::kOff;
    CoefficientStore Values; // same layout as the coefficients; DCT output (scaled by 8) per block
    void Release() {
        Values.Release();
        Mode = ModeKind::kOff;
    }
};

struct EncodeRequest {
    RowSource Rows;
    JpegWriterSetup Setup; // size, sampling, file tables, progressive, restart, density, JFIF
    QuantTableSet Tables;
    bool OptimizeHuffman = true; // off = the Annex K example tables
    // With Selective, Masks[c] holds one byte per block of component c (row-major, WidthInBlocks
    // wide; 1 = selected area), and the quantiser zeroes by slot 4/5 or 2/3 before coding with 0/1.
    bool Selective = false;
    std::vector<const std::vector<std::uint8_t>*> Masks;
    std::vector<JpegMarker> Markers;
    int Threads = 0; // 0 = one per core
    CoefficientStore* Coefficients = nullptr; // working memory, reused between encodes (required)
    DctCache* Cache = nullptr;                // optional
    std::size_t SizeHint = 0;                 // expected stream size, to size the output once
};

// (pass counter, pass limit, completed passes, total passes) over all passes of the encode; the
// first pass is the transform and quantisation. The handler may throw to cancel.
using PassProgressHandler = std::function<void(long, long, int, int)>;

// Runs the encode and returns the stream. Throws EJPEG for codec errors, and whatever the progress
// handler throws.
std::vector<std::uint8_t> RunEncode(const EncodeRequest& request, WarningList& warnings,
                                    const PassProgressHandler& progress);

} // namespace vantorel
