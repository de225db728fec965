// TModifyImage: the pixel work of one modification entry.
#include "TModifyImage.h"

#include "Bitmap24.h"
#include "Corrections.h"
#include "EngineError.h"
#include "RotateBitmap.h"
#include "Rounding.h"
#include "TJPEGImage.h"

#include <algorithm>
#include <cassert>
#include <cmath>

using vantorel::ModificationEntry;

namespace {

// A bitmap to write a correction into: the owner's own when it is 24-bit, of the right size and not
// shared (with the source or anyone else), else a new one, so that no copy is made only to be
// overwritten.
QImage TakeDestination(QImage current, int width, int height) {
    if (current.format() == QImage::Format_BGR888 && current.width() == width && current.height() == height &&
        current.isDetached())
        return current;
    QImage result = vantorel::MakeBitmap24(width, height);
    if (result.isNull())
        throw vantorel::EngineError("Not enough memory to modify the picture");
    return result;
}

int Percent(std::int32_t v) {
    return std::clamp(v, -100, 100);
}

} // namespace

void TModifyImage::ApplyModification(int i) {
    assert(m_owner && "the modification list has no engine");
    assert(i >= 0 && i <= Count() && "modification index out of range");
    TJPEGImage& owner = *m_owner;
    const ModificationEntry entry = Entry(i);
    const int kind = entry.ModifyType;

    if (owner.Settings().CompressionMode == 2) {
        if (kind == vantorel::kRotationModification) {
            owner.LosslessRotate(entry, true);
            TJPEGImage& source = owner.AttachedSource() ? *owner.AttachedSource() : owner;
            source.KeepBitmap = false;
            const QImage& decoded = source.GetBitmap();
            owner.SetDecodedBitmap(decoded.copy());
        }
        Entry(i).Applied = 1;
        return;
    }

    QImage converted;
    TPixelView source = owner.SourceView();
    if (source.IsEmpty()) {
        converted = vantorel::ToBitmap24(vantorel::HasPixels(owner.SourceBitmap()) ? owner.SourceBitmap()
                                                                                   : owner.DecodedBitmap());
        source = TPixelView::OfShared(converted);
    }
    if (source.IsEmpty())
        throw vantorel::EngineError("There is no picture to modify");
    const int w = source.Width, h = source.Height;

    QImage result;
    switch (kind) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6: {
        // The owner lets go of its bitmap first, so that it can be written without a copy.
        QImage previous = owner.DecodedBitmap();
        owner.SetDecodedBitmap(QImage());
        result = TakeDestination(std::move(previous), w, h);
        const TPixelView out = TPixelView::Of(result);
        const int v1 = Percent(entry.Value1_);
        if (kind == 1) {
            const int v = v1 / 2; // truncated toward zero: ±1 changes nothing
            vantorel::ScaleChannels(source, out, v, v, v);
        } else if (kind == 2) {
            vantorel::ScaleChannels(source, out, v1, Percent(entry.Value2_), Percent(entry.Value3_));
        } else if (kind == 3) {
            vantorel::AdjustSaturation(source, out, v1);
        } else if (kind == 4) {
            // Warmer: more red, less blue.
            vantorel::ScaleChannels(source, out, vantorel::RoundEven(v1 * 0.1), 0, -vantorel::RoundEven(v1 * 0.25));
        } else if (kind == 5) {
            if (v1 >= 0)
                vantorel::Convolve3x3(source, out, vantorel::KernelKind::kSharpen, v1 / 2);
            else
                vantorel::Convolve3x3(source, out, vantorel::KernelKind::kBlur, -v1);
        } else {
            const vantorel::Histograms histograms = vantorel::BuildHistograms(source);
            if (v1 > 0) {
                vantorel::EqualizeLuminance(source, out, histograms);
                vantorel::BlendBuffers(out, source, v1);
            } else {
                vantorel::ReduceContrast(source, out, vantorel::HistogramMedian(histograms.Luma, histograms.Count),
                                         v1 / 2);
            }
        }
        break;
    }
    case vantorel::kRotationModification:
        if (entry.Value1_ >= 1 && entry.Value1_ <= 3) {
            result = vantorel::RotateBitmap(source, entry.Value1_);
            if (result.isNull())
                throw vantorel::EngineError("Not enough memory to rotate the picture");
        }
        break;
    default:
        break; // resample, crop, red eyes and quick resize do their pixel work elsewhere
    }
    if (result.isNull())
        result = converted.isNull() ? owner.SourceBitmap() : converted;
    owner.SetDecodedBitmap(result);
    Entry(i).Applied = 1;
}
