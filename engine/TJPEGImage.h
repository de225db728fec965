// The engine object of one image: its settings, source picture, markers and JPEG result.
#pragma once

#include "EncodePipeline.h"
#include "EngineError.h"
#include "JpegCodec.h"
#include "QuantTables.h"
#include "ResampleProc.h"
#include "SelectionUnit.h"
#include "TJPEGData.h"
#include "TJPEGProfile.h"
#include "TModifyImage.h"
#include "TOverlay.h"

#include <QImage>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "TPixelView.h"

class QIODevice;

namespace vantorel {

enum class ProgressStage { kStarting, kRunning, kEnding };

struct ProgressEvent {
    ProgressStage Stage = ProgressStage::kRunning;
    int Percent = 0;
    // Decoding only: the band of rows decoded since the last report, and whether to repaint now.
    int RowFrom = 0;
    int RowCount = 0;
    bool Redraw = false;
    // During a target search: the current attempt's own percentage (Percent spans the search);
    // -1 otherwise.
    int AttemptPercent = -1;
};

// One area's prefilter: the active kind (0 none, 1..5), a strength per kind and a radius.
struct AreaPrefilter {
    std::int32_t ActiveFilter = 0;
    std::array<std::uint8_t, 5> Strengths{50, 50, 50, 50, 50};
    std::int32_t Radius = 5;

    std::uint8_t ActiveStrength() const {
        return ActiveFilter >= 1 && ActiveFilter <= 5 ? Strengths[static_cast<std::size_t>(ActiveFilter - 1)] : 0;
    }
    bool operator==(const AreaPrefilter&) const = default;
};

// The resizing group as the engine keeps it (its resolution values mirror the densities).
struct ResizingGroup {
    std::int32_t ResamplingPurpose = 0;
    std::int32_t ResamplingWidth = 0;
    std::int32_t ResamplingHeight = 0;
    std::int32_t ResamplingWUnits = 0;
    std::int32_t ResamplingHUnits = 0;
    std::uint8_t KeepAspect = 0;
    std::int32_t ResolutionHorzDPI = 0;
    std::int32_t ResolutionVertDPI = 0;
    std::int32_t ResamplingMethod = 0;
    std::int32_t ResamplingFidLevel = 0;

    // The group as the resamplers read it.
    ResizeParams Params() const {
        ResizeParams p;
        p.Purpose = ResamplingPurpose;
        p.Width = ResamplingWidth;
        p.Height = ResamplingHeight;
        p.WUnits = ResamplingWUnits;
        p.HUnits = ResamplingHUnits;
        p.HorzDPI = ResolutionHorzDPI;
        p.VertDPI = ResolutionVertDPI;
        p.Method = ResamplingMethod;
        p.Fidelity = ResamplingFidLevel;
        return p;
    }
};

enum class TargetKind : std::uint8_t { kFileSize = 0, kRatio = 1 };

// The settings an engine holds. Levels are qualities (1..100, higher is finer).
struct EngineSettings {
    std::uint8_t CompressionMode = 0;
    std::uint8_t LumCompressionLevel = 50;
    std::uint8_t ChromCompressionLevel = 50;
    float ComprRatio = 50.0f;
    std::int32_t TargetFileSize = 100; // KB
    EqualizerBands QualityEqualizerBand{};
    AreaPrefilter BaseFilter;
    bool Grayscale = false;
    bool ProgressiveEncoding = false;
    std::uint32_t RestartInterval = 0;
    bool EqualizerFullControl = false;
    bool SelectiveCompression = false;
    std::uint8_t SelLumCompressionLevel = 50;
    std::uint8_t SelChromCompressionLevel = 50;
    std::uint8_t SelThreshold = 50;
    EqualizerBands SelQualityEqualizerBand{};
    AreaPrefilter SelFilter;
    std::int32_t KeepJPEGDataMask = kDefaultKeepJPEGDataMask;
    std::string Comments;
    ResizingGroup Resizing;
    bool DoAutoRotate = false;
    std::uint32_t MatchMask = kDefaultMatchMask;
    std::uint32_t ManualSet = 0;
    std::string ProfileName;

    // encoder options
    int DctMethod = 0; // only 0, the accurate integer DCT, is accepted
    bool OptimizeHuffman = true;
    std::uint8_t DensityUnit = 1; // 0 none, 1 dots per inch, 2 dots per cm
    std::uint16_t XDensity = 96;
    std::uint16_t YDensity = 96;
    std::array<std::uint8_t, 10> HSampling{2, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    std::array<std::uint8_t, 10> VSampling{2, 1, 1, 1, 1, 1, 1, 1, 1, 1};

    // target state
    bool TargetEnabled = false;
    TargetKind Target = TargetKind::kFileSize;
    int MaxPasses = 10;
    int Tolerance = 5; // percent

    // decoder options
    int DecodeScale = 0; // decode at 1/2^DecodeScale, 0..3
    bool BlockSmoothing = true;
    bool EightBitOutput = false; // palette output for displays of 8 bits per pixel or fewer
    int Performance = 0;         // 0 best quality, 1 best speed
    bool ProgressiveDisplay = false;
    int DitherMode = 2; // Floyd-Steinberg
    bool TwoPassQuantize = true;
    int Colours = 236;
};

inline constexpr int kMarkerTextCount = 17; // APP0..APP15, then COM
inline constexpr int kCommentMarkerIndex = 16;
// Joins several APPn segments of one n in a marker text.
inline constexpr std::string_view kMarkerSeparator = "@@@VTR@@@";

} // namespace vantorel

// The engine of one image. Created, configured and read on the main thread; Compress and the
// encode run on the document's compression worker while the main thread leaves the engine alone.
// The engine takes no locks.
class TJPEGImage {
public:
    using ProgressHandler = std::function<void(const vantorel::ProgressEvent&)>;

    TJPEGImage();
    ~TJPEGImage();
    TJPEGImage(const TJPEGImage&) = delete;
    TJPEGImage& operator=(const TJPEGImage&) = delete;

    // The settings as the calling thread may use them: during a job (BeginJob .. EndJob) the job's
    // thread works on its own copy, taken when the job began, while the owner edits the live ones.
    vantorel::EngineSettings& Settings() { return S(); }
    const vantorel::EngineSettings& Settings() const { return S(); }

    // --- jobs on a worker -----------------------------------------------------------------------
    // BeginJob (owner's thread, before the worker starts) copies the settings for the job;
    // EnterJobThread (first thing on the worker) makes that thread use the copy; EndJob (owner's
    // thread, after the worker ended) ends it: the owner's edits made meanwhile stay, and the target
    // size and ratio the job derived are taken over unless the owner changed them.
    void BeginJob();
    void EnterJobThread();
    void EndJob();
    bool InJob() const { return m_inJob; }

    // --- profiles -------------------------------------------------------------------------------
    vantorel::TJPEGProfile GetProfile() const;
    // Applies the parts the profile's MatchMask selects and the unconditional fields.
    void ApplyProfile(const vantorel::TJPEGProfile& profile);
    // True when every part the reference's MatchMask selects is equal, and KeepJPEGDataMask is.
    static bool ProfilesMatch(const vantorel::TJPEGProfile& profile, const vantorel::TJPEGProfile& reference);
    // Restores group 0..6 to its default; returns whether anything changed (group 6: false).
    bool ResetGroup(int group);
    // Writes GetProfile as profile text (replacing the file atomically). Throws EngineError with the
    // file system's message.
    void SaveProfileText(const std::string& fileName) const;
    // Reads a profile file and applies it. Throws EngineError (nothing applied) when the file cannot
    // be read, is over 1 MiB, or holds a value that is not an integer.
    void LoadProfileText(const std::string& fileName);
    // The same from text already in memory; `name` becomes the profile name.
    void LoadProfileFromText(const std::string& text, const std::string& name);
    // Read and cleared by the document before a recompression.
    bool ProfileApplied() const { return m_profileApplied; }
    void ClearProfileApplied() { m_profileApplied = false; }

    // --- source, result and encoding ------------------------------------------------------------
    // The picture to encode (any format; converted to 24 bits at encode time). The engine shares the
    // caller's pixels and only reads them. A null image clears it.
    void SetSource(const QImage& bitmap);
    const QImage& SourceBitmap() const { return m_source; }
    const TPixelView& SourceView() const { return m_sourceView; }
    // The bitmap decoded from the stream (used as the encoder's input when there is no source).
    void SetDecodedBitmap(const QImage& bitmap) { m_decoded = bitmap; }
    const QImage& DecodedBitmap() const { return m_decoded; }

    // --- loading (the source side) ----------------------------------------------------------------
    // Reads every byte from the stream's position into a new JPEG stream and reads its header (size,
    // grayscale, progressive). Throws EJPEG for data that is not a readable JPEG header; the engine
    // then holds the bytes but no size.
    void LoadFromStream(QIODevice& stream);
    void LoadFromBytes(std::vector<std::uint8_t> bytes);
    // Decodes the stream (turning it upright first when DoAutoRotate asks) into the decoded bitmap,
    // reading markers, densities, EXIF and the quantisation tables on the first decode after a load.
    // A cancellation from the progress handler ends it quietly with the rows decoded so far; codec
    // errors propagate as EJPEG. Returns the decoded bitmap (null without a stream).
    const QImage& GetBitmap();
    // Picks the decode scale that shows the picture inside a box of the given size; true when reduced.
    bool ChooseScale(int boxWidth, int boxHeight);
    // Takes a picture from another format reader (no JPEG stream), or shares another engine's stream.
    void AssignPicture(const QImage& bitmap);
    void AssignPicture(const TJPEGImage& other);
    // Takes markers, densities and orientation from the source engine; withFormat adds its restart
    // interval, grayscale, progressive flag, sampling, KeepJPEGDataMask and quantisation tables.
    void CopySourceData(const TJPEGImage& source, bool withFormat);
    // Turns a requested Lossless mode that cannot apply into Original; returns the reasons (bit 0 not
    // a JPEG source, bit 1 the source is already modified, bit 2 modifications are still to apply).
    // Acts only once after a profile was applied.
    int ResolveLosslessMode();
    // Re-encodes the source engine's stream without decoding: a rotation entry (ModifyType 7, Value1_
    // 1 90° clockwise, 2 270°, 3 180°) is applied, anything else copies. The new stream replaces the
    // source engine's (replaceSource) or this engine's. Errors throw EJPEG and replace nothing.
    void LosslessRotate(const vantorel::ModificationEntry& entry, bool replaceSource);
    // The same for one of the eight EXIF orientation transforms (1..8).
    void LosslessTransform(int orientationTransform, bool replaceSource);
    // EXIF tags of the stored APP1 text, one "Exif.Group.Name=value" line each.
    std::vector<std::string> ExifTags() const;
    const std::string& SourceComments() const { return m_markerTexts[vantorel::kCommentMarkerIndex]; }
    // The source's EXIF orientation class: 0 upright, 1 upside down, 2 needs 90° clockwise, 3 needs
    // 270° clockwise; and the orientation value itself (1..8).
    int OrientationClass() const;
    int Orientation() const { return m_orientation; }
    // Rewrites the stored APP1 text with this engine's size, densities and the orientation that the
    // applied rotation leaves; errors leave it as it was.
    void UpdateExif(int width, int height);
    // Set: decoding is skipped while a decoded bitmap with a size exists.
    bool KeepBitmap = false;

    // Encodes once, or runs the target search when a target is enabled in the Free mode. Errors
    // leave the result as the encode left it (see LastError); cancellation propagates from a single
    // encode, and ends a search quietly with the previous result restored.
    void Compress();
    // One complete encode. A codec or other error empties the result (LastError tells why);
    // OperationAborted (raised by the progress handler) propagates and keeps the previous result.
    void EncodeOnce();

    const TJPEGDataPtr& Data() const { return m_data; }
    int ResultSize() const { return m_data ? static_cast<int>(m_data->Stream.size()) : 0; }
    int Width() const;
    int Height() const;
    void SetWidth(int width);   // always fails: "Cannot change the size of a JPEG image"
    void SetHeight(int height); // always fails
    bool Empty() const;
    // True when both engines share the same JPEG data.
    bool Equals(const TJPEGImage& other) const { return m_data && m_data == other.m_data; }

    int CurrentRatio() const;
    void SetTargetRatio(float ratio);
    void SetTargetSize(int kb);
    void SetTargetKind(vantorel::TargetKind kind) { S().Target = kind; }
    bool TargetEnabled() const { return S().TargetEnabled; }
    void SetTargetEnabled(bool enabled) { S().TargetEnabled = enabled; }
    void SetPrecision(int value);
    int GetPrecision() const;

    // Writes the stream's bytes, encoding first when there is none.
    void SaveToStream(QIODevice& stream);
    // The picture container's persistence: a 4-byte little-endian length, then the stream.
    void WriteData(QIODevice& stream);

    // --- markers, source data -------------------------------------------------------------------
    std::array<std::string, vantorel::kMarkerTextCount>& MarkerTexts() { return m_markerTexts; }
    const std::array<std::string, vantorel::kMarkerTextCount>& MarkerTexts() const { return m_markerTexts; }
    bool HasExif() const;
    void SetSourceTables(std::vector<std::array<std::uint8_t, 64>> tables, bool sourceIsJpeg);
    const std::vector<std::array<std::uint8_t, 64>>& SourceTables() const { return m_sourceTables; }
    bool SourceIsJpeg() const { return m_sourceIsJpeg; }
    // The attached source engine of a document's result engine (not owned; may be null).
    void AttachSource(TJPEGImage* source) { m_sourceEngine = source; }
    TJPEGImage* AttachedSource() const { return m_sourceEngine; }

    // --- selection, overlays, modifications ------------------------------------------------------
    std::vector<vantorel::SelectionUnit>& SelectionUnits() { return m_units; }
    const std::vector<vantorel::SelectionUnit>& SelectionUnits() const { return m_units; }
    std::vector<std::unique_ptr<TOverlay>>& Overlays() { return m_overlays; }
    const std::vector<std::unique_ptr<TOverlay>>& Overlays() const { return m_overlays; }
    TModifyImage& Modifications() { return m_modifications; }
    const TModifyImage& Modifications() const { return m_modifications; }
    // The 1-bit selection bitmap for the current picture size, drawn by OnDrawSelection.
    QImage DrawSelection(int width, int height) const;
    // Draws the selection into the bitmap; the engine's own routine draws its included units.
    std::function<void(QImage& bitmap, int width, int height)> OnDrawSelection;

    // --- results of the last encode --------------------------------------------------------------
    std::vector<std::string> Warnings() const { return m_warnings.Texts(); }
    const std::string& LastError() const { return m_lastError; }
    const vantorel::TJPEGProfile& WorkingProfile() const { return m_working; }
    const vantorel::TJPEGProfile& LastResultProfile() const { return m_lastResult; }
    // The quantisation tables the last encode used (slot 0 luma, 1 chroma, 2..5 area tables).
    const vantorel::QuantTableSet& LastTables() const { return m_lastTables; }

    // Raised with stage, percentage; may throw OperationAborted to cancel the running encode.
    ProgressHandler OnProgress;
    // Called after every encode of a target search with the profile it used.
    std::function<void(const vantorel::TJPEGProfile& working, const TJPEGData& result)> OnSearchPass;
    // The encodes the last target search made.
    int PassCount() const { return m_passCount; }
    bool Searching() const { return m_searching; }
    // 0 = one thread per core.
    int Threads = 0;
    // Running progress is reported at most this often (milliseconds).
    int ProgressIntervalMs = 120;

    // The ratio as the status shows it: tens above 50, fives above 8, else whole numbers (at least 1).
    static int RoundRatio(float rawRatio);

private:
    void ReportProgress(vantorel::ProgressStage stage, int percent, bool force, int attemptPercent = -1);
    void ReportPassProgress(long counter, long limit, int completed, int total);
    void SearchTarget();
    void EncodeLossless(int width, int height);
    void ReadHeaderFields();
    void DecoderSetup(vantorel::JpegReader& reader);
    const TJPEGImage& LosslessSource() const;
    std::vector<vantorel::JpegMarker> BuildMarkers() const;
    int CountColours(const QImage& bitmap);
    int PixelWidth() const;
    int PixelHeight() const;

    vantorel::EngineSettings& S() { return OnJobThread() ? m_jobSettings : m_settings; }
    const vantorel::EngineSettings& S() const { return OnJobThread() ? m_jobSettings : m_settings; }
    bool OnJobThread() const { return m_inJob && m_jobThread.load() == std::this_thread::get_id(); }

    vantorel::EngineSettings m_settings;
    vantorel::EngineSettings m_jobSettings; // the job's copy, from BeginJob to EndJob
    bool m_inJob = false;                   // written by the owner only while no worker runs
    std::atomic<std::thread::id> m_jobThread{};
    std::pair<float, std::int32_t> m_targetAtJobStart{}; // ratio and size when the job began
    QImage m_source;
    TPixelView m_sourceView;
    QImage m_decoded;
    TJPEGDataPtr m_data;
    std::array<std::string, vantorel::kMarkerTextCount> m_markerTexts;
    std::vector<std::array<std::uint8_t, 64>> m_sourceTables;
    bool m_sourceIsJpeg = false;
    int m_colourCount = 0; // distinct colours of the source, 0 = not counted
    TJPEGImage* m_sourceEngine = nullptr;
    std::vector<vantorel::SelectionUnit> m_units;
    std::vector<std::unique_ptr<TOverlay>> m_overlays;
    TModifyImage m_modifications{this};
    bool m_profileApplied = false;

    vantorel::TJPEGProfile m_working;
    vantorel::TJPEGProfile m_lastResult;
    vantorel::QuantTableSet m_lastTables;
    vantorel::WarningList m_warnings;
    vantorel::CoefficientStore m_coefficients;
    std::string m_lastError;
    int m_lastPercent = -1;
    int m_lastAttemptPercent = -1;
    long long m_lastReportMs = 0;

    // loading state
    bool m_markerReload = true;
    int m_orientation = 1; // EXIF orientation of the source, 1..8

    // target search state
    bool m_searching = false;
    int m_passCount = 0;
    bool m_prefilterActive = false;
    vantorel::DctCache m_dctCache;
};
