#pragma once
#include <QString>

// The sound bank to play with: the "MidiSoundFont" setting when it names a
// usable bank, else default-GM.sf2 in the system's sf2 folder, else the
// first usable *.sf2 there by name. Empty when there is none.
QString findSoundBank(const QString &setting);
QString findSoundBank(const QString &setting, const QString &folder);

// Why the file cannot be loaded as a sound bank, as a clause ("the file is
// empty"); empty when it can. Only a regular file counts, and its RIFF header
// must name a SoundFont (or DLS) whose size is the file's: FluidSynth refuses
// a bank that is cut short or longer than it says. Never blocks on a FIFO.
QString soundBankProblem(const QString &path);
