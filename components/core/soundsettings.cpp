#include "components/core/soundsettings.h"
#include "playback/core/soundbank.h"
#include <cmath>

namespace {

class Reader {
public:
    Reader(const SettingsStore &store, QStringList *problems) : m_store(store), m_problems(problems) {}

    void number(const Setting &key, SoundConfig::Range range, double &value) const
    {
        const QString text = m_store.GetValue(key).trimmed();
        if (text.isEmpty())
            return;
        bool ok = false;
        const double v = text.toDouble(&ok);   // always the C locale
        if (ok && std::isfinite(v) && range.holds(v))
            value = v;
        else
            problem(key, text, QStringLiteral("a number from %1 to %2").arg(range.low).arg(range.high),
                    QString::number(value));
    }

    void whole(const Setting &key, SoundConfig::Range range, int &value, bool zeroAllowed = false) const
    {
        const QString text = m_store.GetValue(key).trimmed();
        if (text.isEmpty())
            return;
        bool ok = false;
        const int v = text.toInt(&ok);
        if (ok && (range.holds(v) || (zeroAllowed && v == 0)))
            value = v;
        else
            problem(key, text, QStringLiteral("a whole number from %1 to %2").arg(range.low).arg(range.high),
                    QString::number(value));
    }

    void onOff(const Setting &key, bool &value) const
    {
        const QString text = m_store.GetValue(key).trimmed();
        if (text == QLatin1String("1") || text == QLatin1String("0"))
            value = text == QLatin1String("1");
        else if (!text.isEmpty())
            problem(key, text, QStringLiteral("0 or 1"), value ? QStringLiteral("1") : QStringLiteral("0"));
    }

    template <typename T>
    void named(const Setting &key, std::optional<T> (*fromName)(const QString &), QString (*name)(T),
               const QString &allowed, T &value) const
    {
        const QString text = m_store.GetValue(key).trimmed();
        if (text.isEmpty())
            return;
        if (const auto v = fromName(text))
            value = *v;
        else
            problem(key, text, allowed, name(value));
    }

    void problem(const Setting &key, const QString &text, const QString &wanted, const QString &used) const
    {
        if (m_problems)
            *m_problems
                << QStringLiteral("The setting %1 is \"%2\", not %3; using %4.").arg(key.keyText(), text, wanted, used);
    }

    void banks(QStringList &banks) const
    {
        QStringList stored = m_store.GetValue(Settings::MidiSoundBanks).split(BankSeparator, Qt::SkipEmptyParts);
        const QString top = m_store.GetValue(Settings::MidiSoundFont).trimmed();
        if (!top.isEmpty() && stored.value(0) != top) {
            stored.removeAll(top);
            stored.prepend(top);
        }
        QStringList leftOut;
        for (const QString &bank : std::as_const(stored)) {
            if (banks.contains(bank))
                continue;
            if (const QString why = soundBankProblem(bank); why.isEmpty())
                banks << bank;
            else
                leftOut << QStringLiteral("The sound bank %1 is left out: %2").arg(bank, why);
        }
        if (banks.isEmpty()) {
            const QString folder = qEnvironmentVariable("LYRABOX_SF2_DIR");
            const QString fallback = folder.isEmpty() ? findSoundBank(QString()) : findSoundBank(QString(), folder);
            if (!fallback.isEmpty()) {
                banks << fallback;
                // One line says both what was wrong and what plays instead.
                if (!leftOut.isEmpty())
                    leftOut.last() += QStringLiteral("; using %1 instead").arg(fallback);
            }
        }
        if (m_problems)
            for (const QString &line : std::as_const(leftOut))
                *m_problems << line + QLatin1Char('.');
    }

private:
    const SettingsStore &m_store;
    QStringList *m_problems;
};

}   // namespace

SoundConfig readSoundConfig(const SettingsStore &store, QStringList *problems)
{
    using namespace Settings;
    SoundConfig c;
    const Reader r(store, problems);
    r.banks(c.banks);
    r.onOff(MidiReverb, c.reverb);
    r.number(MidiReverbRoom, SoundConfig::RoomRange, c.reverbRoom);
    r.number(MidiReverbDamp, SoundConfig::DampRange, c.reverbDamp);
    r.number(MidiReverbWidth, SoundConfig::WidthRange, c.reverbWidth);
    r.number(MidiReverbLevel, SoundConfig::ReverbLevelRange, c.reverbLevel);
    r.onOff(MidiChorus, c.chorus);
    r.number(MidiChorusLevel, SoundConfig::ChorusLevelRange, c.chorusLevel);
    r.number(MidiChorusDepth, SoundConfig::ChorusDepthRange, c.chorusDepth);
    r.whole(MidiChorusVoices, SoundConfig::ChorusVoicesRange, c.chorusVoices);
    r.whole(MidiPolyphony, SoundConfig::PolyphonyRange, c.polyphony);
    r.named(MidiBankMode, &bankModeFromName, &bankModeName, QStringLiteral("gm, gs, xg or mma"), c.bankMode);
    r.named(MidiSongReset, &songResetFromName, &songResetName, QStringLiteral("program, gm, gs or xg"), c.songReset);
    c.audioDriver = store.GetValue(MidiAudioDriver).trimmed();
    c.audioDevice = store.GetValue(MidiAudioDevice).trimmed();
    r.whole(MidiAudioBuffer, SoundConfig::BufferRange, c.bufferFrames, true);
    return c;
}

void writeSoundConfig(SettingsStore &store, const SoundConfig &c)
{
    using namespace Settings;
    auto onOff = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    store.SetValue(MidiSoundFont, c.banks.value(0));
    store.SetValue(MidiSoundBanks, c.banks.join(BankSeparator));
    store.SetValue(MidiReverb, onOff(c.reverb));
    store.SetValue(MidiReverbRoom, c.reverbRoom);
    store.SetValue(MidiReverbDamp, c.reverbDamp);
    store.SetValue(MidiReverbWidth, c.reverbWidth);
    store.SetValue(MidiReverbLevel, c.reverbLevel);
    store.SetValue(MidiChorus, onOff(c.chorus));
    store.SetValue(MidiChorusLevel, c.chorusLevel);
    store.SetValue(MidiChorusDepth, c.chorusDepth);
    store.SetValue(MidiChorusVoices, c.chorusVoices);
    store.SetValue(MidiPolyphony, c.polyphony);
    store.SetValue(MidiBankMode, bankModeName(c.bankMode));
    store.SetValue(MidiSongReset, songResetName(c.songReset));
    store.SetValue(MidiAudioDriver, c.audioDriver);
    store.SetValue(MidiAudioDevice, c.audioDevice);
    store.SetValue(MidiAudioBuffer, c.bufferFrames);
}
