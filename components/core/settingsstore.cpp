#include "components/core/settingsstore.h"
#include <QStringList>

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
    case QMetaType::Float:
        return QString::number(value.toFloat(), 'g', 9);
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 15);
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.toString();
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
    m_settings->setValue(groupKey(section, key), toText(value));
}

bool SettingsStore::Flush(QString *error)
{
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError)
        return true;
    if (error)
        *error = m_settings->status() == QSettings::AccessError
            ? QStringLiteral("the settings file %1 cannot be written").arg(m_settings->fileName())
            : QStringLiteral("the settings file %1 is damaged").arg(m_settings->fileName());
    return false;
}
