#pragma once
#include "components/core/settingsstore.h"
#include <QString>

// The four player options, as the settings keep them: a box is 1 when ticked,
// the interlude whole seconds 0–60.
struct PlayerOptions {
    bool loop = false;
    bool closeOnPlay = false;
    bool shuffle = false;
    int interludeSeconds = 0;

    bool operator==(const PlayerOptions &) const = default;
};

// Typed text made an interlude: rounded half to even, held within 0–60.
int interludeFromText(const QString &text);
PlayerOptions readPlayerOptions(const SettingsStore &store);
void writePlayerOptions(SettingsStore &store, const PlayerOptions &options);
