// The work of vantorel-cli.
#include "CliRunner.h"

#include "PictureJob.h"
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
        PictureJobSettings job;
        job.ProfileText = profile.text;
        job.ProfileName = profile.name;
        job.ForcedMatchBits = profile.setsMatchMask ? 0 : profile.forcedBits;
        job.Mode = options.Mode;
        job.TargetSizeKb = options.TargetSizeKb;
        job.TargetRatio = options.TargetRatio;
        job.NoAutoRotate = options.NoAutoRotate;
        const PictureResult picture = ProcessPicture(inputName, job);
        for (const std::string& warning : picture.Warnings)
            err << "vantorel-cli: " << input << ": warning: " << warning << "\n";
        if (picture.Stream.empty()) {
            fail(picture.Error);
            continue;
        }
        QSaveFile file(outputName);
        const auto& bytes = picture.Stream;
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) !=
                static_cast<qint64>(bytes.size()) ||
            !file.commit()) {
            fail("cannot write " + outputName.toStdString() + ": " + file.errorString().toStdString());
            continue;
        }
        written.insert(outputKey);
        const double ratio = static_cast<double>(picture.Width) * picture.Height * 3 / bytes.size();
        out << input << " -> " << outputName.toStdString() << "  " << bytes.size() << " bytes  " << FormatRatio(ratio);
        if (picture.Searched)
            out << "  " << picture.Passes << (picture.Passes == 1 ? " pass" : " passes");
        out << "\n";
    }
    return failed > 0 ? 1 : 0;
}

} // namespace vantorel
