// The work done for one picture.
#include "PictureJob.h"

#include "Bitmap24.h"
#include "EngineError.h"
#include "PictureLoader.h"
#include "ProfileText.h"
#include "ResampleProc.h"
#include "TJPEGImage.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace vantorel {

void ApplyRecordedModifications(TJPEGImage& engine, std::vector<std::string>& warnings) {
    TModifyImage& list = engine.Modifications();
    for (int i = list.Count(); i >= 1; --i) {
        ModificationEntry& entry = list.Entry(i);
        if (entry.Applied)
            continue;
        const int kind = entry.ModifyType;
        if (kind == 8 || kind == 9) {
            warnings.push_back(kind == 8 ? "the profile's crop is drawn by hand in an image window; it was left out"
                                         : "the profile's red-eye removal is done by hand in an image window; it was "
                                           "left out");
            list.DeleteModification(i);
            continue;
        }
        if (kind == 0) {
            const ResizeParams params = engine.Settings().Resizing.Params();
            const QImage& source = engine.SourceBitmap();
            if (engine.Settings().CompressionMode != 2 && HasPixels(source) &&
                !ResampleIsNoOp(params, source.width(), source.height())) {
                const QSize size = ComputeTargetSize(params, source.width(), source.height());
                QImage resized = MakeBitmap24(size.width(), size.height());
                if (resized.isNull())
                    throw EngineError("not enough memory for a picture of " + std::to_string(size.width()) + " x " +
                                      std::to_string(size.height()) + " pixels");
                Resample(source, resized, params.Method, params.Fidelity, {});
                engine.SetSource(resized);
                for (const auto& overlay : engine.Overlays())
                    overlay->Flags |= TOverlay::kContentChanged | TOverlay::kPositionChanged; // a pending reload stays
            }
            entry.Applied = 1;
            continue;
        }
        list.ApplyModification(i);
        if (engine.Settings().CompressionMode != 2 || kind == kRotationModification)
            engine.SetSource(engine.DecodedBitmap());
        engine.SetDecodedBitmap(QImage());
        if (kind == kRotationModification)
            for (const auto& overlay : engine.Overlays())
                overlay->Flags |= TOverlay::kContentChanged | TOverlay::kPositionChanged; // a pending reload stays
    }
}

PictureResult ProcessPicture(const QString& path, const PictureJobSettings& settings) {
    PictureResult result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.Error = "no such file";
        return result;
    }
    if (info.isDir()) {
        result.Error = "is a folder, not a picture";
        return result;
    }
    // Opening a pipe would wait for a writer, and a device never ends.
    if (struct stat status{}; ::stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISREG(status.st_mode)) {
        result.Error = "not a regular file";
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.Error = "cannot open: " + file.errorString().toStdString();
        return result;
    }
    const QByteArray head = file.peek(3);
    const bool jpeg = head.size() == 3 && static_cast<std::uint8_t>(head[0]) == 0xFF &&
                      static_cast<std::uint8_t>(head[1]) == 0xD8 && static_cast<std::uint8_t>(head[2]) == 0xFF;

    // As in an image window: a source engine holds the file, the result engine is compressed.
    TJPEGImage source;
    TJPEGImage engine;
    engine.Threads = settings.Threads;
    TJPEGProfile p;
    try {
        p = ReadProfileText(settings.ProfileText, engine.GetProfile(), settings.ProfileName);
    } catch (const std::exception& e) {
        result.Error = e.what();
        return result;
    }
    p.MatchMask |= settings.ForcedMatchBits;
    if (settings.NoAutoRotate)
        p.DoAutoRotate = 0;
    QImage picture;
    if (jpeg) {
        try {
            const QByteArray bytes = file.readAll();
            source.Settings().DoAutoRotate = p.DoAutoRotate != 0;
            source.LoadFromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
            picture = source.GetBitmap();
        } catch (const std::exception& e) {
            result.Error = std::string("cannot read JPEG file: ") + e.what();
            return result;
        }
        result.Warnings = source.Warnings();
        engine.AttachSource(&source);
        engine.CopySourceData(source, true);
    } else {
        file.close();
        try {
            ImageFileInfo fileInfo;
            picture = LoadPictureWithInfo(path, false, fileInfo);
        } catch (const std::exception& e) {
            // The loader's message names the file; the caller adds the name itself.
            std::string message = e.what();
            const std::string prefix = "Cannot read " + path.toStdString() + ": ";
            if (message.rfind(prefix, 0) == 0)
                message = message.substr(prefix.size());
            result.Error = "cannot read picture: " + message;
            return result;
        }
    }
    engine.SetSource(picture);
    engine.ApplyProfile(p);
    if (settings.KeepJPEGDataMask >= 0)
        engine.Settings().KeepJPEGDataMask = settings.KeepJPEGDataMask;
    if (settings.Mode >= 0)
        engine.Settings().CompressionMode = static_cast<std::uint8_t>(settings.Mode);
    if (const int reasons = engine.ResolveLosslessMode(); reasons & 1)
        result.Warnings.push_back("the Lossless mode needs a JPEG source; the Original mode is used");
    try {
        ApplyRecordedModifications(engine, result.Warnings);
    } catch (const std::exception& e) {
        result.Error = std::string("cannot modify the picture: ") + e.what();
        return result;
    }
    if (settings.TargetSizeKb > 0) {
        engine.SetTargetKind(TargetKind::kFileSize);
        engine.SetTargetEnabled(true);
        engine.Settings().ComprRatio = 0; // a size target is pursued as the ratio it gives
        engine.SetTargetSize(settings.TargetSizeKb);
    } else if (settings.TargetRatio > 0) {
        engine.SetTargetKind(TargetKind::kRatio);
        engine.SetTargetEnabled(true);
        engine.SetTargetRatio(static_cast<float>(settings.TargetRatio));
    }
    result.Searched = engine.TargetEnabled() && engine.Settings().CompressionMode == 0;
    engine.Compress();
    for (const std::string& w : engine.Warnings())
        result.Warnings.push_back(w);
    if (engine.ResultSize() == 0) {
        result.Error =
            "encoding failed: " + (engine.LastError().empty() ? std::string("no result") : engine.LastError());
        return result;
    }
    result.Stream = engine.Data()->Stream;
    result.Width = engine.Data()->Width;
    result.Height = engine.Data()->Height;
    result.Passes = result.Searched ? engine.PassCount() : 0;
    return result;
}

} // namespace vantorel
