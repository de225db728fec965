// The settings store: string values, defaults at missing or malformed values, the records, and
// files that are not what they should be.
#include "Preferences.h"
#include "ResamplingHistory.h"
#include "SettingsStore.h"
#include "WindowValues.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <unistd.h>

namespace {

using namespace vantorel;

class Settings : public ::testing::Test {
protected:
    QString File(const char* name = "VTR.ini") const { return m_dir.filePath(name); }
    void WriteRaw(const QString& path, const QByteArray& bytes) const {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QTemporaryDir m_dir;
};

TEST_F(Settings, FirstRunDefaultsAndTheRoundTrip) {
    Preferences p;
    TBatchProcOptions b;
    {
        SettingsStore store(File());
        LoadPreferences(store, p, b);
    }
    EXPECT_TRUE(p.FirstRun());
    EXPECT_EQ(p.ComprDelay, 1500);
    EXPECT_EQ(p.KeepMetadataOptions, 65536);
    EXPECT_TRUE(b.BatchFNContOrig);
    EXPECT_EQ(b.BatchFNLeadZeroesN, 4);
    EXPECT_EQ(b.BatchUIMode, 0);

    p.ComprDelay = 700;
    p.FlatButtons = false;
    p.NameDefProfile = QString(80, 'n');
    p.SharingUserID = "abcdefghij";
    p.ImageBrowseDirection = -1;
    p.InitComprParams = 4;
    b.BatchFNPrefix = "web_";
    b.BatchUIMode = 3;
    {
        SettingsStore store(File());
        SavePreferences(store, p, b);
        ASSERT_TRUE(store.Flush());
    }
    QFile raw(File());
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray text = raw.readAll();
    EXPECT_TRUE(text.contains("ComprDelay=700")) << text.toStdString(); // every value a string
    EXPECT_TRUE(text.contains("ParamsSaved=1"));

    Preferences q;
    TBatchProcOptions c;
    SettingsStore store(File());
    LoadPreferences(store, q, c);
    EXPECT_FALSE(q.FirstRun());
    EXPECT_EQ(q.ComprDelay, 700);
    EXPECT_FALSE(q.FlatButtons);
    EXPECT_EQ(q.NameDefProfile.size(), 64);
    EXPECT_EQ(q.SharingUserID, "abcdefgh");
    EXPECT_EQ(q.ImageBrowseDirection, -1);
    EXPECT_EQ(q.InitComprParams, 4);
    EXPECT_EQ(c.BatchFNPrefix, "web_");
    EXPECT_EQ(c.BatchUIMode, 3);
}

TEST_F(Settings, MalformedAndOutOfRangeValues) {
    struct Case {
        const char* stored;
        int comprDelay;
    };
    for (const Case& c : {Case{"abc", 1500}, Case{"-1", 100}, Case{"1e12", 1500}, Case{"99999999999", 1500},
                          Case{"0x10", 1500}, Case{" 2000 ", 2000}, Case{"", 1500}, Case{"9000", 5000}}) {
        SettingsStore store(File(c.stored[0] ? "m.ini" : "e.ini"));
        store.WriteText("ComprDelay", c.stored);
        Preferences p;
        TBatchProcOptions b;
        LoadPreferences(store, p, b);
        EXPECT_EQ(p.ComprDelay, c.comprDelay) << "'" << c.stored << "'";
    }
    int value = 0;
    EXPECT_FALSE(ParseStoredInt("12a", value));
    EXPECT_TRUE(ParseStoredInt("-2147483648", value));
    EXPECT_EQ(value, -2147483648);
}

TEST_F(Settings, OlderBatchModesAndNumberedLists) {
    struct Case {
        const char* minWnd;
        const char* fgProcess;
        int mode;
    };
    for (const Case& c : {Case{"1", nullptr, 2}, Case{"0", "0", 1}, Case{nullptr, nullptr, 0}}) {
        QFile::remove(File("b.ini"));
        SettingsStore store(File("b.ini"));
        if (c.minWnd)
            store.WriteText("BatchMinWnd", c.minWnd);
        if (c.fgProcess)
            store.WriteText("BatchFGProcess", c.fgProcess);
        Preferences p;
        TBatchProcOptions b;
        LoadPreferences(store, p, b);
        EXPECT_EQ(b.BatchUIMode, c.mode);
    }

    SettingsStore store(File("l.ini"));
    store.WriteText("RecentOpenDir1", "/photos/a");
    store.WriteText("RecentOpenDir3", "/photos/c");
    EXPECT_EQ(ReadNumberedList(store, "RecentOpenDir"), QStringList{"/photos/a"});
    WriteNumberedList(store, "RecentSaveDir", {"/x", "", "/y"});
    EXPECT_EQ(ReadNumberedList(store, "RecentSaveDir"), (QStringList{"/x", "/y"}));
}

TEST_F(Settings, WindowValuesAndTheResamplingHistory) {
    {
        SettingsStore store(File());
        const WindowValues first = LoadWindowValues(store, QRect(10, 20, 1024, 737));
        EXPECT_EQ(first.Bounds, QRect(10, 20, 1024, 737));
        EXPECT_TRUE(first.EarlyRun());
        EXPECT_EQ(first.ExportDir, first.SaveDir);
        WindowValues v = first;
        v.MainFormMaximized = true;
        v.Bounds = QRect(1, 2, 3, 4);
        SaveWindowValues(store, v, false);
    }
    SettingsStore store(File());
    const WindowValues second = LoadWindowValues(store, QRect(10, 20, 1024, 737));
    EXPECT_TRUE(second.MainFormMaximized);
    EXPECT_EQ(second.Bounds, QRect(10, 20, 1024, 737)); // a maximised window leaves its bounds alone
    EXPECT_EQ(second.StartCtr, 1);

    std::vector<ResamplingEntry> history(30);
    for (int i = 0; i < 30; ++i)
        history[static_cast<std::size_t>(i)].Width = i;
    SaveResamplingHistory(store, history);
    const auto back = LoadResamplingHistory(store);
    ASSERT_EQ(back.size(), 25u);
    EXPECT_EQ(back.front().Width, 5); // the newest 25, oldest first
    store.SetGroup("Resampling");
    store.Remove("HUnits1");
    store.WriteText("WUnits1", "2");
    store.SetGroup({});
    EXPECT_EQ(LoadResamplingHistory(store).front().HUnits, 2); // defaults to the width units
}

TEST_F(Settings, BadFilesGiveDefaultsQuicklyAndAreNotDestroyed) {
    QByteArray garbage(1 << 20, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 7919) & 0xFF);
    WriteRaw(File("garbage.ini"), garbage);
    WriteRaw(File("huge.ini"), QByteArray(5 << 20, '['));
    QDir(m_dir.path()).mkdir("folder.ini");
    for (const char* name : {"garbage.ini", "huge.ini", "folder.ini"}) {
        const auto start = std::chrono::steady_clock::now();
        Preferences p;
        TBatchProcOptions b;
        {
            SettingsStore store(File(name));
            LoadPreferences(store, p, b);
            EXPECT_EQ(p.ComprDelay, 1500) << name;
            SavePreferences(store, p, b);
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << name;
    }
    QFile big(File("huge.ini"));
    EXPECT_EQ(big.size(), 5 << 20); // left as it was

    // A folder without write access: the values cannot be saved, nothing half-written remains.
    if (geteuid() != 0) {
        const QString locked = m_dir.filePath("locked");
        QDir(m_dir.path()).mkdir("locked");
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
        {
            SettingsStore store(locked + "/VTR.ini");
            store.WriteInt("ComprDelay", 300);
            EXPECT_FALSE(store.Flush());
        }
        EXPECT_TRUE(QDir(locked).entryList(QDir::Files | QDir::Hidden).isEmpty());
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

TEST_F(Settings, TwoInstancesWritingTogetherKeepEveryKey) {
    SettingsStore a(File()), b(File());
    a.WriteInt("ComprDelay", 200);
    b.WriteText("OpenDir", "/photos");
    ASSERT_TRUE(a.Flush());
    ASSERT_TRUE(b.Flush());
    SettingsStore c(File());
    EXPECT_EQ(c.ReadInt("ComprDelay", 0), 200);
    EXPECT_EQ(c.ReadText("OpenDir"), "/photos");
}

TEST_F(Settings, DontShowAgainAnswers) {
    SettingsStore store(File());
    EXPECT_FALSE(IsSilenced(store, "Quality1"));
    SetSilenced(store, "Quality1", true);
    EXPECT_TRUE(IsSilenced(store, "Quality1"));
}

} // namespace
