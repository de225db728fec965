// TJPEGImage: one encode of the source into a JPEG stream, and its progress.
#include "TJPEGImage.h"

#include "Bitmap24.h"
#include "MonotonicClock.h"
#include "Rounding.h"
#include "EncodePipeline.h"
#include "ExifGlue.h"
#include "Prefilter.h"
#include "SelectionMask.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

using namespace vantorel;

namespace {

constexpr std::size_t kMaxSegmentPayload = 65533;

} // namespace

void TJPEGImage::ReportProgress(ProgressStage stage, int percent, bool force, int attemptPercent) {
    if (!OnProgress)
        return;
    if (!force && percent == m_lastPercent && attemptPercent == m_lastAttemptPercent)
        return;
    m_lastPercent = percent;
    m_lastAttemptPercent = attemptPercent;
    ProgressEvent event;
    event.Stage = stage;
    event.Percent = percent;
    event.AttemptPercent = attemptPercent;
    OnProgress(event);
}

// The codec's pass counters as a percentage, weighted when a base prefilter takes most of the first
// pass, and spread over the passes of a target search.
void TJPEGImage::ReportPassProgress(long counter, long limit, int completed, int total) {
    const long long now = MonotonicMs();
    if (now - m_lastReportMs < ProgressIntervalMs)
        return;
    m_lastReportMs = now;
    const double fraction = limit > 0 ? static_cast<double>(counter) / static_cast<double>(limit) : 0.0;
    double p;
    total = std::max(1, total);
    if (m_prefilterActive && total > 1) {
        const double d = m_working.ProgressiveEncoding ? 85.0 : 94.0;
        p = completed == 0 ? fraction * d : d + (fraction + completed - 1) * (100.0 - d) / (total - 1);
    } else {
        p = (fraction + completed) * 100.0 / total;
    }
    int percent = static_cast<int>(p);
    int attempt = -1;
    if (m_searching) {
        attempt = std::clamp(percent, 0, 100);
        const int m = std::max(1, S().MaxPasses);
        const int c = std::max(1, RoundEven(0.67 * m));
        const int k = m_passCount;
        if (k <= c || m == c)
            percent = RoundEven((static_cast<double>(k - 1) / c + p / 100.0 / c) * 90.0);
        else
            percent = 90 + RoundEven((static_cast<double>(k - c - 1) / (m - c) + p / 100.0 / (m - c)) * 10.0);
    }
    ReportProgress(ProgressStage::kRunning, std::clamp(percent, 0, 100), false, attempt);
}

std::vector<JpegMarker> TJPEGImage::BuildMarkers() const {
    std::vector<JpegMarker> markers;
    const std::int32_t keep = m_working.KeepJPEGDataMask;
    for (int n = 0; n < 16; ++n) {
        const std::string& text = m_markerTexts[static_cast<std::size_t>(n)];
        if (!(keep & (1 << n)) || text.empty())
            continue;
        std::size_t pos = 0;
        for (;;) {
            const std::size_t hit = text.find(kMarkerSeparator, pos);
            const std::size_t end = hit == std::string::npos ? text.size() : hit;
            if (end - pos <= kMaxSegmentPayload)
                markers.push_back({0xE0 + n, text.substr(pos, end - pos)});
            if (hit == std::string::npos)
                break;
            pos = hit + kMarkerSeparator.size();
        }
    }
    // The own comment is written whether or not the source had comments; with the keep bit set the
    // source's comments follow it in the same segment.
    std::string comment = m_working.Comments;
    const std::string& sourceComments = m_markerTexts[kCommentMarkerIndex];
    if ((keep & kKeepCommentsBit) && !sourceComments.empty())
        comment = comment.empty() ? sourceComments : comment + "\r\n" + sourceComments;
    // A comment longer than one segment holds continues in further COM segments.
    for (std::size_t pos = 0; pos < comment.size(); pos += kMaxSegmentPayload)
        markers.push_back({0xFE, comment.substr(pos, kMaxSegmentPayload)});
    return markers;
}

void TJPEGImage::Compress() {
    if (S().TargetEnabled && S().CompressionMode == 0) {
        SearchTarget();
        return;
    }
    m_searching = false;
    m_working = GetProfile();
    try {
        EncodeOnce();
    } catch (const OperationAborted&) {
        throw;
    } catch (...) {
        // EncodeOnce reports its own errors through LastError.
    }
    m_lastResult = m_working;
    if (!S().TargetEnabled)
        SetTargetRatio(static_cast<float>(CurrentRatio()));
}

const TJPEGImage& TJPEGImage::LosslessSource() const { return m_sourceEngine ? *m_sourceEngine : *this; }

void TJPEGImage::EncodeLossless(int width, int height) {
    const TJPEGImage& source = LosslessSource();
    if (!source.m_sourceIsJpeg || !source.m_data || source.m_data->Stream.empty())
        throw EngineError("The Lossless mode needs a JPEG source");
    LosslessSetup setup;
    setup.OptimizeHuffman = S().OptimizeHuffman;
    setup.RestartInterval = std::min<std::uint32_t>(m_working.RestartInterval, 65535);
    setup.DensityUnit = S().DensityUnit;
    setup.XDensity = S().XDensity;
    setup.YDensity = S().YDensity;
    const JpegWriter::PassProgress progress = [this](long counter, long limit, int completed, int total) {
        ReportPassProgress(counter, limit, completed, total);
    };
    auto data = std::make_shared<TJPEGData>();
    data->Width = width;
    data->Height = height;
    data->Grayscale = source.m_data->Grayscale;
    data->Stream = TranscodeLossless(source.m_data->Stream, setup, BuildMarkers(), m_warnings, progress);
    m_data = std::move(data);
}

void TJPEGImage::EncodeOnce() {
    m_warnings.Clear();
    m_lastError.clear();
    const QImage& chosen = HasPixels(m_source) ? m_source : m_decoded;
    if (!HasPixels(chosen))
        return; // nothing to encode: the previous result stays

    TJPEGProfile& w = m_working;
    const EngineSettings& s = S();
    bool pending = false;
    m_lastPercent = -1;
    m_lastReportMs = 0;
    if (!m_searching)
        ReportProgress(ProgressStage::kStarting, 0, true);
    try {
        const QImage bitmap = ToBitmap24(chosen);
        if (bitmap.isNull())
            throw EngineError("Not enough memory to convert the picture to 24 bits");
        const int width = bitmap.width();
        const int height = bitmap.height();
        if (s.DctMethod != 0)
            throw EJPEG("Requested feature was omitted at compile time");
        if (HasExif())
            UpdateExif(width, height);
        if (s.CompressionMode == 2) {
            EncodeLossless(width, height);
        } else {
            // Original mode without tables of the source's own: quality 96 for both levels.
            if (s.CompressionMode == 1 && !(m_sourceIsJpeg && !m_sourceTables.empty()))
                w.LumCompressionLevel = w.ChromCompressionLevel = 96;
            QuantSettings q;
            q.CompressionMode = s.CompressionMode;
            q.SourceIsJpeg = m_sourceIsJpeg;
            q.SourceTables = m_sourceTables;
            q.LumQuality = w.LumCompressionLevel;
            q.ChromQuality = w.ChromCompressionLevel;
            q.Bands = w.QualityEqualizerBand;
            q.EqualizerFullControl = w.EqualizerFullControl != 0;
            q.SelectiveCompression = s.SelectiveCompression;
            q.SelLumQuality = s.SelLumCompressionLevel;
            q.SelChromQuality = s.SelChromCompressionLevel;
            q.SelBands = s.SelQualityEqualizerBand;
            m_lastTables = BuildQuantTables(q);

            EncodeRequest request;
            JpegWriterSetup& setup = request.Setup;
            setup.Width = width;
            setup.Height = height;
            setup.LumaTable = m_lastTables.Slots[0];
            setup.ChromaTable = m_lastTables.Slots[1];
            request.Tables = m_lastTables;
            request.OptimizeHuffman = s.OptimizeHuffman;
            setup.RestartInterval = std::min<std::uint32_t>(w.RestartInterval, 65535);
            setup.DensityUnit = s.DensityUnit;
            setup.XDensity = s.XDensity;
            setup.YDensity = s.YDensity;

            std::array<std::uint8_t, 10> h = s.HSampling;
            std::array<std::uint8_t, 10> v = s.VSampling;
            if (s.CompressionMode == 1) {
                int precision = -1;
                if (m_sourceEngine)
                    precision = m_sourceEngine->GetPrecision();
                else if (!m_sourceIsJpeg)
                    precision = static_cast<long long>(width) * height >= 16384 && CountColours(bitmap) > 256 ? 0 : 1;
                if (precision >= 0) {
                    TJPEGImage probe;
                    probe.SetPrecision(precision);
                    h = probe.S().HSampling;
                    v = probe.S().VSampling;
                }
            }
            for (std::size_t c = 0; c < 3; ++c) {
                if (h[c] > 0 && v[c] > 0) {
                    setup.HSampling[c] = h[c];
                    setup.VSampling[c] = v[c];
                }
            }
            setup.Grayscale = w.Grayscale != 0;
            for (int slot = 0; slot < (setup.Grayscale ? 1 : 2); ++slot)
                if (!m_lastTables.Present[static_cast<std::size_t>(slot)]) {
                    char message[64];
                    std::snprintf(message, sizeof message, "Quantization table 0x%02x was not defined", slot);
                    throw EJPEG(message);
                }
            setup.Progressive = w.ProgressiveEncoding != 0;
            setup.WriteJfif = !(HasExif() && (w.KeepJPEGDataMask & 2));
            request.Markers = BuildMarkers();

            // The selection is drawn also outside the Free mode: the selected-area prefilter needs it.
            QImage selection;
            std::vector<std::vector<std::uint8_t>> masks;
            if (s.SelectiveCompression) {
                selection = DrawSelection(width, height);
                std::array<int, 3> hs{}, vs{};
                for (std::size_t c = 0; c < 3; ++c) {
                    hs[c] = setup.HSampling[c];
                    vs[c] = setup.VSampling[c];
                }
                masks = BuildBlockMasks(ComputeLayout(width, height, setup.Grayscale, hs, vs), selection, s.SelThreshold);
            }
            request.Selective = s.SelectiveCompression && s.CompressionMode == 0 && !masks.empty();
            for (const auto& mask : masks)
                request.Masks.push_back(&mask);
            request.Threads = Threads;
            request.Coefficients = &m_coefficients;
            request.Cache = m_searching ? &m_dctCache : nullptr;
            // Reserving address space costs nothing until it is written.
            request.SizeHint = ResultSize() > 0 ? static_cast<std::size_t>(ResultSize()) * 5 / 4 + 65536
                                                : static_cast<std::size_t>(width) * static_cast<std::size_t>(height) / 2 + 65536;
            PrefilterSetup filters;
            filters.Source = TPixelView::OfShared(bitmap);
            filters.Base = {PrefilterOperationCode(w.ActiveFilter), w.FilterRadius, w.FilterValue};
            if (s.SelectiveCompression) {
                filters.Selected = {PrefilterOperationCode(w.SelActiveFilter), w.SelFilterRadius, w.SelFilterValue};
                filters.Selection = selection.constBits();
                filters.SelectionStride = static_cast<int>(selection.bytesPerLine());
            }
            m_prefilterActive = filters.Base.Code && filters.Base.Strength > 0;
            // Watermarks are blended into each row just before it is encoded; the first one that
            // writes reads the bitmap's row, later ones the row as the earlier ones left it.
            std::vector<const TOverlay*> overlays;
            for (const auto& overlay : m_overlays) {
                PrepareOverlay(*overlay, width, height);
                overlays.push_back(overlay.get());
            }
            const auto blend = [&overlays, width](int y, const std::uint8_t* row, std::uint8_t* scratch) {
                for (const TOverlay* overlay : overlays)
                    if (CompositeOverlay(*overlay, scratch, row, y, width))
                        row = scratch;
                return row;
            };
            if (filters.Active())
                request.Rows = [&filters, &blend](int y, std::uint8_t* scratch) {
                    PrefilterRow(filters, y, scratch);
                    return blend(y, scratch, scratch);
                };
            else if (!overlays.empty())
                request.Rows = [&bitmap, &blend](int y, std::uint8_t* scratch) {
                    return blend(y, bitmap.constScanLine(y), scratch);
                };
            else
                request.Rows = [&bitmap](int y, std::uint8_t*) { return bitmap.constScanLine(y); };

            const PassProgressHandler progress = [this](long counter, long limit, int completed, int total) {
                ReportPassProgress(counter, limit, completed, total);
            };
            auto data = std::make_shared<TJPEGData>();
            data->Width = width;
            data->Height = height;
            data->Grayscale = setup.Grayscale;
            data->Stream = RunEncode(request, m_warnings, progress);
            m_data = std::move(data);
        }
    } catch (const OperationAborted&) {
        pending = true;
        if (!m_searching)
            ReportProgress(ProgressStage::kEnding, 0, true);
        throw;
    } catch (const std::exception& e) {
        pending = true;
        m_lastError = e.what();
        m_data = std::make_shared<TJPEGData>();
    } catch (...) {
        pending = true;
        m_lastError = "Unknown error while encoding";
        m_data = std::make_shared<TJPEGData>();
    }
    if (!m_searching)
        ReportProgress(ProgressStage::kEnding, pending ? 0 : 100, true);
}
