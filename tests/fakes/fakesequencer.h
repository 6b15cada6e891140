#pragma once
#include "app/core/clock.h"
#include "playback/core/sequencerdevice.h"
#include <QHash>
#include <QStringList>
#include <functional>
#include <utility>

// A sequencer on a hand-moved clock. Lengths and open errors are scripted
// per file name; unscripted files are 200 s long.
class FakeSequencer : public SequencerDevice {
public:
    explicit FakeSequencer(const Clock *clock) : m_clock(clock) {}

    int open(const QString &path) override;
    void close() override;
    int play(qint64 fromMs) override;
    int pause() override { return halt(Mode::Paused, "pause"); }
    int stop() override { return halt(Mode::Stopped, "stop"); }
    qint64 position() const override;
    qint64 length() const override { return m_mode == Mode::NotOpen ? 0 : m_length; }
    Mode mode() const override;
    QString openError() const override { return openErrorText; }
    QString takeFault() override { return std::exchange(fault, QString()); }
    void setChannelMix(const ChannelMix::Settings &m) override { mix = m; }
    ChannelMix::Settings channelMix() const override { return mix; }
    const ChannelActivity *channelActivity() const override { return &activity; }
    ChannelSound channelSound(int channel) const override { return sounds.value(channel); }
    void setFaultListener(std::function<void()> l) override { listener = std::move(l); }
    void setTempoPercent(int percent) override { tempo = percent; }
    void setTranspose(int semitones) override { key = semitones; }
    void setLoop(qint64 aMs, qint64 bMs) override { loop = {aMs, bMs}; }

    // Scripts: length in ms and open error by file name (without folder).
    QHash<QString, qint64> lengths;
    QHash<QString, int> openErrors;
    // The reason the device gives for a scripted open error.
    QString openErrorText;
    // A failure the device reports while playing, taken once; told at once through listener.
    QString fault;
    std::function<void()> listener;
    // Runs inside open(), as a slow device lets window events run.
    std::function<void(const QString &)> onOpen;
    // Every command, e.g. "open x.mid", "play 0", "play -1", "stop".
    QStringList log;
    // Reports stopped once a song has played to its end, as some devices do.
    bool stopsAtEnd = false;
    QString openFile;
    // What the device was last told to play at; an open clears the loop.
    int tempo = 100, key = 0;
    QPair<qint64, qint64> loop{-1, -1};
    ChannelMix::Settings mix;
    ChannelActivity activity;
    QHash<int, ChannelSound> sounds;   // by channel

private:
    int halt(Mode to, const char *command);   // pause or stop, where it is
    const Clock *m_clock;
    Mode m_mode = Mode::NotOpen;
    qint64 m_length = 0;
    qint64 m_base = 0;      // position when play last started
    qint64 m_started = 0;   // clock at that moment
};
