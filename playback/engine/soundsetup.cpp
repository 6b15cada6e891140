#include "playback/engine/soundsetup.h"
#include "components/engine/quietalsa.h"
#include "playback/core/soundbank.h"
#include "playback/engine/fluidlog.h"
#include <QFile>
#include <algorithm>
#include <array>
#include <mutex>

namespace {

double within(double v, SoundConfig::Range r)
{
    return std::clamp(v, r.low, r.high);
}
int within(int v, SoundConfig::Range r)
{
    return int(std::clamp<double>(v, r.low, r.high));
}

const char *bankSelectName(SoundConfig::BankMode mode)
{
    switch (mode) {
    case SoundConfig::BankMode::GM: return "gm";
    case SoundConfig::BankMode::XG: return "xg";
    case SoundConfig::BankMode::MMA: return "mma";
    case SoundConfig::BankMode::GS: break;
    }
    return "gs";
}

void collect(void *data, const char *, const char *option)
{
    static_cast<QStringList *>(data)->append(QString::fromUtf8(option));
}

int renderSilence(void *, int len, int nfx, float *fx[], int nout, float *out[])
{
    for (int i = 0; i < nout; ++i)
        std::fill_n(out[i], len, 0.0f);
    for (int i = 0; i < nfx; ++i)
        std::fill_n(fx[i], len, 0.0f);
    return FLUID_OK;
}

QStringList options(const char *name)
{
    QStringList out;
    fluid_settings_t *settings = new_fluid_settings();
    if (!settings)
        return out;
    fluid_settings_foreach_option(settings, name, &out, &collect);
    delete_fluid_settings(settings);
    return out;
}

}   // namespace

void applySoundSettings(fluid_settings_t *s, const SoundConfig &c)
{
    fluid_settings_setint(s, "synth.polyphony", within(c.polyphony, SoundConfig::PolyphonyRange));
    fluid_settings_setint(s, "synth.reverb.active", c.reverb ? 1 : 0);
    fluid_settings_setnum(s, "synth.reverb.room-size", within(c.reverbRoom, SoundConfig::RoomRange));
    fluid_settings_setnum(s, "synth.reverb.damp", within(c.reverbDamp, SoundConfig::DampRange));
    fluid_settings_setnum(s, "synth.reverb.width", within(c.reverbWidth, SoundConfig::WidthRange));
    fluid_settings_setnum(s, "synth.reverb.level", within(c.reverbLevel, SoundConfig::ReverbLevelRange));
    fluid_settings_setint(s, "synth.chorus.active", c.chorus ? 1 : 0);
    fluid_settings_setint(s, "synth.chorus.nr", within(c.chorusVoices, SoundConfig::ChorusVoicesRange));
    fluid_settings_setnum(s, "synth.chorus.level", within(c.chorusLevel, SoundConfig::ChorusLevelRange));
    fluid_settings_setnum(s, "synth.chorus.depth", within(c.chorusDepth, SoundConfig::ChorusDepthRange));
    fluid_settings_setstr(s, "synth.midi-bank-select", bankSelectName(c.bankMode));
}

void applySoundLive(fluid_synth_t *synth, const SoundConfig &c)
{
    fluid_synth_reverb_on(synth, -1, c.reverb ? 1 : 0);
    fluid_synth_set_reverb_group_roomsize(synth, -1, within(c.reverbRoom, SoundConfig::RoomRange));
    fluid_synth_set_reverb_group_damp(synth, -1, within(c.reverbDamp, SoundConfig::DampRange));
    fluid_synth_set_reverb_group_width(synth, -1, within(c.reverbWidth, SoundConfig::WidthRange));
    fluid_synth_set_reverb_group_level(synth, -1, within(c.reverbLevel, SoundConfig::ReverbLevelRange));
    fluid_synth_chorus_on(synth, -1, c.chorus ? 1 : 0);
    fluid_synth_set_chorus_group_nr(synth, -1, within(c.chorusVoices, SoundConfig::ChorusVoicesRange));
    fluid_synth_set_chorus_group_level(synth, -1, within(c.chorusLevel, SoundConfig::ChorusLevelRange));
    fluid_synth_set_chorus_group_depth(synth, -1, within(c.chorusDepth, SoundConfig::ChorusDepthRange));
    fluid_synth_set_polyphony(synth, within(c.polyphony, SoundConfig::PolyphonyRange));
}

fluid_synth_t *newSynth(fluid_settings_t *settings)
{
    static std::mutex making;
    const std::lock_guard<std::mutex> one(making);
    return new_fluid_synth(settings);
}

int loadBank(fluid_synth_t *synth, const QString &path, QString *why)
{
    // FluidSynth would wait for ever on a FIFO and says little about a damaged file.
    *why = soundBankProblem(path);
    if (!why->isEmpty()) {
        *why += QLatin1Char('.');
        return FLUID_FAILED;
    }
    const FluidLogCapture log;
    const int id = fluid_synth_sfload(synth, QFile::encodeName(path).constData(), 0);
    if (id == FLUID_FAILED)
        *why = log.firstError().isEmpty() ? QStringLiteral("FluidSynth gave no reason.") : log.firstError();
    return id;
}

bool loadBanks(fluid_synth_t *synth, const QStringList &banks, QString *error)
{
    if (banks.isEmpty()) {
        *error = QStringLiteral("No sound bank is set.");
        return false;
    }
    QList<int> loaded;
    for (auto it = banks.crbegin(); it != banks.crend(); ++it) {
        QString why;
        const int id = loadBank(synth, *it, &why);
        if (id != FLUID_FAILED) {
            loaded << id;
            continue;
        }
        *error = QStringLiteral("The sound bank %1 could not be loaded: %2").arg(*it, why);
        for (const int done : std::as_const(loaded))
            fluid_synth_sfunload(synth, done, 0);
        return false;
    }
    // Every channel picks its preset from the new stack.
    fluid_synth_program_reset(synth);
    return true;
}

void sendSongReset(fluid_synth_t *synth, SoundConfig::SongReset reset)
{
    fluid_synth_system_reset(synth);
    // Without the F0 and F7, as FluidSynth takes them.
    static constexpr std::array<char, 4> GmOn{0x7E, 0x7F, 0x09, 0x01};
    static constexpr std::array<char, 9> GsReset{0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41};
    static constexpr std::array<char, 7> XgOn{0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00};
    auto send = [synth](const auto &msg) {
        fluid_synth_sysex(synth, msg.data(), int(msg.size()), nullptr, nullptr, nullptr, 0);
    };
    switch (reset) {
    case SoundConfig::SongReset::GM: send(GmOn); break;
    case SoundConfig::SongReset::GS: send(GsReset); break;
    case SoundConfig::SongReset::XG: send(XgOn); break;
    case SoundConfig::SongReset::Program: break;
    }
}

QStringList compiledAudioDrivers()
{
    return options("audio.driver");
}

QString audioDriverProblem(const QString &driver)
{
    fluid_settings_t *s = new_fluid_settings();
    if (!s)
        return QStringLiteral("FluidSynth could not set up its settings.");
    fluid_settings_setstr(s, "audio.driver", driver.toUtf8().constData());
    QString problem;
    {
        const FluidLogCapture log(FluidLogCapture::Echo::Quiet);
        const QuietAlsa alsa;
        if (fluid_audio_driver_t *d = new_fluid_audio_driver2(s, &renderSilence, nullptr))
            delete_fluid_audio_driver(d);
        else
            problem = log.firstError().isEmpty() ? QStringLiteral("FluidSynth gave no reason.") : log.firstError();
    }
    delete_fluid_settings(s);
    return problem;
}

QStringList audioDeviceOptions(const QString &driver)
{
    return options(QStringLiteral("audio.%1.device").arg(driver).toUtf8().constData());
}

void checkAudioDriver(SoundConfig &config, QStringList *problems)
{
    if (config.audioDriver.isEmpty() || compiledAudioDrivers().contains(config.audioDriver))
        return;
    if (problems)
        *problems << QStringLiteral("The audio driver \"%1\" is not known to FluidSynth; using its default.")
                         .arg(config.audioDriver);
    config.audioDriver.clear();
    config.audioDevice.clear();
}
