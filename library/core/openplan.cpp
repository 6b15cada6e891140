#include "library/core/openplan.h"
#include "library/core/midifiles.h"
#include "library/core/playlistfile.h"
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace {

bool isAddress(const QString &s)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    return s.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)
           || (scheme.match(s).hasMatch() && s.contains(QLatin1String("://")));
}

struct Sorted {
    QStringList songs, libraries;
    bool folder = false;
};

// Sorts one path in, or says why it cannot be used.
QString sortIn(const QString &given, const QString &workingDir, Sorted &into)
{
    const QString path = OpenPlanner::localPath(given, workingDir);
    if (path.isEmpty())
        return QStringLiteral("%1 is not a file on this computer.").arg(given);
    const QFileInfo info(path);
    if (!info.exists()) {
        // Qt reads file names as UTF-8: a name that is not cannot be reached.
        if (path.contains(QChar::ReplacementCharacter))
            return QStringLiteral("%1 cannot be opened: its name is not valid UTF-8 text.").arg(path);
        return QStringLiteral("%1 cannot be found.").arg(path);
    }
    if (info.isDir()) {
        const QStringList songs = MidiFiles::midiFilesUnder(path);
        if (songs.isEmpty())
            return QStringLiteral("%1 holds no MIDI files.").arg(path);
        into.songs += songs;
        into.folder = true;
        return {};
    }
    // A hidden file counts as absent in a play list; a folder given by name is taken.
    if (info.fileName().startsWith(QLatin1Char('.')))
        return QStringLiteral("%1 is hidden; the player leaves hidden files out.").arg(path);
    // Another player's play list opens as a library does.
    if (info.isFile() && (MidiFiles::hasLibraryName(info.fileName()) || isPlayListFile(info.fileName()))) {
        into.libraries << path;
        return {};
    }
    if (MidiFiles::isMidiFile(path)) {
        into.songs << path;
        return {};
    }
    return QStringLiteral("%1 is not a MIDI file, a library (.mfl) or a play list (.m3u, .m3u8, .pls).").arg(path);
}

}

namespace OpenPlanner {

QString localPath(const QString &pathOrUrl, const QString &workingDir)
{
    if (!isAddress(pathOrUrl))
        return QDir::cleanPath(QDir(workingDir).absoluteFilePath(pathOrUrl));
    const QUrl url(pathOrUrl);
    const bool here = url.host().isEmpty() || url.host() == QLatin1String("localhost");
    if (!url.isValid() || !url.isLocalFile() || !here)
        return {};
    return QDir::cleanPath(QDir(workingDir).absoluteFilePath(url.toLocalFile()));
}

OpenPlan plan(const QStringList &pathsOrUrls, const QString &workingDir)
{
    OpenPlan p;
    Sorted s;
    for (const QString &given : pathsOrUrls) {
        const QString problem = sortIn(given, workingDir, s);
        if (!problem.isEmpty())
            p.problems << problem;
    }
    // One library at a time: the first one given opens.
    for (int i = 1; i < s.libraries.size(); ++i)
        p.problems << QStringLiteral("%1 was not opened: one library opens at a time.").arg(s.libraries[i]);
    if (!s.libraries.isEmpty()) {
        p.action = OpenPlan::Action::Library;
        p.files = QStringList{s.libraries.first()} + s.songs;
    } else if (s.songs.size() == 1 && !s.folder) {
        p.action = OpenPlan::Action::Preview;
        p.files = s.songs;
    } else if (!s.songs.isEmpty()) {
        p.action = OpenPlan::Action::Add;
        p.files = s.songs;
    }
    return p;
}

}
