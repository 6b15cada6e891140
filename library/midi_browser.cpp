#include "app/core/appinfo.h"
#include "app/core/texts.h"
#include "components/core/systemtools.h"
#include "library/core/libraryfile.h"
#include "library/core/midifiles.h"
#include "library/filebrowser.h"
#include "player/midi.h"
#include "playback/mediacontrol.h"
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QToolButton>

// Files and folders dropped from a file manager: folders one level deep.
static QStringList midiFilesIn(const QStringList &paths)
{
    QStringList out;
    const QStringList patterns = MidiFiles::namePatterns();
    for (const QString &p : paths) {
        const QFileInfo info(p);
        if (info.isDir()) {
            const QDir dir(p);
            for (const QString &name : dir.entryList(patterns, QDir::Files, QDir::Name | QDir::IgnoreCase))
                out << dir.filePath(name);
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
    connect(List1, &PlayListBox::filesDropped, this, [this](const QStringList &paths) {
        if (cmdAdd->isEnabled())
            addFiles(midiFilesIn(paths));
    });
}

int Midi::addFiles(const QStringList &paths)
{
    BusyGuard busy(this);
    const int added = appendFiles(paths);
    if (added > 0 && MMControl1->mode() == SequencerDevice::Mode::NotOpen) {
        m_selIndex = 0;
        OpenMid(QString());
    }
    return added;
}

int Midi::appendFiles(const QStringList &paths)
{
    BusyGuard busy(this);
    int added = 0, leftOut = 0;
    QStringList refused;
    for (const QString &path : paths) {
        if (!LibraryFile::canStore(path)) {
            refused << path;
        } else if (m_list.append(path)) {
            ++added;
        } else {
            ++leftOut;
        }
    }
    if (!refused.isEmpty())
        m_services.dialogs->message(this,
                                    QStringLiteral("These files cannot be kept in a library, because their names "
                                                   "hold a quotation mark or a line break:\n%1")
                                        .arg(refused.join('\n')),
                                    Dialogs::Style::Exclamation, AppInfo::AppName);
    if (leftOut > 0)
        m_services.dialogs->message(this,
                                    QStringLiteral("The play list is full (%1 entries): %2 file(s) were not added.")
                                        .arg(PlayList::Capacity)
                                        .arg(leftOut),
                                    Dialogs::Style::Exclamation, AppInfo::AppName);
    if (added == 0)
        return 0;
    m_listEdited = true;
    setLabel5(Texts::libraryHeading(m_libName, m_list.count()));
    File1->refresh();
    DoEvents();
    return added;
}

void Midi::cmdAdd_Click()
{
    QStringList paths;
    for (const QString &name : File1->selectedNames())
        paths << SystemTools::JoinPath(Dir1->path(), name);
    if (!paths.isEmpty())
        addFiles(paths);
}

void Midi::cmdRemove_Click()
{
    const int i = List1->currentRow();
    if (i >= 0 && i < m_list.count() && List1->rowSelected(i)) {
        m_list.removeAt(i);
        m_listEdited = true;
    }
    List1->setCurrentRow(-1);
    setLabel5(Texts::libraryHeading(m_libName, m_list.count()));
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
    preview(SystemTools::JoinPath(Dir1->path(), name), playingOrBetweenSongs());
}

void Midi::preview(const QString &path, bool play)
{
    m_previewFile = SystemTools::SplitPath(path, false);
    if (OpenMid(path) == Opened::File && play) {
        int cancel = 1;
        MMControl1_PlayClick(cancel);
    }
}

void Midi::List1_Click()
{
    const QString path = m_list.path(List1->currentRow());
    if (path.isEmpty())
        return;
    pointBrowserAt(path);
    DoEvents();
}

void Midi::List1_DblClick()
{
    const int row = List1->currentRow();
    if (row < 0 || row >= m_list.count())
        return;   // nothing selected: keep SelIndex as it is
    m_selIndex = row;
    const bool wasPlaying = playingOrBetweenSongs();
    MMControl1->setUpdateInterval(0);
    if (OpenMid(QString()) == Opened::File && wasPlaying) {
        int cancel = 1;
        MMControl1_PlayClick(cancel);
    }
}
