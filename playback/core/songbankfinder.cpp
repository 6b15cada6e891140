#include "playback/core/songbankfinder.h"
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace {
// Folders remembered; past this the memory starts afresh.
constexpr int MaxFolders = 256;
// A change within the file system's clock step of the listing could be missed
// by a comparison of times alone: such a listing is not trusted.
constexpr qint64 ClockSlackNs = 2'000'000'000;

// Lower is preferred: .sf2 before .sf3, the lower-case suffix first.
int rank(const QString &suffix)
{
    const QString lower = suffix.toLower();
    return (lower == QLatin1String("sf3") ? 2 : 0) + (suffix != lower ? 1 : 0);
}

bool better(const QString &name, const QString &than)
{
    const int a = rank(QFileInfo(name).suffix()), b = rank(QFileInfo(than).suffix());
    return a != b ? a < b : name < than;
}
}

SongBankFinder::Folder SongBankFinder::list(const QString &folder, qint64 changed)
{
    Folder f;
    f.changed = changed;
    f.settled = QDateTime::currentMSecsSinceEpoch() * 1'000'000 - changed > ClockSlackNs;
    QDirIterator it(folder, {QStringLiteral("*.sf2"), QStringLiteral("*.sf3")},
                    QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        const QString base = name.chopped(4);
        const auto known = f.banks.constFind(base);
        if (!base.isEmpty() && (known == f.banks.cend() || better(name, *known)))
            f.banks.insert(base, name);
    }
    return f;
}

QString SongBankFinder::find(const QString &songPath)
{
    const QFileInfo song(songPath);
    const QString base = song.completeBaseName();
    if (base.isEmpty())
        return {};
    const QString folder = song.absolutePath();
    struct stat st {};
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return {};
    const qint64 changed = qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    auto at = m_folders.find(folder);
    if (at == m_folders.end() || !at->settled || at->changed != changed) {
        if (at == m_folders.end() && m_folders.size() >= MaxFolders)
            m_folders.clear();
        at = m_folders.insert(folder, list(folder, changed));
    }
    const auto bank = at->banks.constFind(base);
    return bank == at->banks.cend() ? QString() : folder + QLatin1Char('/') + *bank;
}
