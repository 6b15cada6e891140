#include "playback/engine/fluidoutput.h"
#include <QtEndian>
#include <algorithm>
#include <chrono>
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

QString defaultDriver(fluid_settings_t *settings)
{
    char *name = nullptr;
    fluid_settings_getstr_default(settings, "audio.driver", &name);
    return QString::fromUtf8(name);
}

void put16(char *at, quint16 v) { qToLittleEndian(v, at); }
void put32(char *at, quint32 v) { qToLittleEndian(v, at); }
}

std::unique_ptr<FluidOutput> FluidOutput::create(const QString &soundFont,
                                                 const QString &driver,
                                                 const QString &audioFile)
{
    std::unique_ptr<FluidOutput> out(new FluidOutput);
    out->m_settings = new_fluid_settings();
    if (!out->m_settings)
        return nullptr;
    fluid_settings_t *s = out->m_settings;
    // Samples load when a preset first plays: the full GM bank stays small.
    fluid_settings_setint(s, "synth.dynamic-sample-loading", 1);
    // The player must advance inside our render, under our lock.
    fluid_settings_setstr(s, "player.timing-source", "sample");
    fluid_settings_setnum(s, "synth.gain", Gain);
    if (!driver.isEmpty())
        fluid_settings_setstr(s, "audio.driver", driver.toUtf8().constData());
    double rate = 44100.0;
    fluid_settings_getnum(s, "synth.sample-rate", &rate);
    out->m_rate = int(std::lround(rate));

    out->m_synth = new_fluid_synth(s);
    if (!out->m_synth || soundFont.isEmpty()
        || fluid_synth_sfload(out->m_synth, soundFont.toUtf8().constData(), 1) == FLUID_FAILED)
        return nullptr;
    if (!out->start(driver.isEmpty() ? defaultDriver(s) : driver, audioFile))
        return nullptr;
    return out;
}

bool FluidOutput::start(const QString &driver, const QString &audioFile)
{
    if (driver == QLatin1String("file")) {
        // FluidSynth's file renderer would ask the synth for every block,
        // silence included: write the WAV ourselves, paced in real time.
        const QByteArray name = audioFile.isEmpty() ? QByteArrayLiteral("fluidsynth.wav")
                                                    : audioFile.toLocal8Bit();
        m_file = std::fopen(name.constData(), "wb");
        if (!m_file)
            return false;
        // Small buffer: readers of a growing file see the sound promptly.
        std::setvbuf(m_file, nullptr, _IOFBF, 4096);
        if (!writeWavHeader(0))
            return false;
        m_running = true;
        m_fileThread = std::thread(&FluidOutput::fileLoop, this);
        return true;
    }
    m_driver = new_fluid_audio_driver2(m_settings, &FluidOutput::renderCallback, this);
    return m_driver != nullptr;
}

void FluidOutput::setPlayerLocked(fluid_player_t *player)
{
    m_player = player;
    if (player)
        m_hushed = false;
    m_kick = true;
    m_wake.notify_one();
}

bool FluidOutput::needsSynthLocked()
{
    const bool sounding = (m_player && fluid_player_get_status(m_player) == FLUID_PLAYER_PLAYING)
                          || fluid_synth_get_active_voice_count(m_synth) > 0;
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
        m_applied = target;
        m_rendering = false;
        return FLUID_OK;
    }
    m_rendering = true;
    // Without effect buffers of its own the driver would lose reverb and
    // chorus: mix them into the output, as the file driver hears them.
    float *mixFx[2];
    if (nfx == 0 && nout >= 2) {
        mixFx[0] = out[0];
        mixFx[1] = out[1];
        fx = mixFx;
        nfx = 2;
    }
    const int rc = fluid_synth_process(m_synth, len, nfx, fx, nout, out);

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
    return rc;
}

int FluidOutput::renderCallback(void *data, int len, int nfx, float *fx[],
                                int nout, float *out[])
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
    fluid_settings_getint(m_settings, "audio.period-size", &period);
    period = std::clamp(period, 16, 8192);
    const auto frames16 = static_cast<size_t>(period);
    std::vector<float> left(frames16), right(frames16);
    std::vector<qint16> pcm(frames16 * 2);
    auto to16 = [](float v) {
        return qToLittleEndian(qint16(std::lrint(std::clamp(v, -1.0f, 1.0f) * 32767.0f)));
    };
    static const qint16 zeros[2 * 1024] = {};

    const auto start = Clock::now();
    qint64 frames = 0;
    auto timeOf = [&](qint64 f) {
        return start + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(double(f) / m_rate));
    };
    auto due = [&] {
        return qint64(std::chrono::duration<double>(Clock::now() - start).count() * m_rate);
    };
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
            m_applied = m_scale;
            m_rendering = false;
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
    if (m_driver)
        delete_fluid_audio_driver(m_driver);
    if (m_synth)
        delete_fluid_synth(m_synth);
    if (m_settings)
        delete_fluid_settings(m_settings);
}
