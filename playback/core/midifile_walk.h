#pragma once
// Private to the MIDI file reader: walks the events of one track chunk.
// No allocation; every read is checked against the end of the chunk.
#include <QtGlobal>
#include <cstdint>

namespace midifile_detail {

inline quint32 be32(const uchar *p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}
inline quint16 be16(const uchar *p) { return quint16((p[0] << 8) | p[1]); }
inline quint32 le32(const uchar *p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

enum class WalkError {
    None,
    Truncated,         // an event runs past the end of the track chunk
    LongNumber,        // a variable-length number of more than four bytes
    NoRunningStatus,   // a data byte where a status byte is needed
    BadDataByte,       // a channel message's value has the top bit set
    UnknownStatus,     // F1..F6, F8..FE
};

struct Event {
    quint32 delta = 0;
    quint8 status = 0;        // effective status: channel status, 0xF0, 0xF7 or 0xFF
    quint8 metaType = 0;      // for 0xFF
    bool running = false;     // the status byte was omitted
    const uchar *start = nullptr;   // first byte after the delta time
    const uchar *payload = nullptr; // meta/sysex data, or the channel data bytes
    quint32 payloadLen = 0;
    const uchar *lenField = nullptr; // meta/sysex: the length number
    const uchar *end = nullptr;      // one past the event
};

// Reads a variable-length number of at most four bytes.
inline WalkError readVlq(const uchar *&p, const uchar *end, quint32 &value)
{
    if (p < end && !(*p & 0x80)) {   // most numbers are one byte
        value = *p++;
        return WalkError::None;
    }
    quint32 v = 0;
    for (int i = 0; i < 4; ++i) {
        if (p >= end)
            return WalkError::Truncated;
        const uchar c = *p++;
        v = (v << 7) | (c & 0x7f);
        if (!(c & 0x80)) {
            value = v;
            return WalkError::None;
        }
    }
    return p >= end ? WalkError::Truncated : WalkError::LongNumber;
}

// Number of data bytes of a channel message (status 0x80..0xEF).
inline int channelDataBytes(quint8 status)
{
    const quint8 kind = status & 0xf0;
    return (kind == 0xc0 || kind == 0xd0) ? 1 : 2;
}

// Calls onEvent(const Event &) for each event of [p, end) until the End of
// Track meta event (inclusive; one with a length other than 0 does not count)
// or the end of the chunk; onEvent returns false
// to stop early. On an error, errorAt is where the bad event starts.
// Running status is cancelled by system-exclusive and meta events, as the
// Standard MIDI File format says.
template <class F>
WalkError walkTrack(const uchar *p, const uchar *end, F &&onEvent, const uchar *&errorAt)
{
    quint8 running = 0;
    Event ev;
    while (p < end) {
        errorAt = p;
        WalkError e = readVlq(p, end, ev.delta);
        if (e != WalkError::None)
            return e;
        if (p >= end)
            return WalkError::Truncated;
        ev.start = p;
        quint8 status = *p;
        ev.running = !(status & 0x80);
        if (ev.running) {
            if (!running)
                return WalkError::NoRunningStatus;
            status = running;
        } else {
            ++p;
        }
        ev.status = status;
        ev.lenField = nullptr;
        if (status < 0xf0) {
            running = status;
            const int n = channelDataBytes(status);
            if (end - p < n)
                return WalkError::Truncated;
            if ((p[0] & 0x80) || (n == 2 && (p[1] & 0x80)))
                return WalkError::BadDataByte;
            ev.payload = p;
            ev.payloadLen = quint32(n);
            p += n;
        } else if (status == 0xf0 || status == 0xf7 || status == 0xff) {
            running = 0;
            if (status == 0xff) {
                if (p >= end)
                    return WalkError::Truncated;
                ev.metaType = *p++;
            }
            ev.lenField = p;
            quint32 len = 0;
            e = readVlq(p, end, len);
            if (e != WalkError::None)
                return e;
            if (quint64(end - p) < len)
                return WalkError::Truncated;
            ev.payload = p;
            ev.payloadLen = len;
            p += len;
        } else {
            return WalkError::UnknownStatus;
        }
        ev.end = p;
        if (!onEvent(static_cast<const Event &>(ev)))
            return WalkError::None;
        if (status == 0xff && ev.metaType == 0x2f && ev.payloadLen == 0)
            return WalkError::None;
    }
    return WalkError::None;
}

// Meta events whose length the standard fixes; FluidSynth refuses a file
// when one of them has another length, so the reader ignores such an event
// and playableBytes() turns it into a sequencer-specific event.
inline bool metaLengthOk(quint8 type, quint32 len)
{
    switch (type) {
    case 0x2f: return len == 0;
    case 0x51: return len == 3;
    case 0x54: return len == 5;
    case 0x58: return len == 4;
    case 0x59: return len == 2;
    default: return true;
    }
}

// A tempo event that counts: the right length and not zero.
inline bool usableTempo(const Event &ev, quint32 &micros)
{
    if (ev.metaType != 0x51 || ev.payloadLen != 3)
        return false;
    micros = (quint32(ev.payload[0]) << 16) | (quint32(ev.payload[1]) << 8) | ev.payload[2];
    return micros != 0;
}

} // namespace midifile_detail
