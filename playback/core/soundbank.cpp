#include "playback/core/soundbank.h"
#include <QDir>
#include <QFileInfo>

namespace {
bool usable(const QString &path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isReadable();
}
}

QString findSoundBank(const QString &setting)
{
    return findSoundBank(setting, QStringLiteral("/usr/share/sounds/sf2"));
}

QString findSoundBank(const QString &setting, const QString &folder)
{
    if (usable(setting))
        return setting;
    const QDir dir(folder);
    const QString preferred = dir.filePath(QStringLiteral("default-GM.sf2"));
    if (usable(preferred))
        return preferred;
    const QStringList banks = dir.entryList({QStringLiteral("*.sf2")}, QDir::Files, QDir::Name);
    for (const QString &name : banks) {
        if (usable(dir.filePath(name)))
            return dir.filePath(name);
    }
    return {};
}
