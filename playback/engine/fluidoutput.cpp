#include "playback/engine/fluidoutput.h"
#include <chrono>

namespace {
QString defaultDriver(fluid_settings_t *settings)
{
    char *name = nullptr;
    fluid_settings_getstr_default(settings, "audio.driver", &name);
    return QString::fromUtf8(name);
}
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
    if (!driver.isEmpty())
        fluid_settings_setstr(s, "audio.driver", driver.toUtf8().constData());
    if (!audioFile.isEmpty())
        fluid_settings_setstr(s, "audio.file.name", audioFile.toUtf8().constData());
    double gain = 0.2;
    fluid_settings_getnum(s, "synth.gain", &gain);
    out->m_defaultGain = float(gain);

    out->m_synth = new_fluid_synth(s);
    if (!out->m_synth || soundFont.isEmpty()
        || fluid_synth_sfload(out->m_synth, soundFont.toUtf8().constData(), 1) == FLUID_FAILED)
        return nullptr;
    if (!out->start(driver.isEmpty() ? defaultDriver(s) : driver))
        return nullptr;
    return out;
}

bool FluidOutput::start(const QString &driver)
{
    if (driver == QLatin1String("file")) {
        // FluidSynth's file driver takes no render callback: pace it ourselves.
        m_renderer = new_fluid_file_renderer(m_synth);
        if (!m_renderer)
            return false;
        m_running = true;
        m_fileThread = std::thread(&FluidOutput::fileLoop, this);
        return true;
    }
    m_driver = new_fluid_audio_driver2(m_settings, &FluidOutput::renderCallback, this);
    return m_driver != nullptr;
}

int FluidOutput::renderCallback(void *data, int len, int nfx, float *fx[],
                                int nout, float *out[])
{
    auto *self = static_cast<FluidOutput *>(data);
    std::lock_guard guard(self->m_lock);
    return fluid_synth_process(self->m_synth, len, nfx, fx, nout, out);
}

void FluidOutput::fileLoop()
{
    using Clock = std::chrono::steady_clock;
    double rate = 44100.0;
    int period = 64;
    fluid_settings_getnum(m_settings, "synth.sample-rate", &rate);
    fluid_settings_getint(m_settings, "audio.period-size", &period);
    const auto start = Clock::now();
    qint64 frames = 0;
    auto timeOf = [&](qint64 f) {
        return start + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(double(f) / rate));
    };
    while (m_running) {
        while (m_running && timeOf(frames + period) <= Clock::now()) {
            std::lock_guard guard(m_lock);
            if (fluid_file_renderer_process_block(m_renderer) != FLUID_OK)
                return;
            frames += period;
        }
        std::this_thread::sleep_until(timeOf(frames + period));
    }
}

FluidOutput::~FluidOutput()
{
    // Output first: nothing may render into a synth being deleted.
    m_running = false;
    if (m_fileThread.joinable())
        m_fileThread.join();
    if (m_renderer)
        delete_fluid_file_renderer(m_renderer);
    if (m_driver)
        delete_fluid_audio_driver(m_driver);
    if (m_synth)
        delete_fluid_synth(m_synth);
    if (m_settings)
        delete_fluid_settings(m_settings);
}
