// The document's loading and job control.
#include "ImageDocument.h"

#include "Bitmap24.h"
#include "MainThreadCall.h"
#include "MonotonicClock.h"
#include "PictureLoader.h"
#include "ResampleProc.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace vantorel {

namespace {

const char* const kNoResources = "There are not enough free resources in the system to proceed the current operation. ";

} // namespace

ImageDocument::ImageDocument(const Preferences& preferences, Hooks hooks)
    : m_prefs(preferences), m_hooks(std::move(hooks)) {}

ImageDocument::~ImageDocument() {
    Stop();
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
    m_new = true;
    m_fileName = fileName;
    QImage picture;
    try {
        QFile file(fileName);
        const QFileInfo info(fileName);
        if (!info.isFile() || !file.open(QIODevice::ReadOnly))
            throw EngineError(info.exists() ? "the file cannot be read" : "no such file");
        const QByteArray head = file.peek(3);
        const bool jpeg = head.size() == 3 && static_cast<std::uint8_t>(head[0]) == 0xFF &&
                          static_cast<std::uint8_t>(head[1]) == 0xD8 && static_cast<std::uint8_t>(head[2]) == 0xFF;
        if (jpeg) {
            const QByteArray bytes = file.readAll();
            m_sourceEngine.Settings().DoAutoRotate = m_prefs.AutoRotate;
            m_sourceEngine.LoadFromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
            m_sourceEngine.KeepBitmap = false;
            picture = m_sourceEngine.GetBitmap();
            // The engine keeps its own choice of kept segments.
            const std::int32_t keep = m_engine.Settings().KeepJPEGDataMask;
            m_engine.AttachSource(&m_sourceEngine);
            m_engine.CopySourceData(m_sourceEngine, true);
            m_engine.Settings().KeepJPEGDataMask = keep;
        } else {
            file.close();
            ImageFileInfo info24;
            picture = LoadPictureWithInfo(fileName, false, info24);
            if (m_engine.Settings().CompressionMode == 2)
                m_engine.Settings().CompressionMode = 1;
        }
        if (!HasPixels(picture))
            throw EngineError("the picture has no pixels");
    } catch (const std::exception& e) {
        m_new = false;
        error = "Cannot load an image from  " + fileName + " (" + QString::fromStdString(e.what()) + ")";
        return false;
    }
    SetSource(picture);
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
    }
    Notify(0);
    return true;
}

void ImageDocument::MarkChanged(bool changed) {
    if (changed) {
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
    if (m_engine.ProfileApplied())
        m_engine.ResolveLosslessMode();
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
        StartEngine(i);
        return;
    }
    StartEngine(m_correctionView == 0 ? -1 : 0);
}

void ImageDocument::StartEngine(int job) {
    m_engine.SetSource(m_source);
    m_phase = job < 0 ? 0 : 6;
    m_worker = std::make_unique<TJPEGEngine>(
        m_engine, job, [this](TJPEGEngine&, std::uint8_t phase, int percent) { OnProgress(phase, percent); });
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

void ImageDocument::SetCompressionMode(int mode) {
    if (mode == m_engine.Settings().CompressionMode)
        return;
    m_engine.Settings().CompressionMode = static_cast<std::uint8_t>(mode);
    m_force = true;
    MarkChanged(true);
    if (m_hooks.ResultChanged)
        m_hooks.ResultChanged();
}

} // namespace vantorel
