#include "app/core/terminal.h"
#include "app/core/texts.h"
#include "components/core/systemtools.h"
#include "library/core/libraryfile.h"
#include "library/core/librarysession.h"
#include "playback/core/playsession.h"
#include <QFileInfo>

void LibrarySession::reopen()
{
    if (m_libFile.isEmpty()) {
        m_libName = QStringLiteral("New Library");
        emit headingShown(m_libName + QStringLiteral(" (Empty)"));
        emit libraryLineShown(QStringLiteral("Midi Library: (none)"));
        emit selectionShown(QStringLiteral("No Selection"));
        return;
    }
    m_libName = Texts::libraryName(m_libFile);
    auto showEmpty = [this] {
        emit headingShown(m_libName + QStringLiteral(" (Empty)"));
        emit libraryLineShown(QStringLiteral("Midi Library: ") + m_libName);
        emit selectionShown(QStringLiteral("No Selection"));
    };
    if (!SystemTools::IsPresent(m_libFile)) {
        emit problemNoted(QStringLiteral("The library file %1 is not there.").arg(m_libFile));
        showEmpty();
        return;
    }
    emit headingShown(QStringLiteral("Opening ") + m_libName);
    emit libraryLineShown(QStringLiteral("Midi Library Opening: ") + m_libName);
    emit selectionShown(QStringLiteral("Opening Selection..."));
    m_play->pumpEvents();
    int index = 0;
    QString why;
    if (!LibraryFile::readIndex(m_libFile, &index, &why)) {
        // Unreadable: shown empty, but never written over at shut-down
        // (an empty file holds nothing to lose).
        m_libraryIncomplete = QFileInfo(m_libFile).size() > 0;
        if (m_libraryIncomplete)
            emit problemNoted(why);
        showEmpty();
        return;
    }
    m_play->setSelIndex(index);
    m_play->lockCommands(true);
    m_play->pumpEvents();
    OpenLib();
    m_play->lockCommands(false);
    m_play->pumpEvents();
}

int LibrarySession::addFiles(const QStringList &paths)
{
    BusyGuard busy(m_play);
    const int added = appendFiles(paths);
    if (added > 0 && m_play->mode() == SequencerDevice::Mode::NotOpen) {
        m_play->setSelIndex(0);
        m_play->openEntry();
    }
    return added;
}

int LibrarySession::appendFiles(const QStringList &paths)
{
    BusyGuard busy(m_play);
    int added = 0, leftOut = 0;
    QStringList refused;
    for (const QString &path : paths) {
        if (!LibraryFile::canStore(path))
            refused << path;
        else if (m_list.append(path))
            ++added;
        else
            ++leftOut;
    }
    tellRefused(refused, leftOut);   // also when nothing went in: a full list must not ignore Add
    if (added == 0)
        return 0;
    m_listEdited = true;
    showHeading();
    emit entriesAdded();
    m_play->pumpEvents();
    return added;
}

void LibrarySession::tellRefused(const QStringList &refused, int leftOut)
{
    if (!refused.isEmpty())
        emit failure({Failure::Kind::Warning, 0,
                      QStringLiteral("These files cannot be kept in a library, because their names "
                                     "hold a quotation mark or a line break:\n%1")
                          .arg(refused.join('\n'))});
    if (leftOut > 0)
        emit failure({Failure::Kind::Warning, 0,
                      QStringLiteral("The play list is full (%1 entries): %2 file(s) were not added.")
                          .arg(PlayList::Capacity)
                          .arg(leftOut)});
}

void LibrarySession::removeAt(int row)
{
    if (row >= 0 && row < m_list.count()) {
        m_list.removeAt(row);
        m_listEdited = true;
    }
    showHeading();
}

void LibrarySession::deal()
{
    if (m_list.isEmpty())
        return;
    m_list.setPaths(shuffleDeal(m_list.paths(), m_random));
    m_play->reopenAfterDeal();
}

bool LibrarySession::stillOpen() const
{
    return !m_play->closing();
}

void LibrarySession::carryOut(const OpenPlan &plan)
{
    BusyGuard busy(m_play);
    QStringList problems = plan.problems;
    for (const QString &problem : plan.problems)
        tellTerminal(problem);
    switch (plan.action) {
    case OpenPlan::Action::Nothing: break;
    case OpenPlan::Action::Preview: m_play->preview(plan.files.first(), true); break;
    case OpenPlan::Action::Add: {
        stopForListChange();
        const int first = m_list.count();
        if (appendFiles(plan.files) > 0 && stillOpen()) {
            m_play->setSelIndex(first);
            playSelection();
        }
        break;
    }
    case OpenPlan::Action::Library:
        stopForListChange();
        if (!openLibraryFile(plan.files.first(), &problems))
            break;
        if (plan.files.size() > 1 && stillOpen())
            addFiles(plan.files.mid(1));
        if (stillOpen() && m_play->mode() == SequencerDevice::Mode::Stopped)
            m_play->play();
        break;
    }
    // Told after the rest has started, so a bad name does not hold up the music.
    for (const QString &problem : std::as_const(problems)) {
        if (!stillOpen())
            break;
        emit failure({Failure::Kind::Warning, 0, problem});
    }
}

// Add and Open Library are locked while a song plays or pauses: stop it first,
// as the user would.
void LibrarySession::stopForListChange()
{
    if (m_play->commandsAreLocked())
        m_play->stop();
}

// As a double click on the selected entry while playing.
void LibrarySession::playSelection()
{
    m_play->setUpdateInterval(0);
    if (m_play->openEntry() == PlaySession::Opened::File)
        m_play->play();
}
