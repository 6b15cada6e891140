#include "app/core/texts.h"
#include "player/midi.h"
#include "playback/mediacontrol.h"
#include <QLabel>
#include <QSlider>

void Midi::MMControl1_StatusUpdate()
{
    notePlayState();   // a device may stop by itself at the end of a song
    if (!monitorRunning() || MMControl1->mode() == SequencerDevice::Mode::NotOpen)
        return;
    const QString fault = m_services.device->takeFault();
    if (!fault.isEmpty()) {
        // The device could not go on (its sound bank went away): stop here, keep the list.
        int cancel = 1;
        MMControl1_StopClick(cancel);
        m_services.dialogs->message(this, fault, Dialogs::Style::Exclamation, QStringLiteral("Midi Player"));
        return;
    }
    const qint64 pos = MMControl1->position();
    // The end first: a start past the end must move on, not wait forever.
    if (pos >= MMControl1->length()) {
        int cancel = 1;
        MMControl1_NextClick(cancel);
        return;
    }
    if (pos < MMControl1->from())
        return;
    m_playing = true;
    const qint64 seconds = Texts::wholeSeconds(pos);
    if (m_previewFile.isEmpty()) {
        Label1->setText(Texts::selectionName(m_list.name(m_selIndex)));
        const QString time = Texts::time(seconds);
        // The marker blinks: shown on every other update.
        const bool marker = !m_markerShown;
        setLabel2(marker ? time + QStringLiteral(" *") : time);
        m_markerShown = marker;
    } else {
        Label1->setText(Texts::selectionName(m_previewFile));
        setLabel2(QStringLiteral("(Preview)"));
    }
    showCaption(Label1->text());
    SliderTime->setValue(int(seconds));
}

void Midi::SliderTime_MouseDown()
{
    m_sliderHeldWhilePlaying = playState() == PlayState::Playing && monitorRunning();
    MMControl1->setUpdateInterval(0);
}

void Midi::SliderTime_MouseUp()
{
    const bool wasPlaying = m_sliderHeldWhilePlaying;
    m_sliderHeldWhilePlaying = false;
    const SequencerDevice::Mode mode = MMControl1->mode();
    const qint64 from = qint64(SliderTime->value()) * 1000;
    const bool restart = !monitorRunning()
                         && (mode == SequencerDevice::Mode::Playing
                             || (wasPlaying && mode != SequencerDevice::Mode::NotOpen));
    if (!restart && (mode == SequencerDevice::Mode::Paused || mode == SequencerDevice::Mode::Stopped)) {
        MMControl1->setFrom(from);
        setLabel2(Texts::time(SliderTime->value()));
        emit positionJumped(from);
        return;
    }
    if (!restart)
        return;
    // Play moves on from elsewhere: the stop and start on the way are no change of state.
    BusyGuard busy(this);
    MMControl1->setUpdateInterval(0);
    MMControl1->setCommand(MediaControl::Command::Stop);
    MMControl1->setFrom(from);
    MMControl1->setCommand(MediaControl::Command::Play);
    MMControl1->setUpdateInterval(500);
    ComDisable();
    emit positionJumped(from);
}
