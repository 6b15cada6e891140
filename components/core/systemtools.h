#pragma once
#include <QString>

// File and folder utilities shared by the windows.
namespace SystemTools {
// The documents folder ending in "/", or empty when there is none.
QString GetSpecialFolder(int folderId);
// True when folderPath (with fileName appended when given) exists.
bool PathExists(const QString &fileName, const QString &folderPath);
// false: the file-name part; true: the folder part, ending in "/".
QString SplitPath(const QString &fullPath, bool wantFolder);
// A play-list entry counts only as a regular, non-hidden file.
bool IsPresent(const QString &path);
// folder joined with name by exactly one "/".
QString JoinPath(const QString &folder, const QString &name);
// The folder with exactly one trailing "/".
QString WithSlash(const QString &folder);
}
