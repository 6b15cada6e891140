#include "app/core/texts.h"
#include "library/core/libraryfile.h"
#include "library/core/librarysession.h"
#include "library/core/playlistfile.h"
#include "playback/core/midifile.h"
#include <QFileInfo>

namespace {

QStringList pathsOf(const PlayListContents &list)
{
    QStringList paths;
    for (const PlayListEntry &e : list.entries)
        paths << e.path;
    return paths;
}

bool holds(const QString &library, const QStringList &paths)
{
    const LibraryContents lib = LibraryFile::read(library);
    return lib.error.isEmpty() && lib.paths == paths;
}

}   // namespace

// What of a play list a library can keep; empty, and the user told why, when it is refused.
QStringList LibrarySession::playListSongs(const QString &listFile, QStringList *problems)
{
    const PlayListContents list = readPlayList(listFile);
    const LibraryFile::Storable storable = LibraryFile::storable(pathsOf(list), 0);
    *problems = list.problems;
    if (!storable.leftOut.isEmpty())
        *problems << QStringLiteral("%1 entries hold a quotation mark, which a library cannot keep, and were left "
                                    "out (first: %2).")
                         .arg(QString::number(storable.leftOut.size()), storable.leftOut.first());
    QString why = list.error;
    if (why.isEmpty() && storable.paths.isEmpty())
        why = (QStringList{QStringLiteral("It names no songs.")} + *problems).join(QLatin1Char('\n'));
    if (!why.isEmpty())
        emit failure({Failure::Kind::Warning, 0, QStringLiteral("%1 was not opened. %2").arg(listFile, why)});
    return why.isEmpty() ? storable.paths : QStringList();
}

// The play list itself is never written: it is kept as a library in the data folder.
bool LibrarySession::keepPlayList(const QString &listFile, const QStringList &songs, QString *kept)
{
    *kept = keptLibraryName(listFile, songs);
    QString why;
    if (LibraryFile::write(*kept, 0, songs, &why))
        return true;
    emit failure({Failure::Kind::Warning, 0,
                  QStringLiteral("%1 was not opened. It could not be kept as a library. %2").arg(listFile, why)});
    return false;
}

// Named after the list; numbered as new libraries are when that name holds another list,
// so the user's own libraries are never written over.
QString LibrarySession::keptLibraryName(const QString &listFile, const QStringList &paths) const
{
    QString base = QFileInfo(listFile).completeBaseName();
    if (base.isEmpty())
        base = QStringLiteral("Play list");
    QString name = m_dataDir + base + QStringLiteral(".mfl");
    for (int n = 2; QFileInfo::exists(name) && !holds(name, paths); ++n)
        name = m_dataDir + QStringLiteral("%1 %2.mfl").arg(base, QString::number(n));
    return name;
}

QStringList LibrarySession::songsOfPlayList(const QString &file, QStringList *problems)
{
    const PlayListContents list = readPlayList(file);
    const QStringList told = list.error.isEmpty() ? list.problems : QStringList{list.error};
    if (!told.isEmpty())
        *problems << QStringLiteral("In the play list %1:\n%2").arg(file, told.join(QLatin1Char('\n')));
    return pathsOf(list);
}

bool LibrarySession::savePlayList(const QString &file, const std::function<QString(const QString &)> &titleOf,
                                  QString *error) const
{
    QList<PlayListEntry> entries;
    for (int i = 0; i < m_list.count(); ++i) {
        const QString path = m_list.path(i);
        QString title = titleOf ? titleOf(path) : QString();
        if (title.isEmpty())
            title = m_list.name(i);
        const MidiFile song = MidiFile::load(path);
        entries.append({path, title, song.isValid() ? int(Texts::wholeSeconds(song.lengthMs())) : -1});
    }
    return writePlayListM3u8(file, entries, error);
}
