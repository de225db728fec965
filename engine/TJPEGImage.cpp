// TJPEGImage: settings, sizes and ratios, and the encode of the source into a JPEG stream.
#include "TJPEGImage.h"

#include "Bitmap24.h"
#include "EncodePipeline.h"

#include <QIODevice>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace vantorel;

namespace {

constexpr std::size_t kMaxSegmentPayload = 65533;

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool HasPixels(const QImage& image) { return !image.isNull() && image.width() > 0 && image.height() > 0; }

int RoundEven(double x) { return static_cast<int>(std::nearbyint(x)); }

} // namespace

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

// --- sizes, targets, precision --------------------------------------------------------------------

int TJPEGImage::PixelWidth() const {
    if (HasPixels(m_source))
        return m_source.width();
    if (m_data && m_data->Width > 0)
        return m_data->Width;
    return m_decoded.width();
}

int TJPEGImage::PixelHeight() const {
    if (HasPixels(m_source))
        return m_source.height();
    if (m_data && m_data->Height > 0)
        return m_data->Height;
    return m_decoded.height();
}

int TJPEGImage::Width() const { return PixelWidth(); }
int TJPEGImage::Height() const { return PixelHeight(); }

void TJPEGImage::SetWidth(int) { throw EngineError("Cannot change the size of a JPEG image"); }
void TJPEGImage::SetHeight(int) { throw EngineError("Cannot change the size of a JPEG image"); }

bool TJPEGImage::Empty() const { return ResultSize() == 0 && !HasPixels(m_decoded); }

int TJPEGImage::CurrentRatio() const {
    if (m_settings.TargetEnabled)
        return m_settings.Target == TargetKind::kRatio ? RoundEven(m_settings.ComprRatio) : m_settings.TargetFileSize;
    if (ResultSize() == 0)
        return 20;
    return RoundRatio(static_cast<float>(static_cast<double>(Width()) * Height() * 3 / ResultSize()));
}

int TJPEGImage::RoundRatio(float r) {
    if (r > 50)
        return RoundEven(r / 10.0) * 10;
    if (r > 8)
        return RoundEven(r / 5.0) * 5;
    return std::max(1, RoundEven(r));
}

void TJPEGImage::SetTargetRatio(float ratio) {
    m_settings.ComprRatio = ratio;
    if (ratio > 0 && m_settings.Target == TargetKind::kRatio)
        m_settings.TargetFileSize = RoundEven(static_cast<double>(Width()) * Height() * 3 / (ratio * 1024.0));
}

void TJPEGImage::SetTargetSize(int kb) {
    m_settings.TargetFileSize = kb;
    if (kb > 0)
        SetTargetRatio(static_cast<float>(RoundEven(static_cast<double>(Width()) * Height() * 3 / (kb * 1024.0))));
}

void TJPEGImage::SetPrecision(int value) {
    auto& h = m_settings.HSampling;
    auto& v = m_settings.VSampling;
    switch (value) {
    case 1:
        h[0] = v[0] = 1;
        h[1] = v[1] = h[2] = v[2] = 1;
        break;
    case 2:
        h[0] = v[0] = 1;
        h[1] = v[1] = h[2] = v[2] = 2;
        break;
    default:
        h[0] = v[0] = 2;
        h[1] = v[1] = h[2] = v[2] = 1;
        break;
    }
}

int TJPEGImage::GetPrecision() const {
    if (m_settings.Grayscale || (m_data && m_data->Grayscale))
        return 0;
    const auto& h = m_settings.HSampling;
    const auto& v = m_settings.VSampling;
    if (h[0] == 1 && v[0] == 1 && h[1] == 1 && v[1] == 1)
        return 1;
    if (h[0] == 1 && h[1] == 2)
        return 2;
    return 0;
}

// --- source data ----------------------------------------------------------------------------------

void TJPEGImage::SetSource(const QImage& bitmap) {
    m_source = bitmap;
    m_colourCount = 0;
    m_sourceView = m_source.format() == QImage::Format_BGR888 ? TPixelView::Of(m_source) : TPixelView{};
}

void TJPEGImage::SetSourceTables(std::vector<std::array<std::uint8_t, 64>> tables, bool sourceIsJpeg) {
    m_sourceTables = std::move(tables);
    m_sourceIsJpeg = sourceIsJpeg;
}

bool TJPEGImage::HasExif() const {
    const std::string& app1 = m_markerTexts[1];
    if (app1.size() < 8)
        return false;
    std::string head = app1.substr(0, 4);
    for (char& c : head)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return head == "EXIF";
}

int TJPEGImage::CountColours(const QImage& bitmap) {
    if (m_colourCount > 0)
        return m_colourCount;
    // Only "more than 256" matters, so counting stops at 257.
    std::vector<std::uint64_t> seen((1u << 24) / 64, 0);
    int count = 0;
    for (int y = 0; y < bitmap.height() && count <= 256; ++y) {
        const std::uint8_t* p = bitmap.constScanLine(y);
        for (int x = 0; x < bitmap.width(); ++x, p += 3) {
            const std::uint32_t key = p[0] | (p[1] << 8) | (p[2] << 16);
            std::uint64_t& word = seen[key >> 6];
            const std::uint64_t bit = std::uint64_t{1} << (key & 63);
            if (!(word & bit)) {
                word |= bit;
                if (++count > 256)
                    break;
            }
        }
    }
    m_colourCount = count;
    return count;
}

// --- encoding -------------------------------------------------------------------------------------

void TJPEGImage::ReportProgress(ProgressStage stage, int percent, bool force) {
    if (!OnProgress)
        return;
    if (!force && percent == m_lastPercent)
        return;
    m_lastPercent = percent;
    OnProgress(ProgressEvent{stage, percent});
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
    m_working = GetProfile();
    try {
        EncodeOnce();
    } catch (const OperationAborted&) {
        throw;
    } catch (...) {
        // EncodeOnce reports its own errors through LastError.
    }
    m_lastResult = m_working;
    if (!m_settings.TargetEnabled)
        SetTargetRatio(static_cast<float>(CurrentRatio()));
}

void TJPEGImage::EncodeOnce() {
    m_warnings.Clear();
    m_lastError.clear();
    const QImage& chosen = HasPixels(m_source) ? m_source : m_decoded;
    if (!HasPixels(chosen))
        return; // nothing to encode: the previous result stays

    TJPEGProfile& w = m_working;
    const EngineSettings& s = m_settings;
    bool pending = false;
    m_lastPercent = -1;
    m_lastReportMs = 0;
    ReportProgress(ProgressStage::kStarting, 0, true);
    try {
        const QImage bitmap = ToBitmap24(chosen);
        if (bitmap.isNull())
            throw EngineError("Not enough memory to convert the picture to 24 bits");
        const int width = bitmap.width();
        const int height = bitmap.height();
        if (s.CompressionMode == 2)
            throw EngineError("The Lossless mode needs a JPEG source");
        if (s.DctMethod != 0)
            throw EJPEG("Requested feature was omitted at compile time");

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
                h = probe.m_settings.HSampling;
                v = probe.m_settings.VSampling;
            }
        }
        for (int c = 0; c < 3; ++c) {
            if (h[static_cast<std::size_t>(c)] > 0 && v[static_cast<std::size_t>(c)] > 0) {
                setup.HSampling[static_cast<std::size_t>(c)] = h[static_cast<std::size_t>(c)];
                setup.VSampling[static_cast<std::size_t>(c)] = v[static_cast<std::size_t>(c)];
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

        request.Selective = s.SelectiveCompression && s.CompressionMode == 0 && !m_blockMasks.empty();
        for (const auto& mask : m_blockMasks)
            request.Masks.push_back(&mask);
        request.Threads = Threads;
        request.Coefficients = &m_coefficients;
        // Reserving address space costs nothing until it is written.
        request.SizeHint = ResultSize() > 0 ? static_cast<std::size_t>(ResultSize()) * 5 / 4 + 65536
                                            : static_cast<std::size_t>(width) * static_cast<std::size_t>(height) / 2 + 65536;
        request.Rows = [&bitmap](int y, std::uint8_t*) { return bitmap.constScanLine(y); };

        const PassProgressHandler progress = [this](long counter, long limit, int completed, int total) {
            const long long now = NowMs();
            if (now - m_lastReportMs < ProgressIntervalMs)
                return;
            m_lastReportMs = now;
            const double fraction = limit > 0 ? static_cast<double>(counter) / static_cast<double>(limit) : 0.0;
            const int percent = static_cast<int>((fraction + completed) * 100.0 / std::max(1, total));
            ReportProgress(ProgressStage::kRunning, std::clamp(percent, 0, 100), false);
        };

        auto data = std::make_shared<TJPEGData>();
        data->Width = width;
        data->Height = height;
        data->Grayscale = setup.Grayscale;
        data->Stream = RunEncode(request, m_warnings, progress);
        m_data = std::move(data);
    } catch (const OperationAborted&) {
        pending = true;
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
    ReportProgress(ProgressStage::kEnding, pending ? 0 : 100, true);
}

void TJPEGImage::SaveToStream(QIODevice& stream) {
    if (ResultSize() == 0)
        Compress();
    if (ResultSize() == 0)
        throw EngineError(m_lastError.empty() ? "There is no JPEG result to write" : m_lastError);
    const auto& bytes = m_data->Stream;
    if (stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size()))
        throw EngineError("Cannot write the JPEG stream: " + stream.errorString().toStdString());
}

void TJPEGImage::WriteData(QIODevice& stream) {
    if (ResultSize() == 0)
        Compress();
    const std::uint32_t size = static_cast<std::uint32_t>(ResultSize());
    const char header[4] = {static_cast<char>(size & 0xFF), static_cast<char>((size >> 8) & 0xFF),
                            static_cast<char>((size >> 16) & 0xFF), static_cast<char>((size >> 24) & 0xFF)};
    if (stream.write(header, 4) != 4 ||
        (size > 0 && stream.write(reinterpret_cast<const char*>(m_data->Stream.data()), size) != size))
        throw EngineError("Cannot write the JPEG stream: " + stream.errorString().toStdString());
}
