#pragma once
#include "components/core/settingsstore.h"
#include "playback/core/soundconfig.h"
#include <QStringList>

// The sound as stored in the applet section. "MidiSoundFont" holds the top
// bank, so a store written here still works for older versions, and a bank
// set there by hand goes on top of the stack.
//
// A stored value that is out of range or unreadable, or a bank that cannot
// load (see soundBankProblem), falls back to the default; each such problem adds one line
// of plain text to *problems (may be null). When no stored bank is usable the
// system's default bank is used ($LYRABOX_SF2_DIR stands in for its folder in
// tests); banks is empty only when there is none at all.
SoundConfig readSoundConfig(const SettingsStore &store, QStringList *problems);
void writeSoundConfig(SettingsStore &store, const SoundConfig &config);

// Separates the banks in "MidiSoundBanks".
inline constexpr QChar BankSeparator = QLatin1Char('|');
