#include "app/core/appinfo.h"
#include "app/core/texts.h"
#include "components/core/systemtools.h"
#include "library/core/libraryfile.h"
#include "library/core/librarysession.h"
#include "library/core/midifiles.h"
#include "library/core/playlistfile.h"
#include "library/filebrowser.h"
#include "library/playlistfind.h"
#include "player/midi.h"
#include "playback/mediacontrol.h"
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QToolButton>

// Files and folders dropped from a file manager: folders one level deep, play lists by their entries.
static QStringList midiFilesIn(const QStringList &paths, QStringList *problems)
{
    QStringList out;
    const QStringList patterns = MidiFiles::namePatterns();
    for (const QString &p : paths) {
        const QFileInfo info(p);
        if (info.isDir()) {
            const QDir dir(p);
            for (const QString &name : dir.entryList(patterns, QDir::Files, QDir::Name | QDir::IgnoreCase))
                out << dir.filePath(name);
        } else if (info.isFile() && isPlayListFile(p)) {
            out << LibrarySession::songsOfPlayList(p, problems);
        } else if (QDir::match(patterns, info.fileName())) {
            out << p;
        }
    }
    return out;
}

void Midi::connectBrowser()
{
    connect(cmdAdd, &QToolButton::clicked, this, &Midi::cmdAdd_Click);
    connect(cmdRemove, &QToolButton::clicked, this, &Midi::cmdRemove_Click);
    connect(Drive1, &QComboBox::activated, this, &Midi::Drive1_Change);
    connect(Dir1, &DirList::changed, this, &Midi::Dir1_Change);
    connect(Dir1, &DirList::unreadable, this,
            [this](const QString &path) { File1->showProblem(QStringLiteral("%1 cannot be read.").arg(path)); });
    connect(File1, &QListWidget::itemDoubleClicked, this, &Midi::File1_DblClick);
    connect(List1, &QAbstractItemView::clicked, this, &Midi::List1_Click);
    connect(List1, &QAbstractItemView::doubleClicked, this, &Midi::List1_DblClick);
    connect(List1, &PlayListBox::enterPressed, this, &Midi::List1_DblClick);
    connect(List1, &PlayListBox::deletePressed, this, [this] {
        if (cmdRemove->isEnabled())
            cmdRemove_Click();
    });
    connect(m_find, &PlayListFind::playRequested, this, &Midi::List1_DblClick);
    connect(List1, &PlayListBox::filesDropped, this, [this](const QStringList &paths) {
        if (!cmdAdd->isEnabled())
            return;
        QStringList problems;
        m_library->addFiles(midiFilesIn(paths, &problems));
        for (const QString &problem : std::as_const(problems))
            showFailure({Failure::Kind::Warning, 0, problem});
    });
}

void Midi::cmdAdd_Click()
{
    QStringList paths;
    for (const QString &name : File1->selectedNames())
        paths << SystemTools::JoinPath(Dir1->path(), name);
    if (!paths.isEmpty())
        m_library->addFiles(paths);
}

void Midi::cmdRemove_Click()
{
    const int i = List1->currentRow();
    m_library->removeAt(List1->rowSelected(i) ? i : -1);
    List1->setCurrentRow(-1);
}

void Midi::pointBrowserAt(const QString &path)
{
    const QString folder = SystemTools::SplitPath(path, true);
    Drive1->setDriveOf(folder);
    if (Dir1->setPath(folder))
        File1->setPath(Dir1->path());
}

void Midi::Drive1_Change()
{
    if (Dir1->setPath(Drive1->drive()))
        File1->setPath(Dir1->path());
}

void Midi::Dir1_Change()
{
    // A folder chosen in the list may lie on another volume (a mount point below).
    Drive1->setDriveOf(Dir1->path());
    File1->setPath(Dir1->path());
}

void Midi::File1_DblClick()
{
    const QString name = File1->currentName();
    if (name.isEmpty())
        return;
    m_play->preview(SystemTools::JoinPath(Dir1->path(), name), m_play->playingOrBetweenSongs());
}

void Midi::List1_Click()
{
    const QString path = m_library->list().path(List1->currentRow());
    if (path.isEmpty())
        return;
    pointBrowserAt(path);
    DoEvents();
}

void Midi::List1_DblClick()
{
    const int row = List1->currentRow();
    if (row < 0 || row >= m_library->list().count())
        return;   // nothing selected: keep SelIndex as it is
    m_play->setSelIndex(row);
    const bool wasPlaying = m_play->playingOrBetweenSongs();
    m_play->setUpdateInterval(0);
    if (m_play->openEntry() == Opened::File && wasPlaying)
        m_play->play();
}

void Midi::findInList()
{
    // A field on a rolled-in panel would take typing out of sight.
    rollOut();
    m_find->openField();
}
