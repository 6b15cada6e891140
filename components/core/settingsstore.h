#pragma once
#include "components/core/settingkeys.h"
#include <QSettings>
#include <QString>
#include <QHash>
#include <QVariant>
#include <memory>

// The settings store: sections such as "Quillon\Applets" map to INI groups
// ("Quillon/Applets"); every value is kept as plain text.
class SettingsStore {
public:
    // The user's store (QSettings "Veltrix", "Quillon").
    SettingsStore();
    // A store kept in the given INI file.
    explicit SettingsStore(const QString &iniFile);

    // The stored text as it stands, or the default as text.
    QString GetValue(const QString &section, const QString &key, const QVariant &def) const;
    void SetValue(const QString &section, const QString &key, const QVariant &value);
    QString GetValue(const Setting &s) const { return GetValue(s, s.defaultText()); }
    // With a default worked out when read (a place on this screen).
    QString GetValue(const Setting &s, const QVariant &def) const { return GetValue(s.section(), s.keyText(), def); }
    void SetValue(const Setting &s, const QVariant &value) { SetValue(s.section(), s.keyText(), value); }
    // Writes pending values to disk; false with a reason when that failed.
    bool Flush(QString *error = nullptr);
    QString fileName() const { return m_settings->fileName(); }

    // The text form a value is stored in (12, -3, 1234.5, True).
    static QString toText(const QVariant &value);

private:
    static QString groupKey(const QString &section, const QString &key);
    bool writtenSinceFlush() const;
    std::unique_ptr<QSettings> m_settings;
    QHash<QString, QString> m_unflushed;   // values set since the last good flush
};
