#pragma once
#include "app/core/appinfo.h"
#include <QString>
#include <array>

// One stored setting: its section, its name and what it reads as when it was
// never written.
struct Setting {
    QString (*section)();
    const char *key;
    const char *def;       // nullptr: worked out where it is read, or nothing
    bool byHand = false;   // meant to be set by hand: the README lists it

    QString keyText() const { return QString::fromLatin1(key); }
    QString defaultText() const { return def ? QString::fromLatin1(def) : QString(); }
};

namespace Settings {
using AppInfo::AppletSection;
using AppInfo::FamilySection;
using AppInfo::StartupSection;

inline constexpr Setting MouseActive{&StartupSection, "MouseActive", "0", true};
inline constexpr Setting DataPath{&StartupSection, "DataPath", nullptr};

inline constexpr Setting MidiLib{&AppletSection, "MidiLib", nullptr};
inline constexpr Setting MidiBack{&AppletSection, "MidiBack", "&H00808080&"};
inline constexpr Setting MidiFore{&AppletSection, "MidiFore", "&H00000000&"};
// Twips; the default centres the window on the screen it starts on.
inline constexpr Setting MidiLeft{&AppletSection, "MidiLeft", nullptr};
inline constexpr Setting MidiTop{&AppletSection, "MidiTop", nullptr};
inline constexpr Setting MidiLoop{&AppletSection, "MidiLoop", "0"};
inline constexpr Setting MidiRollup{&AppletSection, "MidiRollup", "0"};
inline constexpr Setting MidiShuffle{&AppletSection, "MidiShuffle", "0"};
inline constexpr Setting MidiPause{&AppletSection, "MidiPause", "0.0"};
inline constexpr Setting MidiSoundFont{&AppletSection, "MidiSoundFont", nullptr, true};
inline constexpr Setting MidiAudioDriver{&AppletSection, "MidiAudioDriver", nullptr, true};
inline constexpr Setting MidiAudioFile{&AppletSection, "MidiAudioFile", nullptr, true};
// The sound: defaults are SoundConfig's, read and checked in soundsettings.cpp.
inline constexpr Setting MidiSoundBanks{&AppletSection, "MidiSoundBanks", nullptr, true};
inline constexpr Setting MidiReverb{&AppletSection, "MidiReverb", nullptr, true};
inline constexpr Setting MidiReverbRoom{&AppletSection, "MidiReverbRoom", nullptr, true};
inline constexpr Setting MidiReverbDamp{&AppletSection, "MidiReverbDamp", nullptr, true};
inline constexpr Setting MidiReverbWidth{&AppletSection, "MidiReverbWidth", nullptr, true};
inline constexpr Setting MidiReverbLevel{&AppletSection, "MidiReverbLevel", nullptr, true};
inline constexpr Setting MidiChorus{&AppletSection, "MidiChorus", nullptr, true};
inline constexpr Setting MidiChorusLevel{&AppletSection, "MidiChorusLevel", nullptr, true};
inline constexpr Setting MidiChorusDepth{&AppletSection, "MidiChorusDepth", nullptr, true};
inline constexpr Setting MidiChorusVoices{&AppletSection, "MidiChorusVoices", nullptr, true};
inline constexpr Setting MidiPolyphony{&AppletSection, "MidiPolyphony", nullptr, true};
inline constexpr Setting MidiBankMode{&AppletSection, "MidiBankMode", nullptr, true};
inline constexpr Setting MidiSongReset{&AppletSection, "MidiSongReset", nullptr, true};
inline constexpr Setting MidiAudioDevice{&AppletSection, "MidiAudioDevice", nullptr, true};
inline constexpr Setting MidiAudioBuffer{&AppletSection, "MidiAudioBuffer", nullptr, true};
inline constexpr Setting MixerSource{&AppletSection, "MixerSource", "Main"};
// The export window's last choices; the folder defaults to the user's music folder.
inline constexpr Setting MidiExportFormat{&AppletSection, "MidiExportFormat", "wav", true};
inline constexpr Setting MidiExportFolder{&AppletSection, "MidiExportFolder", nullptr, true};
inline constexpr Setting MidiExportLrc{&AppletSection, "MidiExportLrc", "0", true};
inline constexpr Setting MidiExportPractice{&AppletSection, "MidiExportPractice", "0", true};

inline constexpr Setting Update{&FamilySection, "Update", "0"};
inline constexpr Setting UpdateDate{&FamilySection, "UpdateDate", nullptr};

inline constexpr std::array All{
    MouseActive,      DataPath,         MidiLib,         MidiBack,       MidiFore,        MidiLeft,
    MidiTop,          MidiLoop,         MidiRollup,      MidiShuffle,    MidiPause,       MidiSoundFont,
    MidiAudioDriver,  MidiAudioFile,    MixerSource,     MidiSoundBanks, MidiReverb,      MidiReverbRoom,
    MidiReverbDamp,   MidiReverbWidth,  MidiReverbLevel, MidiChorus,     MidiChorusLevel, MidiChorusDepth,
    MidiChorusVoices, MidiPolyphony,    MidiBankMode,    MidiSongReset,  MidiAudioDevice, MidiAudioBuffer,
    MidiExportFormat, MidiExportFolder, MidiExportLrc,   Update,         UpdateDate,      MidiExportPractice};
}
