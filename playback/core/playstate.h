#pragma once
#include <QString>

// What the player is doing, in one word: the window's texts, its handlers'
// conditions and anyone who follows play (desktop controls, other windows)
// read this instead of piecing it together from the device and the timers.
enum class PlayState { Closed, Stopped, Playing, Paused, Interlude };

// The word a state shows in brackets ("Stopped" for "(Stopped)"); empty for
// the states that show a title and a time instead.
inline QString playStateWord(PlayState s)
{
    switch (s) {
    case PlayState::Stopped: return QStringLiteral("Stopped");
    case PlayState::Paused: return QStringLiteral("Paused");
    case PlayState::Interlude: return QStringLiteral("Interlude");
    default: return QString();
    }
}
