#pragma once
#include <QString>

// Window sounds: "RestoreUp", "RestoreDown", "Minimize", "Maximize".
// Flags as written: 1 returns at once, 16 plays nothing over a playing sound.
class WindowSounds {
public:
    virtual ~WindowSounds() = default;
    virtual void play(const QString &sound, int flags) = 0;
};

class SilentSounds : public WindowSounds {
public:
    void play(const QString &, int) override {}
};
