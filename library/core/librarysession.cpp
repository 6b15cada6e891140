#include "library/core/librarysession.h"
#include "app/core/texts.h"
#include "library/core/libraryfile.h"
#include "library/core/playlistfile.h"
#include "playback/core/playsession.h"
#include <QFileInfo>

LibrarySession::LibrarySession(QObject *parent) : QObject(parent) {}

void LibrarySession::setPlaySession(PlaySession *play)
{
    m_play = play;
    m_play->setDealer([this] { deal(); });
}

void LibrarySession::showHeading()
{
    emit headingShown(Texts::libraryHeading(m_libName, m_list.count()));
}

void LibrarySession::ClearList()
{
    m_list.clear();
    emit listCleared();
    m_play->setSelIndex(0);
    emit selectionShown(QStringLiteral("No Selection"));
    // Whatever played or waited in the interlude ends.
    m_play->closeSong();
}

void LibrarySession::OpenLib()
{
    BusyGuard busy(m_play);
    ClearList();
    m_libraryIncomplete = false;
    m_listEdited = false;
    emit problemNoted(QString());
    const LibraryContents lib = LibraryFile::read(m_libFile);
    if (lib.empty && lib.error.isEmpty()) {
        emit headingShown(m_libName + QStringLiteral(" (Empty)"));
        return;
    }
    for (const QString &path : lib.paths)
        m_list.append(path);
    if (!lib.error.isEmpty()) {
        // What did not load must not be lost by the save at shut-down.
        m_libraryIncomplete = true;
        emit problemNoted(lib.error);
        emit failure({Failure::Kind::Information, 0, QStringLiteral("OpenLib error: ") + lib.error});
        return;
    }
    m_play->setSelIndex(lib.selIndex);
    if (!m_play->findPresentEntry()) {
        emit failure({Failure::Kind::Notice, 0, QStringLiteral("File(s) not present")});
        m_play->lockCommands(false);
        m_play->pumpEvents();
        return;
    }
    emit browserPointed(m_list.path(m_play->selIndex()));
    if (!m_list.isEmpty())
        m_play->openEntry();
}

bool LibrarySession::SaveLib(QString *error)
{
    if (m_libFile.isEmpty() || m_list.isEmpty())
        return true;
    // A name another program wrote may hold what a library cannot: keep the rest.
    const LibraryFile::Storable kept = LibraryFile::storable(m_list.paths(), m_play->selIndex());
    tellLeftOut(kept.leftOut);
    if (kept.paths.isEmpty())
        return true;
    QString why;
    const bool ok = LibraryFile::write(m_libFile, kept.selIndex, kept.paths, &why);
    if (!ok && error)
        *error = why;
    if (ok) {
        m_libraryIncomplete = false;
        m_listEdited = false;
    }
    return ok;
}

void LibrarySession::tellLeftOut(const QStringList &leftOut)
{
    if (leftOut.isEmpty() || leftOut == m_leftOutTold)
        return;
    m_leftOutTold = leftOut;
    emit failure({Failure::Kind::Report, 0,
                  QStringLiteral("These entries were left out of the library %1, because a library file cannot "
                                 "hold a name with a quotation mark or a line break:\n%2")
                      .arg(m_libFile, leftOut.join(QLatin1Char('\n')))});
}

// A library that did not load whole is never written over, and is not saved at all while untouched.
bool LibrarySession::saveUnasked(QString *error)
{
    if (m_libraryIncomplete) {
        if (!m_listEdited || m_list.isEmpty())
            return true;
        // The user built on a list that did not load whole: their list is kept
        // as a new library, and the file it came from is left as it is.
        m_libFile.clear();
    }
    if (m_libFile.isEmpty() && !m_list.isEmpty()) {
        // A list built without a file still goes somewhere the user can find it.
        QString name = m_dataDir + QStringLiteral("New Library.mfl");
        for (int n = 2; QFileInfo::exists(name); ++n)
            name = m_dataDir + QStringLiteral("New Library %1.mfl").arg(n);
        m_libFile = name;
    }
    return SaveLib(error);
}

// Another library or a new list is about to replace this one: edits are saved
// as quitting would save them. False when they could not be (the user is told
// and the list stays).
bool LibrarySession::keepEditsBeforeReplace()
{
    if (!m_listEdited || m_list.isEmpty())
        return true;
    QString error;
    if (saveUnasked(&error))
        return true;
    emit failure({Failure::Kind::Warning, 0,
                  QStringLiteral("Your play list could not be saved, so it stays open. %1\n"
                                 "Save it with Save Library, or Clear it, first.")
                      .arg(error)});
    return false;
}

QString LibrarySession::saveAtExit()
{
    const QString before = m_libFile;
    QString error;
    if (!saveUnasked(&error))
        emit failure({Failure::Kind::Report, 0,
                      QStringLiteral("Your settings could not all be saved: the play list could not be written (%1).")
                          .arg(error)});
    return m_libFile != before ? m_libFile : QString();
}

void LibrarySession::newLibrary()
{
    if (!keepEditsBeforeReplace())
        return;
    ClearList();
    m_libName = QStringLiteral("New Library");
    // Forget the file, so the previous library is never overwritten by this list.
    m_libFile.clear();
    m_libraryIncomplete = false;
    m_listEdited = false;
    emit libraryLineShown(QStringLiteral("Midi Library: ") + m_libName);
    emit headingShown(m_libName + QStringLiteral(" (Empty)"));
}

void LibrarySession::clear()
{
    ClearList();
    emit headingShown(m_libName + QStringLiteral(" (Empty)"));
}

bool LibrarySession::openLibraryFile(const QString &file, QStringList *problems)
{
    BusyGuard busy(m_play);
    // A play list that is refused changes nothing.
    const bool playList = isPlayListFile(file);
    QStringList leftOut;
    const QStringList songs = playList ? playListSongs(file, &leftOut) : QStringList();
    if ((playList && songs.isEmpty()) || !keepEditsBeforeReplace())
        return false;
    QString library = file;
    if (playList && !keepPlayList(file, songs, &library))
        return false;
    m_libFile = library;
    m_libName = Texts::libraryName(m_libFile);
    emit headingShown(QStringLiteral("Opening ") + m_libName);
    emit libraryLineShown(QStringLiteral("Midi Library Openning: ") + m_libName);
    m_play->pumpEvents();
    m_play->lockCommands(true);
    m_play->pumpEvents();
    OpenLib();
    m_play->lockCommands(false);
    m_play->pumpEvents();
    if (!leftOut.isEmpty()) {
        const QString text = QStringLiteral("In the play list %1:\n%2").arg(file, leftOut.join('\n'));
        emit problemNoted(text);
        if (problems)
            *problems << text;
        else
            emit failure({Failure::Kind::Warning, 0, text});
    }
    return true;
}

void LibrarySession::saveAs(const QString &file)
{
    m_libFile = file;
    m_play->pumpEvents();
    m_libName = Texts::libraryName(m_libFile);
    emit libraryLineShown(QStringLiteral("Midi Library: ") + m_libName);
    showHeading();
    QString error;
    if (!SaveLib(&error))
        emit failure({Failure::Kind::Warning, 0, QStringLiteral("The library could not be saved. %1").arg(error)});
}
