#include "export/core/exportsound.h"
#include "components/core/settingsstore.h"
#include "playback/core/soundbank.h"

SoundConfig playbackSound(const SettingsStore &settings, QStringList *problems)
{
    SoundConfig sound;
    const QString bank = findSoundBank(settings.GetValue(Settings::MidiSoundFont));
    if (bank.isEmpty() && problems)
        *problems << QStringLiteral("No sound bank found.");
    else
        sound.banks = QStringList{bank};
    return sound;
}
