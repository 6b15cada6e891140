#pragma once
#include <QString>

// The desktop's window sounds a window plays as it opens, closes or shrinks.
enum class WindowSound { RestoreUp, RestoreDown, Minimize, Maximize };

// How a sound is played: ReturnAtOnce goes on while it sounds;
// NotOverAPlayingSound plays nothing while another sound still plays.
enum class SoundFlags : int { None = 0, ReturnAtOnce = 1, NotOverAPlayingSound = 16 };

constexpr SoundFlags operator|(SoundFlags a, SoundFlags b)
{
    return SoundFlags(int(a) | int(b));
}
constexpr bool hasFlag(SoundFlags set, SoundFlags flag)
{
    return (int(set) & int(flag)) != 0;
}

inline QString windowSoundName(WindowSound s)
{
    switch (s) {
    case WindowSound::RestoreUp: return QStringLiteral("RestoreUp");
    case WindowSound::RestoreDown: return QStringLiteral("RestoreDown");
    case WindowSound::Minimize: return QStringLiteral("Minimize");
    case WindowSound::Maximize: return QStringLiteral("Maximize");
    }
    return QString();
}

class WindowSounds {
public:
    virtual ~WindowSounds() = default;
    virtual void play(WindowSound sound, SoundFlags flags) = 0;
};

class SilentSounds : public WindowSounds {
public:
    void play(WindowSound, SoundFlags) override {}
};
