#pragma once
#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include <fluidsynth.h>

// One synthesizer with its sound bank and its audio output. Rendering runs
// under lock(), so whoever holds the lock may create and delete players.
// While nothing plays and nothing sounds the output writes silence without
// asking the synth, so a stopped player costs next to no CPU.
class FluidOutput {
public:
    // The synth's gain, fixed: the loudest of our sample songs peaks near
    // -3 dBFS with the GM bank, and the synth clips hard above 1.0.
    static constexpr double Gain = 0.95;

    // Null when the bank will not load or no audio output opens.
    static std::unique_ptr<FluidOutput> create(const QString &soundFont,
                                               const QString &driver,
                                               const QString &audioFile);
    ~FluidOutput();
    FluidOutput(const FluidOutput &) = delete;
    FluidOutput &operator=(const FluidOutput &) = delete;

    fluid_synth_t *synth() const { return m_synth; }
    std::mutex &lock() { return m_lock; }

    // The player to keep rendering for while it runs; null for none. Under lock().
    void setPlayerLocked(fluid_player_t *player);
    // Factor applied to the rendered samples, 0..1. Level and mute go here and
    // not into the synth's gain, which would end quiet voices for good.
    void setScale(float scale) { m_scale = scale; }
    // Stop now: once the voices are gone, the effects' tail is not rendered
    // either (the next play's reset clears it). Under lock().
    void hushLocked() { m_hushed = true; }
    // True while the synth is being rendered; false while only silence goes out.
    bool rendering() const { return m_rendering; }

private:
    FluidOutput() = default;
    bool start(const QString &driver, const QString &audioFile);
    void fileLoop();
    bool needsSynthLocked();
    int renderLocked(int len, int nfx, float *fx[], int nout, float *out[]);
    bool writeWavHeader(qint64 frames);
    static int renderCallback(void *data, int len, int nfx, float *fx[],
                              int nout, float *out[]);

    fluid_settings_t *m_settings = nullptr;
    fluid_synth_t *m_synth = nullptr;
    fluid_audio_driver_t *m_driver = nullptr;
    std::thread m_fileThread;
    std::FILE *m_file = nullptr;
    int m_rate = 44100;
    bool m_running = false;              // file thread; under m_lock
    bool m_kick = false;                 // wakes the idle file thread; under m_lock
    std::condition_variable m_wake;
    std::mutex m_lock;

    fluid_player_t *m_player = nullptr;  // under m_lock
    bool m_hushed = false;               // under m_lock
    bool m_sounding = false;             // a player runs or a voice sounds
    qint64 m_ringing = 0;                // frames of effect tail still to render
    float m_applied = 1.0f;              // scale of the last block, ramped from
    std::atomic<float> m_scale{1.0f};
    std::atomic<bool> m_rendering{false};
};
