// The one per-user settings store: every value a string, with the program's names and defaults.
#pragma once

#include <QString>

#include <memory>

class QSettings;

namespace vantorel {

// Values live in an INI file per user ("Kestrelwick/VTR"); the environment variable
// VANTOREL_SETTINGS, or the file given to the constructor, points it elsewhere (tests never touch a
// user's settings). Groups stand for the subkeys ("Toolbars", "Resampling"). Used on the main
// thread only. A store that cannot be read yields every default; one that cannot be written
// changes nothing and reports it through Status.
class SettingsStore {
public:
    SettingsStore();
    explicit SettingsStore(const QString& fileName);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Integers are signed decimal text; text that is not a 32-bit integer, or a missing value, gives
    // the default.
    int ReadInt(const QString& name, int fallback) const;
    // Booleans are integers, true when not zero.
    bool ReadBool(const QString& name, bool fallback) const;
    QString ReadText(const QString& name, const QString& fallback = {}) const;
    bool Contains(const QString& name) const;

    void WriteInt(const QString& name, int value);
    void WriteBool(const QString& name, bool value);
    void WriteText(const QString& name, const QString& value);
    void Remove(const QString& name);

    // Names are read and written inside this group ("" = the root) until the next call.
    void SetGroup(const QString& group);

    // Writes pending changes to the file; false when the file could not be written.
    bool Flush();
    QString FileName() const;

private:
    QString Key(const QString& name) const;

    std::unique_ptr<QSettings> m_settings;
    QString m_group;
    bool m_readable = true;
};

// Parses a stored integer: optional sign and decimal digits within 32 bits, nothing else.
bool ParseStoredInt(const QString& text, int& value);

} // namespace vantorel
