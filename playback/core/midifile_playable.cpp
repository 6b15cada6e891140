// MidiFile::playableBytes(): the file rewritten, when it must be, into the
// plain form FluidSynth 2.3 reads correctly. Only runs on a validated file.
#include "playback/core/midifile.h"
#include "playback/core/midifile_walk.h"

#include <cstring>

using namespace midifile_detail;

namespace {

void putBe32(QByteArray &out, qsizetype at, quint32 v)
{
    out[at] = char(v >> 24);
    out[at + 1] = char(v >> 16);
    out[at + 2] = char(v >> 8);
    out[at + 3] = char(v);
}

void append(QByteArray &out, const uchar *from, const uchar *to)
{
    out.append(reinterpret_cast<const char *>(from), qsizetype(to - from));
}

void appendVlq(QByteArray &out, quint32 v)
{
    char buf[4];
    int i = 4;
    buf[--i] = char(v & 0x7f);
    while ((v >>= 7) && i > 0)
        buf[--i] = char(0x80 | (v & 0x7f));
    out.append(buf + i, 4 - i);
}

}   // namespace

QByteArray MidiFile::playableBytes() const
{
    if (!isValid())
        return {};
    if (!m_rewrite)
        return m_smf;

    const auto *b = reinterpret_cast<const uchar *>(m_smf.constData());
    const qint64 n = m_smf.size();
    QByteArray out;
    out.reserve(m_smf.size() + 16);
    out.append("MThd\0\0\0\x06", 8);
    out.append(char(m_format >> 8)).append(char(m_format));
    out.append(char(m_tracks >> 8)).append(char(m_tracks));
    if (m_smpte)
        out.append(char((m_division >> 8) & 0x7f)).append(char(m_division));
    else
        out.append(reinterpret_cast<const char *>(b + 12), 2);

    qint64 pos = 8 + qint64(be32(b + 4));
    for (int t = 1; t <= m_tracks; ++t) {
        qint64 len = 0;
        if (!nextTrackChunk(b, n, pos, len))   // validated
            return {};
        const qint64 dataEnd = trackDataEnd(b, n, pos, pos + len);
        const qsizetype header = out.size();
        out.append("MTrk\0\0\0\0", 8);
        if (m_smpte && t == 1) {
            const quint32 us = quint32(m_tempo.value(0).microsPerQuarter);
            const char tempo[] = {0, char(0xff), 0x51, 3, char(us >> 16), char(us >> 8), char(us)};
            out.append(tempo, sizeof tempo);
        }
        const uchar *start = b + pos;
        const uchar *end = b + dataEnd;
        const uchar *prevEnd = start;
        const uchar *at = start;
        bool forgiven = false;
        const WalkError e = walkTrack(
            start, end,
            [&](const Event &ev) {
            if (ev.oddity == Oddity::Cut) {   // the track ends at the cut event's time
                appendVlq(out, ev.delta);
                out.append("\xff\x2f\x00", 3);
                return true;
            }
            append(out, prevEnd, ev.start);   // the delta time, as it was
            prevEnd = ev.end;
            if (ev.oddity == Oddity::Stray) {   // keeps its time, as an empty sequencer-specific event
                out.append("\xff\x7f\x00", 3);
                return true;
            }
            if (ev.oddity == Oddity::Resumed)   // FluidSynth would take the meta or sysex status
                out.append(char(ev.status));
            bool neutral = false;   // becomes a sequencer-specific meta event
            if (ev.status == 0xf7) {
                neutral = true;
            } else if (ev.status == 0xff) {
                quint32 micros = 0;
                neutral = !metaLengthOk(ev.metaType, ev.payloadLen)
                          || (ev.metaType == 0x51 && (m_smpte || !usableTempo(ev, micros)));
            }
            if (neutral) {
                out.append(char(0xff)).append(char(0x7f));
                append(out, ev.lenField, ev.end);
            } else {
                append(out, ev.start, ev.end);
            }
            return true;
            },
            at, forgiven);
        if (e != WalkError::None)
            return {};
        putBe32(out, header + 4, quint32(out.size() - header - 8));
        pos = nextChunkAt(b, n, dataEnd, at - b);
    }
    return out;
}
