#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// The ".mfl" library file: line 1 the current index, then one quoted full
// path per line, CR LF line ends.
struct LibraryContents {
    int selIndex = 0;
    QStringList paths;    // at most PlayList::Capacity
    bool empty = false;   // the file had 0 bytes (or only a UTF-8 BOM)
    QString error;        // set when the file could not be read completely
};

namespace LibraryFile {
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

// Parses file bytes. A UTF-8 BOM is skipped; a value that is not valid UTF-8
// is read as Windows-1252. On error, paths holds what was read before it.
LibraryContents parse(const QByteArray &bytes);
LibraryContents read(const QString &fileName);
// Reads only the first value (the index); false when it cannot be read,
// also for a file of 0 bytes, which holds no index. *error says why.
bool readIndex(const QString &fileName, int *selIndex, QString *error = nullptr);

// An index outside the play list's slots is written as 0, so the file stays
// readable.
QByteArray serialize(int selIndex, const QStringList &paths);
// Writes atomically; on failure the old file is intact and *error says why.
// Refuses an empty list (it is never written), more than PlayList::Capacity
// paths, and paths that canStore() rejects.
bool write(const QString &fileName, int selIndex, const QStringList &paths, QString *error);
// A path that a library file cannot hold (a double quote or a line break).
bool canStore(const QString &path);
// Puts bytes in place of fileName whole or not at all; false with the reason in *reason.
bool writeWhole(const QString &fileName, const QByteArray &bytes, QString *reason);

// What of a play list a library file can hold: the storable paths, the index
// of the current entry among them (the next kept one when the current entry
// is left out, else 0), and the paths left out.
struct Storable {
    QStringList paths;
    int selIndex = 0;
    QStringList leftOut;
};
Storable storable(const QStringList &paths, int selIndex);
}
