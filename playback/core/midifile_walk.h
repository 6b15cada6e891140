#pragma once
// Private to the MIDI file reader: walks the events of one track chunk.
// No allocation; every read is checked against the end of the chunk.
#include <QtGlobal>
#include <cstdint>
#include <cstring>

namespace midifile_detail {

inline quint32 be32(const uchar *p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}
inline quint16 be16(const uchar *p)
{
    return quint16((p[0] << 8) | p[1]);
}
inline quint32 le32(const uchar *p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

enum class WalkError {
    None,
    Truncated,         // readVlq only: the number runs past the end
    LongNumber,        // a variable-length number of more than four bytes
    NoRunningStatus,   // a data byte where a status byte is needed
    BadDataByte,       // a channel message's value has the top bit set
};

// What the reader forgives in an event; playableBytes() must write it plainly.
enum class Oddity : quint8 {
    None,
    Stray,     // F1..F6 or F8..FE: no event of a file; skipped
    Resumed,   // running status taken up again after a meta, sysex or stray event
    Cut,       // the track's data ends inside this event: only its delta counts
};

struct Event {
    quint32 delta = 0;
    quint8 status = 0;     // effective status: channel status, 0xF0, 0xF7, 0xFF or a stray one
    quint8 metaType = 0;   // for 0xFF
    Oddity oddity = Oddity::None;
    const uchar *start = nullptr;     // first byte after the delta time
    const uchar *payload = nullptr;   // meta/sysex data, or the channel data bytes
    quint32 payloadLen = 0;
    const uchar *lenField = nullptr;   // meta/sysex: the length number
    const uchar *end = nullptr;        // one past the event
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

// Moves pos past the next track chunk's header, skipping chunks of other
// kinds; len is its stated length. False when no track chunk is left.
inline bool nextTrackChunk(const uchar *b, qint64 n, qint64 &pos, qint64 &len)
{
    for (;;) {
        if (n - pos < 8)
            return false;
        len = be32(b + pos + 4);
        const bool track = std::memcmp(b + pos, "MTrk", 4) == 0;
        pos += 8;
        if (track)
            return true;
        pos += len;
    }
}

// Number of data bytes of a channel message (status 0x80..0xEF).
inline int channelDataBytes(quint8 status)
{
    const quint8 kind = status & 0xf0;
    return (kind == 0xc0 || kind == 0xd0) ? 1 : 2;
}

// Data bytes that follow a stray system-common status, as on a MIDI cable:
// quarter frame and song select one, song position two. Tune request, the
// two undefined ones and all real-time bytes stand alone.
inline int strayDataBytes(quint8 status)
{
    return status == 0xf2 ? 2 : (status == 0xf1 || status == 0xf3) ? 1 : 0;
}

// Calls onEvent(const Event &) for each event of [p, end) until the End of
// Track meta event (inclusive; one with a length other than 0 does not count)
// or the end of the chunk; onEvent returns false to stop early. On an error,
// at is where the bad event starts; otherwise where the walk stopped.
// forgiven is set when an event has an oddity (kept off the path of plain
// events, which is hot).
//
// Forgiving as players are with files written by sloppy tools: a stray
// system-common or real-time status in place of an event is an event of its
// own (its delta time counts) and is skipped with the data bytes it takes;
// running status is kept across meta, sysex and stray events; an event cut
// off by the end of the data ends the track at its delta time. A stray byte
// inside a channel message is still an error: there is no telling which
// bytes belong to what.
template <class F> WalkError walkTrack(const uchar *p, const uchar *end, F &&onEvent, const uchar *&at, bool &forgiven)
{
    quint8 running = 0;   // for a data byte in place of a status; 0 after a meta, sysex or stray event
    quint8 kept = 0;      // the channel status before those, kept across them
    Event ev;
    // The loop returns at the end of the events; it breaks out at a cut event.
    for (;;) {
        at = p;
        if (p >= end)
            return WalkError::None;
        WalkError e = readVlq(p, end, ev.delta);
        if (e != WalkError::None) {
            if (e != WalkError::Truncated)
                return e;
            ev.delta = 0;   // the time of what follows is unknown
            break;
        }
        if (p >= end)
            break;
        ev.start = p;
        quint8 status = *p;
        ev.oddity = Oddity::None;
        if (!(status & 0x80)) {   // running status
            status = running;
            if (!status) [[unlikely]] {
                if (!kept)
                    return WalkError::NoRunningStatus;
                status = kept;
                ev.oddity = Oddity::Resumed;
                forgiven = true;
            }
        } else {
            ++p;
        }
        ev.status = status;
        ev.lenField = nullptr;
        if (status < 0xf0) {
            running = status;
            const int n = channelDataBytes(status);
            if (end - p < n)
                break;
            if ((p[0] & 0x80) || (n == 2 && (p[1] & 0x80)))
                return WalkError::BadDataByte;
            ev.payload = p;
            ev.payloadLen = quint32(n);
            p += n;
        } else if (status == 0xf0 || status == 0xf7 || status == 0xff) {
            kept = running ? running : kept;
            running = 0;
            if (status == 0xff) {
                if (p >= end)
                    break;
                ev.metaType = *p++;
            }
            ev.lenField = p;
            quint32 len = 0;
            e = readVlq(p, end, len);
            if (e == WalkError::Truncated)
                break;
            if (e != WalkError::None)
                return e;
            if (quint64(end - p) < len)
                break;
            ev.payload = p;
            ev.payloadLen = len;
            p += len;
        } else [[unlikely]] {
            kept = running ? running : kept;
            running = 0;
            ev.oddity = Oddity::Stray;
            forgiven = true;
            ev.payload = p;
            for (int i = strayDataBytes(status); i > 0 && p < end && !(*p & 0x80); --i)
                ++p;
            ev.payloadLen = quint32(p - ev.payload);
        }
        ev.end = p;
        if (!onEvent(static_cast<const Event &>(ev)) || (status == 0xff && ev.metaType == 0x2f && ev.payloadLen == 0)) {
            at = p;
            return WalkError::None;
        }
    }
    Event cut;
    cut.delta = ev.delta;
    cut.oddity = Oddity::Cut;
    cut.start = cut.end = end;
    forgiven = true;
    onEvent(static_cast<const Event &>(cut));
    at = end;
    return WalkError::None;
}

// Where the data of a track chunk ends. Its length field says statedEnd,
// which may lie past the end of the file: a cut file, read to its end. Old
// tools often got the length a byte or two wrong; a track header found within
// two bytes of the stated end, where none is at it, marks the true end. Any
// other mismatch keeps the stated length: guessing further would read notes
// out of unrelated bytes.
inline qint64 trackDataEnd(const uchar *b, qint64 n, qint64 start, qint64 statedEnd)
{
    if (statedEnd >= n)
        return n;
    const auto trackAt = [&](qint64 pos) {
        return pos >= start && n - pos >= 4 && std::memcmp(b + pos, "MTrk", 4) == 0;
    };
    if (trackAt(statedEnd))
        return statedEnd;
    for (const int d : {-1, 1, -2, 2})
        if (trackAt(statedEnd + d))
            return statedEnd + d;
    return statedEnd;
}

// Where the chunk after a track starts: at the end of its data, unless a
// length too long runs over the next track header, which then follows the
// End of Track right away (stoppedAt: where the walk of the track ended).
inline qint64 nextChunkAt(const uchar *b, qint64 n, qint64 dataEnd, qint64 stoppedAt)
{
    const auto trackAt = [&](qint64 pos) { return n - pos >= 4 && std::memcmp(b + pos, "MTrk", 4) == 0; };
    if (stoppedAt < dataEnd && !trackAt(dataEnd) && trackAt(stoppedAt))
        return stoppedAt;
    return dataEnd;
}

// Every event of a read file's SMF bytes, track by track: onEvent(track, tick, event),
// the tick counted from the track's start. Stops at a track chunk that is missing.
template <class F> void walkTracks(const uchar *b, qint64 n, int tracks, F &&onEvent)
{
    qint64 pos = 8 + qint64(be32(b + 4));
    for (int t = 0; t < tracks; ++t) {
        qint64 len = 0;
        if (!nextTrackChunk(b, n, pos, len))
            return;
        const qint64 dataEnd = trackDataEnd(b, n, pos, pos + len);
        const uchar *at = nullptr;
        bool forgiven = false;
        qint64 tick = 0;
        walkTrack(
            b + pos, b + dataEnd,
            [&](const Event &ev) {
            tick += ev.delta;
            return onEvent(t, tick, ev);
            },
            at, forgiven);
        pos = nextChunkAt(b, n, dataEnd, at - b);
    }
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

}   // namespace midifile_detail
