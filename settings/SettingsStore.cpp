// The per-user settings store over QSettings.
#include "SettingsStore.h"

#include <QFileInfo>
#include <QSettings>

namespace vantorel {

namespace {

// A settings file larger than this is not the program's: it is ignored rather than parsed.
constexpr qint64 kMaxSettingsFileSize = 4 * 1024 * 1024;

QString DefaultFileName() {
    const QByteArray redirected = qgetenv("VANTOREL_SETTINGS");
    if (!redirected.isEmpty())
        return QString::fromLocal8Bit(redirected);
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "Kestrelwick", "VTR").fileName();
}

} // namespace

bool ParseStoredInt(const QString& text, int& value) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (!(c.isDigit() && c.unicode() < 128) && !(i == 0 && (c == '-' || c == '+')))
            return false;
    }
    bool ok = false;
    const int parsed = t.toInt(&ok, 10);
    if (ok)
        value = parsed;
    return ok;
}

SettingsStore::SettingsStore() : SettingsStore(DefaultFileName()) {}

SettingsStore::SettingsStore(const QString& fileName) {
    const QFileInfo info(fileName);
    // A folder, an unreadable file or a huge one: start from the defaults.
    m_readable = !info.exists() || (info.isFile() && info.isReadable() && info.size() <= kMaxSettingsFileSize);
    m_settings = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
    if (m_settings->status() != QSettings::NoError)
        m_readable = false;
}

SettingsStore::~SettingsStore() { Flush(); }

QString SettingsStore::Key(const QString& name) const { return m_group.isEmpty() ? name : m_group + "/" + name; }

void SettingsStore::SetGroup(const QString& group) { m_group = group; }

bool SettingsStore::Contains(const QString& name) const { return m_readable && m_settings->contains(Key(name)); }

QString SettingsStore::ReadText(const QString& name, const QString& fallback) const {
    if (!Contains(name))
        return fallback;
    const QVariant value = m_settings->value(Key(name));
    return value.canConvert<QString>() ? value.toString() : fallback;
}

int SettingsStore::ReadInt(const QString& name, int fallback) const {
    int value = fallback;
    if (Contains(name) && ParseStoredInt(ReadText(name), value))
        return value;
    return fallback;
}

bool SettingsStore::ReadBool(const QString& name, bool fallback) const { return ReadInt(name, fallback ? 1 : 0) != 0; }

void SettingsStore::WriteInt(const QString& name, int value) { WriteText(name, QString::number(value)); }

void SettingsStore::WriteBool(const QString& name, bool value) { WriteText(name, value ? "1" : "0"); }

void SettingsStore::WriteText(const QString& name, const QString& value) {
    if (!m_readable)
        return; // never overwrite a file that could not be read: it would lose the user's values
    m_settings->setValue(Key(name), value);
}

void SettingsStore::Remove(const QString& name) {
    if (m_readable)
        m_settings->remove(Key(name));
}

bool SettingsStore::Flush() {
    if (!m_readable)
        return false;
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

QString SettingsStore::FileName() const { return m_settings->fileName(); }

} // namespace vantorel
