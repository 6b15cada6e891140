#include "playback/core/playeroptions.h"
#include "app/core/numbers.h"
#include "components/core/settingkeys.h"

int interludeFromText(const QString &text)
{
    return int(qBound(qint64(0), RoundHalfEven(SettingToNumber(text)), qint64(60)));
}

PlayerOptions readPlayerOptions(const SettingsStore &store)
{
    auto ticked = [&store](const Setting &s) { return int(SettingToNumber(store.GetValue(s))) == 1; };
    PlayerOptions o;
    o.loop = ticked(Settings::MidiLoop);
    o.closeOnPlay = ticked(Settings::MidiRollup);
    o.shuffle = ticked(Settings::MidiShuffle);
    o.interludeSeconds = interludeFromText(store.GetValue(Settings::MidiPause));
    return o;
}

void writePlayerOptions(SettingsStore &store, const PlayerOptions &options)
{
    store.SetValue(Settings::MidiLoop, options.loop ? 1 : 0);
    store.SetValue(Settings::MidiRollup, options.closeOnPlay ? 1 : 0);
    store.SetValue(Settings::MidiShuffle, options.shuffle ? 1 : 0);
    store.SetValue(Settings::MidiPause, QString::number(options.interludeSeconds));
}
