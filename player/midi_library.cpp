#include "app/core/appinfo.h"
#include "app/core/terminal.h"
#include "app/core/texts.h"
#include "library/core/librarysession.h"
#include "library/filebrowser.h"
#include "player/midi.h"
#include "playback/mediacontrol.h"
#include <QFileInfo>
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
                                                     QStringLiteral("Midi File Library (*.mfl);;"
                                                                    "Play lists (*.m3u *.m3u8 *.pls)"));
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

// Other players read the list as .m3u8; the library stays as it is.
void Midi::savePlayListAs()
{
    BusyGuard busy(m_play);
    const auto tell = [this](const QString &text, Dialogs::Style style) {
        return m_services.dialogs->message(this, text, style, AppInfo::AppName);
    };
    if (m_library->list().isEmpty()) {
        tell(QStringLiteral("No entries in playlist to save"), Dialogs::Style::OkOnly);
        return;
    }
    const auto chosen = m_services.dialogs->saveFile(this, QStringLiteral("Save Play List"),
                                                     m_dataDir + m_library->libName() + QStringLiteral(".m3u8"),
                                                     QStringLiteral("Play lists (*.m3u8)"));
    if (!chosen)
        return;
    QString file = *chosen;
    // A name typed without its suffix would not be known as a play list; the dialog asked about the name as typed.
    if (QFileInfo(file).suffix().isEmpty()) {
        file += QStringLiteral(".m3u8");
        if (QFileInfo::exists(file)
            && tell(QStringLiteral("%1 already exists. Replace it?").arg(file),
                    Dialogs::Style::YesNo | Dialogs::Style::Question)
                   != Dialogs::Answer::Yes)
            return;
    }
    SongTextSource *songText = m_services.songText;
    const auto titleOf = [songText](const QString &path) {
        return songText ? songText->textOf(path).title : QString();
    };
    QString error;
    if (!m_library->savePlayList(file, titleOf, &error))
        tell(QStringLiteral("The play list could not be saved. %1").arg(error), Dialogs::Style::Exclamation);
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
