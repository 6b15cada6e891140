#include "app/core/appinfo.h"
#include "app/core/numbers.h"
#include "library/core/librarysession.h"
#include "library/filebrowser.h"
#include "app/core/terminal.h"
#include "app/core/texts.h"
#include "player/midi.h"
#include "player/midigeometry.h"
#include "playback/mediacontrol.h"
#include <QLabel>
#include <QSlider>

// The transport's written handlers: the play session does the work.
void Midi::MMControl1_PlayClick(int &cancel)
{
    cancel = 1;
    m_play->play();
}

void Midi::MMControl1_PauseClick(int &cancel)
{
    cancel = 1;
    m_play->pause();
}

void Midi::MMControl1_StopClick(int &cancel)
{
    cancel = 1;
    m_play->stop();
}

void Midi::MMControl1_NextClick(int &cancel)
{
    cancel = 1;
    m_play->next();
}

void Midi::MMControl1_PrevClick(int &cancel)
{
    cancel = 1;
    m_play->previous();
}

void Midi::interludeCheck()
{
    m_play->interludeCheck();
}

void Midi::MMControl1_StatusUpdate()
{
    m_play->statusUpdate();
}

void Midi::SliderTime_MouseDown()
{
    m_play->holdPosition();
}

void Midi::SliderTime_MouseUp()
{
    m_play->releasePosition(SliderTime->value());
}

Midi::Opened Midi::OpenMid(const QString &previewPath)
{
    return m_play->openEntry(previewPath);
}

// The strip and the panel follow the session.
void Midi::connectSession()
{
    connect(MMControl1, &MediaControl::PrevClick, this, &Midi::MMControl1_PrevClick);
    connect(MMControl1, &MediaControl::NextClick, this, &Midi::MMControl1_NextClick);
    connect(MMControl1, &MediaControl::PlayClick, this, &Midi::MMControl1_PlayClick);
    connect(MMControl1, &MediaControl::PauseClick, this, &Midi::MMControl1_PauseClick);
    connect(MMControl1, &MediaControl::StopClick, this, &Midi::MMControl1_StopClick);
    PlaySession *s = m_play;
    connect(s, &PlaySession::stateShown, this, &Midi::showStateTexts);
    connect(s, &PlaySession::commandsLocked, this, &Midi::showLocked);
    connect(s, &PlaySession::positionShown, this, [this](int seconds, bool showTime) {
        SliderTime->setValue(seconds);
        if (showTime)
            setLabel2(Texts::time(seconds));
    });
    connect(s, &PlaySession::progress, this, &Midi::showProgress);
    connect(s, &PlaySession::aboutToPlay, this, [this](const QString &entry) {
        if (!entry.isEmpty())
            pointBrowserAt(entry);
        if (m_play->options().closeOnPlay && m_heightTw > MidiGeometry::PanelOutAboveTw)
            cmdExpand_Click();
    });
    connect(s, &PlaySession::opening, this, &Midi::showOpening);
    connect(s, &PlaySession::entrySelected, this, [this](int index, const QString &path) {
        List1->setCurrentRow(index);
        pointBrowserAt(path);
    });
    connect(s, &PlaySession::openFailed, this, [this] {
        MMControl1->setMousePointer(MediaControl::MousePointer::Default);
        Label1->setText(QStringLiteral("Failed to open"));
    });
    connect(s, &PlaySession::opened, this, &Midi::showOpened);
    connect(s, &PlaySession::failure, this, &Midi::showFailure);
    connect(s, &PlaySession::idle, this, [this] {
        if (m_play->closePending())
            QTimer::singleShot(0, this, [this] { close(); });
    });
}

void Midi::showStateTexts(PlayState state)
{
    const QString word = playStateWord(state);
    setLabel2(QStringLiteral("(%1)").arg(word));
    showCaption(QStringLiteral("Lyrabox (%1)").arg(word));
}

void Midi::showProgress(qint64 ms)
{
    const qint64 seconds = Texts::wholeSeconds(ms);
    const QString preview = m_play->previewFile();
    if (preview.isEmpty()) {
        Label1->setText(Texts::selectionName(m_library->list().name(m_play->selIndex())));
        const QString time = Texts::time(seconds);
        // The marker blinks: shown on every other update.
        const bool marker = !m_markerShown;
        setLabel2(marker ? time + QStringLiteral(" *") : time);
        m_markerShown = marker;
    } else {
        Label1->setText(Texts::selectionName(preview));
        setLabel2(QStringLiteral("(Preview)"));
    }
    showCaption(Label1->text());
    SliderTime->setValue(int(seconds));
}

void Midi::showOpening()
{
    MMControl1->setMousePointer(MediaControl::MousePointer::Hourglass);
    SliderTime->setEnabled(false);
    SliderTime->setValue(0);
    Label3->setText(Texts::total(0));
    Label1->setText(QStringLiteral("Opening Selection..."));
}

void Midi::showOpened(qint64 lengthMs)
{
    const qint64 seconds = Texts::wholeSeconds(lengthMs);
    SliderTime->setMaximum(int(seconds));
    SliderTime->setTickInterval(int(RoundHalfEven(seconds / 50.0)));
    SliderTime->setPageStep(int(RoundHalfEven(seconds / 10.0)));
    Label3->setText(Texts::total(seconds));
    setLabel5(Texts::libraryHeading(m_library->libName(), m_library->list().count()));
    Label4->setText(QStringLiteral("Midi Library: ") + m_library->libName());
    const QString preview = m_play->previewFile();
    Label1->setText(Texts::selectionName(preview.isEmpty() ? m_library->list().name(m_play->selIndex()) : preview));
    showCaption(Label1->text());
}

void Midi::showFailure(const Failure &failure)
{
    using Kind = Failure::Kind;
    if (failure.kind == Kind::Report && m_closedBySystem) {
        tellTerminal(failure.text);
        return;
    }
    if (failure.kind == Kind::OpenError)
        MMControl1->setMousePointer(MediaControl::MousePointer::Default);
    const bool device = failure.kind == Kind::OpenError || failure.kind == Kind::Fault;
    const Dialogs::Style style = failure.kind == Kind::Notice        ? Dialogs::Style::OkOnly
                                 : failure.kind == Kind::Information ? Dialogs::Style::Information
                                                                     : Dialogs::Style::Exclamation;
    m_services.dialogs->message(this, failure.text, style, device ? QStringLiteral("Midi Player") : AppInfo::AppName);
}
