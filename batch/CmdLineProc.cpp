// The command-line batch entry.
#include "CmdLineProc.h"

#include "BatchNaming.h"
#include "FileCollection.h"
#include "Preferences.h"
#include "SettingsStore.h"
#include "TBatchProcess.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace vantorel {

namespace {

void WriteReport(QFile& file, const QStringList& lines) {
    for (const QString& line : lines)
        file.write((line + "\r\n").toLocal8Bit());
}

// A value switch: the argument is its name, or its name followed by "=" and the value.
bool ValueSwitch(const QStringList& switches, const QString& name, QString& value) {
    bool found = false;
    for (const QString& s : switches) {
        if (s == name) {
            found = true;
        } else if (s.startsWith(name + "=")) {
            value = s.mid(name.size() + 1); // the first argument of this form gives the value
            return true;
        }
    }
    return found;
}

int Number(const QString& text) {
    int value = 0;
    return ParseStoredInt(text, value) ? value : 0;
}

} // namespace

int RunCommandLineBatch(const QStringList& args) {
    if (args.size() < 6) { // the program, the mode and fewer than four arguments
        if (args.size() > 2) {
            QFile report(args[2]);
            if (report.open(QIODevice::WriteOnly | QIODevice::Truncate))
                WriteReport(report, {"Not enough actual parameters"});
        }
        return 0;
    }
    QFile report(args[2]);
    if (!report.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "vantorel: cannot create the report file %s: %s\n", args[2].toLocal8Bit().constData(),
                     report.errorString().toLocal8Bit().constData());
        return 1;
    }
    TBatchProcOptions options;
    QStringList files, errors;
    SettingsStore store;
    Preferences preferences;
    TBatchProcOptions saved;
    LoadPreferences(store, preferences, saved); // the saved batch options are not used here

    const QString source = args[4];
    const int slash = static_cast<int>(source.lastIndexOf('/'));
    options.BatchSrcFolder = source.left(slash + 1);
    CollectFiles(files, options.BatchSrcFolder, source.mid(slash + 1), false);
    if (files.isEmpty())
        errors << "No source files found";

    const QString profile = args[3];
    if (!QFileInfo(profile).isFile())
        errors << "File not exists : " + profile;
    else if (!profile.toLower().contains(".jcp"))
        errors << "Profile required";
    options.BatchProfile = profile;

    QString destination = args[5];
    if (!destination.isEmpty() && !destination.endsWith('/'))
        destination += '/';
    options.BatchDestFolder = destination;
    if (!QFileInfo(destination).isDir())
        errors << "Destination directory not exists : " + destination;

    QStringList switches;
    for (int i = 6; i < args.size() && !args[i].isEmpty(); ++i)
        switches << args[i].toLower();
    options.BatchFNContOrig = !switches.contains("/nofn");
    const bool replace = switches.contains("/r");
    // A text and a number for each end of the name; the number, applied second, wins.
    const auto affix = [&](const QString& end, std::uint8_t& type, QString& text, std::int32_t& number) {
        QString value;
        if (ValueSwitch(switches, "/text" + end, value)) {
            type = 1;
            text = value;
        }
        value.clear();
        if (ValueSwitch(switches, "/num" + end, value)) {
            type = 2;
            number = Number(value);
        }
    };
    affix("prefix", options.BatchFNPrefType, options.BatchFNPrefix, options.BatchFNPrefInitN);
    affix("suffix", options.BatchFNSufType, options.BatchFNSuffix, options.BatchFNSufInitN);
    QString value;
    if (ValueSwitch(switches, "/lz", value)) {
        options.BatchFNLeadZeroes = true;
        options.BatchFNLeadZeroesN = Number(value);
    }

    if (errors.isEmpty() && !replace &&
        PathWithoutExt(BatchResultName(files.first(), options)) == PathWithoutExt(files.first()))
        errors << "Result images will overwrite source ones. Use /r option to do this";

    int errorCount = static_cast<int>(errors.size());
    if (errors.isEmpty()) {
        try {
            TBatchProcess batch(files, options, preferences);
            batch.Execute();
            if (batch.ErrorCount > 0) {
                errors = batch.ErrorList;
                errorCount = batch.ErrorCount;
            }
        } catch (...) {
            // As the entry is specified: the run then reports as if the worker had found no errors.
        }
    }
    if (errorCount < 1)
        WriteReport(report, {"OK!"});
    else
        WriteReport(report, QStringList{"Error(s):"} + errors);
    return 0;
}

} // namespace vantorel
