#include "app/core/numbers.h"
#include "components/core/systemtools.h"
#include "player/midi.h"
#include "playback/mediacontrol.h"
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

void Midi::MMControl1_PlayClick(int &cancel)
{
    cancel = 1;
    if (MMControl1->mode() == SequencerDevice::Mode::NotOpen)
        return;
    BusyGuard busy(this);
    cancelInterlude();
    m_playing = true;
    if (!m_list.path(m_selIndex).isEmpty())
        pointBrowserAt(m_list.path(m_selIndex));
    if (chkClose->isChecked() && m_heightTw > MidiGeometry::PanelOutAboveTw)
        cmdExpand_Click();
    DoEvents();
    if (m_unloaded)
        return;
    MMControl1->setCommand(MediaControl::Command::Play);
    MMControl1->setUpdateInterval(500);
    ComDisable();
}

void Midi::MMControl1_PauseClick(int &cancel)
{
    cancel = 1;
    if (MMControl1->mode() == SequencerDevice::Mode::NotOpen)
        return;
    if (playState() != PlayState::Playing) {
        cancelInterlude();
        MMControl1->setUpdateInterval(500);
        MMControl1->setCommand(MediaControl::Command::Play);
        MMControl1->setUpdateInterval(500);
        ComDisable();
        return;
    }
    MMControl1->setCommand(MediaControl::Command::Pause);
    showStateTexts(PlayState::Paused);
    MMControl1->setUpdateInterval(0);
}

void Midi::MMControl1_StopClick(int &cancel)
{
    cancel = 1;
    m_playing = false;
    cancelInterlude();
    MMControl1->setUpdateInterval(0);
    MMControl1->setCommand(MediaControl::Command::Stop);
    MMControl1->setFrom(0);
    SliderTime->setValue(0);
    showStateTexts(PlayState::Stopped);
    ComInable();
}

void Midi::MMControl1_NextClick(int &cancel)
{
    cancel = 1;
    BusyGuard busy(this);
    cancelInterlude();
    bool wrapped = false;
    bool nothingPresent = false;
    if (m_selIndex >= m_list.count() - 1) {
        m_selIndex = 0;
        wrapped = true;
        if (chkShuffle->isChecked()) {
            const quint64 opens = m_openGeneration;
            // Off and on again through toggled: the box's handler deals afresh.
            chkShuffle->setChecked(false);
            chkShuffle->setChecked(true);
            // The deal has opened the new first entry already; when it found no file
            // at all, opening again would only repeat its message.
            nothingPresent = opens != m_openGeneration && MMControl1->mode() == SequencerDevice::Mode::NotOpen
                             && !SystemTools::IsPresent(m_list.path(m_selIndex));
        }
    } else {
        ++m_selIndex;
    }
    if (!m_playing) {
        if (!nothingPresent)
            OpenMid(QString());
        return;
    }
    showStateTexts(PlayState::Interlude);
    m_interludeStart = m_services.clock->nowMs();
    const int wanted = m_selIndex;
    const Opened result = nothingPresent ? Opened::NoEntry : OpenMid(QString());
    if (result == Opened::Overtaken)
        return;
    // Passing the end of the list (here or while skipping missing files)
    // ends play unless Loop is on; so does a song that would not open, which
    // would otherwise leave "(Interlude)" with nothing to wait for.
    wrapped = wrapped || m_selIndex < wanted;
    if (result != Opened::File || (wrapped && !chkLoop->isChecked())) {
        endPlay();
        return;
    }
    setInterludePending(true);
    interludeCheck();
}

void Midi::interludeCheck()
{
    if (!m_interludePending)
        return;
    const double waitMs = double(SettingToNumber(txtPause->text())) * 1000.0;
    const qint64 elapsed = m_services.clock->nowMs() - m_interludeStart;
    if (double(elapsed) <= waitMs) {
        m_interludeTimer.start(int(qMin(waitMs - double(elapsed) + 1.0, 61000.0)));
        return;
    }
    BusyGuard busy(this);   // from the pause straight to playing, nothing between
    setInterludePending(false);
    int cancel = 1;
    MMControl1_PlayClick(cancel);
}

void Midi::endPlay()
{
    m_playing = false;
    showStateTexts(PlayState::Stopped);
}

PlayState Midi::playState() const
{
    if (m_interludePending)
        return PlayState::Interlude;
    switch (MMControl1->mode()) {
    case SequencerDevice::Mode::Playing: return PlayState::Playing;
    case SequencerDevice::Mode::Paused: return PlayState::Paused;
    case SequencerDevice::Mode::Stopped: return PlayState::Stopped;
    default: return PlayState::Closed;
    }
}

// Announced once a handler is through, so listeners see where it settled and
// not the stop, close and open it passes on the way.
void Midi::notePlayState()
{
    if (m_busy > 0)
        return;
    const QString song = openSong();
    if (song != m_lastSong) {
        m_lastSong = song;
        emit songChanged();
    }
    const PlayState now = playState();
    if (now == m_lastState)
        return;
    m_lastState = now;
    emit playStateChanged(now);
}

void Midi::showStateTexts(PlayState state)
{
    const QString word = playStateWord(state);
    setLabel2(QStringLiteral("(%1)").arg(word));
    showCaption(QStringLiteral("Lyrabox (%1)").arg(word));
}

void Midi::setInterludePending(bool pending)
{
    m_interludePending = pending;
    notePlayState();
}

bool Midi::playingOrBetweenSongs() const
{
    const PlayState s = playState();
    return s == PlayState::Playing || s == PlayState::Interlude;
}

void Midi::cancelInterlude()
{
    m_interludeTimer.stop();
    setInterludePending(false);
}

void Midi::MMControl1_PrevClick(int &cancel)
{
    cancel = 1;
    if (m_interludePending) {
        // Going back during the pause between songs ends play there.
        cancelInterlude();
        endPlay();
    }
    if (MMControl1->mode() == SequencerDevice::Mode::Playing) {
        BusyGuard busy(this);   // the song starts over: no stop on the way to announce
        int c = 1;
        MMControl1_StopClick(c);
        MMControl1_PlayClick(c);
        emit positionJumped(0);
    }
    if (MMControl1->mode() == SequencerDevice::Mode::Paused)
        MMControl1->setFrom(0);
    if (MMControl1->mode() == SequencerDevice::Mode::Stopped) {
        // An emptied list must not leave a negative selection behind.
        if (m_selIndex <= 0)
            m_selIndex = qMax(0, m_list.count() - 1);
        else
            --m_selIndex;
        OpenMid(QString());
    }
}
