// The document's loading and job control.
#include "ImageDocument.h"

#include "Bitmap24.h"
#include "MainThreadCall.h"
#include "MonotonicClock.h"
#include "PictureLoader.h"
#include "ResampleProc.h"
#include "SafeFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <climits>

namespace vantorel {

namespace {

const char* const kNoResources = "There are not enough free resources in the system to proceed the current operation. ";

} // namespace

ImageDocument::ImageDocument(const Preferences& preferences, Hooks hooks)
    : m_prefs(preferences), m_hooks(std::move(hooks)) {}

ImageDocument::~ImageDocument() {
    Stop();
    if (m_loader) {
        m_loader->wait();
        m_loader.reset();
        m_busy = false;
    }
    WaitWhileBusy();
}

void ImageDocument::Notify(int code) const {
    if (m_hooks.Notify)
        m_hooks.Notify(code);
}

void ImageDocument::Message(const QString& text) const {
    if (m_hooks.ShowMessage)
        m_hooks.ShowMessage(text);
}

void ImageDocument::SetSource(const QImage& bitmap) {
    m_source = ToBitmap24(bitmap);
    m_engine.SetSource(m_source);
}

bool ImageDocument::LoadFile(const QString& fileName, QString& error) {
    bool result = false;
    auto saved = std::move(m_hooks.Loaded);
    m_hooks.Loaded = [&](bool ok, const QString& text) {
        result = ok;
        error = text;
    };
    BeginLoadFile(fileName);
    while (m_loader)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    m_hooks.Loaded = std::move(saved);
    return result;
}

void ImageDocument::BeginLoadFile(const QString& fileName) {
    Stop();
    WaitWhileBusy();
    m_new = true;
    m_busy = true;
    m_phase = 1;
    m_fileName = fileName;
    m_loadError.clear();
    m_loadedPicture = QImage();
    const bool autoRotate = m_prefs.AutoRotate;
    // Only the loader touches the source engine, the picture and the file record until it ends.
    m_loader.reset(QThread::create([this, fileName, autoRotate] {
        try {
            QFile file(fileName);
            const QFileInfo info(fileName);
            if (!info.isFile() || !file.open(QIODevice::ReadOnly))
                throw EngineError(info.exists() ? "the file cannot be read" : "no such file");
            const QByteArray head = file.peek(3);
            m_loadIsJpeg = head.size() == 3 && static_cast<std::uint8_t>(head[0]) == 0xFF &&
                             static_cast<std::uint8_t>(head[1]) == 0xD8 && static_cast<std::uint8_t>(head[2]) == 0xFF;
            if (m_loadIsJpeg) {
                const QByteArray bytes = file.readAll();
                m_sourceEngine.Settings().DoAutoRotate = autoRotate;
                m_sourceEngine.LoadFromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
                m_sourceEngine.KeepBitmap = false;
                m_loadedPicture = m_sourceEngine.GetBitmap();
                m_loadInfo = ImageFileInfo{};
                m_loadInfo.FileName = fileName;
                m_loadInfo.FileSize = static_cast<std::int32_t>(std::min<qint64>(info.size(), INT32_MAX));
                m_loadInfo.FormatIndex = PictureFormatKind::kJpeg;
                m_loadInfo.FormatName = "JPEG";
                m_loadInfo.BitsPerPixel = m_sourceEngine.Data() && m_sourceEngine.Data()->Grayscale ? 8 : 24;
                m_loadInfo.LastWritten = info.lastModified();
                m_loadInfo.Created = info.birthTime();
                m_loadInfo.TimesRead = true;
            } else {
                file.close();
                m_loadedPicture = LoadPictureWithInfo(fileName, false, m_loadInfo);
            }
            if (!HasPixels(m_loadedPicture))
                throw EngineError("the picture has no pixels");
            m_loadInfo.Width = m_loadedPicture.width();
            m_loadInfo.Height = m_loadedPicture.height();
        } catch (const std::exception& e) {
            m_loadError = QString::fromStdString(e.what());
            m_loadedPicture = QImage();
        }
    }));
    QObject::connect(
        m_loader.get(), &QThread::finished, &m_context, [this] { LoadFinished(); }, Qt::QueuedConnection);
    m_loader->start(TJPEGEngine::PriorityOf(m_prefs.ComprPriority));
}

void ImageDocument::LoadFinished() {
    m_loader->wait();
    m_loader.reset();
    m_busy = false;
    m_phase = 0;
    if (!m_loadError.isEmpty() || !HasPixels(m_loadedPicture)) {
        m_new = false;
        const QString error = "Cannot load an image from  " + m_fileName + " (" + m_loadError + ")";
        if (m_hooks.Loaded)
            m_hooks.Loaded(false, error);
        return;
    }
    m_sourceIsJpeg = m_loadIsJpeg;
    m_fileInfo = std::move(m_loadInfo);
    if (m_sourceIsJpeg) {
        // The engine keeps its own choice of kept segments.
        const std::int32_t keep = m_engine.Settings().KeepJPEGDataMask;
        m_engine.AttachSource(&m_sourceEngine);
        m_engine.CopySourceData(m_sourceEngine, true);
        m_engine.Settings().KeepJPEGDataMask = keep;
    } else if (m_engine.Settings().CompressionMode == 2) {
        m_engine.Settings().CompressionMode = 1;
    }
    SetSource(m_loadedPicture);
    m_loadedPicture = QImage();
    // The window shows the picture first; the main window's refresh and the first compression follow.
    if (m_hooks.Loaded)
        m_hooks.Loaded(true, {});
    EnterView();
}

void ImageDocument::EnterView() {
    // The target follows the new picture's size.
    EngineSettings& s = m_engine.Settings();
    if (m_engine.TargetEnabled()) {
        if (s.TargetFileSize == 0)
            m_engine.SetTargetRatio(s.ComprRatio);
        if (s.ComprRatio == 0)
            m_engine.SetTargetSize(s.TargetFileSize);
    } else {
        m_engine.SetTargetSize(100);
    }
    m_new = false; // the main window's idle pass, which would clear it, has nothing to wait for here
    if (m_correctionView == 0) {
        m_force = true;
        MarkChanged(true);
    } else {
        m_engine.SetDecodedBitmap(m_source.copy());
    }
    Notify(0);
}

void ImageDocument::LoadBitmap(const QImage& picture, const QString& name) {
    m_fileName = name;
    m_sourceIsJpeg = false;
    m_fileInfo = ImageFileInfo{};
    m_fileInfo.FileName = name;
    m_fileInfo.Width = picture.width();
    m_fileInfo.Height = picture.height();
    m_fileInfo.BitsPerPixel = 24;
    m_fileInfo.FormatIndex = PictureFormatKind::kBmp;
    m_fileInfo.FormatName = "BMP";
    if (m_engine.Settings().CompressionMode == 2)
        m_engine.Settings().CompressionMode = 1;
    SetSource(picture);
    EnterView();
}

void ImageDocument::LoadFromDocument(const ImageDocument& other) {
    m_fileName = other.m_fileName;
    m_fileInfo = other.m_fileInfo;
    m_sourceIsJpeg = other.m_sourceIsJpeg;
    m_resampled = other.m_resampled;
    LevelsTied = other.LevelsTied;
    SelLevelsTied = other.SelLevelsTied;
    KeepFileDate = other.KeepFileDate;
    if (other.m_sourceIsJpeg && other.m_engine.AttachedSource()) {
        // The JPEG data comes along (the Lossless mode needs it); it is upright already.
        const TJPEGImage& source = *other.m_engine.AttachedSource();
        if (source.Data() && !source.Data()->Stream.empty()) {
            m_sourceEngine.Settings().DoAutoRotate = false;
            m_sourceEngine.LoadFromBytes(source.Data()->Stream);
        }
        m_sourceEngine.CopySourceData(source, true);
        m_sourceEngine.KeepBitmap = true;
        const std::int32_t keep = m_engine.Settings().KeepJPEGDataMask;
        m_engine.AttachSource(&m_sourceEngine);
        m_engine.CopySourceData(m_sourceEngine, true);
        m_engine.Settings().KeepJPEGDataMask = keep;
    }
    TJPEGProfile profile = other.m_engine.GetProfile();
    for (int i = 0; i < profile.NumModifiers; ++i)
        profile.Modifiers[static_cast<std::size_t>(i)].Applied = 1;
    m_engine.ApplyProfile(profile);
    m_engine.ClearProfileApplied();
    Units = other.Units;
    CurrentRotation = other.CurrentRotation;
    LosslessRotation = other.LosslessRotation;
    SetSource(other.m_source);
    EnterView();
}

bool ImageDocument::WriteResult(const QString& target, QString& error) const {
    if (!m_engine.Data() || m_engine.ResultSize() == 0) {
        error = "there is no result to save";
        return false;
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    try {
        const_cast<TJPEGImage&>(m_engine).SaveToStream(buffer);
    } catch (const std::exception& e) {
        error = QString::fromStdString(e.what());
        return false;
    }
    const QByteArray& bytes = buffer.data();
    error = WriteFileSafely(target, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    if (!error.isEmpty())
        return false;
    if (KeepFileDate && m_fileInfo.LastWritten.isValid()) {
        QFile file(target);
        if (file.open(QIODevice::ReadWrite))
            file.setFileTime(m_fileInfo.LastWritten, QFileDevice::FileModificationTime);
    }
    return true;
}

bool ImageDocument::LosslessAllowed() const {
    if (!m_sourceIsJpeg)
        return false;
    const TModifyImage& list = m_engine.Modifications();
    for (int i = 1; i <= list.Count(); ++i)
        if (list.Entry(i).ModifyType != 7)
            return false;
    return true;
}

int ImageDocument::LosslessAlignment(int currentRotation, int losslessRotation) {
    static constexpr int kCodes[4][4] = {{0, 2, 1, 3}, {1, 0, 3, 2}, {2, 3, 0, 1}, {3, 1, 2, 0}};
    if (currentRotation < 0 || currentRotation > 3 || losslessRotation < 0 || losslessRotation > 3)
        return 0;
    return kCodes[currentRotation][losslessRotation];
}

void ImageDocument::MarkChanged(bool changed) {
    if (changed) {
        Saved = false;
        ++m_changeCounter;
        m_lastChange = MonotonicMs();
    } else {
        m_changeCounter = 0;
    }
    m_stopped = false;
    if (m_changeCounter <= 1)
        Notify(1);
}

bool ImageDocument::RecompressionDue(bool correctionMode) const {
    if (m_busy || m_new || m_changeCounter == 0 || (m_stopped && !m_force))
        return false;
    if (m_force)
        return true;
    const long long delay = correctionMode ? 50 : m_prefs.ComprDelay;
    return MonotonicMs() - m_lastChange > delay;
}

void ImageDocument::StartJob() {
    if (m_busy)
        return;
    IdleWork();
    m_attemptPercent = -1;
    m_changeCounter = 1;
    m_busy = true;
    TModifyImage& list = m_engine.Modifications();
    // Crops and red-eye removals of a profile are drawn by hand: they only ask for their tool.
    for (int i = list.Count(); i >= 1; --i) {
        const ModificationEntry& e = list.Entry(i);
        if (e.Applied || (e.ModifyType != 8 && e.ModifyType != 9))
            continue;
        (e.ModifyType == 8 ? m_cropRequest : m_redEyeRequest) = true;
        list.DeleteModification(i);
    }
    if ((m_cropRequest || m_redEyeRequest) && !list.HasUnapplied()) {
        m_busy = false;
        return;
    }
    for (int i = list.Count(); i >= 1; --i) {
        ModificationEntry& e = list.Entry(i);
        if (e.Applied)
            continue;
        if (e.ModifyType == 0) {
            const ResizeParams group = m_engine.Settings().Resizing.Params();
            e.Applied = 1;
            if (!m_resampled && !ResampleIsNoOp(group, m_source.width(), m_source.height())) {
                m_resampled = true;
                StartResample(group);
                return;
            }
            continue; // nothing to do for this picture
        }
        if (!HasPixels(m_engine.DecodedBitmap()))
            m_engine.SetDecodedBitmap(MakeBitmap24(m_source.width(), m_source.height()));
        m_modificationApplied = true;
        m_modificationJob = i;
        StartEngine(i);
        return;
    }
    StartEngine(m_correctionView == 0 ? -1 : 0);
}

void ImageDocument::StartEngine(int job) {
    m_engine.SetSource(m_source);
    m_engine.SelectionUnits() = Units;
    // The job works on a copy of the settings, so that the panels can go on editing them.
    m_engine.BeginJob();
    m_phase = job < 0 ? 0 : 6;
    m_worker = std::make_unique<TJPEGEngine>(
        m_engine, job, [this](TJPEGEngine& sender, std::uint8_t phase, int percent) {
            m_attemptPercent = sender.AttemptPercent();
            OnProgress(phase, percent);
        });
    QObject::connect(
        m_worker.get(), &QThread::finished, &m_context, [this] { CompressionFinished(); }, Qt::QueuedConnection);
    ++m_jobsStarted;
    m_worker->start(TJPEGEngine::PriorityOf(m_prefs.ComprPriority));
}

void ImageDocument::StartResample(const ResizeParams& group) {
    const QSize size = ComputeTargetSize(group, m_source.width(), m_source.height());
    QImage destination = MakeBitmap24(size.width(), size.height());
    if (destination.isNull()) {
        m_busy = false;
        Message(kNoResources);
        return;
    }
    m_phase = 2;
    m_resampler = std::make_unique<TResampleEngine>(
        m_source, destination, group.Method, group.Fidelity,
        [this](TResampleEngine&, std::uint8_t phase, int percent) { OnProgress(phase, percent); });
    QObject::connect(
        m_resampler.get(), &QThread::finished, &m_context, [this] { ResampleFinished(); }, Qt::QueuedConnection);
    ++m_jobsStarted;
    m_resampler->start();
}

void ImageDocument::OnProgress(std::uint8_t phase, int percent) {
    m_phase = phase;
    m_percent = percent;
    if (phase == 1 && m_hooks.ResultChanged)
        m_hooks.ResultChanged(); // the result shows while it is decoded
    Notify(1);
}

void ImageDocument::CompressionFinished() {
    const std::unique_ptr<TJPEGEngine> worker = std::move(m_worker);
    worker->wait();
    m_engine.EndJob();
    const bool aborted = worker->Aborted();
    if (!aborted)
        --m_changeCounter;
    m_busy = false;
    m_force = false;
    m_percent = 0;
    m_stopped = aborted;
    const bool hasBitmap = HasPixels(m_engine.DecodedBitmap());
    if (hasBitmap && (m_engine.ResultSize() > 0 || m_correctionView == 1 || m_modificationApplied)) {
        m_resultSize = m_engine.ResultSize();
        if (m_hooks.ResultChanged)
            m_hooks.ResultChanged();
        if (m_modificationApplied) {
            m_modificationApplied = false;
            // A rotation turns the picture; in the Lossless mode it turned the JPEG data too.
            TModifyImage& list = m_engine.Modifications();
            if (m_modificationJob >= 1 && m_modificationJob <= list.Count() &&
                list.Entry(m_modificationJob).ModifyType == kRotationModification) {
                CurrentRotation = ComposeRotation(CurrentRotation, list.Entry(m_modificationJob).Value1_);
                if (m_engine.Settings().CompressionMode == 2)
                    LosslessRotation = CurrentRotation;
            }
            AdoptResult(false);
            if (m_correctionView == 0) {
                m_force = true;
                MarkChanged(true);
            }
        }
    } else {
        m_resultSize = 0;
    }
    Notify(1);
    if (!hasBitmap && !aborted)
        Message(kNoResources);
}

void ImageDocument::ResampleFinished() {
    const std::unique_ptr<TResampleEngine> resampler = std::move(m_resampler);
    m_busy = false;
    m_percent = 0;
    const bool aborted = resampler->Aborted();
    const bool failed = resampler->Failed() || aborted;
    if (!aborted)
        m_engine.Modifications().AddModification(0, 0, 0, 0, true, false);
    Notify(1);
    if (!failed) {
        SetSource(resampler->Destination());
        m_engine.SetDecodedBitmap(QImage());
        for (const auto& overlay : m_engine.Overlays())
            overlay->Flags |= TOverlay::kContentChanged | TOverlay::kPositionChanged;
        m_force = true;
        MarkChanged(true);
        return;
    }
    if (aborted) {
        m_force = false;
        m_resampled = false;
        m_stopped = true;
    } else {
        Message(kNoResources);
    }
}

void ImageDocument::AdoptResult(bool commit) {
    if (commit)
        m_engine.Modifications().CommitPending();
    SetSource(m_engine.DecodedBitmap());
    // The edited picture replaces what the source engine would decode again.
    if (m_engine.AttachedSource())
        m_engine.AttachedSource()->KeepBitmap = true;
}

void ImageDocument::Stop() {
    if (!m_busy)
        return;
    if (m_worker && m_phase == 0)
        m_worker->RequestTerminate();
    if (m_resampler)
        m_resampler->RequestTerminate();
}

void ImageDocument::WaitWhileBusy() {
    while (m_busy)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void ImageDocument::SetCorrectionView(int view) {
    if (view == m_correctionView)
        return;
    if (m_busy && m_correctionView == 0) {
        Stop();
        WaitWhileBusy();
    }
    m_correctionView = view;
    if (view == 0) {
        m_force = true;
        MarkChanged(true);
    } else {
        m_force = m_engine.Modifications().HasUnapplied();
        if (m_force)
            MarkChanged(true);
        m_engine.SetDecodedBitmap(m_source.copy());
    }
    if (m_hooks.ResultChanged)
        m_hooks.ResultChanged();
}

namespace {

// Rotation codes as quarter turns clockwise, and back.
int QuarterTurns(int code) { return code == 1 ? 1 : code == 2 ? 3 : code == 3 ? 2 : 0; }
int RotationCode(int quarterTurns) {
    static constexpr int kCodes[4] = {0, 1, 3, 2};
    return kCodes[((quarterTurns % 4) + 4) % 4];
}

} // namespace

int ImageDocument::ComposeRotation(int first, int then) {
    return RotationCode(QuarterTurns(first) + QuarterTurns(then));
}

void ImageDocument::IdleWork() {
    // While a job or the load runs the engine belongs to the worker.
    if (m_busy || !m_engine.ProfileApplied())
        return;
    m_profileWarnings |= m_engine.ResolveLosslessMode();
}

QString ImageDocument::TakeProfileWarnings() {
    static const char* const kTexts[] = {
        "The compression mode set with the profile cannot be applied for this source image format.",
        "The compression mode set with the profile cannot be applied because the source image has been modified.",
        "Some picture modifications requested by the set profile cannot be applied because the current "
        "compression mode does not allow them.",
    };
    QStringList lines;
    for (int bit = 0; bit < 3; ++bit)
        if (m_profileWarnings & (1 << bit))
            lines << QString::fromLatin1(kTexts[bit]);
    m_profileWarnings = 0;
    return lines.join(QStringLiteral("\r\n"));
}

void ImageDocument::SetCompressionMode(int mode) {
    if (mode == m_engine.Settings().CompressionMode)
        return;
    m_engine.Settings().CompressionMode = static_cast<std::uint8_t>(mode);
    if (mode == 2 && CurrentRotation != LosslessRotation && m_engine.AttachedSource()) {
        // The JPEG data still has the lossless rotation: turn it, without recording, to the picture's.
        ModificationEntry turn;
        turn.ModifyType = kRotationModification;
        turn.Value1_ = LosslessAlignment(CurrentRotation, LosslessRotation);
        try {
            m_engine.LosslessRotate(turn, true);
            LosslessRotation = CurrentRotation;
        } catch (const std::exception& e) {
            Message(QString::fromStdString(e.what()));
        }
    }
    m_force = true;
    MarkChanged(true);
    if (m_hooks.ResultChanged)
        m_hooks.ResultChanged();
}

} // namespace vantorel
