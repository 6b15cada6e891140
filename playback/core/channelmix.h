#pragma once
#include "playback/core/notemapper.h"
#include <QVector>
#include <array>
#include <atomic>

// What each channel plays now, written by the audio thread and read by any
// other without a lock: a window may see a note a block late, never a torn one.
struct ChannelActivity {
    std::array<std::atomic<quint32>, 16> noteOns{};               // note-ons heard since the song started
    std::array<std::atomic<quint8>, 16> velocity{};               // of the last note-on heard
    std::array<std::array<std::atomic<quint64>, 2>, 16> keys{};   // keys held down, one bit each

    bool sounding(int channel, int key) const
    {
        return (keys[size_t(channel)][size_t(key >> 6)].load(std::memory_order_relaxed) >> (key & 63)) & 1;
    }
};

// Shapes what each channel of a song sends: mute, solo, a level and an
// instrument lock. It sits after the note mapper and sees the keys as they
// sound. A channel that falls silent has its notes ended; one that comes back
// does not restart them. The level scales the song's channel volume (CC 7),
// which also reaches notes already sounding and leaves their velocity, and so
// their tone, as the song has it. One song's messages at a time, on one thread.
class ChannelMix {
public:
    static constexpr int Channels = 16;
    static constexpr int MaxLevel = 200;
    using Message = NoteMapper::Message;

    struct Lock {
        bool on = false;
        qint16 bankMsb = -1, bankLsb = -1;   // -1: the song selected none
        qint16 program = -1;                 // -1: whatever the channel plays when locked
        bool operator==(const Lock &) const = default;
    };
    struct Settings {
        std::array<bool, Channels> muted{}, solo{};
        std::array<int, Channels> level;   // percent of the song's volume, 0..200
        std::array<Lock, Channels> lock{};
        Settings() { level.fill(100); }
        bool operator==(const Settings &) const = default;
        bool audible(int channel) const;
    };

    // What to send now: the offs of channels that fell silent, the volumes of
    // changed levels, the programs of new locks.
    ChannelMix() { reset(); }
    QVector<Message> apply(Settings settings);
    // Locks carry the program they hold once applied.
    const Settings &settings() const { return m_settings; }
    // A message of the song on its way out: false when it is not to be sent;
    // a volume comes back scaled.
    bool filter(Message &m);
    // After the synth was reset: the volumes and locked programs it forgot.
    QVector<Message> restore();
    // A new song's state; the choices stay.
    void reset();
    const ChannelActivity &activity() const { return m_activity; }

private:
    void hold(int channel, int key, bool down);
    void silence(int channel, QVector<Message> &out);
    Message volume(int channel) const;
    static void lockOut(int channel, const Lock &lock, QVector<Message> &out);

    Settings m_settings;
    ChannelActivity m_activity;
    std::array<quint8, Channels> m_volume{};                              // as the song set it
    std::array<qint16, Channels> m_bankMsb{}, m_bankLsb{}, m_program{};   // as the song chose
    std::array<bool, Channels> m_pedal{};
};
