#include "app/core/texts.h"
#include "components/core/systemtools.h"
#include "playback/core/playsession.h"

void PlaySession::play()
{
    if (mode() == SequencerDevice::Mode::NotOpen)
        return;
    BusyGuard busy(this);
    cancelInterlude();
    m_playing = true;
    emit aboutToPlay(m_list->path(m_selIndex));
    pumpEvents();
    if (m_shutDown)
        return;
    command(Command::Play);
    setUpdateInterval(500);
    lockCommands(true);
}

void PlaySession::pause()
{
    if (mode() == SequencerDevice::Mode::NotOpen)
        return;
    if (playState() != PlayState::Playing) {
        cancelInterlude();
        setUpdateInterval(500);
        command(Command::Play);
        setUpdateInterval(500);
        lockCommands(true);
        return;
    }
    command(Command::Pause);
    emit stateShown(PlayState::Paused);
    setUpdateInterval(0);
}

void PlaySession::stop()
{
    m_playing = false;
    cancelInterlude();
    setUpdateInterval(0);
    command(Command::Stop);
    setFrom(0);
    emit positionShown(0, false);
    emit stateShown(PlayState::Stopped);
    lockCommands(false);
}

// Next passed the end of a shuffled list: it is dealt again, which opens the
// new first entry. True when that deal found no file at all, so opening again
// would only repeat its message.
bool PlaySession::dealAtWrap()
{
    if (!m_options.shuffle || !m_deal)
        return false;
    const quint64 opens = m_openGeneration;
    m_deal();
    return opens != m_openGeneration && mode() == SequencerDevice::Mode::NotOpen
           && !SystemTools::IsPresent(m_list->path(m_selIndex));
}

void PlaySession::next()
{
    BusyGuard busy(this);
    cancelInterlude();
    bool wrapped = false;
    bool nothingPresent = false;
    if (m_selIndex >= m_list->count() - 1) {
        m_selIndex = 0;
        wrapped = true;
        nothingPresent = dealAtWrap();
    } else {
        ++m_selIndex;
    }
    if (!m_playing) {
        if (!nothingPresent)
            openEntry();
        return;
    }
    emit stateShown(PlayState::Interlude);
    m_interludeStart = m_clock->nowMs();
    const int wanted = m_selIndex;
    const Opened result = nothingPresent ? Opened::NoEntry : openEntry();
    if (result == Opened::Overtaken)
        return;
    // Passing the end of the list (here or while skipping missing files)
    // ends play unless Loop is on; so does a song that would not open, which
    // would otherwise leave "(Interlude)" with nothing to wait for.
    wrapped = wrapped || m_selIndex < wanted;
    if (result != Opened::File || (wrapped && !m_options.loop)) {
        endPlay();
        return;
    }
    setInterludePending(true);
    interludeCheck();
}

void PlaySession::reopenAfterDeal()
{
    // A new deal during the pause between songs keeps the pause: its first
    // song plays when the wait is over.
    const bool waiting = m_interludePending;
    if (waiting)
        m_selIndex = 0;
    const Opened result = openEntry();
    if (!waiting || result == Opened::Overtaken)
        return;
    if (result == Opened::File) {
        setInterludePending(true);
        interludeCheck();
    } else {
        endPlay();
    }
}

void PlaySession::interludeCheck()
{
    if (!m_interludePending)
        return;
    const double waitMs = double(m_options.interludeSeconds) * 1000.0;
    const qint64 elapsed = m_clock->nowMs() - m_interludeStart;
    if (double(elapsed) <= waitMs) {
        m_interludeTimer.start(int(qMin(waitMs - double(elapsed) + 1.0, 61000.0)));
        return;
    }
    BusyGuard busy(this);   // from the pause straight to playing, nothing between
    setInterludePending(false);
    play();
}

void PlaySession::previous()
{
    if (m_interludePending) {
        // Going back during the pause between songs ends play there.
        cancelInterlude();
        endPlay();
    }
    if (mode() == SequencerDevice::Mode::Playing) {
        BusyGuard busy(this);   // the song starts over: no stop on the way to announce
        stop();
        play();
        emit positionJumped(0);
    }
    if (mode() == SequencerDevice::Mode::Paused)
        setFrom(0);
    if (mode() == SequencerDevice::Mode::Stopped) {
        // An emptied list must not leave a negative selection behind.
        if (m_selIndex <= 0)
            m_selIndex = qMax(0, m_list->count() - 1);
        else
            --m_selIndex;
        openEntry();
    }
}

void PlaySession::statusUpdate()
{
    notePlayState();   // a device may stop by itself at the end of a song
    if (!monitorRunning() || mode() == SequencerDevice::Mode::NotOpen)
        return;
    if (takeFault())
        return;
    const qint64 pos = m_device->position();
    // The end first: a start past the end must move on, not wait forever.
    if (pos >= m_device->length()) {
        next();
        return;
    }
    if (pos < m_from)
        return;
    m_playing = true;
    // Play went back by itself: the loop's end took it to its start.
    if (pos < m_lastProgress && m_practice.choices().hasLoop())
        emit positionJumped(pos);
    m_lastProgress = pos;
    emit progress(pos);
}

bool PlaySession::takeFault()
{
    if (mode() == SequencerDevice::Mode::NotOpen)
        return false;
    const QString fault = m_device->takeFault();
    if (fault.isEmpty())
        return false;
    // The device could not go on (its sound bank went away): stop here, keep the list.
    stop();
    emit failure({Failure::Kind::Fault, 0, fault});
    return true;
}

void PlaySession::holdPosition()
{
    m_heldWhilePlaying = playState() == PlayState::Playing && monitorRunning();
    setUpdateInterval(0);
}

void PlaySession::releasePosition(int seconds)
{
    const bool wasPlaying = std::exchange(m_heldWhilePlaying, false);
    const SequencerDevice::Mode mode = this->mode();
    const qint64 from = qint64(seconds) * 1000;
    const bool restart = !monitorRunning()
                         && (mode == SequencerDevice::Mode::Playing
                             || (wasPlaying && mode != SequencerDevice::Mode::NotOpen));
    if (!restart && (mode == SequencerDevice::Mode::Paused || mode == SequencerDevice::Mode::Stopped)) {
        setFrom(from);
        emit positionShown(seconds, true);
        emit positionJumped(from);
        return;
    }
    if (!restart)
        return;
    // Play moves on from elsewhere: the stop and start on the way are no change of state.
    BusyGuard busy(this);
    setUpdateInterval(0);
    command(Command::Stop);
    setFrom(from);
    command(Command::Play);
    setUpdateInterval(500);
    lockCommands(true);
    emit positionJumped(from);
}

bool PlaySession::seekTo(qint64 ms)
{
    if (!canSeek())
        return false;
    // The slider's own way: held, moved, let go.
    holdPosition();
    const int seconds = int(qBound<qint64>(0, (ms + 500) / 1000, m_lengthSeconds));
    emit positionShown(seconds, false);
    releasePosition(seconds);
    return true;
}
