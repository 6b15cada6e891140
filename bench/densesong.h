#pragma once
// Dense General MIDI songs for loudness checks: all 16 channels busy, drums
// on channel 10, full-velocity chords with volume and expression at 127, the
// sustain pedal down, fast runs. Header only; not part of the player.
#include "tools/smfwriter.h"

namespace dense {

// The same bytes for the same variant. Variants differ in tempo, instruments,
// what dominates (held chords, runs, low register) and, past the fourth, in
// how many parts play at once.
inline QByteArray song(int variant, int seconds)
{
    quint32 state = 0x9E3779B9u * quint32(variant + 1);
    auto rnd = [&state](int n) {
        state = state * 1664525u + 1013904223u;
        return int((state >> 8) % quint32(n));
    };
    // Brass, organs, strings, leads, pads, guitars, pianos: loud sustained sounds.
    static const int programs[] = {61, 16, 48, 81, 19, 30, 0, 56, 62, 90, 50, 29, 17, 4, 80, 38};
    const int bpm = 100 + 20 * (variant % 5);
    const int beat = smf::Tpq;
    const qint64 end = qint64(seconds) * bpm * beat / 60;
    const int style = variant % 4;   // 0 held chords, 1 runs, 2 low and heavy, 3 all

    QVector<smf::Track> tracks(17);
    tracks[0].tempoBpm(0, bpm);
    for (int ch = 0; ch < 16; ++ch) {
        smf::Track &t = tracks[ch + 1];
        t.control(0, ch, 7, 127);
        t.control(0, ch, 11, 127);
        t.control(0, ch, 10, (ch * 37) % 128);
        if (ch == 9) {
            // Kick, snare, closed hat and crash in sixteenths, all at full force.
            for (qint64 at = 0; at < end; at += beat / 4) {
                const int step = int(at / (beat / 4)) % 16;
                t.note(at, ch, 42, 127, beat / 8);
                if (step % 4 == 0)
                    t.note(at, ch, 36, 127, beat / 4);
                if (step % 8 == 4)
                    t.note(at, ch, 38, 127, beat / 4);
                if (step == 0)
                    t.note(at, ch, 49, 127, beat);
            }
            continue;
        }
        t.program(0, ch, programs[(ch + variant * 5) % 16]);
        const int low = style == 2 ? 28 + ch : 36 + 2 * ch;
        for (qint64 bar = 0; bar < end; bar += 4 * beat) {
            // Pedal lifted and pressed again at every bar.
            t.control(bar, ch, 64, 0);
            t.control(bar + 1, ch, 64, 127);
            const int root = low + rnd(12);
            // From the fifth variant on, each part plays one bar in four or so.
            if (variant >= 4 && rnd(4))
                continue;
            const bool runs = style == 1 || (style == 3 && ch % 2);
            if (runs) {
                for (qint64 at = bar; at < bar + 4 * beat; at += beat / 4)
                    t.note(at, ch, root + rnd(24), 127, beat / 4);
            } else {
                for (qint64 at = bar; at < bar + 4 * beat; at += beat) {
                    for (int iv : {0, 4, 7, 12})
                        t.note(at, ch, root + iv, 127, beat);
                }
            }
        }
    }
    return smf::file(1, tracks);
}

}   // namespace dense
