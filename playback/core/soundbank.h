#pragma once
#include <QString>

// The sound bank to play with: the "MidiSoundFont" setting when it names a
// regular readable file, else default-GM.sf2 in the system's sf2 folder,
// else the first *.sf2 there by name. Empty when there is none.
QString findSoundBank(const QString &setting);
QString findSoundBank(const QString &setting, const QString &folder);
