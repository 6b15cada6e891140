#pragma once
#include "app/core/failure.h"
#include "library/core/openplan.h"
#include "library/core/playlistmodel.h"
#include "library/core/shuffle.h"
#include <QObject>
#include <functional>

class PlaySession;

// The play list and the library file it is kept in: opening, saving,
// clearing, adding, removing and dealing, and paths given from outside.
// Windows follow it through its signals; it shows nothing itself.
class LibrarySession : public QObject {
    Q_OBJECT
public:
    explicit LibrarySession(QObject *parent = nullptr);
    // The session that plays the list's entries; set once, before any command.
    void setPlaySession(PlaySession *play);

    const PlayListModel &list() const { return m_list; }
    // For the views: changes go through the commands below.
    PlayListModel *model() { return &m_list; }
    QString libFile() const { return m_libFile; }
    void setLibFile(const QString &file) { m_libFile = file; }
    QString libName() const { return m_libName; }
    // Where new libraries go when nobody named one.
    void setDataDir(const QString &dir) { m_dataDir = dir; }
    QString dataDir() const { return m_dataDir; }

    // The written procedures' work.
    void ClearList();
    void OpenLib();
    bool SaveLib(QString *error = nullptr);
    // The library named at the last start opens again.
    void reopen();
    void newLibrary();
    void clear();
    // Open Library once a file is chosen. Another player's play list is kept as a library named after it
    // in the data folder, which opens. False: nothing opened (the edited list could not be kept, or the
    // play list was refused), and the list stays. What was left out of a play list goes to *problems
    // when given, for the caller to tell; else it is told at once.
    bool openLibraryFile(const QString &file, QStringList *problems = nullptr);
    // The songs a play list names, to add; what was left out of it, or why it was refused, goes to *problems.
    static QStringList songsOfPlayList(const QString &file, QStringList *problems);
    // Writes the list as a .m3u8 play list with each song's length and title (titleOf, else the entry's name).
    bool savePlayList(const QString &file, const std::function<QString(const QString &)> &titleOf,
                      QString *error) const;
    // Save Library once a file is chosen.
    void saveAs(const QString &file);
    // The save that asks nothing: into the list's library file, else as a new
    // numbered library in the data folder.
    bool saveUnasked(QString *error);
    // Saves as quitting does; the library to reopen next time, or empty when it stays.
    QString saveAtExit();

    // Adds files; the first added opens when nothing was open. How many were added.
    int addFiles(const QStringList &paths);
    // Adds without opening.
    int appendFiles(const QStringList &paths);
    void removeAt(int row);
    // Deals the list anew (shuffle).
    void deal();

    // Paths from the command line, the hand-over and the desktop, once the player is free.
    void carryOut(const OpenPlan &plan);

signals:
    void headingShown(const QString &text);
    void libraryLineShown(const QString &text);
    void selectionShown(const QString &text);
    void listCleared();
    // Why the library shows empty or partly loaded; empty when nothing is wrong.
    void problemNoted(const QString &why);
    void failure(const Failure &failure);
    // The file browser shows the folder of path.
    void browserPointed(const QString &path);
    // Entries were added (the browser shows which files are listed).
    void entriesAdded();

private:
    bool keepEditsBeforeReplace();
    QStringList playListSongs(const QString &listFile, QStringList *problems);
    bool keepPlayList(const QString &listFile, const QStringList &songs, QString *kept);
    QString keptLibraryName(const QString &listFile, const QStringList &paths) const;
    void tellLeftOut(const QStringList &leftOut);
    void tellRefused(const QStringList &refused, int leftOut);
    void showHeading();
    void stopForListChange();
    void playSelection();
    bool stillOpen() const;

    PlaySession *m_play = nullptr;
    PlayListModel m_list;
    ShuffleRandom m_random;
    QString m_libName = QStringLiteral("New Library");
    QString m_libFile;
    QString m_dataDir;
    bool m_libraryIncomplete = false;   // the library did not load whole: keep the file
    bool m_listEdited = false;          // entries added or removed since the list was loaded or saved
    QStringList m_leftOutTold;          // entries the user was told a library cannot hold
};
