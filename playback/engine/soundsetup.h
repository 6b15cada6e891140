#pragma once
#include "playback/core/soundconfig.h"
#include <QString>
#include <QStringList>

#include <fluidsynth.h>

// One way to set up a synthesizer from a SoundConfig, for playback and for
// export alike. The audio output (driver, device, buffer) is not set here.

// Before the synth is made: polyphony, the effects and their parameters, the
// bank-select mode. Values outside SoundConfig's ranges are clamped.
void applySoundSettings(fluid_settings_t *settings, const SoundConfig &config);
// What a running synth takes at once: the effects on/off and their
// parameters, and the polyphony. Call from the thread that renders, or under
// the lock that rendering takes.
void applySoundLive(fluid_synth_t *synth, const SoundConfig &config);
// Loads the banks bottom first, so the top one's presets win. On failure
// *error names the bank and why, and the banks loaded by this call are
// unloaded again.
bool loadBanks(fluid_synth_t *synth, const QStringList &banks, QString *error);
// Loads one bank on top of the others, the channels' presets left as they are:
// its id, else FLUID_FAILED with why it did not load as a sentence in *why.
int loadBank(fluid_synth_t *synth, const QString &path, QString *why);

// new_fluid_synth, one thread at a time: FluidSynth sets up its shared tables and
// default modulators on the first call without a lock, so a second thread making
// a synth at that moment gets half-made ones (other sound, warnings on stderr).
fluid_synth_t *newSynth(fluid_settings_t *settings);
// The reset sent before each song: the synth's own system reset, followed
// for GM, GS and XG by that system-reset message.
void sendSongReset(fluid_synth_t *synth, SoundConfig::SongReset reset);

// The audio drivers FluidSynth has compiled in.
QStringList compiledAudioDrivers();
// Opens the driver for a moment: why it does not open now, empty when it
// does. Nothing reaches the terminal.
QString audioDriverProblem(const QString &driver);
// The devices FluidSynth knows for a driver; empty when it lists none.
QStringList audioDeviceOptions(const QString &driver);
// Falls back to FluidSynth's default driver when the one configured is not
// compiled in, with one line in *problems.
void checkAudioDriver(SoundConfig &config, QStringList *problems);
