#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// The ".mfl" library file: line 1 the current index, then one quoted full
// path per line, CR LF line ends.
struct LibraryContents {
    int selIndex = 0;
    QStringList paths;        // at most PlayList::Capacity
    bool empty = false;       // the file had 0 bytes
    QString error;            // set when the file could not be read completely
};

namespace LibraryFile {
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

// Parses file bytes. A UTF-8 BOM is skipped; text that is not valid UTF-8 is
// read as Windows-1252. On error, paths holds what was read before it.
LibraryContents parse(const QByteArray &bytes);
LibraryContents read(const QString &fileName);
// Reads only the first value (the index); false when it cannot be read.
bool readIndex(const QString &fileName, int *selIndex);

QByteArray serialize(int selIndex, const QStringList &paths);
// Writes atomically; on failure the old file is intact and *error says why.
bool write(const QString &fileName, int selIndex, const QStringList &paths, QString *error);
// A path that a library file cannot hold (a double quote or a line break).
bool canStore(const QString &path);
}
