#include "app/core/appinfo.h"
#include "app/core/terminal.h"
#include "app/core/texts.h"
#include "library/core/librarysession.h"
#include "library/filebrowser.h"
#include "player/midi.h"
#include "playback/mediacontrol.h"
#include <QLabel>
#include <QSlider>

// The library's written procedures and buttons: the library session does the work.
void Midi::ClearList()
{
    m_library->ClearList();
}

void Midi::OpenLib()
{
    m_library->OpenLib();
}

bool Midi::SaveLib(QString *error)
{
    return m_library->SaveLib(error);
}

void Midi::cmdNew_Click()
{
    m_library->newLibrary();
}

void Midi::cmdClear_Click()
{
    m_library->clear();
}

void Midi::cmdOpen_Click()
{
    BusyGuard busy(m_play);
    const QString file = m_library->libFile();
    const auto chosen = m_services.dialogs->openFile(this, QStringLiteral("Open Midi Library"),
                                                     file.isEmpty() ? m_dataDir : file,
                                                     QStringLiteral("Midi File Library (*.mfl)"));
    if (!chosen)
        return;
    DoEvents();
    m_library->openLibraryFile(*chosen);
}

void Midi::cmdSave_Click()
{
    BusyGuard busy(m_play);
    if (m_library->list().isEmpty()) {
        m_services.dialogs->message(this, QStringLiteral("No entries in playlist to save"), Dialogs::Style::OkOnly,
                                    AppInfo::AppName);
        return;
    }
    const QString file = m_library->libFile();
    const QString initial = file.isEmpty() ? m_dataDir + m_library->libName() + QStringLiteral(".mfl") : file;
    const auto chosen = m_services.dialogs->saveFile(this, QStringLiteral("Save Midi Library"), initial,
                                                     QStringLiteral("Midi File Library (*.mfl)"));
    if (chosen)
        m_library->saveAs(*chosen);
}

void Midi::showSelectionTip()
{
    QStringList lines{QStringLiteral("Midi selection")};
    const QString song = m_play->openSong();
    if (m_services.songText && !song.isEmpty()) {
        const SongText text = m_services.songText->textOf(song);
        QStringList names{text.title, text.artists.join(QStringLiteral(", "))};
        names.removeAll(QString());
        if (!names.isEmpty())
            lines << names.join(QStringLiteral(" \u2014 "));
    }
    if (!m_libraryProblem.isEmpty())
        lines << m_libraryProblem;
    Label1->setToolTip(lines.join(QLatin1Char('\n')));
}

// The panel and the strip follow the library session.
void Midi::connectLibrary()
{
    LibrarySession *l = m_library;
    connect(l, &LibrarySession::headingShown, this, &Midi::setLabel5);
    connect(l, &LibrarySession::libraryLineShown, Label4, &QLabel::setText);
    connect(l, &LibrarySession::selectionShown, Label1, &QLabel::setText);
    connect(l, &LibrarySession::listCleared, this, [this] {
        File1->clearSelectionIndex();
        Label3->setText(Texts::total(0));
    });
    connect(l, &LibrarySession::entriesAdded, File1, &FileList::refresh);
    connect(l, &LibrarySession::browserPointed, this, &Midi::pointBrowserAt);
    connect(l, &LibrarySession::problemNoted, this, [this](const QString &why) {
        if (!why.isEmpty())
            tellTerminal(why);
        m_libraryProblem = why;
        showSelectionTip();
    });
    connect(m_play, &PlaySession::songChanged, this, &Midi::showSelectionTip);
    if (m_services.songText)
        connect(m_services.songText, &SongTextSource::changed, this, &Midi::showSelectionTip);
    connect(l, &LibrarySession::failure, this, &Midi::showFailure);
}
