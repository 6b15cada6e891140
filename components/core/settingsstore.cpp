#include "components/core/settingsstore.h"
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QStringLiteral("Veltrix"), QStringLiteral("Quillon")))
{
}

SettingsStore::SettingsStore(const QString &iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
}

QString SettingsStore::groupKey(const QString &section, const QString &key)
{
    QString s = section;
    s.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return s + QLatin1Char('/') + key;
}

QString SettingsStore::toText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Float: return QString::number(value.toFloat(), 'g', 9);
    case QMetaType::Double: return QString::number(value.toDouble(), 'g', 15);
    case QMetaType::Bool: return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default: return value.toString();
    }
}

QString SettingsStore::GetValue(const QString &section, const QString &key, const QVariant &def) const
{
    const QVariant v = m_settings->value(groupKey(section, key));
    if (!v.isValid())
        return toText(def);
    if (v.typeId() == QMetaType::QString)
        return v.toString();
    if (v.typeId() == QMetaType::QStringList)   // "a, b" read back as a list
        return v.toStringList().join(QStringLiteral(", "));
    return toText(def);
}

void SettingsStore::SetValue(const QString &section, const QString &key, const QVariant &value)
{
    const QString k = groupKey(section, key);
    const QString text = toText(value);
    m_settings->setValue(k, text);
    m_unflushed.insert(k, text);
}

// A file that was damaged when it was read keeps QSettings' status at
// FormatError for good, and that status hides any later write error: only
// reading the file back tells whether the values reached it.
bool SettingsStore::writtenSinceFlush() const
{
    // QSettings shares what it holds between objects on the same file, so the
    // file's bytes are read back through a copy.
    QFile file(m_settings->fileName());
    QTemporaryFile copy;
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly) || !copy.open())
        return false;
    copy.write(file.readAll());
    copy.close();
    const QSettings disk(copy.fileName(), m_settings->format());
    for (auto it = m_unflushed.cbegin(); it != m_unflushed.cend(); ++it) {
        if (disk.value(it.key()).toString() != it.value())
            return false;
    }
    return true;
}

bool SettingsStore::Flush(QString *error)
{
    m_settings->sync();
    const QSettings::Status status = m_settings->status();
    if (status == QSettings::NoError || (status == QSettings::FormatError && writtenSinceFlush())) {
        m_unflushed.clear();
        return true;
    }
    if (error)
        *error = status == QSettings::AccessError
                     ? QStringLiteral("the settings file %1 cannot be written").arg(m_settings->fileName())
                     : QStringLiteral("the settings file %1 is damaged").arg(m_settings->fileName());
    return false;
}
