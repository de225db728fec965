// The work of vantorel-cli.
#include "CliRunner.h"

#include "FileCollection.h"
#include "HeadlessApplication.h"
#include "PictureLoader.h"
#include "PictureJob.h"
#include "SettingsStore.h"
#include "SharingProtocol.h"
#include "TBatchProcess.h"
#include "TGetGalListProcess.h"
#include "WebUpload.h"
#include "ProfileText.h"
#include "TJPEGImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <sstream>
#include <cstdio>

#include <unistd.h>

namespace vantorel {

namespace {

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

namespace {

ServiceAddresses Addresses(const CliOptions& options) {
    ServiceAddresses addresses = ServiceAddresses::FromSettings(SettingsStore());
    if (!options.ServiceUrl.empty()) {
        QString base = QString::fromStdString(options.ServiceUrl);
        while (base.endsWith('/'))
            base.chop(1);
        addresses.SharingBase = addresses.HostingBase = base;
    }
    return addresses;
}

int ListGalleries(const CliOptions& options, std::ostream& out, std::ostream& err) {
    const QString id = ParseSharingID(QString::fromStdString(options.SharingId));
    if (id.isEmpty()) {
        err << "vantorel-cli: '" << options.SharingId << "' is not a photo sharing ID\n";
        return 2;
    }
    TGetGalListProcess list(id, Addresses(options), nullptr);
    list.Wait();
    if (list.State() != 2) {
        err << "vantorel-cli: " << list.ResultText().toStdString() << "\n";
        return 1;
    }
    for (const QString& line : list.ResultText().split("\r\n", Qt::SkipEmptyParts))
        out << DecodeNumericEntities(line).toStdString() << "\n";
    return 0;
}

} // namespace

bool CliNeedsFonts(const CliOptions& options) {
    ProfileSource profile;
    std::ostringstream ignored; // an unreadable profile is reported by the run itself
    return ReadProfileSource(options, profile, ignored) && ProfileHasTextOverlay(profile.text);
}

int RunCli(const CliOptions& options, std::ostream& out, std::ostream& err) {
    if (options.ListGalleries)
        return ListGalleries(options, out, err);
    // Uploaded results without -o are written to a private folder and deleted once sent.
    QTemporaryDir uploadFolder;
    const QString outDir = options.OutputDir.empty() && options.Upload ? uploadFolder.path()
                                                                       : QString::fromStdString(options.OutputDir);
    if (!outDir.isEmpty() && !QFileInfo(outDir).isDir()) {
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

    // Pictures named directly, and every picture of a named folder (its sub-folders repeated below
    // the output folder).
    QStringList files, bases;
    int failed = 0;
    for (const std::string& input : options.Inputs) {
        const QString name = QString::fromStdString(input);
        const QFileInfo info(name);
        if (info.isDir()) {
            QStringList found;
            CollectFiles(found, info.absoluteFilePath(), "*.*", options.Recursive);
            std::sort(found.begin(), found.end()); // a stable order whatever the file system gives
            for (const QString& f : found)
                if (IsPictureFileName(f)) {
                    files << f;
                    bases << info.absoluteFilePath();
                }
        } else {
            files << name;
            bases << QString();
        }
    }

    TBatchProcOptions naming;
    naming.BatchDestFolder = outDir.isEmpty() ? QString() : QFileInfo(outDir).absoluteFilePath() + "/";
    naming.BatchFNContOrig = !options.NoName;
    naming.BatchForceJpgExt = true;
    if (options.NumPrefix) {
        naming.BatchFNPrefType = 2;
        naming.BatchFNPrefInitN = *options.NumPrefix;
    } else if (!options.Prefix.empty()) {
        naming.BatchFNPrefType = 1;
        naming.BatchFNPrefix = QString::fromStdString(options.Prefix);
    }
    if (options.NumSuffix) {
        naming.BatchFNSufType = 2;
        naming.BatchFNSufInitN = *options.NumSuffix;
    } else if (!options.Suffix.empty()) {
        naming.BatchFNSufType = 1;
        naming.BatchFNSuffix = QString::fromStdString(options.Suffix);
    }
    naming.BatchFNLeadZeroes = options.LeadingZeroes > 0;
    naming.BatchFNLeadZeroesN = options.LeadingZeroes;
    Preferences preferences;
    preferences.KeepOrigDatetime = options.KeepDate;

    TBatchProcess batch(files, naming, preferences);
    batch.BaseFolders = bases;
    batch.AllowOverwrite = options.Overwrite;
    batch.Jobs = options.Jobs;
    PictureJobSettings& job = batch.Job;
    job.ProfileText = profile.text;
    job.ProfileName = profile.name;
    job.ForcedMatchBits = profile.setsMatchMask ? 0 : profile.forcedBits;
    job.Mode = options.Mode;
    job.TargetSizeKb = options.TargetSizeKb;
    job.TargetRatio = options.TargetRatio;
    job.NoAutoRotate = options.NoAutoRotate;
    job.KeepJPEGDataMask = options.KeepMask;

    const ServiceAddresses addresses = Addresses(options);
    HttpClient client;
    QString sharingId = ParseSharingID(QString::fromStdString(options.SharingId));
    QString gallery = QString::fromStdString(options.GalleryId);
    int uploadFailures = 0;
    const bool terminal = isatty(2) != 0;
    bool refusedOverwrite = false;
    batch.OnFileDone = [&](const QString& source, const QString& result, const QString& error,
                           const PictureResult& picture) {
        if (terminal)
            err << "\r\033[K";
        const std::string input = source.toStdString();
        for (const std::string& warning : picture.Warnings)
            err << "vantorel-cli: " << input << ": warning: " << warning << "\n";
        if (!error.isEmpty()) {
            err << "vantorel-cli: " << error.toStdString() << "\n";
            refusedOverwrite = refusedOverwrite || error.endsWith("would replace the source");
            return;
        }
        const double ratio = static_cast<double>(picture.Width) * picture.Height * 3 / picture.Stream.size();
        out << input << " -> ";
        if (!options.Upload || !options.OutputDir.empty())
            out << QDir::current().relativeFilePath(result).toStdString() << "  ";
        out << picture.Stream.size() << " bytes  " << FormatRatio(ratio);
        if (picture.Searched)
            out << "  " << picture.Passes << (picture.Passes == 1 ? " pass" : " passes");
        if (options.Upload) {
            // The upload deletes the file it sends: send a copy of a result that is to stay.
            QString sent = result;
            if (!options.OutputDir.empty()) {
                sent = uploadFolder.filePath("upload.jpg");
                QFile::remove(sent);
                QFile::copy(result, sent);
            }
            QString text;
            const bool ok = UploadToWeb(nullptr, sent, &client, text, gallery, sharingId, options.Upload == 2, addresses);
            out << "  " << (ok ? "uploaded: " : "") << text.toStdString();
            if (!ok)
                ++uploadFailures;
        }
        out << "\n" << std::flush;
    };
    if (terminal)
        batch.OnProgress = [&](const TBatchProcProgress& p) {
            const int filled = p.Percent * 30 / 100;
            err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
                << std::string(static_cast<std::size_t>(30 - filled), ' ') << "] " << p.Percent << "% " << p.FileIndex
                << "/" << p.FileCount << std::flush;
        };
    batch.Execute();
    if (terminal)
        err << "\r\033[K";
    failed += batch.ErrorCount + uploadFailures;
    if (refusedOverwrite)
        err << "vantorel-cli: results that would replace their sources were not written; --overwrite allows it\n";
    out << batch.ResultList.size() - uploadFailures << " processed, " << failed << " failed\n";
    return failed > 0 ? 1 : 0;
}

} // namespace vantorel
