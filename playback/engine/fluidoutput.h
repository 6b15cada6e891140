#pragma once
#include "playback/core/peaklimiter.h"
#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include <fluidsynth.h>

class BankFile;

// One synthesizer with its sound bank and its audio output. Rendering runs
// under lock(), so whoever holds the lock may create and delete players.
// While nothing plays and nothing sounds the output writes silence without
// asking the synth, so a stopped player costs next to no CPU.
class FluidOutput {
public:
    struct Options {
        QString soundFont;
        QString driver;       // empty: FluidSynth's default
        QString audioFile;    // for the "file" driver
        double gain;          // the synth's
        bool limiter;         // keep the output below full scale
    };

    // Null, with the reason in *error, when the bank will not load or no
    // audio output opens.
    static std::unique_ptr<FluidOutput> create(const Options &options, QString *error);
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
    // The player being rendered: null once the output stopped it. Under lock().
    fluid_player_t *playerLocked() const { return m_player; }
    // Why the output stopped the player, once; empty when it did not. Under lock().
    QString takeFaultLocked() { return std::exchange(m_fault, QString()); }
    // True once the bank's file can no longer be read; the output then plays
    // no new notes. Any thread.
    bool bankBroken() const;

private:
    FluidOutput() = default;
    bool loadBank(const QString &path, QString *error);
    bool start(const QString &driver, const QString &audioFile, QString *error);
    void faultLocked();
    void idleLocked();
    void fileLoop();
    bool needsSynthLocked();
    int renderLocked(int len, int nfx, float *fx[], int nout, float *out[]);
    bool writeWavHeader(qint64 frames);
    static int renderCallback(void *data, int len, int nfx, float *fx[],
                              int nout, float *out[]);
    static int playEvent(void *data, fluid_midi_event_t *event);

    std::unique_ptr<BankFile> m_bank;    // outlives the synth
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
    std::unique_ptr<PeakLimiter> m_limiter;   // null: none; under m_lock
    QString m_fault;                     // under m_lock
    std::atomic<float> m_scale{1.0f};
    std::atomic<bool> m_rendering{false};
};
