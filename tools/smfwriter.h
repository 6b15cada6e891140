#pragma once
// A small Standard MIDI File writer for the sample-song generator and the
// benchmarks. Header only; not part of the player.
#include <QByteArray>
#include <QVector>
#include <QtGlobal>

#include <algorithm>
#include <cmath>

namespace smf {

constexpr int Tpq = 480;   // ticks per quarter note of every generated file

inline QByteArray vlq(quint32 v)
{
    char buf[5];
    int n = 0;
    buf[4 - n++] = char(v & 0x7f);
    while (v >>= 7)
        buf[4 - n++] = char(0x80 | (v & 0x7f));
    return QByteArray(buf + 5 - n, n);
}

inline void appendBe32(QByteArray &out, quint32 v)
{
    out.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
}

// One track's events, kept in any order and sorted when written.
class Track {
public:
    struct Event {
        qint64 tick;
        int priority;   // at one tick: meta and sysex, controls, note offs, note ons
        int seq;
        QByteArray bytes;   // status byte and data, as written after the delta
    };

    void raw(qint64 tick, int priority, const QByteArray &bytes)
    {
        m_events.push_back({tick, priority, m_seq++, bytes});
    }
    void channel(qint64 tick, int priority, int status, int ch, int a, int b = -1)
    {
        QByteArray e;
        e.append(char(status | (ch & 0x0f))).append(char(a & 0x7f));
        if (b >= 0)
            e.append(char(b & 0x7f));
        raw(tick, priority, e);
    }
    void noteOn(qint64 tick, int ch, int key, int vel) { channel(tick, 3, 0x90, ch, key, std::clamp(vel, 1, 127)); }
    // Note off as a note on with velocity 0, so running status can carry it.
    void noteOff(qint64 tick, int ch, int key) { channel(tick, 2, 0x90, ch, key, 0); }
    void note(qint64 tick, int ch, int key, int vel, qint64 duration)
    {
        if (key < 0 || key > 127 || duration <= 0)
            return;
        noteOn(tick, ch, key, vel);
        noteOff(tick + duration, ch, key);
    }
    void program(qint64 tick, int ch, int program) { channel(tick, 1, 0xc0, ch, program); }
    void control(qint64 tick, int ch, int cc, int value) { channel(tick, 1, 0xb0, ch, cc, value); }
    void pitchBend(qint64 tick, int ch, int value14)
    {
        channel(tick, 1, 0xe0, ch, value14 & 0x7f, (value14 >> 7) & 0x7f);
    }
    void meta(qint64 tick, int type, const QByteArray &data)
    {
        QByteArray e;
        e.append(char(0xff)).append(char(type)).append(vlq(quint32(data.size()))).append(data);
        raw(tick, 0, e);
    }
    void tempoMicros(qint64 tick, quint32 micros)
    {
        QByteArray d;
        d.append(char(micros >> 16)).append(char(micros >> 8)).append(char(micros));
        meta(tick, 0x51, d);
    }
    void tempoBpm(qint64 tick, double bpm) { tempoMicros(tick, quint32(std::lround(60000000.0 / bpm))); }
    void timeSignature(qint64 tick, int numerator, int denominatorPower)
    {
        QByteArray d;
        d.append(char(numerator)).append(char(denominatorPower)).append(char(24)).append(char(8));
        meta(tick, 0x58, d);
    }
    void keySignature(qint64 tick, int sharps, bool minor)
    {
        QByteArray d;
        d.append(char(qint8(sharps))).append(char(minor ? 1 : 0));
        meta(tick, 0x59, d);
    }
    void name(const QByteArray &text) { meta(0, 0x03, text); }
    void text(qint64 tick, const QByteArray &text) { meta(tick, 0x01, text); }
    void copyright(const QByteArray &text) { meta(0, 0x02, text); }
    void sysex(qint64 tick, const QByteArray &payloadWithF7)
    {
        QByteArray e;
        e.append(char(0xf0)).append(vlq(quint32(payloadWithF7.size()))).append(payloadWithF7);
        raw(tick, 0, e);
    }
    void add(const Track &other)
    {
        for (const Event &e : other.m_events)
            m_events.push_back({e.tick, e.priority, m_seq++, e.bytes});
    }

    qint64 endTick() const
    {
        qint64 end = 0;
        for (const Event &e : m_events)
            end = std::max(end, e.tick);
        return end;
    }
    bool isEmpty() const { return m_events.isEmpty(); }

    // "MTrk", length, the events in time order with running status, and the
    // End of Track event at endTick (or at the last event).
    QByteArray chunk(qint64 endTick = -1) const
    {
        QVector<Event> events = m_events;
        std::stable_sort(events.begin(), events.end(), [](const Event &a, const Event &b) {
            if (a.tick != b.tick)
                return a.tick < b.tick;
            if (a.priority != b.priority)
                return a.priority < b.priority;
            return a.seq < b.seq;
        });
        QByteArray body;
        qint64 now = 0;
        quint8 running = 0;
        for (const Event &e : events) {
            body.append(vlq(quint32(e.tick - now)));
            now = e.tick;
            const auto status = quint8(e.bytes.at(0));
            if (status < 0xf0 && status == running) {
                body.append(e.bytes.constData() + 1, e.bytes.size() - 1);
            } else {
                body.append(e.bytes);
                running = status < 0xf0 ? status : 0;
            }
        }
        const qint64 end = std::max(endTick, now);
        body.append(vlq(quint32(end - now))).append("\xff\x2f\x00", 3);
        QByteArray out("MTrk");
        appendBe32(out, quint32(body.size()));
        return out + body;
    }

private:
    QVector<Event> m_events;
    int m_seq = 0;
};

// A whole Standard MIDI File from track chunks.
inline QByteArray file(int format, int division, const QVector<QByteArray> &chunks)
{
    QByteArray out("MThd");
    appendBe32(out, 6);
    out.append(char(format >> 8)).append(char(format));
    out.append(char(chunks.size() >> 8)).append(char(chunks.size()));
    out.append(char(division >> 8)).append(char(division));
    for (const QByteArray &c : chunks)
        out.append(c);
    return out;
}

// The tracks as one format 1 file, or merged into one format 0 track.
inline QByteArray file(int format, const QVector<Track> &tracks)
{
    qint64 end = 0;
    for (const Track &t : tracks)
        end = std::max(end, t.endTick());
    QVector<QByteArray> chunks;
    if (format == 0) {
        Track all;
        for (const Track &t : tracks)
            all.add(t);
        chunks.push_back(all.chunk(end));
    } else {
        for (const Track &t : tracks)
            chunks.push_back(t.chunk(end));
    }
    return file(format, Tpq, chunks);
}

// A RIFF-MIDI (.rmi) file around a Standard MIDI File.
inline QByteArray riff(const QByteArray &smfBytes)
{
    auto le32 = [](QByteArray &out, quint32 v) {
        out.append(char(v)).append(char(v >> 8)).append(char(v >> 16)).append(char(v >> 24));
    };
    const quint32 pad = quint32(smfBytes.size() & 1);
    QByteArray out("RIFF");
    le32(out, quint32(4 + 8 + smfBytes.size() + pad));
    out.append("RMID").append("data");
    le32(out, quint32(smfBytes.size()));
    out.append(smfBytes);
    if (pad)
        out.append('\0');
    return out;
}

}   // namespace smf
