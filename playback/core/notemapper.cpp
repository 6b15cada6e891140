#include "playback/core/notemapper.h"
#include <algorithm>
#include <utility>

namespace {
constexpr int DrumChannel = 9;
constexpr quint8 NoteOff = 0x80, NoteOn = 0x90, KeyPressure = 0xA0, Control = 0xB0, Program = 0xC0;
constexpr int BankMsb = 0, SoundOff = 120, NotesOff = 123, PolyOn = 127;

bool startsWith(const QByteArray &data, std::initializer_list<int> head)
{
    if (data.size() < qsizetype(head.size()))
        return false;
    int i = 0;
    for (int b : head) {
        if (b >= 0 && quint8(data[i]) != b)
            return false;
        ++i;
    }
    return true;
}

// GS numbers its parts 1..9, 0 (the drums), A..F on channels 1..16.
int gsPartChannel(int block)
{
    if (block == 0)
        return DrumChannel;
    return block <= 9 ? block - 1 : block;
}
}

void NoteMapper::setTranspose(int semitones)
{
    m_transpose = std::clamp(semitones, -MaxTranspose, MaxTranspose);
}

bool NoteMapper::drums(int channel) const
{
    return m_drums[size_t(channel)] || m_drumBank[size_t(channel)];
}

void NoteMapper::setDrumBank(int channel, bool drums)
{
    if (channel >= 0 && channel < 16)
        m_drumBank[size_t(channel)] = drums;
}

int NoteMapper::target(int channel, int key) const
{
    return drums(channel) ? key : key + m_transpose;
}

NoteMapper::Out NoteMapper::map(Message in)
{
    const int type = in.status & 0xF0;
    const int ch = in.status & 0x0F;
    qint16 &sent = m_sent[size_t(ch)][in.data1 & 0x7F];
    Out out;
    auto put = [&out](Message m) { out.at[size_t(out.count++)] = m; };
    const bool off = type == NoteOff || (type == NoteOn && in.data2 == 0);
    if (off || type == KeyPressure) {
        // A note never sent (dropped, or ended by a reset) has nothing to end.
        if (sent != Silent)
            put({in.status, quint8(sent), in.data2});
        if (off)
            sent = Silent;
        return out;
    }
    if (type == NoteOn) {
        const int key = target(ch, in.data1);
        if (sent != Silent && sent != key)
            put({quint8(NoteOff | ch), quint8(sent), 0});
        sent = key >= 0 && key <= 127 ? qint16(key) : Silent;
        if (sent != Silent)
            put({in.status, quint8(key), in.data2});
        return out;
    }
    if (type == Control && in.data1 == BankMsb)
        m_bankMsb[size_t(ch)] = in.data2;
    else if (type == Control && (in.data1 == SoundOff || (in.data1 >= NotesOff && in.data1 <= PolyOn)))
        forgetNotes(ch);
    else if (type == Program && m_bankMsb[size_t(ch)] != Silent) {
        // XG: 127 drums and 126 effect kits; other banks are voices, but
        // channel 10 stays drums, as GM files select bank 0 on it too.
        const int msb = std::exchange(m_bankMsb[size_t(ch)], Silent);
        if (msb == 126 || msb == 127)
            m_drums[size_t(ch)] = true;
        else if (ch != DrumChannel)
            m_drums[size_t(ch)] = false;
    }
    put(in);
    return out;
}

namespace {
QByteArray sysexBody(const QByteArray &message)
{
    QByteArray data = message;
    if (data.startsWith('\xF0'))
        data.remove(0, 1);
    if (data.endsWith('\xF7'))
        data.chop(1);
    return data;
}

bool gmReset(const QByteArray &data)
{
    return startsWith(data, {0x7E, -1, 0x09}) && data.size() >= 4 && (data[3] == 1 || data[3] == 3);
}
}

bool NoteMapper::isReset(const QByteArray &message)
{
    const QByteArray data = sysexBody(message);
    return gmReset(data) || startsWith(data, {0x41, -1, 0x42, 0x12, 0x40, 0x00, 0x7F})
           || startsWith(data, {0x43, -1, 0x4C, 0x00, 0x00, 0x7E});
}

QVector<NoteMapper::Message> NoteMapper::sysex(const QByteArray &message)
{
    const QByteArray data = sysexBody(message);
    // GM on (1 and 2), GS reset, XG reset: every part back to its power-on state.
    if (gmReset(data)) {
        const QVector<Message> ended = offs();
        reset();
        return ended;
    }
    if (isReset(data)) {
        // Notes sound on through these (FluidSynth's too): their offs must still find them.
        const auto sent = m_sent;
        reset();
        m_sent = sent;
        return {};
    }
    bool drums = false;
    if (const int ch = rhythmPart(message, &drums); ch >= 0)
        m_drums[size_t(ch)] = drums;
    return {};
}

int NoteMapper::rhythmPart(const QByteArray &message, bool *drums)
{
    const QByteArray data = sysexBody(message);
    // 40 1x 15, value 0 a voice, 1 or 2 a drum map.
    if (!startsWith(data, {0x41, -1, 0x42, 0x12, 0x40}) || data.size() < 8 || (quint8(data[5]) & 0xF0) != 0x10
        || data[6] != 0x15)
        return -1;
    *drums = data[7] != 0;
    return gsPartChannel(data[5] & 0x0F);
}

QVector<NoteMapper::Message> NoteMapper::offs()
{
    QVector<Message> list;
    for (int ch = 0; ch < 16; ++ch)
        for (qint16 key : m_sent[size_t(ch)])
            if (key != Silent)
                list.append({quint8(NoteOff | ch), quint8(key), 0});
    for (int ch = 0; ch < 16; ++ch)
        forgetNotes(ch);
    return list;
}

void NoteMapper::forgetNotes(int channel)
{
    m_sent[size_t(channel)].fill(Silent);
}

void NoteMapper::reset()
{
    for (int ch = 0; ch < 16; ++ch)
        forgetNotes(ch);
    m_drums.fill(false);
    m_drums[DrumChannel] = true;
    m_drumBank.fill(false);
    m_bankMsb.fill(Silent);
}
