#pragma once
#include "playback/core/playstate.h"
#include <QString>

// How the player's state reads to desktop media controls.
namespace MprisValues {
// "Playing", "Paused", or "Stopped" (also for nothing open and the interlude).
QString playbackStatus(PlayState state);
QString loopStatus(bool loop);
// False for a status the player has no way to show.
bool loopFromStatus(const QString &status, bool *loop);
// A D-Bus object path for a song, the same every time for the same file.
QString trackId(const QString &path);
inline qint64 toMicro(qint64 ms)
{
    return ms * 1000;
}
inline qint64 toMilli(qint64 us)
{
    return us / 1000;
}
}
