// TJPEGImage: reading and applying compression profiles, and comparing them.
#include "TJPEGImage.h"

#include "ProfileText.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

using namespace vantorel;

namespace {

bool Bit(std::uint32_t mask, std::uint32_t bit) {
    return (mask & bit) != 0;
}

std::uint16_t DensityFromDpi(std::int32_t dpi, std::uint16_t current) {
    // A zero resolution in a profile means "not set"; JFIF densities must be non-zero.
    return dpi > 0 ? static_cast<std::uint16_t>(std::min(dpi, 65535)) : current;
}

// The last rotation entry of a profile's list, or null.
const ModificationEntry* LastRotation(const TJPEGProfile& p) {
    const ModificationEntry* found = nullptr;
    for (int i = 0; i < std::clamp(p.NumModifiers, 0, kProfileModifierCapacity); ++i)
        if (p.Modifiers[static_cast<std::size_t>(i)].ModifyType == kRotationModification)
            found = &p.Modifiers[static_cast<std::size_t>(i)];
    return found;
}

bool FilterMatches(std::int32_t kindA, std::uint8_t valueA, std::int32_t radiusA, std::int32_t kindB,
                   std::uint8_t valueB, std::int32_t radiusB) {
    if (kindA != kindB)
        return false;
    return kindA <= 0 || (valueA == valueB && radiusA == radiusB);
}

} // namespace

TJPEGProfile TJPEGImage::GetProfile() const {
    const EngineSettings& s = S();
    TJPEGProfile p{};
    p.CompressionMode = s.CompressionMode;
    p.LumCompressionLevel = s.LumCompressionLevel;
    p.ChromCompressionLevel = s.ChromCompressionLevel;
    if (s.TargetEnabled && s.Target == TargetKind::kRatio)
        p.ComprRatio = s.ComprRatio;
    if (s.TargetEnabled && s.Target == TargetKind::kFileSize)
        p.TargetFileSize = s.TargetFileSize;
    p.QualityEqualizerBand = s.QualityEqualizerBand;
    p.ActiveFilter = s.BaseFilter.ActiveFilter;
    if (s.BaseFilter.ActiveFilter > 0)
        p.FilterValue = s.BaseFilter.ActiveStrength();
    p.FilterRadius = s.BaseFilter.Radius;
    p.Grayscale = s.Grayscale;
    p.ProgressiveEncoding = s.ProgressiveEncoding;
    p.Precision = static_cast<std::uint8_t>(GetPrecision());
    p.RestartInterval = s.RestartInterval;
    p.EqualizerFullControl = s.EqualizerFullControl;
    p.SelectiveCompression = s.SelectiveCompression;
    p.SelLumCompressionLevel = s.SelLumCompressionLevel;
    p.SelChromCompressionLevel = s.SelChromCompressionLevel;
    p.SelThreshold = s.SelThreshold;
    p.SelQualityEqualizerBand = s.SelQualityEqualizerBand;
    p.SelActiveFilter = s.SelFilter.ActiveFilter;
    if (s.SelFilter.ActiveFilter > 0)
        p.SelFilterValue = s.SelFilter.ActiveStrength();
    p.SelFilterRadius = s.SelFilter.Radius;
    p.KeepJPEGDataMask = s.KeepJPEGDataMask;
    p.Comments = s.Comments;
    p.ResamplingPurpose = s.Resizing.ResamplingPurpose;
    p.ResamplingWidth = s.Resizing.ResamplingWidth;
    p.ResamplingHeight = s.Resizing.ResamplingHeight;
    p.ResamplingWUnits = s.Resizing.ResamplingWUnits;
    p.ResamplingHUnits = s.Resizing.ResamplingHUnits;
    p.KeepAspect = s.Resizing.KeepAspect;
    p.ResolutionHorzDPI = s.XDensity;
    p.ResolutionVertDPI = s.YDensity;
    p.ResamplingMethod = s.Resizing.ResamplingMethod;
    p.ResamplingFidLevel = s.Resizing.ResamplingFidLevel;
    p.DoAutoRotate = (m_sourceEngine ? m_sourceEngine->S().DoAutoRotate : s.DoAutoRotate) ? 1 : 0;

    p.NumModifiers = std::min(m_modifications.Count(), kProfileModifierCapacity);
    for (int i = 0; i < p.NumModifiers; ++i) {
        ModificationEntry e = m_modifications.Entry(i + 1);
        e.Applied = 0;
        p.Modifiers[static_cast<std::size_t>(i)] = e;
    }
    p.NumOverlays = std::min(static_cast<int>(m_overlays.size()), kProfileOverlayCapacity);
    for (int i = 0; i < p.NumOverlays; ++i)
        p.Overlays[static_cast<std::size_t>(i)] = m_overlays[static_cast<std::size_t>(i)]->Entry;
    p.ProfileName = s.ProfileName.substr(0, kProfileNameLength);
    p.MatchMask = s.MatchMask;
    p.ManualSet = s.ManualSet;

    int used = 0, stored = 0;
    for (const SelectionUnit& unit : m_units) {
        if (!unit.Included)
            continue;
        if (!AppendToStream(unit, p.SelData, used))
            break; // the stream is full: the remaining units are not stored
        ++stored;
    }
    if (stored > 0) {
        p.SelDataCount = used;
        p.NumSelUnits = stored;
    }
    return p;
}

void TJPEGImage::ApplyProfile(const TJPEGProfile& p) {
    EngineSettings& s = S();
    const std::uint32_t m = p.MatchMask;

    if (Bit(m, kMatchLevels)) {
        s.CompressionMode = std::min<std::uint8_t>(p.CompressionMode, 2);
        s.LumCompressionLevel = std::clamp<std::uint8_t>(p.LumCompressionLevel, 1, 100);
        s.ChromCompressionLevel = std::clamp<std::uint8_t>(p.ChromCompressionLevel, 1, 100);
    }
    if (m & (kMatchLevels | kMatchEqualizer | kMatchSelLevels | kMatchSelEqualizer))
        s.EqualizerFullControl = p.EqualizerFullControl != 0;
    if (Bit(m, kMatchEqualizer))
        s.QualityEqualizerBand = p.QualityEqualizerBand;
    if (Bit(m, kMatchTarget)) {
        if (p.ComprRatio > 0) {
            s.TargetEnabled = true;
            s.Target = TargetKind::kRatio;
            SetTargetRatio(p.ComprRatio);
        } else if (p.TargetFileSize > 0) {
            s.TargetEnabled = true;
            s.Target = TargetKind::kFileSize;
            SetTargetSize(p.TargetFileSize);
        } else {
            s.TargetEnabled = false;
        }
    }
    const auto applyFilter = [](AreaPrefilter& f, std::int32_t kind, std::uint8_t value, std::int32_t radius) {
        f.ActiveFilter = std::clamp(kind, 0, 5);
        if (f.ActiveFilter > 0)
            f.Strengths[static_cast<std::size_t>(f.ActiveFilter - 1)] = std::min<std::uint8_t>(value, 100);
        f.Radius = std::clamp(radius, 1, 8);
    };
    if (Bit(m, kMatchPrefilter))
        applyFilter(s.BaseFilter, p.ActiveFilter, p.FilterValue, p.FilterRadius);
    if (Bit(m, kMatchGrayscale) && !s.Grayscale && !(m_data && m_data->Grayscale))
        s.Grayscale = p.Grayscale != 0;
    if (Bit(m, kMatchProgressive))
        s.ProgressiveEncoding = p.ProgressiveEncoding != 0;
    if (Bit(m, kMatchPrecision) && s.CompressionMode == 0)
        SetPrecision(p.Precision);
    if (Bit(m, kMatchRestart))
        s.RestartInterval = std::min<std::uint32_t>(p.RestartInterval, 65535);
    if (Bit(m, kMatchComments))
        s.Comments = p.Comments;
    if (Bit(m, kMatchSelLevels)) {
        s.SelectiveCompression = p.SelectiveCompression != 0;
        s.SelLumCompressionLevel = std::clamp<std::uint8_t>(p.SelLumCompressionLevel, 1, 100);
        s.SelChromCompressionLevel = std::clamp<std::uint8_t>(p.SelChromCompressionLevel, 1, 100);
        s.SelThreshold = std::min<std::uint8_t>(p.SelThreshold, 100);
    }
    if (Bit(m, kMatchSelEqualizer))
        s.SelQualityEqualizerBand = p.SelQualityEqualizerBand;
    if (Bit(m, kMatchSelPrefilter))
        applyFilter(s.SelFilter, p.SelActiveFilter, p.SelFilterValue, p.SelFilterRadius);
    if (Bit(m, kMatchSelections) && p.NumSelUnits > 0) {
        m_units = UnitsFromStream(p.SelData, p.SelDataCount, p.NumSelUnits);
        for (SelectionUnit& unit : m_units)
            unit.Included = true;
    }
    if (Bit(m, kMatchResizing)) {
        s.Resizing.ResamplingPurpose = p.ResamplingPurpose;
        s.Resizing.ResamplingWidth = p.ResamplingWidth;
        s.Resizing.ResamplingHeight = p.ResamplingHeight;
        s.Resizing.ResamplingWUnits = p.ResamplingWUnits;
        s.Resizing.ResamplingHUnits = p.ResamplingHUnits;
        s.Resizing.KeepAspect = p.KeepAspect;
        s.Resizing.ResamplingMethod = p.ResamplingMethod;
        s.Resizing.ResamplingFidLevel = p.ResamplingFidLevel;
    }
    if (Bit(m, kMatchResolution)) {
        s.XDensity = DensityFromDpi(p.ResolutionHorzDPI, s.XDensity);
        s.YDensity = DensityFromDpi(p.ResolutionVertDPI, s.YDensity);
        s.DensityUnit = 1;
    }
    // The applied copy of the group shows the densities in force.
    s.Resizing.ResolutionHorzDPI = s.XDensity;
    s.Resizing.ResolutionVertDPI = s.YDensity;

    if (Bit(m, kMatchWatermarks)) {
        const int count = std::clamp(p.NumOverlays, 0, kProfileOverlayCapacity);
        if (static_cast<int>(m_overlays.size()) != count)
            m_overlays.clear();
        const bool created = m_overlays.empty();
        if (created)
            for (int i = 0; i < count; ++i)
                m_overlays.push_back(std::make_unique<TOverlay>(Width(), Height()));
        for (int i = 0; i < count; ++i) {
            TOverlay& overlay = *m_overlays[static_cast<std::size_t>(i)];
            const OverlayEntry& entry = p.Overlays[static_cast<std::size_t>(i)];
            const bool wasPicture = overlay.Entry.OverlayType == 1;
            const bool fileChanged = overlay.Entry.OverlayImageFileName != entry.OverlayImageFileName;
            overlay.Flags |= TOverlay::kContentChanged;
            if (entry.OverlayType == 1 && (created || (wasPicture && fileChanged)))
                overlay.Flags |= TOverlay::kReloadPicture;
            overlay.Entry = entry;
        }
    }

    if (m & (kMatchRotation | kMatchOtherModifications)) {
        const auto selected = [m](const ModificationEntry& e) {
            return e.ModifyType == kRotationModification ? Bit(m, kMatchRotation) : Bit(m, kMatchOtherModifications);
        };
        const int count = std::clamp(p.NumModifiers, 0, kProfileModifierCapacity);
        if (m_modifications.Count() > 0) {
            for (int i = count - 1; i >= 0; --i) {
                const ModificationEntry& e = p.Modifiers[static_cast<std::size_t>(i)];
                if (selected(e))
                    m_modifications.AddModification(e.ModifyType, e.Value1_, e.Value2_, e.Value3_, false, true);
            }
        } else {
            std::vector<ModificationEntry> entries;
            for (int i = 0; i < count; ++i) {
                ModificationEntry e = p.Modifiers[static_cast<std::size_t>(i)];
                if (!selected(e))
                    continue;
                e.Applied = 0;
                entries.push_back(e);
            }
            m_modifications.Assign(std::move(entries));
        }
    }

    s.KeepJPEGDataMask = p.KeepJPEGDataMask;
    s.MatchMask = p.MatchMask;
    s.ManualSet = p.ManualSet;
    s.ProfileName = p.ProfileName.substr(0, kProfileNameLength);
    (m_sourceEngine ? m_sourceEngine->S() : s).DoAutoRotate = p.DoAutoRotate != 0;
    m_profileApplied = true;
}

bool TJPEGImage::ProfilesMatch(const TJPEGProfile& a, const TJPEGProfile& b) {
    const std::uint32_t m = b.MatchMask;
    if (a.KeepJPEGDataMask != b.KeepJPEGDataMask)
        return false;
    if (Bit(m, kMatchLevels) &&
        (a.LumCompressionLevel != b.LumCompressionLevel || a.ChromCompressionLevel != b.ChromCompressionLevel ||
         a.EqualizerFullControl != b.EqualizerFullControl))
        return false;
    if (Bit(m, kMatchEqualizer) &&
        (a.QualityEqualizerBand != b.QualityEqualizerBand || a.EqualizerFullControl != b.EqualizerFullControl))
        return false;
    if (Bit(m, kMatchTarget) && (a.ComprRatio != b.ComprRatio || a.TargetFileSize != b.TargetFileSize))
        return false;
    if (Bit(m, kMatchPrefilter) &&
        !FilterMatches(a.ActiveFilter, a.FilterValue, a.FilterRadius, b.ActiveFilter, b.FilterValue, b.FilterRadius))
        return false;
    if (Bit(m, kMatchGrayscale) && a.Grayscale != b.Grayscale)
        return false;
    if (Bit(m, kMatchProgressive) && a.ProgressiveEncoding != b.ProgressiveEncoding)
        return false;
    if (Bit(m, kMatchPrecision) && a.Precision != b.Precision)
        return false;
    if (Bit(m, kMatchRestart) && a.RestartInterval != b.RestartInterval)
        return false;
    if (Bit(m, kMatchComments) && a.Comments != b.Comments)
        return false;
    if (Bit(m, kMatchSelLevels)) {
        if (a.SelectiveCompression != b.SelectiveCompression)
            return false;
        if (a.SelectiveCompression &&
            (a.SelLumCompressionLevel != b.SelLumCompressionLevel ||
             a.SelChromCompressionLevel != b.SelChromCompressionLevel || a.SelThreshold != b.SelThreshold ||
             a.EqualizerFullControl != b.EqualizerFullControl))
            return false;
    }
    if (Bit(m, kMatchSelEqualizer) &&
        (a.SelQualityEqualizerBand != b.SelQualityEqualizerBand || a.EqualizerFullControl != b.EqualizerFullControl))
        return false;
    if (Bit(m, kMatchSelPrefilter) && !FilterMatches(a.SelActiveFilter, a.SelFilterValue, a.SelFilterRadius,
                                                     b.SelActiveFilter, b.SelFilterValue, b.SelFilterRadius))
        return false;
    if (Bit(m, kMatchSelections)) {
        if (a.SelDataCount != b.SelDataCount || a.NumSelUnits != b.NumSelUnits)
            return false;
        const int used = std::clamp(a.SelDataCount, 0, kSelectionStreamCapacity);
        if (!std::equal(a.SelData.begin(), a.SelData.begin() + used, b.SelData.begin()))
            return false;
    }
    if (Bit(m, kMatchResizing) &&
        (a.ResamplingPurpose != b.ResamplingPurpose || a.ResamplingWidth != b.ResamplingWidth ||
         a.ResamplingHeight != b.ResamplingHeight || a.ResamplingWUnits != b.ResamplingWUnits ||
         a.ResamplingHUnits != b.ResamplingHUnits || a.KeepAspect != b.KeepAspect))
        return false;
    if (Bit(m, kMatchResolution) &&
        (a.ResolutionHorzDPI != b.ResolutionHorzDPI || a.ResolutionVertDPI != b.ResolutionVertDPI))
        return false;
    if (Bit(m, kMatchWatermarks)) {
        if (a.NumOverlays != b.NumOverlays)
            return false;
        const int count = std::clamp(a.NumOverlays, 0, kProfileOverlayCapacity);
        if (!std::equal(a.Overlays.begin(), a.Overlays.begin() + count, b.Overlays.begin()))
            return false;
    }
    const bool rotation = Bit(m, kMatchRotation);
    const bool others = Bit(m, kMatchOtherModifications);
    if (rotation && others) {
        if (a.NumModifiers != b.NumModifiers)
            return false;
        const int count = std::clamp(a.NumModifiers, 0, kProfileModifierCapacity);
        if (!std::equal(a.Modifiers.begin(), a.Modifiers.begin() + count, b.Modifiers.begin()))
            return false;
    } else if (rotation) {
        const ModificationEntry* ra = LastRotation(a);
        const ModificationEntry* rb = LastRotation(b);
        if ((ra == nullptr) != (rb == nullptr))
            return false;
        if (ra && (ra->Value1_ != rb->Value1_ || ra->Applied != rb->Applied))
            return false;
    } else if (others) {
        const int countA = std::clamp(a.NumModifiers, 0, kProfileModifierCapacity);
        const int countB = std::clamp(b.NumModifiers, 0, kProfileModifierCapacity);
        int i = 0, j = 0;
        for (;;) {
            while (i < countA && a.Modifiers[static_cast<std::size_t>(i)].ModifyType == kRotationModification)
                ++i;
            while (j < countB && b.Modifiers[static_cast<std::size_t>(j)].ModifyType == kRotationModification)
                ++j;
            if (i == countA || j == countB) {
                if (i != countA || j != countB)
                    return false;
                break;
            }
            if (!(a.Modifiers[static_cast<std::size_t>(i)] == b.Modifiers[static_cast<std::size_t>(j)]))
                return false;
            ++i;
            ++j;
        }
    }
    if (Bit(m, kMatchCompressionMode) && a.CompressionMode != b.CompressionMode)
        return false;
    return true;
}

bool TJPEGImage::ResetGroup(int group) {
    EngineSettings& s = S();
    const auto reset = [](auto& field, auto value) {
        const bool changed = field != value;
        field = value;
        return changed;
    };
    const auto resetFilter = [](AreaPrefilter& f) {
        const bool wasActive = f.ActiveFilter > 0;
        f = AreaPrefilter{};
        return wasActive;
    };
    switch (group) {
    case 0: {
        const bool a = reset(s.LumCompressionLevel, std::uint8_t{50});
        const bool b = reset(s.ChromCompressionLevel, std::uint8_t{50});
        return a || b;
    }
    case 1: {
        const bool a = reset(s.SelLumCompressionLevel, std::uint8_t{50});
        const bool b = reset(s.SelChromCompressionLevel, std::uint8_t{50});
        const bool c = reset(s.SelThreshold, std::uint8_t{50});
        return a || b || c;
    }
    case 2:
        return reset(s.QualityEqualizerBand, EqualizerBands{});
    case 3:
        return reset(s.SelQualityEqualizerBand, EqualizerBands{});
    case 4:
        return resetFilter(s.BaseFilter);
    case 5:
        return resetFilter(s.SelFilter);
    case 6:
        m_overlays.clear();
        return false;
    default:
        return false;
    }
}

void TJPEGImage::SaveProfileText(const std::string& fileName) const {
    const std::string text = WriteProfileText(GetProfile());
    QSaveFile file(QString::fromStdString(fileName));
    if (!file.open(QIODevice::WriteOnly))
        throw EngineError("Cannot create profile file '" + fileName + "': " + file.errorString().toStdString());
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) || !file.commit())
        throw EngineError("Cannot write profile file '" + fileName + "': " + file.errorString().toStdString());
}

void TJPEGImage::LoadProfileText(const std::string& fileName) {
    const QString name = QString::fromStdString(fileName);
    QFile file(name);
    if (QFileInfo(name).isDir())
        throw EngineError("Cannot open profile file '" + fileName + "': it is a folder");
    if (!file.open(QIODevice::ReadOnly))
        throw EngineError("Cannot open profile file '" + fileName + "': " + file.errorString().toStdString());
    // Read one byte past the limit instead of trusting the size, which devices and pipes do not report.
    const QByteArray bytes = file.read(kMaxProfileFileSize + 1);
    if (bytes.size() > kMaxProfileFileSize)
        throw EngineError("Profile file '" + fileName + "' is too large (over 1 MiB)");
    if (file.error() != QFileDevice::NoError)
        throw EngineError("Cannot read profile file '" + fileName + "': " + file.errorString().toStdString());
    LoadProfileFromText(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                        QFileInfo(name).completeBaseName().toStdString());
}

void TJPEGImage::LoadProfileFromText(const std::string& text, const std::string& name) {
    ApplyProfile(ReadProfileText(text, GetProfile(), name));
    // The watermarks are made ready for the current picture, so that their pictures' descriptions
    // can be shown. A picture that cannot be read keeps its flags, and the next encode reports it.
    const int width = Width(), height = Height();
    if (width <= 0 || height <= 0)
        return;
    for (const auto& overlay : m_overlays) {
        try {
            PrepareOverlay(*overlay, width, height);
        } catch (const std::exception&) {
        }
    }
}
