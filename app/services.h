#pragma once
#include "app/core/clock.h"
#include "app/core/windowsounds.h"
#include "components/core/mixercontrol.h"
#include "components/core/settingsstore.h"
#include "components/dialogs.h"
#include "playback/core/sequencerdevice.h"
#include "playback/core/soundcontrol.h"
#include "lyrics/core/songtextsource.h"
#include <QString>
#include <functional>
#include <memory>

// What the windows are given instead of building it themselves.
struct Services {
    SettingsStore *settings = nullptr;
    Dialogs *dialogs = nullptr;
    WindowSounds *sounds = nullptr;
    Clock *clock = nullptr;
    SequencerDevice *device = nullptr;
    // The banks, effects and output the sound window changes.
    SoundControl *sound = nullptr;
    // One mixer per open volume window.
    std::function<std::unique_ptr<MixerControl>()> makeMixer;
    // Folder of the program: Media/ and the help file are looked up there.
    QString programDir;
    // Full path of the running executable (its date shows in the about window).
    QString programFile;
    // The words and titles of songs; none: songs are known by their file names.
    SongTextSource *songText = nullptr;
};
