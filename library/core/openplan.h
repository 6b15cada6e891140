#pragma once
#include <QString>
#include <QStringList>

// Paths given from outside (command line, a second start, the desktop),
// sorted into what the window will do with them.
struct OpenPlan {
    enum class Action { Nothing, Preview, Add, Library };
    Action action = Action::Nothing;
    // Preview: the one song. Add: the songs in the order given, folders
    // expanded. Library: the library first, then songs to add to it.
    QStringList files;
    // One text per path that cannot be used, naming it.
    QStringList problems;
};

namespace OpenPlanner {
// Local paths, relative ones against workingDir, or file: URLs.
OpenPlan plan(const QStringList &pathsOrUrls, const QString &workingDir);
// A file: URL as a local path; other text as a path against workingDir.
// Empty for an address that is not a file on this computer.
QString localPath(const QString &pathOrUrl, const QString &workingDir);
}
