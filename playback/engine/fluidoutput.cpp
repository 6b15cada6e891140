#include "playback/engine/fluidoutput.h"
#include "playback/core/soundbank.h"
#include "playback/engine/bankfile.h"
#include "playback/engine/fluidlog.h"
#include "playback/engine/mappedevents.h"
#include "playback/engine/soundsetup.h"
#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

namespace {
// Below half a 16-bit step: what is left of the effects is inaudible.
constexpr float Quiet = 1.5e-5f;
// Longest effect tail rendered after the last voice, whatever it sounds like.
constexpr double MaxTailSeconds = 3.0;
// How often the idle file driver wakes to write its silence.
constexpr auto IdleStep = std::chrono::milliseconds(100);

// The setting's default is empty; FluidSynth puts the driver it picked in its value.
QString defaultDriver(fluid_settings_t *settings)
{
    char *name = nullptr;
    fluid_settings_dupstr(settings, "audio.driver", &name);
    const QString driver = QString::fromUtf8(name);
    fluid_free(name);
    return driver;
}

QString orNoReason(const QString &reason)
{
    return reason.isEmpty() ? QStringLiteral("FluidSynth gave no reason.") : reason;
}

void put16(char *at, quint16 v)
{
    qToLittleEndian(v, at);
}
void put32(char *at, quint32 v)
{
    qToLittleEndian(v, at);
}
}

std::unique_ptr<FluidOutput> FluidOutput::create(const Options &options, QString *error)
{
    std::unique_ptr<FluidOutput> out(new FluidOutput);
    out->m_gain = options.gain;
    out->m_audioFile = options.audioFile;
    out->m_audio = new_fluid_settings();
    if (!out->m_audio) {
        *error = QStringLiteral("FluidSynth could not set up a synthesizer.");
        return nullptr;
    }
    double rate = 44100.0;
    fluid_settings_getnum(out->m_audio, "synth.sample-rate", &rate);
    out->m_rate = int(std::lround(rate));
    if (options.limiter)
        out->m_limiter = std::make_unique<PeakLimiter>(out->m_rate);
    out->m_synth = out->makeSynth(options.sound, error);
    if (!out->m_synth || !out->start(options.sound, error))
        return nullptr;
    return out;
}

FluidOutput::Synth::~Synth()
{
    if (m_synth)
        delete_fluid_synth(m_synth);
    if (m_settings)
        delete_fluid_settings(m_settings);
}

bool FluidOutput::Synth::broken() const
{
    return std::any_of(m_banks.begin(), m_banks.end(), [](const auto &b) { return b->broken(); })
           || (m_songBank && m_songBank->broken());
}

QString FluidOutput::Synth::problem() const
{
    for (const auto &b : m_banks) {
        if (b->broken())
            return QStringLiteral("The sound bank %1 can no longer be read: %2").arg(b->path(), b->problem());
    }
    if (m_songBank && m_songBank->broken())
        return QStringLiteral("The sound bank %1 can no longer be read: %2")
            .arg(m_songBank->path(), m_songBank->problem());
    return {};
}

QString FluidOutput::Synth::songBank() const
{
    return m_songBank ? m_songBank->path() : QString();
}

bool FluidOutput::Synth::setSongBank(const QString &path, QString *why)
{
    if (m_songBankId != -1)
        fluid_synth_sfunload(m_synth, m_songBankId, 1);
    m_songBankId = -1;
    m_songBank.reset();
    if (path.isEmpty())
        return true;
    // In words for a user, before FluidSynth has a say.
    *why = soundBankProblem(path);
    auto bank = why->isEmpty() ? BankFile::open(path, why) : nullptr;
    if (!bank) {
        *why += QLatin1Char('.');
        return false;
    }
    m_songBankId = loadBank(m_synth, path, why);
    if (m_songBankId == FLUID_FAILED)
        return false;
    m_songBank = std::move(bank);
    return true;
}

std::unique_ptr<FluidOutput::Synth> FluidOutput::makeSynth(const SoundConfig &sound, QString *error) const
{
    std::unique_ptr<Synth> made(new Synth);
    made->m_settings = new_fluid_settings();
    fluid_settings_t *s = made->m_settings;
    if (!s) {
        *error = QStringLiteral("FluidSynth could not set up a synthesizer.");
        return nullptr;
    }
    // Samples load when a preset first plays: the full GM bank stays small.
    fluid_settings_setint(s, "synth.dynamic-sample-loading", 1);
    // The player must advance inside our render, under our lock.
    fluid_settings_setstr(s, "player.timing-source", "sample");
    fluid_settings_setnum(s, "synth.gain", m_gain);
    fluid_settings_setnum(s, "synth.sample-rate", m_rate);
    applySoundSettings(s, sound);
    made->m_synth = newSynth(s);
    if (!made->m_synth) {
        *error = QStringLiteral("FluidSynth could not set up a synthesizer.");
        return nullptr;
    }
    for (const QString &path : sound.banks) {
        QString why;
        auto bank = BankFile::open(path, &why);
        if (!bank) {
            *error = QStringLiteral("The sound bank %1 could not be loaded: %2").arg(path, why + QLatin1Char('.'));
            return nullptr;
        }
        made->m_banks.push_back(std::move(bank));
    }
    // Tried before the synth's own loaders, which read by name.
    if (fluid_sfloader_t *loader = BankFile::newLoader(s))
        fluid_synth_add_sfloader(made->m_synth, loader);
    if (!loadBanks(made->m_synth, sound.banks, error))
        return nullptr;
    applySoundLive(made->m_synth, sound);
    return made;
}

std::unique_ptr<FluidOutput::Synth> FluidOutput::swapSynthLocked(std::unique_ptr<Synth> synth)
{
    m_synth.swap(synth);
    m_hushed = true;
    return synth;
}

bool FluidOutput::start(const SoundConfig &sound, QString *error)
{
    fluid_settings_t *s = m_audio;
    if (!sound.audioDriver.isEmpty())
        fluid_settings_setstr(s, "audio.driver", sound.audioDriver.toUtf8().constData());
    const QString driver = sound.audioDriver.isEmpty() ? defaultDriver(s) : sound.audioDriver;
    m_driverName = driver;
    if (!sound.audioDevice.isEmpty())
        fluid_settings_setstr(s, QStringLiteral("audio.%1.device").arg(driver).toUtf8().constData(),
                              sound.audioDevice.toUtf8().constData());
    if (sound.bufferFrames > 0)
        fluid_settings_setint(s, "audio.period-size", sound.bufferFrames);
    if (driver == QLatin1String("file")) {
        // FluidSynth's file renderer would ask the synth for every block,
        // silence included: write the WAV ourselves, paced in real time.
        const QString name = m_audioFile.isEmpty() ? QStringLiteral("fluidsynth.wav") : m_audioFile;
        m_file = std::fopen(QFile::encodeName(name).constData(), "wb");
        // Small buffer: readers of a growing file see the sound promptly.
        if (m_file)
            std::setvbuf(m_file, nullptr, _IOFBF, 4096);
        if (!m_file || !writeWavHeader(0)) {
            *error = QStringLiteral("The audio driver \"file\" could not write %1: %2.")
                         .arg(name, QString::fromLocal8Bit(std::strerror(errno)));
            if (m_file)
                std::fclose(m_file);
            m_file = nullptr;
            return false;
        }
        m_running = true;
        m_fileThread = std::thread(&FluidOutput::fileLoop, this);
        return true;
    }
    const FluidLogCapture log;
    m_driver = new_fluid_audio_driver2(s, &FluidOutput::renderCallback, this);
    if (!m_driver)
        *error = QStringLiteral("The audio driver \"%1\" could not start: %2")
                     .arg(driver, orNoReason(log.firstError()));
    return m_driver != nullptr;
}

void FluidOutput::stopOutput()
{
    // Output first: nothing may render into a synth being deleted.
    {
        std::lock_guard guard(m_lock);
        m_running = false;
        m_wake.notify_one();
    }
    if (m_fileThread.joinable())
        m_fileThread.join();
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    if (m_driver)
        delete_fluid_audio_driver(m_driver);
    m_driver = nullptr;
}

bool FluidOutput::restartOutput(const SoundConfig &sound, QString *error)
{
    stopOutput();
    fluid_settings_t *old = m_audio;
    m_audio = new_fluid_settings();
    if (m_audio && start(sound, error)) {
        delete_fluid_settings(old);
        return true;
    }
    if (m_audio)
        delete_fluid_settings(m_audio);
    m_audio = old;
    // The old settings still name the old driver, device and buffer.
    QString again;
    char *driver = nullptr;
    fluid_settings_dupstr(m_audio, "audio.driver", &driver);
    SoundConfig before;
    before.audioDriver = QString::fromUtf8(driver);
    fluid_free(driver);
    if (!start(before, &again))
        *error += QLatin1Char(' ') + again;
    return false;
}

bool FluidOutput::bankBroken() const
{
    return m_synth->broken();
}

void FluidOutput::setPlayerLocked(fluid_player_t *player)
{
    // A note the mapper moved would not end at its key without it.
    sendMappedOffs(m_synth->synth(), m_mapper, m_mix);
    m_mapper.reset();
    m_player = player;
    if (player) {
        // The song reset before it forgot the scaled volumes and locked programs.
        sendMessages(m_synth->synth(), m_mix.restore());
        m_hushed = false;
        fluid_player_set_playback_callback(player, &FluidOutput::playEvent, this);
    }
    m_kick = true;
    m_wake.notify_one();
}

bool FluidOutput::needsSynthLocked()
{
    const bool sounding = (m_player && fluid_player_get_status(m_player) == FLUID_PLAYER_PLAYING)
                          || fluid_synth_get_active_voice_count(m_synth->synth()) > 0;
    m_sounding = sounding;
    if (sounding)
        m_ringing = qint64(MaxTailSeconds * m_rate);
    else if (m_hushed)
        m_ringing = 0;
    return m_ringing > 0;
}

int FluidOutput::renderLocked(int len, int nfx, float *fx[], int nout, float *out[])
{
    // The buffers the caller hears, each once (effect buffers may alias).
    // The synth mixes into them, and drivers do not all clear them.
    constexpr int MaxBuffers = 64;
    float *bufs[MaxBuffers];
    int n = 0;
    auto add = [&](float *b) {
        if (!b)
            return;
        std::memset(b, 0, sizeof(float) * size_t(len));
        if (n < MaxBuffers && std::find(bufs, bufs + n, b) == bufs + n)
            bufs[n++] = b;
    };
    for (int i = 0; i < nout; ++i)
        add(out[i]);
    for (int i = 0; i < nfx; ++i)
        add(fx[i]);

    const float target = m_scale.load(std::memory_order_relaxed);
    if (!needsSynthLocked()) {
        idleLocked();
        return FLUID_OK;
    }
    m_rendering = true;
    // Reverb and chorus go into the output too, as the file driver hears
    // them: drivers without effect buffers would lose them, and the limiter
    // must see all that is heard.
    float *mixFx[2];
    if (nout >= 2) {
        mixFx[0] = out[0];
        mixFx[1] = out[1];
        fx = mixFx;
        nfx = 2;
    }
    const int rc = fluid_synth_process(m_synth->synth(), len, nfx, fx, nout, out);
    if (m_player && m_synth->broken())
        faultLocked();

    if (!m_sounding) {
        // Only effects are left: stop once they have died away.
        float loudest = 0.0f;
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < len; ++k)
                loudest = std::max(loudest, std::abs(bufs[i][k]));
        m_ringing = loudest < Quiet ? 0 : m_ringing - len;
    }
    if (target != 1.0f || m_applied != 1.0f) {
        // Ramped over the block: a step in level would click.
        const float step = (target - m_applied) / float(len);
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < len; ++k)
                bufs[i][k] *= m_applied + step * float(k + 1);
    }
    m_applied = target;
    // Last: a lowered level leaves it less to do.
    if (m_limiter && nout >= 2)
        m_limiter->process(out[0], out[1], len);
    return rc;
}

void FluidOutput::idleLocked()
{
    m_applied = m_scale;
    // What is left in its delay line is below hearing or was cut off.
    if (m_rendering && m_limiter)
        m_limiter->reset();
    m_rendering = false;
}

void FluidOutput::faultLocked()
{
    fluid_player_stop(m_player);
    m_player = nullptr;
    fluid_synth_all_sounds_off(m_synth->synth(), -1);
    m_hushed = true;
    m_fault = m_synth->problem();
    if (m_faultNotice)
        m_faultNotice();
}

void FluidOutput::setFaultNotice(std::function<void()> notice)
{
    std::lock_guard guard(m_lock);
    m_faultNotice = std::move(notice);
}

int FluidOutput::playEvent(void *data, fluid_midi_event_t *event)
{
    auto *self = static_cast<FluidOutput *>(data);
    // A note of an instrument whose samples failed to load would play from
    // missing sample data, and FluidSynth crashes on that.
    if (fluid_midi_event_get_type(event) == 0x90 && fluid_midi_event_get_velocity(event) > 0 && self->m_synth->broken())
        return FLUID_OK;
    self->m_mapper.setTranspose(self->m_transpose.load(std::memory_order_relaxed));
    return sendMapped(self->m_synth->synth(), self->m_mapper, self->m_mix, event);
}

void FluidOutput::setChannelMixLocked(const ChannelMix::Settings &settings)
{
    sendMessages(m_synth->synth(), m_mix.apply(settings));
}

int FluidOutput::renderCallback(void *data, int len, int nfx, float *fx[], int nout, float *out[])
{
    auto *self = static_cast<FluidOutput *>(data);
    std::lock_guard guard(self->m_lock);
    return self->renderLocked(len, nfx, fx, nout, out);
}

bool FluidOutput::writeWavHeader(qint64 frames)
{
    // 16-bit stereo PCM; sizes beyond 4 GiB are clamped.
    const quint32 data = quint32(std::min<qint64>(frames * 4, 0xFFFFFFFFLL - 36));
    char h[44];
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, data + 36);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1);
    put16(h + 22, 2);
    put32(h + 24, quint32(m_rate));
    put32(h + 28, quint32(m_rate) * 4);
    put16(h + 32, 4);
    put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, data);
    return std::fwrite(h, 1, sizeof h, m_file) == sizeof h;
}

void FluidOutput::fileLoop()
{
    using Clock = std::chrono::steady_clock;
    int period = 64;
    fluid_settings_getint(m_audio, "audio.period-size", &period);
    period = std::clamp(period, 16, 8192);
    const auto frames16 = static_cast<size_t>(period);
    std::vector<float> left(frames16), right(frames16);
    std::vector<qint16> pcm(frames16 * 2);
    auto to16 = [](float v) { return qToLittleEndian(qint16(std::lrint(std::clamp(v, -1.0f, 1.0f) * 32767.0f))); };
    static const qint16 zeros[2 * 1024] = {};

    const auto start = Clock::now();
    qint64 frames = 0;
    auto timeOf = [&](qint64 f) {
        return start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(f) / m_rate));
    };
    auto due = [&] { return qint64(std::chrono::duration<double>(Clock::now() - start).count() * m_rate); };
    auto writeSilence = [&](qint64 upTo) {
        while (frames < upTo) {
            const qint64 n = std::min<qint64>(upTo - frames, 1024);
            std::fwrite(zeros, 4, size_t(n), m_file);
            frames += n;
        }
    };

    std::unique_lock lock(m_lock);
    bool idle = false;
    while (m_running) {
        m_kick = false;
        if (!needsSynthLocked()) {
            // Nothing to hear: write the silence that is due in one go.
            idle = true;
            writeSilence(due());
            idleLocked();
            std::fflush(m_file);
            m_wake.wait_for(lock, IdleStep, [this] { return m_kick || !m_running; });
            continue;
        }
        if (idle) {
            // Up to now it was silent: the new sound starts at this moment.
            writeSilence(due());
            idle = false;
        }
        const qint64 now = due();
        while (m_running && frames + period <= now) {
            float *out[2] = {left.data(), right.data()};
            renderLocked(period, 0, nullptr, 2, out);
            for (size_t k = 0; k < frames16; ++k) {
                pcm[2 * k] = to16(left[k]);
                pcm[2 * k + 1] = to16(right[k]);
            }
            std::fwrite(pcm.data(), 4, frames16, m_file);
            frames += period;
        }
        m_wake.wait_until(lock, timeOf(frames + period), [this] { return !m_running; });
    }
    if (idle)
        writeSilence(due());
    lock.unlock();
    if (std::fseek(m_file, 0, SEEK_SET) == 0)
        writeWavHeader(frames);
}

FluidOutput::~FluidOutput()
{
    stopOutput();
    m_synth.reset();
    if (m_audio)
        delete_fluid_settings(m_audio);
}
