// Any stream of channel and system exclusive messages, with the transpose,
// the drum banks and the channel choices changed in between, goes through
// the note mapper and the channel mix as the engine sends it. What reaches
// the synth is in range; the synth's keys are what the activity shows; a
// stop's offs leave no key sounding and the activity empty.
#include "playback/core/channelmix.h"
#include "playback/core/notemapper.h"
#include <cstdlib>
#include <algorithm>
#include <cstring>

namespace {

struct Input {
    const uint8_t *at, *end;
    uint8_t next() { return at < end ? *at++ : 0; }
    int wide() { return int(qint16(next() << 8 | next())); }
};

// The synth as the messages leave it: the keys down on each channel.
struct Synth {
    std::array<std::array<bool, 128>, 16> down{};
    void send(const NoteMapper::Message &m)
    {
        const int type = m.status & 0xF0, ch = m.status & 0x0F;
        if (type < 0x80 || type > 0xC0 || m.data1 > 127 || m.data2 > 127)
            std::abort();
        if (type == 0x80 || type == 0x90)
            down[size_t(ch)][m.data1] = type == 0x90 && m.data2 > 0;
        else if (type == 0xB0 && (m.data1 == 120 || m.data1 >= 123))
            down[size_t(ch)].fill(false);
    }
    void send(const QVector<NoteMapper::Message> &list)
    {
        for (const auto &m : list)
            send(m);
    }
};

void checkActivity(const ChannelMix &mix, const Synth &synth)
{
    for (int ch = 0; ch < 16; ++ch)
        for (int key = 0; key < 128; ++key)
            if (mix.activity().sounding(ch, key) != synth.down[size_t(ch)][size_t(key)])
                std::abort();
}

void checkLocks(const ChannelMix &mix)
{
    for (const ChannelMix::Lock &l : mix.settings().lock)
        if (l.bankMsb < -1 || l.bankMsb > 127 || l.bankLsb < -1 || l.bankLsb > 127 || l.program > 127
            || (l.on && l.program < -1))
            std::abort();
}

ChannelMix::Settings settingsFrom(Input &in)
{
    ChannelMix::Settings s;
    const int muted = in.next() << 8 | in.next(), solo = in.next() << 8 | in.next();
    for (int ch = 0; ch < 16; ++ch) {
        s.muted[size_t(ch)] = muted >> ch & 1;
        s.solo[size_t(ch)] = solo >> ch & 1;
    }
    for (int n = in.next() % 4; n > 0; --n) {
        const size_t ch = in.next() % 16;
        s.level[ch] = in.wide();
        s.lock[ch] = {bool(in.next() & 1), qint16(in.wide()), qint16(in.wide()), qint16(in.wide())};
    }
    return s;
}

// What the engine does at a stop: the mapper's offs, unfiltered, then both start afresh.
void stop(NoteMapper &mapper, ChannelMix &mix, Synth &synth)
{
    synth.send(mapper.offs());
    mix.reset();
    mapper.reset();
    for (const auto &keys : synth.down)
        if (std::find(keys.begin(), keys.end(), true) != keys.end())
            std::abort();
    checkActivity(mix, synth);
    synth.send(mix.restore());
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in{data, data + size};
    NoteMapper mapper;
    ChannelMix mix;
    Synth synth;
    while (in.at < in.end) {
        const uint8_t op = in.next();
        if (op < 0xF0) {
            // A channel message as the player reads it from a file: seven-bit data.
            // Only these reach the mapper; the engine hands the others to the synth.
            NoteMapper::Message m{quint8(0x80 + (op >> 4) % 5 * 16 + (op & 15)), quint8(in.next() & 0x7F),
                                  quint8(in.next() & 0x7F)};
            NoteMapper::Out out = mapper.map(m);
            for (int i = 0; i < out.count; ++i)
                if (mix.filter(out.at[size_t(i)]))
                    synth.send(out.at[size_t(i)]);
        } else if (op < 0xF4) {
            const size_t n = std::min<size_t>(in.next() % 16, size_t(in.end - in.at));
            const QByteArray sysex(reinterpret_cast<const char *>(in.at), qsizetype(n));
            in.at += n;
            for (auto m : mapper.sysex(sysex))
                if (mix.filter(m))
                    synth.send(m);
            if (NoteMapper::isReset(sysex))
                synth.send(mix.restore());
        } else if (op < 0xF8) {
            mapper.setTranspose(qint8(in.next()));
        } else if (op < 0xFA) {
            mapper.setDrumBank(in.next() % 20 - 2, in.next() & 1);
        } else if (op < 0xFE) {
            synth.send(mix.apply(settingsFrom(in)));
            checkLocks(mix);
        } else {
            stop(mapper, mix, synth);
        }
        checkActivity(mix, synth);
    }
    stop(mapper, mix, synth);
    return 0;
}
