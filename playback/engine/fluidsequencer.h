#pragma once
#include "components/core/synthlevel.h"
#include "playback/core/midifile.h"
#include "playback/core/sequencerdevice.h"
#include "playback/core/songbankfinder.h"
#include "playback/core/soundcontrol.h"
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <fluidsynth.h>
#include <QVector>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>

class FluidOutput;

// The sequencer device on FluidSynth. One synthesizer and one audio output
// live as long as this object, made on the first open, so a machine without
// sound still starts. Every play starts a fresh FluidSynth player at the
// wanted tick: FluidSynth's own seek refuses a second seek while one is
// pending, and a fresh player avoids that and the stale state of an ended one.
class FluidSequencer : public SequencerDevice, public SynthLevel, public SoundControl {
public:
    // The synth's gain: our sample songs peak at -4.5 dBFS or below with the
    // GM bank, which leaves busier songs room before the limiter steps in.
    // Songs with many loud parts still go far past full scale without it.
    static constexpr double DefaultGain = 0.8;
    // The gain used before there was a limiter, for comparing loudness.
    static constexpr double PlainGain = 0.95;

    struct Config {
        QString soundFont;     // path of the .sf2
        QString audioDriver;   // FluidSynth driver name; empty = its default
        QString audioFile;     // output of the "file" driver (WAV or /dev/null)
        double gain = DefaultGain;
        bool limiter = true;   // keeps the output below full scale
        // Banks, effects and output; its empty banks and driver are
        // soundFont's and audioDriver's.
        SoundConfig sound = SoundConfig();
    };

    explicit FluidSequencer(Config config);
    ~FluidSequencer() override;
    FluidSequencer(const FluidSequencer &) = delete;
    FluidSequencer &operator=(const FluidSequencer &) = delete;

    static constexpr int MaxTracks = 128;

    int open(const QString &path) override;
    // Why the last open failed, in plain words; empty when it did not.
    QString openError() const override { return m_openError; }
    QString takeFault() override;
    void setFaultListener(std::function<void()> listener) override;
    void close() override;
    int play(qint64 fromMs) override;
    int pause() override;
    int stop() override;
    qint64 position() const override;
    qint64 length() const override;
    Mode mode() const override;
    void setTempoPercent(int percent) override;
    void setTranspose(int semitones) override;
    void setLoop(qint64 aMs, qint64 bMs) override;
    void setChannelMix(const ChannelMix::Settings &mix) override;
    ChannelMix::Settings channelMix() const override;
    const ChannelActivity *channelActivity() const override;
    ChannelSound channelSound(int channel) const override;

    int level() const override { return m_level; }
    void setLevel(int level) override;
    bool muted() const override { return m_muted; }
    void setMuted(bool muted) override;

    SoundConfig sound() const override { return m_sound; }
    bool setSound(const SoundConfig &config, QString *error) override;
    QStringList systemBanks() const override;
    QList<AudioDriver> audioDrivers() override;
    QStringList audioDevices(const QString &driver) override;
    QString songBank() const override { return m_songBankShown; }
    void watchSongBank(QObject *context, std::function<void()> changed) override;

    // The preset a channel plays now: the file of its bank, its bank and program numbers.
    struct ChannelPreset {
        QString bankFile;
        int bank = -1;
        int program = -1;
    };
    ChannelPreset channelPreset(int channel) const;
    // Voices sounding now; for measuring and checking silence.
    int activeVoices() const;
    // False while the output writes silence without running the synth.
    bool outputRendering() const;
    // True once the last play has reached the output: its first events are
    // in the block being rendered.
    bool outputStarted() const { return m_started; }

private:
    int ensureOutput();
    int startPlayerLocked(qint64 tick);
    bool changeSynth(const SoundConfig &config, QString *error);
    qint64 currentTickLocked() const;
    void silenceLocked();
    void dropPlayerLocked();
    void applyGain();
    void keepInstrumentsLocked();
    void stackSongBank(const QString &bank);
    void showSongBank(const QString &bank);
    std::function<void()> faultNotice();
    static int onTick(void *self, int tick);
    void loopLocked(qint64 tick);

    Config m_config;
    SoundConfig m_sound;
    std::unique_ptr<FluidOutput> m_out;
    mutable std::mutex *m_lock = nullptr;   // the output's render lock

    MidiFile m_song;
    QByteArray m_bytes;
    QString m_openError;
    // Faults reach the listener through the event loop of the thread that set it.
    std::function<void()> m_faultListener;
    std::unique_ptr<QObject> m_faultContext;
    bool m_open = false;
    Mode m_mode = Mode::NotOpen;
    fluid_player_t *m_player = nullptr;
    qint64 m_startTick = 0;   // where the running player was sent
    qint64 m_heldTick = 0;    // where play stopped or paused

    // Presets of the previous song, kept loaded so a next song with the same
    // instruments starts without reading their samples again.
    QVector<std::array<int, 3>> m_pinned;
    // The bank beside the song, stacked on top while the song is open, and
    // kept loaded after it until another song is opened.
    SongBankFinder m_songBanks;
    QString m_songBankShown;
    QSet<QString> m_toldBanks;   // bad banks told on the terminal, with why
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> m_songBankWatchers;
    int m_tempoPercent = 100;   // under the lock
    int m_transpose = 0;
    // The loop in ticks, -1 for none, and the tick the player was last seen at; under the lock.
    qint64 m_loopA = -1;
    qint64 m_loopB = -1;
    qint64 m_seenTick = 0;
    ChannelMix::Settings m_mix;
    std::atomic<bool> m_started{false};
    std::atomic<int> m_level{65535};
    std::atomic<bool> m_muted{false};
};
