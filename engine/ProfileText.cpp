// The profile text format: writer and reader.
#include "ProfileText.h"

#include "EngineError.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_map>

namespace vantorel {

namespace {

constexpr std::string_view kCRLF = "\r\n";
constexpr std::string_view kLineBreakToken = "*CRLF*";
// Comments with line breaks are written with these tokens and a flag key, so that they read back
// whole; a single-line comment is written as it stands.
constexpr std::string_view kLoneLFToken = "*LF*";
constexpr std::string_view kLoneCRToken = "*CR*";
constexpr std::string_view kMultilineCommentsKey = "CommentsMultiline";

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// Removes leading and trailing blanks and control characters and every NUL character.
std::string TrimText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\0')
            out.push_back(c);
    std::size_t begin = 0, end = out.size();
    while (begin < end && IsBlankOrControl(out[begin]))
        ++begin;
    while (end > begin && IsBlankOrControl(out[end - 1]))
        --end;
    return out.substr(begin, end - begin);
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (;;) {
        const std::size_t hit = text.find(from, pos);
        if (hit == std::string_view::npos)
            break;
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::string EncodeLineBreaks(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out.append(kLineBreakToken);
            ++i;
        } else if (text[i] == '\r') {
            out.append(kLoneCRToken);
        } else if (text[i] == '\n') {
            out.append(kLoneLFToken);
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string DecodeLineBreaks(std::string_view text) {
    return ReplaceAll(ReplaceAll(ReplaceAll(text, kLineBreakToken, "\r\n"), kLoneLFToken, "\n"), kLoneCRToken, "\r");
}

class Writer {
public:
    void Line(std::string_view text = {}) {
        m_out.append(text);
        m_out.append(kCRLF);
    }
    void Int(std::string_view key, long long value) { Text(key, std::to_string(value)); }
    void Text(std::string_view key, std::string_view value) {
        if (value.empty())
            return; // a key whose value would be empty is not written
        m_out.append(key);
        m_out.push_back('=');
        m_out.append(value);
        m_out.append(kCRLF);
    }
    std::string Take() { return std::move(m_out); }

private:
    std::string m_out;
};

std::string Numbered(std::string_view key, int n) { return std::string(key) + std::to_string(n); }

std::string PointKey(int point, char axis, int unit) {
    return "SelUnitPnt" + std::to_string(point) + axis + std::to_string(unit);
}

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return out;
}

class Reader {
public:
    explicit Reader(std::string_view text) {
        // Lines end at CR, LF or CR LF; the first line of a key wins.
        std::size_t pos = 0;
        while (pos <= text.size()) {
            std::size_t end = text.find_first_of("\r\n", pos);
            if (end == std::string_view::npos)
                end = text.size();
            const std::string_view line = text.substr(pos, end - pos);
            const std::size_t eq = line.find('=');
            if (eq != std::string_view::npos)
                m_values.try_emplace(Lower(line.substr(0, eq)), line.substr(eq + 1));
            if (end == text.size())
                break;
            pos = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
        }
    }

    bool Has(std::string_view key) const { return m_values.count(Lower(key)) != 0; }

    std::string Text(std::string_view key, std::string_view fallback = {}) const {
        const auto it = m_values.find(Lower(key));
        return std::string(it == m_values.end() ? fallback : it->second);
    }

    // Decimal 32-bit integers only ("0x10", "1e3", "" and out-of-range values are refused).
    // unsignedRange also accepts 2^31..2^32-1, for the unsigned mask values.
    long long Int(std::string_view key, long long fallback, bool unsignedRange = false) const {
        const auto it = m_values.find(Lower(key));
        if (it == m_values.end())
            return fallback;
        const std::string_view value = it->second;
        std::string_view digits = value;
        if (!digits.empty() && digits.front() == '+')
            digits.remove_prefix(1);
        long long result = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), result);
        const long long high = unsignedRange ? 4294967295LL : 2147483647LL;
        if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || result > high ||
            result < -2147483648LL || (digits.size() != value.size() && digits.front() == '-'))
            throw EngineError("'" + std::string(value) + "' is not a valid integer value");
        return result;
    }

    long long Clamped(std::string_view key, long long fallback, long long lo, long long hi) const {
        return std::clamp(Int(key, fallback), lo, hi);
    }
    std::uint8_t Quality(std::string_view key) const {
        return static_cast<std::uint8_t>(std::clamp(101 - Int(key, 51), 1LL, 100LL));
    }
    std::uint8_t Bool(std::string_view key, long long fallback) const { return Int(key, fallback) != 0 ? 1 : 0; }

private:
    std::unordered_map<std::string, std::string_view> m_values;
};

} // namespace

std::string WriteProfileText(const TJPEGProfile& p) {
    Writer w;
    w.Line("[ Vantorel ]");
    w.Line("[ Compression Profile ]");
    w.Line();
    w.Int("Version", kProfileTextVersion);
    w.Line("[ Main ]");
    w.Line();
    w.Int("MatchMask", p.MatchMask);
    w.Int("ManualSet", p.ManualSet);
    w.Int("KeepJPEGDataMask", p.KeepJPEGDataMask);
    w.Int("CompressionMode", p.CompressionMode);
    w.Int("LumCompressionLevel", 101 - p.LumCompressionLevel);
    w.Int("ChromCompressionLevel", 101 - p.ChromCompressionLevel);
    if (p.ComprRatio > 0)
        w.Int("ComprRatio", std::llrint(static_cast<double>(p.ComprRatio) * 1000.0));
    if (p.TargetFileSize > 0)
        w.Int("TargetFileSize", p.TargetFileSize);
    for (int i = 0; i < 5; ++i)
        w.Int(Numbered("QualityEqualizerBand", i + 1), p.QualityEqualizerBand[static_cast<std::size_t>(i)]);
    w.Int("ActiveFilter", p.ActiveFilter);
    w.Int("FilterValue", p.FilterValue);
    w.Int("FilterRadius", p.FilterRadius);
    w.Int("Grayscale", p.Grayscale);
    w.Int("ProgressiveEncoding", p.ProgressiveEncoding);
    w.Int("Precision", p.Precision);
    w.Int("RestartInterval", p.RestartInterval);
    w.Int("EqualizerFullControl", p.EqualizerFullControl);
    const std::string comments = TrimText(p.Comments);
    if (comments.find_first_of("\r\n") == std::string::npos) {
        w.Text("Comments", comments);
    } else {
        w.Text("Comments", EncodeLineBreaks(comments));
        w.Int(kMultilineCommentsKey, 1);
    }
    w.Line();
    w.Line("[ Resampling ]");
    w.Line();
    w.Int("ResamplingPurpose", p.ResamplingPurpose);
    w.Int("ResamplingWidth", p.ResamplingWidth);
    w.Int("ResamplingHeight", p.ResamplingHeight);
    w.Int("ResamplingWUnits", p.ResamplingWUnits);
    w.Int("ResamplingHUnits", p.ResamplingHUnits);
    w.Int("ResamplingMethod", p.ResamplingMethod);
    w.Int("ResamplingFidLevel", p.ResamplingFidLevel);
    w.Int("ResolutionHorzDPI", p.ResolutionHorzDPI);
    w.Int("ResolutionVertDPI", p.ResolutionVertDPI);
    if (p.SelectiveCompression) {
        w.Line();
        w.Line("[ Selective Compression ]");
        w.Line();
        w.Int("SelectiveCompression", p.SelectiveCompression);
        w.Int("SelLumCompressionLevel", 101 - p.SelLumCompressionLevel);
        w.Int("SelChromCompressionLevel", 101 - p.SelChromCompressionLevel);
        w.Int("SelThreshold", p.SelThreshold);
        for (int i = 0; i < 5; ++i)
            w.Int(Numbered("SelQualityEqualizerBand", i + 1), p.SelQualityEqualizerBand[static_cast<std::size_t>(i)]);
        w.Int("SelActiveFilter", p.SelActiveFilter);
        w.Int("SelFilterValue", p.SelFilterValue);
        w.Int("SelFilterRadius", p.SelFilterRadius);
    }
    w.Int("DoAutoRotate", p.DoAutoRotate);

    const int overlays = std::clamp(p.NumOverlays, 0, kProfileOverlayCapacity);
    if (overlays > 0) {
        w.Line();
        w.Line("[ Overlays ]");
        w.Line();
    }
    w.Int("NumOverlays", overlays);
    for (int n = 1; n <= overlays; ++n) {
        const OverlayEntry& o = p.Overlays[static_cast<std::size_t>(n - 1)];
        w.Int(Numbered("OverlayType", n), o.OverlayType);
        w.Int(Numbered("OverlayHPos", n), o.OverlayHPos);
        w.Int(Numbered("OverlayVPos", n), o.OverlayVPos);
        w.Int(Numbered("OverlayOpacity", n), o.OverlayOpacity);
        if (o.OverlayType == 0) {
            w.Text(Numbered("OverlayText", n), ReplaceAll(o.OverlayText, "\r\n", kLineBreakToken));
            w.Text(Numbered("OverlayFontName", n), o.OverlayFontName);
            w.Int(Numbered("OverlayFontSize", n), o.OverlayFontSize);
            w.Int(Numbered("OverlayFontColor", n), o.OverlayFontColor);
            w.Int(Numbered("OverlayFontStyle", n), o.OverlayFontStyle);
            w.Int(Numbered("OverlayFontCharset", n), o.OverlayFontCharset);
            w.Int(Numbered("OverlayTextAlignment", n), o.OverlayTextAlignment);
        } else {
            w.Text(Numbered("OverlayImageFileName", n), o.OverlayImageFileName);
            w.Int(Numbered("OverlayUseTranspColor", n), o.OverlayUseTranspColor);
            w.Int(Numbered("OverlayTranspColor", n), o.OverlayTranspColor);
            w.Int(Numbered("OverlayToleranceLevel", n), o.OverlayToleranceLevel);
        }
    }

    const int modifiers = std::clamp(p.NumModifiers, 0, kProfileModifierCapacity);
    if (modifiers > 0) {
        w.Line();
        w.Line("[ Modifications ]");
        w.Line();
    }
    w.Int("NumModifiers", modifiers);
    for (int n = 1; n <= modifiers; ++n) {
        const ModificationEntry& m = p.Modifiers[static_cast<std::size_t>(n - 1)];
        w.Int(Numbered("ModifyType", n), m.ModifyType);
        w.Int(Numbered("Value1_", n), m.Value1_);
        w.Int(Numbered("Value2_", n), m.Value2_);
        w.Int(Numbered("Value3_", n), m.Value3_);
    }

    w.Line();
    w.Line("[ Selections ]");
    w.Line();
    const std::vector<SelectionUnit> units = UnitsFromStream(p.SelData, p.SelDataCount, p.NumSelUnits);
    w.Int("NumSelUnits", static_cast<long long>(units.size()));
    for (int n = 1; n <= static_cast<int>(units.size()); ++n) {
        const SelectionUnit& u = units[static_cast<std::size_t>(n - 1)];
        w.Int(Numbered("SelUnitKind", n), u.Kind);
        if (u.Kind == 0 || u.Kind == 1) {
            w.Int(Numbered("SelUnitBegX", n), u.BegX);
            w.Int(Numbered("SelUnitBegY", n), u.BegY);
            w.Int(Numbered("SelUnitEndX", n), u.EndX);
            w.Int(Numbered("SelUnitEndY", n), u.EndY);
        } else if (u.Kind == 2) {
            w.Int(Numbered("SelUnitNumPoints", n), static_cast<long long>(u.Points.size()));
            for (int j = 1; j <= static_cast<int>(u.Points.size()); ++j) {
                w.Int(PointKey(j, 'X', n), u.Points[static_cast<std::size_t>(j - 1)].X);
                w.Int(PointKey(j, 'Y', n), u.Points[static_cast<std::size_t>(j - 1)].Y);
            }
        }
    }
    return w.Take();
}

TJPEGProfile ReadProfileText(std::string_view rawText, const TJPEGProfile& base, const std::string& profileName) {
    const std::string text = TrimText(rawText);
    const Reader r(text);
    TJPEGProfile p = base;

    p.ProfileName = profileName.substr(0, kProfileNameLength);
    p.MatchMask = static_cast<std::uint32_t>(r.Int("MatchMask", base.MatchMask, true));
    p.ManualSet = static_cast<std::uint32_t>(r.Int("ManualSet", 0, true));
    p.KeepJPEGDataMask = static_cast<std::int32_t>(r.Int("KeepJPEGDataMask", base.KeepJPEGDataMask));
    p.CompressionMode = static_cast<std::uint8_t>(r.Clamped("CompressionMode", 0, 0, 2));
    p.LumCompressionLevel = r.Quality("LumCompressionLevel");
    p.ChromCompressionLevel = r.Quality("ChromCompressionLevel");
    p.ComprRatio = static_cast<float>(static_cast<double>(r.Int("ComprRatio", 0)) * 0.001);
    p.TargetFileSize = static_cast<std::int32_t>(r.Int("TargetFileSize", 0));
    for (int i = 0; i < 5; ++i)
        p.QualityEqualizerBand[static_cast<std::size_t>(i)] =
            static_cast<std::int8_t>(r.Clamped(Numbered("QualityEqualizerBand", i + 1), 0, -50, 50));
    p.ActiveFilter = static_cast<std::int32_t>(r.Clamped("ActiveFilter", 0, 0, 5));
    p.FilterValue = static_cast<std::uint8_t>(r.Clamped("FilterValue", 0, 0, 100));
    p.FilterRadius = static_cast<std::int32_t>(r.Clamped("FilterRadius", 3, 1, 8));
    p.Grayscale = r.Bool("Grayscale", 0);
    p.ProgressiveEncoding = r.Bool("ProgressiveEncoding", 0);
    p.EqualizerFullControl = r.Bool("EqualizerFullControl", 0);
    p.Precision = static_cast<std::uint8_t>(r.Clamped("Precision", 0, 0, 255));
    // A JPEG restart interval is a 16-bit field; larger values would be written truncated.
    p.RestartInterval = static_cast<std::uint32_t>(r.Clamped("RestartInterval", 0, 0, 65535));
    p.Comments = r.Text("Comments");
    if (r.Int(kMultilineCommentsKey, 0) != 0)
        p.Comments = DecodeLineBreaks(p.Comments);

    p.ResamplingPurpose = static_cast<std::int32_t>(r.Clamped("ResamplingPurpose", 0, 0, 1));
    p.ResamplingWidth = static_cast<std::int32_t>(r.Int("ResamplingWidth", 0));
    p.ResamplingHeight = static_cast<std::int32_t>(r.Int("ResamplingHeight", 0));
    p.ResamplingWUnits = static_cast<std::int32_t>(r.Clamped("ResamplingWUnits", 0, 0, 2));
    p.ResamplingHUnits = static_cast<std::int32_t>(r.Clamped("ResamplingHUnits", 0, 0, 2));
    p.ResamplingMethod = static_cast<std::int32_t>(r.Clamped("ResamplingMethod", 0, 0, 3));
    p.ResamplingFidLevel = static_cast<std::int32_t>(r.Clamped("ResamplingFidLevel", 256, 0, 256));
    if (p.MatchMask & kMatchResolution) {
        p.ResolutionHorzDPI = static_cast<std::int32_t>(r.Clamped("ResolutionHorzDPI", 0, 0, 32000));
        p.ResolutionVertDPI = static_cast<std::int32_t>(r.Clamped("ResolutionVertDPI", 0, 0, 32000));
    }

    if (r.Int("SelectiveCompression", 0) != 0) {
        p.SelectiveCompression = 1;
        p.SelLumCompressionLevel = r.Quality("SelLumCompressionLevel");
        p.SelChromCompressionLevel = r.Quality("SelChromCompressionLevel");
        for (int i = 0; i < 5; ++i)
            p.SelQualityEqualizerBand[static_cast<std::size_t>(i)] =
                static_cast<std::int8_t>(r.Clamped(Numbered("SelQualityEqualizerBand", i + 1), 0, -50, 50));
        p.SelThreshold = static_cast<std::uint8_t>(r.Clamped("SelThreshold", 50, 0, 100));
        p.SelActiveFilter = static_cast<std::int32_t>(r.Clamped("SelActiveFilter", 0, 0, 5));
        p.SelFilterValue = static_cast<std::uint8_t>(r.Clamped("SelFilterValue", 0, 0, 100));
        p.SelFilterRadius = static_cast<std::int32_t>(r.Clamped("SelFilterRadius", 3, 1, 8));
    }
    p.DoAutoRotate = r.Bool("DoAutoRotate", 1);

    p.NumOverlays = static_cast<std::int32_t>(r.Clamped("NumOverlays", 0, 0, kProfileOverlayCapacity));
    for (int n = 1; n <= p.NumOverlays; ++n) {
        OverlayEntry& o = p.Overlays[static_cast<std::size_t>(n - 1)];
        o.OverlayType = static_cast<std::uint8_t>(r.Clamped(Numbered("OverlayType", n), 0, 0, 1));
        o.OverlayHPos = static_cast<std::uint8_t>(r.Clamped(Numbered("OverlayHPos", n), 0, 0, 100));
        o.OverlayVPos = static_cast<std::uint8_t>(r.Clamped(Numbered("OverlayVPos", n), 0, 0, 100));
        o.OverlayOpacity = static_cast<std::int32_t>(r.Clamped(Numbered("OverlayOpacity", n), 100, 0, 100));
        if (o.OverlayType == 0) {
            o.OverlayText = ReplaceAll(r.Text(Numbered("OverlayText", n)), kLineBreakToken, "\r\n");
            o.OverlayFontName = r.Text(Numbered("OverlayFontName", n));
            o.OverlayFontSize = static_cast<std::int32_t>(r.Int(Numbered("OverlayFontSize", n), 48));
            o.OverlayFontColor = static_cast<std::int32_t>(r.Int(Numbered("OverlayFontColor", n), 16777215));
            o.OverlayFontStyle = static_cast<std::uint8_t>(r.Int(Numbered("OverlayFontStyle", n), 0) & 0xFF);
            o.OverlayFontCharset = static_cast<std::uint8_t>(r.Int(Numbered("OverlayFontCharset", n), 0) & 0xFF);
            o.OverlayTextAlignment = static_cast<std::uint8_t>(r.Int(Numbered("OverlayTextAlignment", n), 0) & 0xFF);
        } else {
            o.OverlayImageFileName = r.Text(Numbered("OverlayImageFileName", n));
            o.OverlayUseTranspColor = r.Bool(Numbered("OverlayUseTranspColor", n), 0);
            o.OverlayTranspColor = static_cast<std::int32_t>(r.Int(Numbered("OverlayTranspColor", n), 16777215));
            o.OverlayToleranceLevel =
                static_cast<std::int32_t>(r.Clamped(Numbered("OverlayToleranceLevel", n), 30, 0, 100));
        }
    }

    p.NumModifiers = static_cast<std::int32_t>(r.Clamped("NumModifiers", 0, 0, 16));
    for (int n = 1; n <= p.NumModifiers; ++n) {
        ModificationEntry& m = p.Modifiers[static_cast<std::size_t>(n - 1)];
        m.ModifyType = static_cast<std::uint8_t>(r.Clamped(Numbered("ModifyType", n), 0, 0, 10));
        m.Value1_ = static_cast<std::int32_t>(r.Clamped(Numbered("Value1_", n), 0, -100, 100));
        m.Value2_ = static_cast<std::int32_t>(r.Clamped(Numbered("Value2_", n), 0, -100, 100));
        m.Value3_ = static_cast<std::int32_t>(r.Clamped(Numbered("Value3_", n), 0, -100, 100));
        m.Applied = 0;
    }

    const long long unitCount = r.Int("NumSelUnits", 0);
    if (unitCount > 0) {
        // Units are stored while they fit in the stream; the rest of the file's units are ignored.
        int used = 0, stored = 0;
        for (long long n = 1; n <= unitCount; ++n) {
            const int un = static_cast<int>(n);
            SelectionUnit u;
            u.Kind = static_cast<std::uint8_t>(r.Int(Numbered("SelUnitKind", un), 0) & 0xFF);
            if (u.Kind == 0 || u.Kind == 1) {
                u.BegX = static_cast<std::int32_t>(r.Int(Numbered("SelUnitBegX", un), -1));
                u.BegY = static_cast<std::int32_t>(r.Int(Numbered("SelUnitBegY", un), -1));
                u.EndX = static_cast<std::int32_t>(r.Int(Numbered("SelUnitEndX", un), -1));
                u.EndY = static_cast<std::int32_t>(r.Int(Numbered("SelUnitEndY", un), -1));
            } else if (u.Kind == 2) {
                const long long points = r.Int(Numbered("SelUnitNumPoints", un), 0);
                if (points > (kSelectionStreamCapacity - used - 2) / 2)
                    break;
                for (int j = 1; j <= points; ++j)
                    u.Points.push_back({static_cast<std::int32_t>(r.Int(PointKey(j, 'X', un), -1)),
                                        static_cast<std::int32_t>(r.Int(PointKey(j, 'Y', un), -1))});
            }
            if (!AppendToStream(u, p.SelData, used))
                break;
            ++stored;
        }
        p.SelDataCount = used;
        p.NumSelUnits = stored;
    }

    const long long version = r.Int("Version", 3);
    if (version <= 3)
        p.MatchMask |= kMatchWatermarks;
    if (version <= 4 && p.ResamplingWidth != 0 && p.ResamplingHeight != 0) {
        p.NumModifiers = 1;
        p.Modifiers[0].ModifyType = 0;
    }
    if (version <= 5) {
        for (int n = 0; n < p.NumModifiers; ++n) {
            ModificationEntry& m = p.Modifiers[static_cast<std::size_t>(n)];
            // Kinds from 4 on moved up by one; the last kind stays the last (10).
            if (m.ModifyType > 3)
                m.ModifyType = static_cast<std::uint8_t>(std::min(m.ModifyType + 1, 10));
        }
        p.MatchMask |= 0x1F0100;
    }
    return p;
}

std::uint32_t MatchBitsOfKey(std::string_view key) {
    std::string name = Lower(key);
    while (!name.empty() && name.back() >= '0' && name.back() <= '9')
        name.pop_back();
    const auto starts = [&](std::string_view prefix) { return name.rfind(prefix, 0) == 0; };
    if (name == "compressionmode")
        return kMatchLevels | kMatchCompressionMode;
    if (name == "lumcompressionlevel" || name == "chromcompressionlevel")
        return kMatchLevels;
    if (name == "equalizerfullcontrol")
        return kMatchLevels | kMatchEqualizer;
    if (name == "qualityequalizerband")
        return kMatchEqualizer;
    if (name == "comprratio" || name == "targetfilesize")
        return kMatchTarget;
    if (name == "activefilter" || name == "filtervalue" || name == "filterradius")
        return kMatchPrefilter;
    if (name == "grayscale")
        return kMatchGrayscale;
    if (name == "progressiveencoding")
        return kMatchProgressive;
    if (name == "precision")
        return kMatchPrecision;
    if (name == "restartinterval")
        return kMatchRestart;
    if (name == "comments" || name == "commentsmultiline")
        return kMatchComments;
    if (name == "selectivecompression" || name == "sellumcompressionlevel" || name == "selchromcompressionlevel" ||
        name == "selthreshold")
        return kMatchSelLevels;
    if (name == "selqualityequalizerband")
        return kMatchSelEqualizer;
    if (name == "selactivefilter" || name == "selfiltervalue" || name == "selfilterradius")
        return kMatchSelPrefilter;
    if (name == "numselunits" || starts("selunit"))
        return kMatchSelections;
    if (starts("resampling"))
        return kMatchResizing;
    if (name == "resolutionhorzdpi" || name == "resolutionvertdpi")
        return kMatchResolution;
    if (name == "numoverlays" || starts("overlay"))
        return kMatchWatermarks;
    if (name == "nummodifiers" || name == "modifytype" || name == "value1_" || name == "value2_" || name == "value3_")
        return kMatchRotation | kMatchOtherModifications;
    return 0;
}

} // namespace vantorel
