// TJPEGImage: settings, sizes and ratios, and the encode of the source into a JPEG stream.
#include "TJPEGImage.h"

#include "Bitmap24.h"
#include "MonotonicClock.h"
#include "Rounding.h"

#include "SelectionMask.h"


#include <QIODevice>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace vantorel;

TJPEGImage::TJPEGImage() {
    OnDrawSelection = [this](QImage& bitmap, int width, int height) { DrawUnits(m_units, width, height, bitmap); };
}

QImage TJPEGImage::DrawSelection(int width, int height) const {
    QImage bitmap = MakeSelectionBitmap(width, height);
    if (bitmap.isNull())
        throw EngineError("Not enough memory for the selection of a " + std::to_string(width) + " x " +
                          std::to_string(height) + " picture");
    if (OnDrawSelection)
        OnDrawSelection(bitmap, width, height);
    else
        bitmap.fill(1);
    return bitmap;
}
TJPEGImage::~TJPEGImage() = default;

// --- sizes, targets, precision --------------------------------------------------------------------

// The decoded bitmap's size, else the source bitmap's, else the stream's at the decode scale.
int TJPEGImage::PixelWidth() const {
    if (HasPixels(m_decoded))
        return m_decoded.width();
    if (HasPixels(m_source))
        return m_source.width();
    if (m_data && m_data->Width > 0) {
        const int denom = 1 << std::clamp(S().DecodeScale, 0, 3);
        return (m_data->Width + denom - 1) / denom;
    }
    return 0;
}

int TJPEGImage::PixelHeight() const {
    if (HasPixels(m_decoded))
        return m_decoded.height();
    if (HasPixels(m_source))
        return m_source.height();
    if (m_data && m_data->Height > 0) {
        const int denom = 1 << std::clamp(S().DecodeScale, 0, 3);
        return (m_data->Height + denom - 1) / denom;
    }
    return 0;
}

int TJPEGImage::Width() const { return PixelWidth(); }
int TJPEGImage::Height() const { return PixelHeight(); }

void TJPEGImage::SetWidth(int) { throw EngineError("Cannot change the size of a JPEG image"); }
void TJPEGImage::SetHeight(int) { throw EngineError("Cannot change the size of a JPEG image"); }

bool TJPEGImage::Empty() const { return ResultSize() == 0 && !HasPixels(m_decoded); }

int TJPEGImage::CurrentRatio() const {
    if (S().TargetEnabled)
        return S().Target == TargetKind::kRatio ? RoundEven(S().ComprRatio) : S().TargetFileSize;
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
    S().ComprRatio = ratio;
    if (ratio > 0 && S().Target == TargetKind::kRatio)
        S().TargetFileSize = RoundEven(static_cast<double>(Width()) * Height() * 3 / (ratio * 1024.0));
}

void TJPEGImage::SetTargetSize(int kb) {
    S().TargetFileSize = kb;
    if (kb > 0)
        SetTargetRatio(static_cast<float>(RoundEven(static_cast<double>(Width()) * Height() * 3 / (kb * 1024.0))));
}

void TJPEGImage::SetPrecision(int value) {
    auto& h = S().HSampling;
    auto& v = S().VSampling;
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
    if (S().Grayscale || (m_data && m_data->Grayscale))
        return 0;
    const auto& h = S().HSampling;
    const auto& v = S().VSampling;
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
    m_sourceView = TPixelView::OfShared(m_source);
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

void TJPEGImage::BeginJob() {
    m_jobSettings = m_settings;
    m_targetAtJobStart = {m_settings.ComprRatio, m_settings.TargetFileSize};
    m_jobThread = std::thread::id();
    m_inJob = true;
}

void TJPEGImage::EnterJobThread() { m_jobThread = std::this_thread::get_id(); }

void TJPEGImage::EndJob() {
    if (!m_inJob)
        return;
    m_inJob = false;
    m_jobThread = std::thread::id();
    // What the job wrote into its copy: only the derived target values count, and only when the
    // owner left the target alone meanwhile (a header read back from the result must not undo an
    // option the user changed during the job).
    const bool targetUntouched = m_settings.ComprRatio == m_targetAtJobStart.first &&
                                 m_settings.TargetFileSize == m_targetAtJobStart.second;
    if (targetUntouched) {
        m_settings.ComprRatio = m_jobSettings.ComprRatio;
        m_settings.TargetFileSize = m_jobSettings.TargetFileSize;
    }
}
