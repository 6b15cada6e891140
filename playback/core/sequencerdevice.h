#pragma once
#include "playback/core/channelmix.h"
#include <QString>
#include <QtGlobal>
#include <functional>

// The MIDI sequencer behind the media control. Positions are milliseconds.
// Every call that can fail returns 0 or one of the media error numbers.
class SequencerDevice {
public:
    // The device's mode, numbered as the media control numbers it.
    enum class Mode { NotOpen = 524, Stopped = 525, Playing = 526, Paused = 529 };

    virtual ~SequencerDevice() = default;
    virtual int open(const QString &path) = 0;
    virtual void close() = 0;
    // Plays from fromMs, or resumes where it paused when fromMs < 0.
    virtual int play(qint64 fromMs) = 0;
    virtual int pause() = 0;
    virtual int stop() = 0;
    virtual qint64 position() const = 0;
    virtual qint64 length() const = 0;
    virtual Mode mode() const = 0;
    // Why the last open failed, in plain words (a refused file, a driver that
    // would not start); empty after a successful open.
    virtual QString openError() const { return QString(); }
    // A failure that stopped the song while it played (e.g. the sound bank
    // became unreadable), reported once; empty when there was none.
    virtual QString takeFault() { return QString(); }
    // Called once per such failure, soon after the device notices it, on the
    // thread that set it and never from inside a call to the device; the
    // failure's text is then taken with takeFault(). A device that cannot fail
    // while playing never calls it.
    virtual void setFaultListener(std::function<void()> listener) { (void)listener; }
    // Tempo in percent of the song's own (25..200) and key in semitones
    // (-24..24), heard at once while a song plays. Positions and the length
    // stay in the song's own time.
    virtual void setTempoPercent(int percent) { (void)percent; }
    virtual void setTranspose(int semitones) { (void)semitones; }
    // Play that reaches bMs goes on from aMs, as the song is at aMs; -1 clears.
    // Set after each open (an open clears it).
    virtual void setLoop(qint64 aMs, qint64 bMs)
    {
        (void)aMs;
        (void)bMs;
    }

    // Each channel's mute, solo, level and instrument lock, heard within one
    // audio block; they stay for the next songs until set again.
    virtual void setChannelMix(const ChannelMix::Settings &mix) { (void)mix; }
    // As set, a lock with the program it holds.
    virtual ChannelMix::Settings channelMix() const { return {}; }
    // What each channel plays now, read without waiting; null when nothing can play.
    virtual const ChannelActivity *channelActivity() const { return nullptr; }
    // The name of the preset the bank plays on a channel, and whether the bank
    // lacked what the song asked for and another preset stands in.
    struct ChannelSound {
        QString preset;
        bool substituted = false;
    };
    virtual ChannelSound channelSound(int channel) const
    {
        (void)channel;
        return {};
    }
};
