#include "playback/core/channelmix.h"
#include <algorithm>

namespace {
constexpr quint8 NoteOff = 0x80, NoteOn = 0x90, KeyPressure = 0xA0, Control = 0xB0, Program = 0xC0;
constexpr int BankMsb = 0, Volume = 7, BankLsb = 32, Pedal = 64, SoundOff = 120, NotesOff = 123, PolyOn = 127;
constexpr quint8 SongVolume = 100;   // what a reset leaves
}

bool ChannelMix::Settings::audible(int channel) const
{
    const bool soloing = std::find(solo.begin(), solo.end(), true) != solo.end();
    return !muted[size_t(channel)] && (!soloing || solo[size_t(channel)]);
}

void ChannelMix::hold(int channel, int key, bool down)
{
    auto &word = m_activity.keys[size_t(channel)][size_t(key >> 6)];
    const quint64 bit = quint64(1) << (key & 63);
    const quint64 now = word.load(std::memory_order_relaxed);
    word.store(down ? now | bit : now & ~bit, std::memory_order_relaxed);
}

void ChannelMix::silence(int channel, QVector<Message> &out)
{
    for (int key = 0; key < 128; ++key) {
        if (m_activity.sounding(channel, key)) {
            out.append({quint8(NoteOff | channel), quint8(key), 0});
            hold(channel, key, false);
        }
    }
    // Notes the pedal holds on have had their off already.
    if (m_pedal[size_t(channel)])
        out.append({quint8(Control | channel), SoundOff, 0});
}

ChannelMix::Message ChannelMix::volume(int channel) const
{
    const int scaled = (m_volume[size_t(channel)] * m_settings.level[size_t(channel)] + 50) / 100;
    return {quint8(Control | channel), Volume, quint8(std::min(scaled, 127))};
}

void ChannelMix::lockOut(int channel, const Lock &lock, QVector<Message> &out)
{
    if (lock.bankMsb >= 0)
        out.append({quint8(Control | channel), BankMsb, quint8(lock.bankMsb)});
    if (lock.bankLsb >= 0)
        out.append({quint8(Control | channel), BankLsb, quint8(lock.bankLsb)});
    out.append({quint8(Program | channel), quint8(lock.program), 0});
}

QVector<ChannelMix::Message> ChannelMix::apply(Settings settings)
{
    QVector<Message> out;
    for (int ch = 0; ch < Channels; ++ch) {
        const auto c = size_t(ch);
        settings.level[c] = std::clamp(settings.level[c], 0, MaxLevel);
        Lock &lock = settings.lock[c];
        if (!lock.on) {
            lock = Lock();
        } else if (lock.program < 0 || lock.program > 127) {
            // What the channel plays now, kept as it is: nothing to send.
            lock = m_settings.lock[c].on ? m_settings.lock[c] : Lock{true, m_bankMsb[c], m_bankLsb[c], m_program[c]};
        }
        // A bank past seven bits would go out as some other bank.
        for (qint16 *bank : {&lock.bankMsb, &lock.bankLsb})
            if (*bank < 0 || *bank > 127)
                *bank = -1;
    }
    const Settings before = std::exchange(m_settings, settings);
    for (int ch = 0; ch < Channels; ++ch) {
        const auto c = size_t(ch);
        if (before.audible(ch) && !settings.audible(ch))
            silence(ch, out);
        if (before.level[c] != settings.level[c])
            out.append(volume(ch));
        const Lock &lock = settings.lock[c];
        const Lock song{true, m_bankMsb[c], m_bankLsb[c], m_program[c]};
        if (lock != before.lock[c] && (lock.on ? lock : before.lock[c]) != song)
            lockOut(ch, lock.on ? lock : song, out);
    }
    return out;
}

bool ChannelMix::filter(Message &m)
{
    const int type = m.status & 0xF0;
    const int ch = m.status & 0x0F;
    const auto c = size_t(ch);
    const bool off = type == NoteOff || (type == NoteOn && m.data2 == 0);
    if (off || type == KeyPressure) {
        // Notes that never sounded here have nothing to end.
        const bool sounding = m_activity.sounding(ch, m.data1);
        if (off)
            hold(ch, m.data1, false);
        return sounding || m_settings.audible(ch);
    }
    if (type == NoteOn) {
        if (!m_settings.audible(ch))
            return false;
        hold(ch, m.data1, true);
        m_activity.noteOns[c].fetch_add(1, std::memory_order_relaxed);
        m_activity.velocity[c].store(m.data2, std::memory_order_relaxed);
        return true;
    }
    // A locked channel's program changes are kept for when it is let go.
    const bool locked = m_settings.lock[c].on;
    if (type == Program) {
        m_program[c] = m.data1;
        return !locked;
    }
    if (type != Control)
        return true;
    switch (m.data1) {
    case BankMsb:
    case BankLsb: (m.data1 == BankMsb ? m_bankMsb : m_bankLsb)[c] = m.data2; return !locked;
    case Volume:
        m_volume[c] = m.data2;
        m = volume(ch);
        return true;
    case Pedal: m_pedal[c] = m.data2 >= 64; return true;
    default:
        if (m.data1 == SoundOff || (m.data1 >= NotesOff && m.data1 <= PolyOn))
            for (auto &word : m_activity.keys[c])
                word.store(0, std::memory_order_relaxed);
        return true;
    }
}

QVector<ChannelMix::Message> ChannelMix::restore()
{
    QVector<Message> out;
    m_volume.fill(SongVolume);
    for (int ch = 0; ch < Channels; ++ch) {
        if (m_settings.level[size_t(ch)] != 100)
            out.append(volume(ch));
        if (m_settings.lock[size_t(ch)].on)
            lockOut(ch, m_settings.lock[size_t(ch)], out);
    }
    return out;
}

void ChannelMix::reset()
{
    for (int ch = 0; ch < Channels; ++ch) {
        for (auto &word : m_activity.keys[size_t(ch)])
            word.store(0, std::memory_order_relaxed);
        m_activity.noteOns[size_t(ch)].store(0, std::memory_order_relaxed);
        m_activity.velocity[size_t(ch)].store(0, std::memory_order_relaxed);
    }
    m_volume.fill(SongVolume);
    m_bankMsb.fill(-1);
    m_bankLsb.fill(-1);
    m_program.fill(0);
    m_pedal.fill(false);
}
