#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Play lists written by other players (.m3u, .m3u8, .pls): read into local
// paths, never written back; our own lists are saved as .m3u8.
struct PlayListEntry {
    QString path;       // absolute, local
    QString title;      // from #EXTINF or TitleN=, may be empty
    int seconds = -1;   // -1: not known

    bool operator==(const PlayListEntry &) const = default;
};

struct PlayListContents {
    QList<PlayListEntry> entries;   // in the list's order, at most PlayList::Capacity
    QStringList problems;           // what was left out or guessed, one sentence each
    QString error;                  // set when the file is refused as a whole (entries then empty)
};

enum class PlayListFormat { M3u, M3u8, Pls };

// True for the suffixes read here (any case); *format tells which.
bool isPlayListFile(const QString &path, PlayListFormat *format = nullptr);
PlayListContents readPlayList(const QString &path);
// The bytes of a list whose relative entries lie against folder (absolute).
// localeEncoding reads a .m3u or .pls that is not UTF-8; empty: Windows-1252.
PlayListContents parsePlayList(const QByteArray &bytes, const QString &folder, PlayListFormat format,
                               const QByteArray &localeEncoding);

// #EXTM3U with #EXTINF lines, entries relative to the list's folder where they
// lie below it. Written atomically; on failure the old file is intact.
QByteArray serializePlayListM3u8(const QList<PlayListEntry> &entries, const QString &folder);
bool writePlayListM3u8(const QString &path, const QList<PlayListEntry> &entries, QString *error);
