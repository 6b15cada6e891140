#include "desktop/mprisadaptors.h"
#include "components/core/observedlevel.h"
#include "desktop/core/mprisvalues.h"
#include "desktop/mpris.h"
#include "library/core/openplan.h"
#include "playback/mediacontrol.h"
#include "player/midi.h"
#include <QCheckBox>
#include <QDir>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <cmath>

namespace {

// An error with the player's reason for not taking a command, or otherwise
// when the player would take it but the command has nothing to act on.
void refuse(Mpris *mpris, const QString &otherwise, const QWidget *control = nullptr)
{
    const QString why = mpris->player()->refusal(control);
    mpris->refuse(QDBusError::Failed, why.isEmpty() ? otherwise : why);
}

// Answered first, pressed after: a song that fails to open brings up a box,
// and the desktop's controls must not wait on it for their answer.
void press(Mpris *mpris, Midi::Button button)
{
    Midi *p = mpris->player();
    if (!p->refusal(p->controls().MMControl1->button(int(button))).isEmpty())
        refuse(mpris, QStringLiteral("Lyrabox cannot do that now."));
    else
        QTimer::singleShot(0, p, [p, button] { p->press(button); });
}

}   // namespace

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
    // As the system ends it: open boxes close, nothing asks. After the reply
    // has gone: the window may take a while to save and close.
    QTimer::singleShot(0, m_mpris->player(), &Midi::endBySystem);
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
    Midi *p = m_mpris->player();
    bool loop = false;
    if (!MprisValues::loopFromStatus(status, &loop))
        m_mpris->refuse(QDBusError::NotSupported,
                        QStringLiteral("Loop status %1 is not one Lyrabox has: None or Playlist.").arg(status));
    else if (loop != p->controls().chkLoop->isChecked() && !p->setLoop(loop))
        refuse(m_mpris, QStringLiteral("Loop cannot change now."), p->controls().chkLoop);
    m_mpris->refresh();
}

bool MprisPlayer::shuffle() const
{
    return m_mpris->player()->controls().chkShuffle->isChecked();
}

void MprisPlayer::setRate(double rate)
{
    if (rate != 1.0)
        m_mpris->refuse(QDBusError::NotSupported, QStringLiteral("Songs play at their own tempo: the rate is 1."));
}

void MprisPlayer::setShuffle(bool on)
{
    Midi *p = m_mpris->player();
    if (on != shuffle() && !p->setShuffle(on))
        refuse(m_mpris, QStringLiteral("Shuffle cannot change now."), p->controls().chkShuffle);
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
    if (std::isnan(volume))
        m_mpris->refuse(QDBusError::InvalidArgs, QStringLiteral("The volume is not a number."));
    else
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
    if (!canGoNext())
        refuse(m_mpris, QStringLiteral("The play list is empty."));
    else
        press(m_mpris, Midi::Button::Next);
}

void MprisPlayer::Previous()
{
    if (!canGoPrevious())
        refuse(m_mpris, QStringLiteral("The play list is empty."));
    else
        press(m_mpris, Midi::Button::Prev);
}

void MprisPlayer::Pause()
{
    if (m_mpris->player()->playState() == PlayState::Playing)
        press(m_mpris, Midi::Button::Pause);
}

void MprisPlayer::PlayPause()
{
    if (m_mpris->player()->playState() == PlayState::Playing)
        press(m_mpris, Midi::Button::Pause);
    else
        Play();
}

void MprisPlayer::Stop()
{
    press(m_mpris, Midi::Button::Stop);
}

void MprisPlayer::Play()
{
    // Play on a paused song resumes it; on a playing one it would start it over.
    if (m_mpris->player()->playState() == PlayState::Playing)
        return;
    if (!canPlay())
        refuse(m_mpris, QStringLiteral("No song is open."));
    else
        press(m_mpris, Midi::Button::Play);
}

void MprisPlayer::Seek(qlonglong offset)
{
    Midi *p = m_mpris->player();
    const qint64 target = p->positionMs() + MprisValues::toMilli(offset);
    // Past the end goes on to the next song, as the desktop's controls expect.
    if (target >= p->lengthMs() && p->canSeek())
        Next();
    else if (!p->seekTo(qMax<qint64>(0, target)))
        refuse(m_mpris, QStringLiteral("No song is open to seek in."));
}

void MprisPlayer::SetPosition(const QDBusObjectPath &trackId, qlonglong position)
{
    Midi *p = m_mpris->player();
    if (trackId.path() != MprisValues::trackId(p->openSong()))
        m_mpris->refuse(QDBusError::InvalidArgs, QStringLiteral("%1 is not the open song.").arg(trackId.path()));
    else if (position < 0 || MprisValues::toMilli(position) > p->lengthMs())
        m_mpris->refuse(QDBusError::InvalidArgs, QStringLiteral("The position lies outside the song."));
    else if (!p->seekTo(MprisValues::toMilli(position)))
        refuse(m_mpris, QStringLiteral("No song is open to seek in."));
}

void MprisPlayer::OpenUri(const QString &uri)
{
    Midi *p = m_mpris->player();
    if (p->closing()) {
        refuse(m_mpris, QString());
        return;
    }
    const OpenPlan plan = OpenPlanner::plan({uri}, QDir::currentPath());
    if (plan.action == OpenPlan::Action::Nothing)
        m_mpris->refuse(QDBusError::InvalidArgs, plan.problems.join(QLatin1Char(' ')));
    // After the reply: a box naming what cannot be opened would hold it up.
    if (m_mpris->hooks().openUris)
        QTimer::singleShot(0, p, [open = m_mpris->hooks().openUris, uri] { open({uri}); });
}
