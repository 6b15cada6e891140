#pragma once
#include "playback/core/channelmix.h"
#include "playback/core/notemapper.h"
#include "playback/engine/mappedevents.h"
#include "playback/core/peaklimiter.h"
#include "playback/core/soundconfig.h"
#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <fluidsynth.h>

class BankFile;

// One synthesizer with its sound banks and its audio output. Rendering runs
// under lock(), so whoever holds the lock may create and delete players.
// While nothing plays and nothing sounds the output writes silence without
// asking the synth, so a stopped player costs next to no CPU. The synth can
// be swapped for another and the output restarted while the other stays.
class FluidOutput {
public:
    struct Options {
        SoundConfig sound;   // banks, effects, driver, device, buffer
        QString audioFile;   // for the "file" driver
        double gain;         // the synth's
        bool limiter;        // keep the output below full scale
    };

    // A synthesizer with its banks, not yet heard.
    class Synth {
    public:
        ~Synth();
        fluid_synth_t *synth() const { return m_synth; }
        // True once a bank's file can no longer be read; any thread.
        bool broken() const;
        QString problem() const;
        // The bank on top of the others for one song; empty for none.
        QString songBank() const;
        int songBankId() const { return m_songBankId; }
        // Puts the bank on top in place of the song's bank before, which is
        // unloaded with its presets taken off the channels; an empty path only
        // unloads. False with the reason in *why when the bank does not load:
        // then none is on top. Under lock() for the synth heard.
        bool setSongBank(const QString &path, QString *why);

    private:
        friend class FluidOutput;
        Synth() = default;
        std::vector<std::unique_ptr<BankFile>> m_banks;   // outlive the synth
        std::unique_ptr<BankFile> m_songBank;
        int m_songBankId = -1;
        fluid_settings_t *m_settings = nullptr;
        fluid_synth_t *m_synth = nullptr;
    };

    // Null, with the reason in *error, when a bank will not load or no
    // audio output opens.
    static std::unique_ptr<FluidOutput> create(const Options &options, QString *error);
    ~FluidOutput();
    FluidOutput(const FluidOutput &) = delete;
    FluidOutput &operator=(const FluidOutput &) = delete;

    // A synth for this output made from the config; null with the reason in
    // *error when a bank will not load. Takes no lock: the output renders on.
    std::unique_ptr<Synth> makeSynth(const SoundConfig &sound, QString *error) const;
    // Puts the synth in place of the one heard and returns the old one, to be
    // deleted once the lock is let go. Under lock(), with no player running.
    std::unique_ptr<Synth> swapSynthLocked(std::unique_ptr<Synth> synth);
    // Stops the audio output and starts it with the driver, device and
    // buffer of the config. When that fails the old output starts again and
    // *error says why. Not under lock(): the player waits where it is.
    bool restartOutput(const SoundConfig &sound, QString *error);

    fluid_synth_t *synth() const { return m_synth->synth(); }
    Synth &heard() const { return *m_synth; }
    // The audio driver the output runs on (FluidSynth's pick when none is set).
    QString driverName() const { return m_driverName; }
    std::mutex &lock() { return m_lock; }

    // The player to keep rendering for while it runs; null for none. Under lock().
    void setPlayerLocked(fluid_player_t *player);
    // Factor applied to the rendered samples, 0..1. Level and mute go here and
    // not into the synth's gain, which would end quiet voices for good.
    void setScale(float scale) { m_scale = scale; }
    // Semitones the player's notes are moved by from their next note-on; any thread.
    void setTranspose(int semitones) { m_transpose = semitones; }
    // Ends every note the player's notes started, at the key it sounds. Under lock().
    void endNotesLocked() { sendMappedOffs(m_synth->synth(), m_mapper, m_mix); }
    // Keeps the controllers a reset just set; sends them again at a loop's jump. Under lock().
    void keepControlDefaultsLocked() { m_defaults.read(m_synth->synth()); }
    void sendControlDefaultsLocked() { m_defaults.send(m_synth->synth(), m_mix); }
    // The channels' choices, heard from the next block. Under lock().
    void setChannelMixLocked(const ChannelMix::Settings &settings);
    // With the programs the locks hold. Under lock().
    ChannelMix::Settings channelMixLocked() const { return m_mix.settings(); }
    // What the player's channels play; read by any thread without the lock.
    const ChannelActivity &activity() const { return m_mix.activity(); }
    // Stop now: once the voices are gone, the effects' tail is not rendered
    // either (the next play's reset clears it). Under lock().
    void hushLocked() { m_hushed = true; }
    // True while the synth is being rendered; false while only silence goes out.
    bool rendering() const { return m_rendering; }
    // The player being rendered: null once the output stopped it. Under lock().
    fluid_player_t *playerLocked() const { return m_player; }
    // Why the output stopped the player, once; empty when it did not. Under lock().
    QString takeFaultLocked() { return std::exchange(m_fault, QString()); }
    // Called on the render thread, under lock(), as a fault stops the player.
    void setFaultNotice(std::function<void()> notice);
    // True once a bank's file can no longer be read; the output then plays
    // no new notes. Any thread.
    bool bankBroken() const;

private:
    FluidOutput() = default;
    bool start(const SoundConfig &sound, QString *error);
    void stopOutput();
    void faultLocked();
    void idleLocked();
    void fileLoop();
    bool needsSynthLocked();
    int renderLocked(int len, int nfx, float *fx[], int nout, float *out[]);
    bool writeWavHeader(qint64 frames);
    static int renderCallback(void *data, int len, int nfx, float *fx[], int nout, float *out[]);
    static int playEvent(void *data, fluid_midi_event_t *event);

    std::unique_ptr<Synth> m_synth;   // swapped under m_lock
    double m_gain = 1.0;
    QString m_audioFile;
    QString m_driverName;
    fluid_settings_t *m_audio = nullptr;   // the output's settings
    fluid_audio_driver_t *m_driver = nullptr;
    std::thread m_fileThread;
    std::FILE *m_file = nullptr;
    int m_rate = 44100;
    bool m_running = false;   // file thread; under m_lock
    bool m_kick = false;      // wakes the idle file thread; under m_lock
    std::condition_variable m_wake;
    std::mutex m_lock;

    fluid_player_t *m_player = nullptr;       // under m_lock
    bool m_hushed = false;                    // under m_lock
    bool m_sounding = false;                  // a player runs or a voice sounds
    qint64 m_ringing = 0;                     // frames of effect tail still to render
    float m_applied = 1.0f;                   // scale of the last block, ramped from
    std::unique_ptr<PeakLimiter> m_limiter;   // null: none; under m_lock
    QString m_fault;                          // under m_lock
    std::function<void()> m_faultNotice;      // under m_lock
    NoteMapper m_mapper;                      // the player's notes; under m_lock
    ChannelMix m_mix;                         // after the mapper; under m_lock
    ControlDefaults m_defaults;               // under m_lock
    std::atomic<float> m_scale{1.0f};
    std::atomic<int> m_transpose{0};
    std::atomic<bool> m_rendering{false};
};
