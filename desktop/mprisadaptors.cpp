#include "desktop/mprisadaptors.h"
#include "components/core/observedlevel.h"
#include "desktop/core/mprisvalues.h"
#include "desktop/mpris.h"
#include "player/midi.h"
#include <QCheckBox>
#include <QTimer>
#include <QUrl>

MprisRoot::MprisRoot(Mpris *mpris) : QDBusAbstractAdaptor(mpris), m_mpris(mpris) {}

QString MprisRoot::identity() const
{
    return QStringLiteral("Lyrabox");
}

QString MprisRoot::desktopEntry() const
{
    return m_mpris->hooks().desktopEntry;
}

QStringList MprisRoot::supportedUriSchemes() const
{
    return {QStringLiteral("file")};
}

QStringList MprisRoot::supportedMimeTypes() const
{
    return {QStringLiteral("audio/midi"), QStringLiteral("audio/x-midi"), QStringLiteral("audio/sp-midi")};
}

void MprisRoot::Raise()
{
    if (m_mpris->hooks().raise)
        m_mpris->hooks().raise();
}

void MprisRoot::Quit()
{
    // After the reply has gone: the window may take a while to save and close.
    QTimer::singleShot(0, m_mpris->player(), &Midi::cmdQuit_Click);
}

MprisPlayer::MprisPlayer(Mpris *mpris) : QDBusAbstractAdaptor(mpris), m_mpris(mpris)
{
    connect(mpris, &Mpris::Seeked, this, &MprisPlayer::Seeked);
}

QString MprisPlayer::playbackStatus() const
{
    return MprisValues::playbackStatus(m_mpris->player()->playState());
}

QString MprisPlayer::loopStatus() const
{
    return MprisValues::loopStatus(m_mpris->player()->controls().chkLoop->isChecked());
}

void MprisPlayer::setLoopStatus(const QString &status)
{
    bool loop = false;
    if (MprisValues::loopFromStatus(status, &loop))
        m_mpris->player()->setLoop(loop);
    m_mpris->refresh();
}

bool MprisPlayer::shuffle() const
{
    return m_mpris->player()->controls().chkShuffle->isChecked();
}

void MprisPlayer::setShuffle(bool on)
{
    m_mpris->player()->setShuffle(on);
    m_mpris->refresh();
}

QVariantMap MprisPlayer::metadata() const
{
    return m_mpris->metadata();
}

double MprisPlayer::volume() const
{
    const SynthLevel *level = m_mpris->level();
    return level->muted() ? 0.0 : level->level() / 65535.0;
}

void MprisPlayer::setVolume(double volume)
{
    m_mpris->level()->setLevel(int(qBound(0.0, volume, 1.0) * 65535.0 + 0.5));
}

qlonglong MprisPlayer::position() const
{
    return MprisValues::toMicro(m_mpris->player()->positionMs());
}

bool MprisPlayer::canGoNext() const
{
    return m_mpris->player()->playList().count() > 0;
}

bool MprisPlayer::canGoPrevious() const
{
    return canGoNext();
}

bool MprisPlayer::canPlay() const
{
    return !m_mpris->player()->openSong().isEmpty();
}

bool MprisPlayer::canPause() const
{
    const PlayState s = m_mpris->player()->playState();
    return s == PlayState::Playing || s == PlayState::Paused;
}

bool MprisPlayer::canSeek() const
{
    return m_mpris->player()->canSeek();
}

void MprisPlayer::Next()
{
    m_mpris->player()->press(Midi::Button::Next);
}

void MprisPlayer::Previous()
{
    m_mpris->player()->press(Midi::Button::Prev);
}

void MprisPlayer::Pause()
{
    if (m_mpris->player()->playState() == PlayState::Playing)
        m_mpris->player()->press(Midi::Button::Pause);
}

void MprisPlayer::PlayPause()
{
    m_mpris->player()->playPause();
}

void MprisPlayer::Stop()
{
    m_mpris->player()->press(Midi::Button::Stop);
}

void MprisPlayer::Play()
{
    // Play on a paused song resumes it; on a playing one it would start it over.
    if (m_mpris->player()->playState() != PlayState::Playing)
        m_mpris->player()->press(Midi::Button::Play);
}

void MprisPlayer::Seek(qlonglong offset)
{
    Midi *p = m_mpris->player();
    const qint64 target = p->positionMs() + MprisValues::toMilli(offset);
    // Past the end goes on to the next song, as the desktop's controls expect.
    if (target >= p->lengthMs() && p->canSeek())
        Next();
    else
        p->seekTo(qMax<qint64>(0, target));
}

void MprisPlayer::SetPosition(const QDBusObjectPath &trackId, qlonglong position)
{
    Midi *p = m_mpris->player();
    if (trackId.path() != MprisValues::trackId(p->openSong()) || position < 0
        || MprisValues::toMilli(position) > p->lengthMs())
        return;
    p->seekTo(MprisValues::toMilli(position));
}

void MprisPlayer::OpenUri(const QString &uri)
{
    if (m_mpris->hooks().openUris)
        m_mpris->hooks().openUris({uri});
}
