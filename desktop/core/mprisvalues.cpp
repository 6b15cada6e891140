#include "desktop/core/mprisvalues.h"
#include <QCryptographicHash>
#include <QFile>

namespace MprisValues {

QString playbackStatus(PlayState state)
{
    switch (state) {
    case PlayState::Playing: return QStringLiteral("Playing");
    case PlayState::Paused: return QStringLiteral("Paused");
    default: return QStringLiteral("Stopped");
    }
}

QString loopStatus(bool loop)
{
    return loop ? QStringLiteral("Playlist") : QStringLiteral("None");
}

bool loopFromStatus(const QString &status, bool *loop)
{
    // "Track" has no box to tick; it is refused rather than shown as something else.
    if (status != QLatin1String("None") && status != QLatin1String("Playlist"))
        return false;
    *loop = status == QLatin1String("Playlist");
    return true;
}

QString trackId(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
    // Object paths allow letters, digits and '_' only: a hash of the bytes fits any name.
    const QByteArray hash = QCryptographicHash::hash(QFile::encodeName(path), QCryptographicHash::Sha1);
    return QStringLiteral("/org/lyrabox/Track/t") + QString::fromLatin1(hash.toHex().left(16));
}

}   // namespace MprisValues
