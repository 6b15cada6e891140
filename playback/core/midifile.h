#pragma once
#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

// Reads and validates Standard MIDI Files (format 0, 1, 2) and RIFF-MIDI
// (.rmi). Takes any bytes: refuses what it cannot read, with a reason.
//
// Timing follows what a sequencer that plays all tracks together does
// (FluidSynth does so for every format): the tempo map is taken from the
// tempo events of all tracks merged (at one tick, the later track wins), the
// length runs to the last event of the longest track. Tempo events of the
// wrong length or of zero are ignored, as is everything after End of Track.
// Forgives what players forgive: stray system-common and real-time bytes
// (skipped), running status across meta and sysex events, a track chunk
// length a byte or two off or past the end of a cut file, an event cut off
// at the end of a track (the track ends at its time).
class MidiFile {
public:
    static constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

    struct TempoChange {
        qint64 tick;
        qint64 microsPerQuarter;
        double msAtTick;   // time from the start to this tick
    };

    // Parses bytes as read from a file (RIFF wrapper allowed).
    static MidiFile parse(const QByteArray &bytes);
    // Reads a file from disk, refusing non-regular files and files over MaxFileSize.
    static MidiFile load(const QString &path);

    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }   // why it was refused, in plain words

    int format() const { return m_format; }
    int trackCount() const { return m_tracks; }
    // Ticks per quarter note; for SMPTE files the ticks per second (frames per
    // second times ticks per frame, with 29.97 drop-frame counted as 30 and its
    // tempo map set to 1001000 us per quarter so the times come out exact).
    int division() const { return m_division; }
    bool isSmpte() const { return m_smpte; }
    // The Standard MIDI File bytes (the data chunk of a RIFF file).
    QByteArray smfBytes() const { return m_smf; }
    // Bytes a sequencer that knows only metrical time can play: the SMF
    // itself, or for SMPTE files one rewritten to the same timing with
    // division = ticks per second and one tempo of 1000000 us per quarter.
    // Also rewritten (same events, same timing) when FluidSynth 2.3 would
    // refuse or misread the file: a header longer than 6 bytes, unknown chunks,
    // F7 escapes, meta events of a length the standard forbids, tempo 0,
    // and everything forgiven above (stray bytes dropped, running status
    // written out, chunk lengths set right).
    // Empty when the file is not valid.
    QByteArray playableBytes() const;

    qint64 lastTick() const { return m_lastTick; }
    qint64 lengthMs() const;   // rounded to the nearest ms
    double tickToMs(qint64 tick) const;
    qint64 msToTick(double ms) const;   // first tick at or after ms
    const QVector<TempoChange> &tempoMap() const { return m_tempo; }

private:
    QString m_error = QStringLiteral("empty");
    int m_format = 0;
    int m_tracks = 0;
    int m_division = 0;
    bool m_smpte = false;
    qint64 m_lastTick = 0;
    QByteArray m_smf;
    QVector<TempoChange> m_tempo;
    bool m_rewrite = false;   // playableBytes() must rewrite the SMF
    friend class MidiFileParser;
};
