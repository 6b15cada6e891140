#include "playback/core/playsession.h"
#include "app/core/texts.h"
#include "components/core/systemtools.h"
#include "playback/core/mediaerrors.h"
#include <QCoreApplication>

PlaySession::PlaySession(SequencerDevice *device, Clock *clock, const PlayList *list, QObject *parent)
    : QObject(parent), m_device(device), m_clock(clock), m_list(list), m_monitor(this), m_interludeTimer(this),
      m_practice(device)
{
    m_monitor.setObjectName(QStringLiteral("StatusTimer"));
    connect(&m_monitor, &QTimer::timeout, this, &PlaySession::statusUpdate);
    m_interludeTimer.setSingleShot(true);
    m_interludeTimer.setObjectName(QStringLiteral("InterludeTimer"));
    connect(&m_interludeTimer, &QTimer::timeout, this, &PlaySession::interludeCheck);
    m_device->setFaultListener([this] { takeFault(); });
    connect(this, &PlaySession::positionJumped, this, [this](qint64 ms) { m_lastProgress = ms; });
}

int PlaySession::command(Command command)
{
    const int rc = runCommand(command);
    notePlayState();
    return rc;
}

int PlaySession::runCommand(Command command)
{
    if (command == Command::Open) {
        // A copy: a newer Open may set another name while the device works.
        const QString file = m_fileName;
        const quint64 mine = ++m_opens;
        const int rc = m_device->open(file);
        if (mine == m_opens) {
            m_leftOpen = rc == 0;
            return rc;
        }
        // A newer Open ran while the device let events run, and this one finished
        // last: give the device back the state the newer one left.
        m_device->close();
        if (m_leftOpen)
            m_leftOpen = m_device->open(m_fileName) == 0;
        return rc;
    }
    if (command == Command::Close) {
        m_device->close();
        m_leftOpen = false;
        return 0;
    }
    if (m_device->mode() == SequencerDevice::Mode::NotOpen)
        return MediaError::DeviceNotOpen;
    if (command == Command::Play) {
        const qint64 from = m_fromSet ? m_from : -1;
        m_fromSet = false;
        return m_device->play(from);
    }
    return command == Command::Pause ? m_device->pause() : m_device->stop();
}

void PlaySession::setFrom(qint64 ms)
{
    m_from = ms;
    m_fromSet = true;
    m_lastProgress = -1;
}

void PlaySession::setUpdateInterval(int ms)
{
    m_interval = qMax(0, ms);
    if (m_interval > 0)
        m_monitor.start(m_interval);
    else
        m_monitor.stop();
}

void PlaySession::pumpEvents()
{
    if (m_pump)
        m_pump();
    else
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void PlaySession::leave()
{
    if (--m_busy > 0)
        return;
    notePlayState();
    emit idle();
}

void PlaySession::shutDown()
{
    m_shutDown = true;
    cancelInterlude();
    setUpdateInterval(0);
    command(Command::Stop);
    command(Command::Close);
}

void PlaySession::lockCommands(bool locked)
{
    m_locked = locked;
    if (!locked)
        m_opening = false;
    emit commandsLocked(locked);
}

void PlaySession::setOptions(const PlayerOptions &options)
{
    m_options = options;
}

PlayState PlaySession::playState() const
{
    if (m_interludePending)
        return PlayState::Interlude;
    switch (m_device->mode()) {
    case SequencerDevice::Mode::Playing: return PlayState::Playing;
    case SequencerDevice::Mode::Paused: return PlayState::Paused;
    case SequencerDevice::Mode::Stopped: return PlayState::Stopped;
    default: return PlayState::Closed;
    }
}

bool PlaySession::playingOrBetweenSongs() const
{
    const PlayState s = playState();
    return s == PlayState::Playing || s == PlayState::Interlude;
}

qint64 PlaySession::positionMs() const
{
    const SequencerDevice::Mode m = mode();
    if (m == SequencerDevice::Mode::NotOpen)
        return 0;
    // Paused, play stands where the device stopped; stopped or moved by hand, it starts where the slider points.
    if (m == SequencerDevice::Mode::Playing || (m == SequencerDevice::Mode::Paused && !m_fromSet))
        return m_device->position();
    return m_from;
}

qint64 PlaySession::lengthMs() const
{
    return mode() == SequencerDevice::Mode::NotOpen ? 0 : m_device->length();
}

QString PlaySession::openSong() const
{
    return mode() == SequencerDevice::Mode::NotOpen ? QString() : m_fileName;
}

bool PlaySession::canSeek() const
{
    return mode() != SequencerDevice::Mode::NotOpen && !m_opening && m_lengthSeconds > 0;
}

// Announced once a handler is through, so listeners see where it settled and
// not the stop, close and open it passes on the way.
void PlaySession::notePlayState()
{
    if (m_busy > 0)
        return;
    const QString song = openSong();
    if (song != m_lastSong) {
        m_lastSong = song;
        if (song.isEmpty())
            m_practice.songClosed();
        emit songChanged();
    }
    const PlayState now = playState();
    if (now == m_lastState)
        return;
    m_lastState = now;
    emit playStateChanged(now);
}

void PlaySession::setInterludePending(bool pending)
{
    m_interludePending = pending;
    notePlayState();
}

void PlaySession::cancelInterlude()
{
    m_interludeTimer.stop();
    setInterludePending(false);
}

void PlaySession::endPlay()
{
    m_playing = false;
    emit stateShown(PlayState::Stopped);
}

bool PlaySession::findPresentEntry()
{
    const int n = m_list->count();
    if (m_selIndex < 0 || m_selIndex >= n)
        m_selIndex = 0;
    for (int tried = 0; tried < n; ++tried) {
        if (SystemTools::IsPresent(m_list->path(m_selIndex)))
            return true;
        m_selIndex = m_selIndex >= n - 1 ? 0 : m_selIndex + 1;
    }
    m_selIndex = 0;
    return false;
}

void PlaySession::closeSong()
{
    cancelInterlude();
    m_playing = false;
    command(Command::Close);
    setFrom(0);
    emit positionShown(0, false);
    emit stateShown(PlayState::Stopped);
}
