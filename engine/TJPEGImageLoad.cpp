// TJPEGImage: taking in a JPEG stream or a picture, decoding it, and lossless transforms.
#include "TJPEGImage.h"

#include "Bitmap24.h"
#include "MonotonicClock.h"
#include "Rounding.h"

#include "ExifGlue.h"

#include <QIODevice>

#include <algorithm>
#include <chrono>
#include <cmath>

using namespace vantorel;

namespace {

std::uint16_t ToDensity(double value) { return static_cast<std::uint16_t>(std::clamp(RoundEven(value), 0, 65535)); }

} // namespace

void TJPEGImage::LoadFromStream(QIODevice& stream) {
    const QByteArray bytes = stream.readAll();
    LoadFromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

void TJPEGImage::LoadFromBytes(std::vector<std::uint8_t> bytes) {
    auto data = std::make_shared<TJPEGData>();
    data->Stream = std::move(bytes);
    m_data = data;
    m_decoded = QImage();
    m_markerReload = true;
    m_orientation = 1;
    m_sourceTables.clear();
    m_sourceIsJpeg = false;
    if (data->Stream.empty())
        return;
    JpegReader reader(data->Stream.data(), data->Stream.size(), nullptr);
    const JpegHeader& header = reader.ReadHeader();
    data->Width = header.Width;
    data->Height = header.Height;
    data->Grayscale = header.Grayscale;
    S().ProgressiveEncoding = header.Progressive;
    m_sourceIsJpeg = true;
}

void TJPEGImage::DecoderSetup(JpegReader& reader) {
    const JpegHeader& header = reader.ReadHeader();
    EngineSettings& s = S();
    s.RestartInterval = header.RestartInterval;
    if (m_markerReload) {
        for (std::string& text : m_markerTexts)
            text.clear();
        for (const JpegMarker& marker : header.Markers) {
            const bool comment = marker.Code == 0xFE;
            const std::size_t index = comment ? kCommentMarkerIndex : static_cast<std::size_t>(marker.Code - 0xE0);
            if (index >= m_markerTexts.size())
                continue;
            std::string& text = m_markerTexts[index];
            if (!text.empty())
                text += comment ? std::string("\r\n") : std::string(kMarkerSeparator);
            text += marker.Payload;
        }
        s.DensityUnit = header.SawJfif ? header.DensityUnit : 0;
        s.XDensity = header.SawJfif ? header.XDensity : 0;
        s.YDensity = header.SawJfif ? header.YDensity : 0;
        m_orientation = 1;
        if (HasExif()) {
            if (const auto exif = ReadExifFields(m_markerTexts[1])) {
                // A missing unit means inches, as EXIF defines.
                const int unit = exif->ResolutionUnit >= 1 && exif->ResolutionUnit <= 3 ? exif->ResolutionUnit : 2;
                s.DensityUnit = static_cast<std::uint8_t>(unit - 1);
                s.XDensity = ToDensity(exif->XResolution);
                s.YDensity = ToDensity(exif->YResolution);
                if (exif->Orientation >= 1)
                    m_orientation = exif->Orientation;
            }
        }
        m_markerReload = false;
    }
    if (s.DensityUnit == 2) {
        s.XDensity = ToDensity(s.XDensity * 2.54);
        s.YDensity = ToDensity(s.YDensity * 2.54);
    } else if (s.DensityUnit == 0 || s.XDensity == 0 || s.YDensity == 0) {
        s.XDensity = s.YDensity = 96;
    }
    s.DensityUnit = 1;
    if (header.Grayscale)
        s.Grayscale = true;
    for (std::size_t c = 0; c < static_cast<std::size_t>(std::min(header.Components, 10)); ++c) {
        s.HSampling[c] = static_cast<std::uint8_t>(header.HSampling[c]);
        s.VSampling[c] = static_cast<std::uint8_t>(header.VSampling[c]);
    }
    if (header.Progressive)
        s.ProgressiveEncoding = true;
}

const QImage& TJPEGImage::GetBitmap() {
    if (!m_data || m_data->Stream.empty()) {
        m_decoded = QImage();
        return m_decoded;
    }
    if (KeepBitmap && HasPixels(m_decoded))
        return m_decoded;
    m_warnings.Clear();
    {
        JpegReader reader(m_data->Stream.data(), m_data->Stream.size(), &m_warnings);
        DecoderSetup(reader);
    }
    if (m_orientation > 1 && S().DoAutoRotate) {
        if (!m_sourceEngine)
            m_sourceEngine = this;
        LosslessTransform(m_orientation, true);
        m_orientation = 1;
    }
    // The stream may have been replaced by the upright one.
    const TJPEGDataPtr data = m_data;
    JpegReader reader(data->Stream.data(), data->Stream.size(), &m_warnings);
    DecoderSetup(reader);

    const EngineSettings& s = S();
    DecodeOptions options;
    options.Scale = s.DecodeScale;
    options.BlockSmoothing = s.BlockSmoothing;
    options.EightBit = s.EightBitOutput;
    options.DitherMode = s.DitherMode;
    options.TwoPassQuantize = s.TwoPassQuantize;
    options.Colours = s.Colours;
    options.BestSpeed = s.Performance == 1;
    options.ProgressiveDisplay = s.ProgressiveDisplay;

    int width = 0, height = 0;
    reader.ScaledSize(s.DecodeScale, width, height);
    m_lastPercent = -1;
    m_lastReportMs = 0;
    ReportProgress(ProgressStage::kStarting, 0, true);
    int pendingFrom = 0, pendingRows = 0;
    const RowProgress progress = [&](int from, int count, bool complete) {
        if (pendingRows == 0)
            pendingFrom = from;
        pendingRows = from + count - pendingFrom;
        const long long now = MonotonicMs();
        if (!complete && now - m_lastReportMs < ProgressIntervalMs)
            return;
        m_lastReportMs = now;
        if (!OnProgress)
            return;
        ProgressEvent event;
        event.Stage = ProgressStage::kRunning;
        event.Percent = height > 0 ? std::clamp((from + count) * 100 / height, 0, 100) : 0;
        event.RowFrom = pendingFrom;
        event.RowCount = pendingRows;
        event.Redraw = complete || pendingRows > 3;
        pendingRows = 0;
        OnProgress(event);
    };
    bool cancelled = false;
    bool pending = true;
    try {
        m_decoded = reader.Decode(options, progress, cancelled);
        m_sourceTables = reader.QuantTables();
        m_sourceIsJpeg = true;
        pending = cancelled;
    } catch (...) {
        ReportProgress(ProgressStage::kEnding, 0, true);
        throw;
    }
    ReportProgress(ProgressStage::kEnding, pending ? 0 : 100, true);
    return m_decoded;
}

bool TJPEGImage::ChooseScale(int boxWidth, int boxHeight) {
    const double w = m_data && m_data->Width > 0 ? m_data->Width : std::max(1, PixelWidth());
    const double h = m_data && m_data->Height > 0 ? m_data->Height : std::max(1, PixelHeight());
    const double e = std::min(w / h, 1.0), l = std::min(h / w, 1.0);
    const auto fits = [&](double f) { return RoundEven(f * w * e) < boxWidth && RoundEven(f * h * l) < boxHeight; };
    const int scale = fits(0.6) ? 0 : fits(0.3) ? 1 : fits(0.15) ? 2 : 3;
    if (scale != S().DecodeScale) {
        S().DecodeScale = scale;
        m_decoded = QImage();
    }
    return scale != 0;
}

namespace {

// Assigning a picture starts a new image: the working levels and options are cleared.
void ResetWorkingOptions(TJPEGProfile& w) {
    w.CompressionMode = 0;
    w.LumCompressionLevel = w.ChromCompressionLevel = 0;
    w.ComprRatio = 0;
    w.TargetFileSize = 0;
    w.QualityEqualizerBand = {};
    w.ActiveFilter = 0;
    w.FilterValue = 0;
    w.FilterRadius = 0;
    w.Grayscale = w.ProgressiveEncoding = w.Precision = 0;
    w.RestartInterval = 0;
    w.EqualizerFullControl = 0;
}

} // namespace

void TJPEGImage::AssignPicture(const QImage& bitmap) {
    m_decoded = bitmap.copy();
    m_data = std::make_shared<TJPEGData>();
    m_sourceTables.clear();
    m_sourceIsJpeg = false;
    m_orientation = 1;
    ResetWorkingOptions(m_working);
    m_markerReload = true;
    m_modifications.Clear();
}

void TJPEGImage::AssignPicture(const TJPEGImage& other) {
    m_data = other.m_data;
    m_decoded = other.m_decoded;
    ResetWorkingOptions(m_working);
    m_markerReload = true;
    m_modifications.Clear();
}

void TJPEGImage::CopySourceData(const TJPEGImage& source, bool withFormat) {
    m_markerTexts = source.m_markerTexts;
    S().DensityUnit = source.S().DensityUnit;
    S().XDensity = source.S().XDensity;
    S().YDensity = source.S().YDensity;
    m_orientation = source.m_orientation;
    if (!withFormat)
        return;
    const EngineSettings& s = source.S();
    S().RestartInterval = s.RestartInterval;
    S().Grayscale = s.Grayscale || (source.m_data && source.m_data->Grayscale);
    S().ProgressiveEncoding = s.ProgressiveEncoding;
    S().HSampling = s.HSampling;
    S().VSampling = s.VSampling;
    S().KeepJPEGDataMask = s.KeepJPEGDataMask;
    m_sourceTables = source.m_sourceTables;
    m_sourceIsJpeg = source.m_sourceIsJpeg;
    m_markerReload = false;
}

int TJPEGImage::ResolveLosslessMode() {
    if (!m_profileApplied)
        return 0;
    m_profileApplied = false;
    if (S().CompressionMode != 2)
        return 0;
    int reasons = 0;
    if (!m_sourceIsJpeg)
        reasons |= 1;
    else if (m_modifications.HasNonRotation(false))
        reasons |= 4;
    if (m_modifications.HasNonRotation(true))
        reasons |= 2;
    if (reasons)
        S().CompressionMode = 1;
    return reasons;
}

void TJPEGImage::LosslessRotate(const ModificationEntry& entry, bool replaceSource) {
    const int code = entry.ModifyType == kRotationModification ? entry.Value1_ : 0;
    LosslessTransform(code >= 1 && code <= 3 ? OrientationOfRotation(code) : 1, replaceSource);
}

void TJPEGImage::LosslessTransform(int orientationTransform, bool replaceSource) {
    TJPEGImage& source = m_sourceEngine ? *m_sourceEngine : *this;
    if (!source.m_data || source.m_data->Stream.empty())
        throw EJPEG("There is no JPEG stream to transform");
    const TJPEGDataPtr old = source.m_data;
    auto data = std::make_shared<TJPEGData>();
    data->Stream = TransformLossless(old->Stream, orientationTransform);
    const bool swaps = orientationTransform >= 5 && orientationTransform <= 8;
    data->Width = swaps ? old->Height : old->Width;
    data->Height = swaps ? old->Width : old->Height;
    data->Grayscale = old->Grayscale;
    (replaceSource ? source : *this).m_data = std::move(data);
}

std::vector<std::string> TJPEGImage::ExifTags() const { return ListExifTags(m_markerTexts[1]); }

int TJPEGImage::OrientationClass() const { return (std::clamp(m_orientation, 1, 8) + 1) / 3; }

void TJPEGImage::UpdateExif(int width, int height) {
    const int rotation = m_modifications.IndexOfKind(kRotationModification)
                             ? m_modifications.Entry(m_modifications.IndexOfKind(kRotationModification)).Value1_
                             : 0;
    ExifUpdate update;
    update.ResolutionUnit = S().DensityUnit + 1;
    update.XResolution = S().XDensity;
    update.YResolution = S().YDensity;
    update.Width = width;
    update.Height = height;
    // The orientation that, applied to the result, gives the upright picture: undo the rotation made,
    // then what the source needed.
    update.Orientation = ComposeOrientations(InverseOrientation(OrientationOfRotation(rotation)), m_orientation);
    if (auto text = vantorel::UpdateExif(m_markerTexts[1], update))
        m_markerTexts[1] = std::move(*text);
}
