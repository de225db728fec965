// The encode: transform and quantise bands of MCU rows in parallel, gather the Huffman statistics
// on the way, and let libjpeg code the coefficients with the tables built from them.
#include "EncodePipeline.h"

#include "BlockTransform.h"
#include "HuffmanOptimizer.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

namespace vantorel {

namespace {

constexpr int kRowsPerChunk = 2; // iMCU rows a thread takes at a time

struct Statistics {
    std::array<SymbolCounts, 2> dc{};
    std::array<SymbolCounts, 2> ac{};
};

struct QuantStage {
    const EncodeRequest* request = nullptr;
    const std::vector<ComponentLayout>* layout = nullptr;
    const CoefficientStore* store = nullptr;
    const CoefficientStore* cache = nullptr; // DCT output: filled (fillCache) or read
    bool fillCache = false;
    // The DC coefficient of every block, per component (row-major, WidthInBlocks wide): the DC
    // statistics then read a few hundred kilobytes instead of every block of the coefficients.
    std::vector<std::vector<std::int16_t>>* dc = nullptr;
    std::array<Divisors, 6> divisors{};
    bool gatherStatistics = false;
    int mcuRows = 0;
};

void QuantizeMcuRow(const QuantStage& stage, ColorSampler* sampler, int mcuRow, Statistics& stats) {
    const EncodeRequest& req = *stage.request;
    const bool fromCache = stage.cache && !stage.fillCache;
    if (!fromCache)
        sampler->Sample(req.Rows, mcuRow);
    const std::uint8_t* rows[8];
    for (std::size_t c = 0; c < stage.layout->size(); ++c) {
        const ComponentLayout& l = (*stage.layout)[c];
        const int slot = c == 0 ? 0 : 1;
        const Divisors& file = stage.divisors[static_cast<std::size_t>(slot)];
        const std::vector<std::uint8_t>* mask = req.Selective && c < req.Masks.size() ? req.Masks[c] : nullptr;
        if (mask && mask->size() != static_cast<std::size_t>(l.WidthInBlocks) * static_cast<std::size_t>(l.HeightInBlocks))
            mask = nullptr; // a mask for another layout would be read out of place
        SymbolCounts& ac = stats.ac[static_cast<std::size_t>(slot)];
        for (int br = 0; br < l.VSamp; ++br) {
            const int blockRow = mcuRow * l.VSamp + br;
            if (blockRow >= l.HeightInBlocks)
                break;
            if (!fromCache)
                for (int i = 0; i < 8; ++i)
                    rows[i] = sampler->ComponentRow(static_cast<int>(c), br * 8 + i);
            std::int16_t* out = stage.store->BlockRow(static_cast<int>(c), blockRow);
            std::int16_t* dct = stage.cache ? stage.cache->BlockRow(static_cast<int>(c), blockRow) : nullptr;
            std::int16_t* dcRow = stage.dc ? (*stage.dc)[c].data() + static_cast<std::size_t>(blockRow) * static_cast<std::size_t>(l.WidthInBlocks) : nullptr;
            const std::uint8_t* maskRow =
                mask ? mask->data() + static_cast<std::size_t>(blockRow) * static_cast<std::size_t>(l.WidthInBlocks) : nullptr;
            for (int bc = 0; bc < l.WidthInBlocks; ++bc, out += 64) {
                const Divisors* area =
                    maskRow ? &stage.divisors[static_cast<std::size_t>(slot + (maskRow[bc] ? 4 : 2))] : nullptr;
                if (fromCache) {
                    QuantizeStoredBlock(dct, file, area, out);
                    dct += 64;
                } else {
                    TransformBlock(rows, bc * 8, file, area, out, dct);
                    if (dct)
                        dct += 64;
                }
                if (stage.gatherStatistics) {
                    CountACSymbolsMasked(out, NonZeroZigzagMask(out), ac);
                    dcRow[bc] = out[0];
                }
            }
        }
    }
}

// DC statistics in the entropy coder's MCU order, with its dummy blocks (DC repeated, AC zero) at
// the right and bottom edges and predictors reset at every restart.
void CountDCSymbols(const std::vector<std::vector<std::int16_t>>& dcPlanes, const std::vector<ComponentLayout>& layout,
                    unsigned restartInterval, int width, int height, Statistics& stats) {
    std::array<int, 3> last{};
    long mcu = 0;
    const auto restart = [&] {
        if (restartInterval && mcu > 0 && mcu % restartInterval == 0)
            last.fill(0);
        ++mcu;
    };
    if (layout.size() == 1) {
        const ComponentLayout& l = layout[0];
        for (int r = 0; r < l.HeightInBlocks; ++r) {
            const std::int16_t* row = dcPlanes[0].data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(l.WidthInBlocks);
            for (int b = 0; b < l.WidthInBlocks; ++b) {
                restart();
                const int dc = row[b];
                ++stats.dc[0][static_cast<std::size_t>(MagnitudeCategory(dc - last[0]))];
                last[0] = dc;
            }
        }
        return;
    }
    int maxH = 1, maxV = 1;
    for (const ComponentLayout& l : layout) {
        maxH = std::max(maxH, l.HSamp);
        maxV = std::max(maxV, l.VSamp);
    }
    const int mcusAcross = (width + 8 * maxH - 1) / (8 * maxH);
    const int mcuRows = (height + 8 * maxV - 1) / (8 * maxV);
    for (int mr = 0; mr < mcuRows; ++mr) {
        for (int mc = 0; mc < mcusAcross; ++mc) {
            restart();
            for (std::size_t c = 0; c < layout.size(); ++c) {
                const ComponentLayout& l = layout[c];
                const std::size_t table = c == 0 ? 0 : 1;
                for (int yi = 0; yi < l.VSamp; ++yi) {
                    const int r = mr * l.VSamp + yi;
                    const std::int16_t* row =
                        r < l.HeightInBlocks
                            ? dcPlanes[c].data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(l.WidthInBlocks)
                            : nullptr;
                    for (int xi = 0; xi < l.HSamp; ++xi) {
                        const int col = mc * l.HSamp + xi;
                        if (row && col < l.WidthInBlocks) {
                            const int dc = row[col];
                            ++stats.dc[table][static_cast<std::size_t>(MagnitudeCategory(dc - last[c]))];
                            last[c] = dc;
                        } else {
                            ++stats.dc[table][0];
                            ++stats.ac[table][0];
                        }
                    }
                }
            }
        }
    }
}

} // namespace

std::vector<std::uint8_t> RunEncode(const EncodeRequest& request, WarningList& warnings,
                                    const PassProgressHandler& progress) {
    JpegWriter writer(&warnings);
    JpegWriterSetup setup = request.Setup;
    if (setup.Progressive)
        setup.OptimizeInCodec = true; // the codec's progressive coder always optimises its tables
    writer.Begin(setup);
    const std::vector<ComponentLayout>& layout = writer.Layout();
    CoefficientStore& store = *request.Coefficients;
    store.Prepare(layout);
    DctCache* cache = request.Cache;
    if (cache && cache->Mode == DctCache::ModeKind::kUse && cache->Values.Layout() != layout)
        cache->Mode = DctCache::ModeKind::kFill; // a layout change makes the stored output useless
    if (cache && cache->Mode == DctCache::ModeKind::kFill)
        cache->Values.Prepare(layout);

    QuantStage stage;
    stage.request = &request;
    stage.layout = &layout;
    stage.store = &store;
    if (cache && cache->Mode != DctCache::ModeKind::kOff) {
        stage.cache = &cache->Values;
        stage.fillCache = cache->Mode == DctCache::ModeKind::kFill;
    }
    stage.gatherStatistics = request.OptimizeHuffman && !setup.Progressive;
    std::vector<std::vector<std::int16_t>> dcPlanes;
    if (stage.gatherStatistics) {
        for (const ComponentLayout& l : layout)
            dcPlanes.emplace_back(static_cast<std::size_t>(l.WidthInBlocks) * static_cast<std::size_t>(l.HeightInBlocks));
        stage.dc = &dcPlanes;
    }
    for (std::size_t s = 0; s < 6; ++s)
        if (request.Tables.Present[s])
            stage.divisors[s] = Divisors::For(request.Tables.Slots[s], s % 2 == 1);
    int maxV = 1;
    for (const ComponentLayout& l : layout)
        maxV = std::max(maxV, l.VSamp);
    stage.mcuRows = (setup.Height + 8 * maxV - 1) / (8 * maxV);

    const int totalPasses = 1 + writer.CodecPasses();
    int threads = request.Threads > 0 ? request.Threads : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, 8);
    threads = std::min(threads, std::max(1, stage.mcuRows / (2 * kRowsPerChunk)));

    std::atomic<int> nextRow{0};
    std::atomic<int> rowsDone{0};
    std::atomic<bool> stop{false};
    std::mutex failureMutex;
    std::exception_ptr failure;
    std::vector<Statistics> stats(static_cast<std::size_t>(threads));

    const auto work = [&](int index) {
        try {
            // Passes that quantise stored DCT output read no pixels.
            std::optional<ColorSampler> sampler;
            if (!stage.cache || stage.fillCache)
                sampler.emplace(setup.Width, setup.Height, setup.Grayscale, layout);
            Statistics& mine = stats[static_cast<std::size_t>(index)];
            for (;;) {
                if (stop.load(std::memory_order_relaxed))
                    return;
                const int first = nextRow.fetch_add(kRowsPerChunk);
                if (first >= stage.mcuRows)
                    return;
                const int end = std::min(first + kRowsPerChunk, stage.mcuRows);
                for (int r = first; r < end; ++r)
                    QuantizeMcuRow(stage, sampler ? &*sampler : nullptr, r, mine);
                rowsDone.fetch_add(end - first);
                if (index == 0 && progress)
                    progress(rowsDone.load(), stage.mcuRows, 0, totalPasses);
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(failureMutex);
            if (!failure)
                failure = std::current_exception();
            stop = true;
        }
    };

    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<std::size_t>(threads - 1));
    try {
        for (int t = 1; t < threads; ++t)
            helpers.emplace_back(work, t);
    } catch (...) {
        stop = true;
        for (std::thread& h : helpers)
            h.join();
        throw;
    }
    work(0);
    for (std::thread& h : helpers)
        h.join();
    if (failure)
        std::rethrow_exception(failure);

    if (stage.gatherStatistics) {
        Statistics total;
        for (const Statistics& s : stats)
            for (std::size_t t = 0; t < 2; ++t)
                for (std::size_t k = 0; k < 257; ++k)
                    total.ac[t][k] += s.ac[t][k];
        CountDCSymbols(dcPlanes, layout, setup.RestartInterval, setup.Width, setup.Height, total);
        const HuffmanTable dc0 = BuildOptimalTable(total.dc[0]);
        const HuffmanTable ac0 = BuildOptimalTable(total.ac[0]);
        if (layout.size() > 1) {
            const HuffmanTable dc1 = BuildOptimalTable(total.dc[1]);
            const HuffmanTable ac1 = BuildOptimalTable(total.ac[1]);
            writer.SetHuffmanTables(dc0, ac0, &dc1, &ac1);
        } else {
            writer.SetHuffmanTables(dc0, ac0, nullptr, nullptr);
        }
    }

    const JpegWriter::PassProgress codecProgress = [&](long counter, long limit, int completed, int total) {
        if (progress)
            progress(counter, limit, completed + 1, total + 1);
    };
    writer.Finish(store, request.Markers, codecProgress, request.SizeHint);
    if (cache && cache->Mode == DctCache::ModeKind::kFill)
        cache->Mode = DctCache::ModeKind::kUse;
    return writer.TakeBytes();
}

} // namespace vantorel
