#include "desktop/mprisadaptors.h"
#include "app/commands.h"
#include "components/core/observedlevel.h"
#include "desktop/core/mprisvalues.h"
#include "desktop/mpris.h"
#include "library/core/openplan.h"
#include "library/core/librarysession.h"
#include "playback/core/playsession.h"
#include <QDir>
#include <QTimer>
#include <QUrl>
#include <cmath>

namespace {

// An error with the player's reason for not taking command (or any command, for Count), or
// otherwise when the player would take it but the command has nothing to act on.
void refuse(Mpris *mpris, const QString &otherwise, Commands::Id command = Commands::Count)
{
    Commands *c = mpris->commands();
    const QString why = command == Commands::Count ? c->refusal() : c->refusal(command);
    mpris->refuse(QDBusError::Failed, why.isEmpty() ? otherwise : why);
}

// Answered first, run after: a song that fails to open brings up a box,
// and the desktop's controls must not wait on it for their answer.
void run(Mpris *mpris, Commands::Id command)
{
    Commands *c = mpris->commands();
    if (!c->refusal(command).isEmpty())
        refuse(mpris, QStringLiteral("Lyrabox cannot do that now."), command);
    else
        QTimer::singleShot(0, c, [c, command] { c->run(command); });
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
    // Songs, and other players' play lists, which open as libraries do.
    return QStringLiteral("audio/midi audio/x-midi audio/sp-midi audio/x-mpegurl audio/mpegurl audio/x-scpls "
                          "application/vnd.apple.mpegurl")
        .split(QLatin1Char(' '));
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
    if (m_mpris->hooks().quit)
        QTimer::singleShot(0, m_mpris, m_mpris->hooks().quit);
}

MprisPlayer::MprisPlayer(Mpris *mpris) : QDBusAbstractAdaptor(mpris), m_mpris(mpris)
{
    connect(mpris, &Mpris::Seeked, this, &MprisPlayer::Seeked);
}

QString MprisPlayer::playbackStatus() const
{
    return MprisValues::playbackStatus(m_mpris->play()->playState());
}

QString MprisPlayer::loopStatus() const
{
    return MprisValues::loopStatus(m_mpris->commands()->isChecked(Commands::Loop));
}

void MprisPlayer::setLoopStatus(const QString &status)
{
    bool loop = false;
    if (!MprisValues::loopFromStatus(status, &loop))
        m_mpris->refuse(QDBusError::NotSupported,
                        QStringLiteral("Loop status %1 is not one Lyrabox has: None or Playlist.").arg(status));
    else if (!m_mpris->commands()->setChecked(Commands::Loop, loop))
        refuse(m_mpris, QStringLiteral("Loop cannot change now."), Commands::Loop);
    m_mpris->refresh();
}

bool MprisPlayer::shuffle() const
{
    return m_mpris->commands()->isChecked(Commands::Shuffle);
}

double MprisPlayer::rate() const
{
    return m_mpris->play()->practice()->choices().tempo / 100.0;
}

void MprisPlayer::setRate(double rate)
{
    Practice *practice = m_mpris->play()->practice();
    if (std::isnan(rate))
        m_mpris->refuse(QDBusError::InvalidArgs, QStringLiteral("The rate is not a number."));
    else if (rate == 0.0)   // what the desktop's interface asks for
        run(m_mpris, Commands::Pause);
    else if (practice->song().isEmpty())
        m_mpris->refuse(QDBusError::Failed, QStringLiteral("No song is open: the rate is that of the next song."));
    else if (!m_mpris->commands()->refusal().isEmpty())
        refuse(m_mpris, QString());
    else
        practice->setTempo(int(std::lround(qBound(minimumRate(), rate, maximumRate()) * 100.0)));
    m_mpris->refresh();
}

void MprisPlayer::setShuffle(bool on)
{
    if (!m_mpris->commands()->setChecked(Commands::Shuffle, on))
        refuse(m_mpris, QStringLiteral("Shuffle cannot change now."), Commands::Shuffle);
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
    return MprisValues::toMicro(m_mpris->play()->positionMs());
}

bool MprisPlayer::canGoNext() const
{
    return m_mpris->library()->list().count() > 0;
}

bool MprisPlayer::canGoPrevious() const
{
    return canGoNext();
}

bool MprisPlayer::canPlay() const
{
    return !m_mpris->play()->openSong().isEmpty();
}

bool MprisPlayer::canPause() const
{
    const PlayState s = m_mpris->play()->playState();
    return s == PlayState::Playing || s == PlayState::Paused;
}

bool MprisPlayer::canSeek() const
{
    return m_mpris->play()->canSeek();
}

void MprisPlayer::Next()
{
    if (!canGoNext())
        refuse(m_mpris, QStringLiteral("The play list is empty."));
    else
        run(m_mpris, Commands::Next);
}

void MprisPlayer::Previous()
{
    if (!canGoPrevious())
        refuse(m_mpris, QStringLiteral("The play list is empty."));
    else
        run(m_mpris, Commands::Previous);
}

void MprisPlayer::Pause()
{
    if (m_mpris->play()->playState() == PlayState::Playing)
        run(m_mpris, Commands::Pause);
}

void MprisPlayer::PlayPause()
{
    if (m_mpris->play()->playState() == PlayState::Playing)
        run(m_mpris, Commands::Pause);
    else
        Play();
}

void MprisPlayer::Stop()
{
    run(m_mpris, Commands::Stop);
}

void MprisPlayer::Play()
{
    // Play on a paused song resumes it; on a playing one it would start it over.
    if (m_mpris->play()->playState() == PlayState::Playing)
        return;
    if (!canPlay())
        refuse(m_mpris, QStringLiteral("No song is open."));
    else
        run(m_mpris, Commands::Play);
}

void MprisPlayer::Seek(qlonglong offset)
{
    PlaySession *p = m_mpris->play();
    const qint64 target = p->positionMs() + MprisValues::toMilli(offset);
    // Past the end goes on to the next song, as the desktop's controls expect.
    if (target >= p->lengthMs() && p->canSeek())
        Next();
    else if (!m_mpris->seekTo(qMax<qint64>(0, target)))
        refuse(m_mpris, QStringLiteral("No song is open to seek in."));
}

void MprisPlayer::SetPosition(const QDBusObjectPath &trackId, qlonglong position)
{
    PlaySession *p = m_mpris->play();
    if (trackId.path() != MprisValues::trackId(p->openSong()))
        m_mpris->refuse(QDBusError::InvalidArgs, QStringLiteral("%1 is not the open song.").arg(trackId.path()));
    else if (position < 0 || MprisValues::toMilli(position) > p->lengthMs())
        m_mpris->refuse(QDBusError::InvalidArgs, QStringLiteral("The position lies outside the song."));
    else if (!m_mpris->seekTo(MprisValues::toMilli(position)))
        refuse(m_mpris, QStringLiteral("No song is open to seek in."));
}

void MprisPlayer::OpenUri(const QString &uri)
{
    if (m_mpris->play()->closing()) {
        refuse(m_mpris, QString());
        return;
    }
    const OpenPlan plan = OpenPlanner::plan({uri}, QDir::currentPath());
    if (plan.action == OpenPlan::Action::Nothing)
        m_mpris->refuse(QDBusError::InvalidArgs, plan.problems.join(QLatin1Char(' ')));
    // After the reply: a box naming what cannot be opened would hold it up.
    if (m_mpris->hooks().openUris)
        QTimer::singleShot(0, m_mpris, [open = m_mpris->hooks().openUris, uri] { open({uri}); });
}
