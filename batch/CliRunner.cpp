// The work of vantorel-cli.
#include "CliRunner.h"

#include "ProfileText.h"
#include "TJPEGImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>

#include <cstdio>
#include <set>

namespace vantorel {

namespace {

// Room for the largest picture the engine accepts (268,402,689 pixels of 4 bytes).
constexpr int kImageAllocationLimitMb = 1100;

struct ProfileSource {
    std::string text; // --set lines first (the first line of a key wins), then the profile file
    std::string name;
    std::uint32_t forcedBits = 0; // parts named by --set keys
    bool setsMatchMask = false;
};

bool ReadProfileSource(const CliOptions& options, ProfileSource& source, std::ostream& err) {
    for (const std::string& line : options.SetLines) {
        source.text += line + "\r\n";
        const std::string key = line.substr(0, line.find('='));
        source.forcedBits |= MatchBitsOfKey(key);
        QString lowered = QString::fromStdString(key).toLower();
        if (lowered == "matchmask")
            source.setsMatchMask = true;
    }
    if (options.ProfileFile.empty())
        return true;
    const QString name = QString::fromStdString(options.ProfileFile);
    QFile file(name);
    if (QFileInfo(name).isDir() || !file.open(QIODevice::ReadOnly)) {
        err << "vantorel-cli: " << options.ProfileFile << ": cannot open profile: "
            << (QFileInfo(name).isDir() ? std::string("it is a folder") : file.errorString().toStdString()) << "\n";
        return false;
    }
    const QByteArray bytes = file.read(kMaxProfileFileSize + 1);
    if (bytes.size() > kMaxProfileFileSize) {
        err << "vantorel-cli: " << options.ProfileFile << ": profile file is too large (over 1 MiB)\n";
        return false;
    }
    source.text += std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    source.name = QFileInfo(name).completeBaseName().toStdString();
    return true;
}

std::string FormatRatio(double ratio) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f:1", ratio);
    return buffer;
}

} // namespace

int RunCli(const CliOptions& options, std::ostream& out, std::ostream& err) {
    const QString outDir = QString::fromStdString(options.OutputDir);
    if (!QFileInfo(outDir).isDir()) {
        err << "vantorel-cli: " << options.OutputDir << ": output folder does not exist\n";
        return 2;
    }
    ProfileSource profile;
    if (!ReadProfileSource(options, profile, err))
        return 2;
    // Check the profile once before any file is touched.
    try {
        TJPEGImage probe;
        ReadProfileText(profile.text, probe.GetProfile(), profile.name);
    } catch (const std::exception& e) {
        err << "vantorel-cli: " << (options.ProfileFile.empty() ? std::string("--set") : options.ProfileFile) << ": "
            << e.what() << "\n";
        return 2;
    }

    QImageReader::setAllocationLimit(kImageAllocationLimitMb);
    std::set<QString> written;
    int failed = 0;
    for (const std::string& input : options.Inputs) {
        const QString inputName = QString::fromStdString(input);
        const auto fail = [&](const std::string& reason) {
            err << "vantorel-cli: " << input << ": " << reason << "\n";
            ++failed;
        };
        const QFileInfo info(inputName);
        if (!info.exists()) {
            fail("no such file");
            continue;
        }
        if (info.isDir()) {
            fail("is a folder, not a picture");
            continue;
        }
        const QString outputName = QDir(outDir).filePath(info.completeBaseName() + ".jpg");
        const QString outputKey = QFileInfo(outputName).absoluteFilePath();
        if (written.count(outputKey)) {
            fail("result " + outputName.toStdString() + " was already written for an earlier input; skipped");
            continue;
        }
        QFile inputFile(inputName);
        if (!inputFile.open(QIODevice::ReadOnly)) {
            fail("cannot open: " + inputFile.errorString().toStdString());
            continue;
        }
        const QByteArray head = inputFile.peek(3);
        const bool jpeg = head.size() == 3 && static_cast<std::uint8_t>(head[0]) == 0xFF &&
                          static_cast<std::uint8_t>(head[1]) == 0xD8 && static_cast<std::uint8_t>(head[2]) == 0xFF;

        // As in an image window: a source engine holds the file, the result engine is compressed.
        TJPEGImage source;
        TJPEGImage engine;
        TJPEGProfile p;
        try {
            p = ReadProfileText(profile.text, engine.GetProfile(), profile.name);
        } catch (const std::exception& e) {
            fail(e.what());
            continue;
        }
        if (!profile.setsMatchMask)
            p.MatchMask |= profile.forcedBits;
        QImage picture;
        if (jpeg) {
            try {
                const QByteArray bytes = inputFile.readAll();
                source.Settings().DoAutoRotate = !options.NoAutoRotate && p.DoAutoRotate != 0;
                source.LoadFromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
                picture = source.GetBitmap();
            } catch (const std::exception& e) {
                fail(std::string("cannot read JPEG file: ") + e.what());
                continue;
            }
            for (const std::string& warning : source.Warnings())
                err << "vantorel-cli: " << input << ": warning: " << warning << "\n";
            engine.AttachSource(&source);
            engine.CopySourceData(source, true);
        } else {
            QImageReader reader(&inputFile);
            reader.setAutoTransform(false);
            picture = reader.read();
            if (picture.isNull()) {
                fail("cannot read picture: " + reader.errorString().toStdString());
                continue;
            }
        }
        engine.SetSource(picture);
        if (options.NoAutoRotate)
            p.DoAutoRotate = 0;
        try {
            engine.ApplyProfile(p);
        } catch (const std::exception& e) {
            fail(e.what());
            continue;
        }
        if (options.Mode >= 0)
            engine.Settings().CompressionMode = static_cast<std::uint8_t>(options.Mode);
        if (const int reasons = engine.ResolveLosslessMode(); reasons & 1)
            err << "vantorel-cli: " << input << ": warning: the Lossless mode needs a JPEG source; the Original mode is used\n";
        if (options.TargetSizeKb > 0) {
            engine.SetTargetKind(TargetKind::kFileSize);
            engine.SetTargetEnabled(true);
            engine.Settings().ComprRatio = 0; // a size target is pursued as the ratio it gives
            engine.SetTargetSize(options.TargetSizeKb);
        } else if (options.TargetRatio > 0) {
            engine.SetTargetKind(TargetKind::kRatio);
            engine.SetTargetEnabled(true);
            engine.SetTargetRatio(static_cast<float>(options.TargetRatio));
        }
        const bool searching = engine.TargetEnabled() && engine.Settings().CompressionMode == 0;
        engine.Compress();
        if (engine.ResultSize() == 0) {
            fail("encoding failed: " + (engine.LastError().empty() ? std::string("no result") : engine.LastError()));
            continue;
        }
        QSaveFile file(outputName);
        const auto& bytes = engine.Data()->Stream;
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) !=
                static_cast<qint64>(bytes.size()) ||
            !file.commit()) {
            fail("cannot write " + outputName.toStdString() + ": " + file.errorString().toStdString());
            continue;
        }
        written.insert(outputKey);
        const double ratio = static_cast<double>(picture.width()) * picture.height() * 3 / bytes.size();
        out << input << " -> " << outputName.toStdString() << "  " << bytes.size() << " bytes  " << FormatRatio(ratio);
        if (searching)
            out << "  " << engine.PassCount() << (engine.PassCount() == 1 ? " pass" : " passes");
        out << "\n";
        for (const std::string& warning : engine.Warnings())
            err << "vantorel-cli: " << input << ": warning: " << warning << "\n";
    }
    return failed > 0 ? 1 : 0;
}

} // namespace vantorel
