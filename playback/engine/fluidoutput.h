#pragma once
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include <fluidsynth.h>

// One synthesizer with its sound bank and its audio output. Rendering runs
// under lock(), so whoever holds the lock may create and delete players.
class FluidOutput {
public:
    // Null when the bank will not load or no audio output opens.
    static std::unique_ptr<FluidOutput> create(const QString &soundFont,
                                               const QString &driver,
                                               const QString &audioFile);
    ~FluidOutput();
    FluidOutput(const FluidOutput &) = delete;
    FluidOutput &operator=(const FluidOutput &) = delete;

    fluid_synth_t *synth() const { return m_synth; }
    std::mutex &lock() { return m_lock; }
    float defaultGain() const { return m_defaultGain; }

private:
    FluidOutput() = default;
    bool start(const QString &driver);
    void fileLoop();
    static int renderCallback(void *data, int len, int nfx, float *fx[],
                              int nout, float *out[]);

    fluid_settings_t *m_settings = nullptr;
    fluid_synth_t *m_synth = nullptr;
    fluid_audio_driver_t *m_driver = nullptr;
    fluid_file_renderer_t *m_renderer = nullptr;
    std::thread m_fileThread;
    std::atomic<bool> m_running{false};
    std::mutex m_lock;
    float m_defaultGain = 0.2f;
};
