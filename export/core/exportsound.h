#pragma once
#include "playback/core/soundconfig.h"
#include <QStringList>

class SettingsStore;

// The sound the player is set to play with, so an export sounds the same.
// Problems with the stored settings are added to *problems, one line each.
SoundConfig playbackSound(const SettingsStore &settings, QStringList *problems);
