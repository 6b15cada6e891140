#pragma once
#include <QHash>
#include <QString>

// Finds the sound bank made for a song, kept beside it under its name: the
// song's complete base name with .sf2 or .sf3, the suffix in any case
// ("Song.v2.kar": "Song.v2.sf2", "Song.v2.SF3"), the name itself as it is.
// With several, .sf2 comes before .sf3 and the lower-case suffix first.
// Anything by that name counts, a folder too: whether it loads is the
// loader's to say.
class SongBankFinder {
public:
    // The bank's full path; empty when there is none. While the song's folder
    // is unchanged this costs one stat of the folder; its listing is read again
    // only when it changes.
    QString find(const QString &songPath);

private:
    struct Folder {
        qint64 changed = -1;             // the folder's modification time, ns
        bool settled = false;            // listed after its last change had passed for sure
        QHash<QString, QString> banks;   // base name: file name
    };
    static Folder list(const QString &folder, qint64 changed);
    QHash<QString, Folder> m_folders;
};
