// The sample songs. Melodies are our own transcriptions, from memory, of
// tunes in the public domain: traditional songs and works of composers who
// died more than a hundred years ago. The arrangements are written here.
#include "tools/tunes.h"
#include "tools/smfwriter.h"

#include <QtGlobal>

#include <cmath>
#include <cstdlib>
#include <deque>

namespace {

using smf::Track;
constexpr qint64 Q = smf::Tpq;   // quarter note
constexpr qint64 E = Q / 2;
constexpr qint64 S = Q / 4;
constexpr qint64 H = 2 * Q;
constexpr int Drums = 9;   // channel 10

// ---- Reading the typed-in notes -------------------------------------------

struct Note {
    int key;        // MIDI key; -1 for a rest
    qint64 start;   // from the start of the line
    qint64 length;
};

struct Line {
    QVector<Note> notes;
    qint64 length = 0;
};

[[noreturn]] void typo(const char *text, const char *at, const char *what)
{
    qFatal("tune text error (%s) at offset %d: %.20s", what, int(at - text), at);
    std::abort();
}

int pitchClass(char letter)
{
    switch (letter) {
    case 'C': return 0;
    case 'D': return 2;
    case 'E': return 4;
    case 'F': return 5;
    case 'G': return 7;
    case 'A': return 9;
    case 'B': return 11;
    default: return -1;
    }
}

// Durations: w h q e s (whole to sixteenth), t (eighth-note triplet);
// a '.' after a letter makes it dotted; '+' joins durations ("h+q").
qint64 readDuration(const char *text, const char *&p)
{
    qint64 total = 0;
    for (;;) {
        qint64 d = 0;
        switch (*p) {
        case 'w': d = 4 * Q; break;
        case 'h': d = H; break;
        case 'q': d = Q; break;
        case 'e': d = E; break;
        case 's': d = S; break;
        case 't': d = Q / 3; break;
        default: typo(text, p, "duration expected");
        }
        ++p;
        if (*p == '.') {
            d += d / 2;
            ++p;
        }
        total += d;
        if (*p != '+')
            return total;
        ++p;
    }
}

// A melody: "C5h D5q | E5q. F5e E5q | rq ..." ('|' marks bars, ignored).
Line melody(const char *text)
{
    Line line;
    const char *p = text;
    for (;;) {
        while (*p == ' ' || *p == '|' || *p == '\n')
            ++p;
        if (!*p)
            return line;
        int key = -1;
        if (*p == 'r') {
            ++p;
        } else {
            const int pc = pitchClass(*p);
            if (pc < 0)
                typo(text, p, "note letter expected");
            ++p;
            int shift = 0;
            if (*p == '#')
                shift = 1, ++p;
            else if (*p == 'b')
                shift = -1, ++p;
            if (*p < '0' || *p > '8')
                typo(text, p, "octave expected");
            key = (*p - '0' + 1) * 12 + pc + shift;
            ++p;
        }
        const qint64 d = readDuration(text, p);
        line.notes.push_back({key, line.length, d});
        line.length += d;
    }
}

// The notes of a line that start before length.
Line cut(const Line &line, qint64 length)
{
    Line out;
    for (const Note &n : line.notes)
        if (n.start < length)
            out.notes.push_back(n);
    out.length = std::min(line.length, length);
    return out;
}

Line operator+(Line a, const Line &b)
{
    for (Note n : b.notes) {
        n.start += a.length;
        a.notes.push_back(n);
    }
    a.length += b.length;
    return a;
}

struct Chord {
    qint64 start;
    qint64 length;
    int root;             // pitch class
    QVector<int> tones;   // semitones above the root, ascending
};

struct Progression {
    QVector<Chord> chords;
    qint64 length = 0;
};

// Chords with their length in beats (quarter notes): "Am:3 E7:1.5 G".
Progression progression(const char *text)
{
    Progression prog;
    const char *p = text;
    for (;;) {
        while (*p == ' ' || *p == '|' || *p == '\n')
            ++p;
        if (!*p)
            return prog;
        int root = pitchClass(*p);
        if (root < 0)
            typo(text, p, "chord root expected");
        ++p;
        if (*p == '#')
            root = (root + 1) % 12, ++p;
        else if (*p == 'b')
            root = (root + 11) % 12, ++p;
        const char *q = p;
        while (*p && *p != ':' && *p != ' ' && *p != '|' && *p != '\n')
            ++p;
        const QByteArray quality(q, int(p - q));
        QVector<int> tones;
        if (quality.isEmpty())
            tones = {0, 4, 7};
        else if (quality == "m")
            tones = {0, 3, 7};
        else if (quality == "7")
            tones = {0, 4, 7, 10};
        else if (quality == "m7")
            tones = {0, 3, 7, 10};
        else if (quality == "maj7")
            tones = {0, 4, 7, 11};
        else if (quality == "dim")
            tones = {0, 3, 6};
        else if (quality == "sus4")
            tones = {0, 5, 7};
        else if (quality == "6")
            tones = {0, 4, 7, 9};
        else
            typo(text, q, "unknown chord quality");
        double beats = 4.0;
        if (*p == ':') {
            ++p;
            char *after = nullptr;
            beats = std::strtod(p, &after);
            if (after == p || beats <= 0)
                typo(text, p, "beats expected");
            p = after;
        }
        const qint64 len = qint64(std::lround(beats * double(Q)));
        prog.chords.push_back({prog.length, len, root, tones});
        prog.length += len;
    }
}

Progression operator+(Progression a, const Progression &b)
{
    for (Chord c : b.chords) {
        c.start += a.length;
        a.chords.push_back(c);
    }
    a.length += b.length;
    return a;
}

// A melody and its chords must end together; a typing slip shows up here.
void sameLength(const Line &line, const Progression &prog, const char *what)
{
    if (line.length != prog.length)
        qFatal("%s: the melody lasts %lld ticks, the chords %lld", what, static_cast<long long>(line.length),
               static_cast<long long>(prog.length));
}

// ---- Playing them ---------------------------------------------------------

// A small, fixed variation of loudness, so that repeated notes breathe.
int humanize(int velocity, qint64 tick, int key)
{
    const int wobble = int(((tick / S) * 7 + key * 13) % 7) - 3;
    return std::clamp(velocity + wobble, 1, 127);
}

// Beat accents: the first beat of a bar a little louder.
int accent(int velocity, qint64 tick, int beatsPerBar)
{
    return (tick % (beatsPerBar * Q)) == 0 ? velocity + 8 : velocity;
}

void play(Track &t, int ch, const Line &line, qint64 at, int velocity, int beatsPerBar, double legato = 0.92,
          int transpose = 0)
{
    for (const Note &n : line.notes) {
        if (n.key < 0)
            continue;
        const qint64 len = std::max<qint64>(S / 2, qint64(double(n.length) * legato));
        const qint64 tick = at + n.start;
        t.note(tick, ch, n.key + transpose, humanize(accent(velocity, n.start, beatsPerBar), tick, n.key), len);
    }
}

// The key of a chord tone at or above low (a close voicing).
int voice(const Chord &c, int index, int low)
{
    const int n = int(c.tones.size());
    const int octave = index >= 0 ? index / n : -((-index + n - 1) / n);
    const int tone = c.tones[((index % n) + n) % n];
    int key = low + ((c.root + tone - low) % 12 + 12) % 12;
    return key + 12 * octave;
}

void block(Track &t, int ch, const Progression &prog, qint64 at, int velocity, int low, double legato = 0.98)
{
    for (const Chord &c : prog.chords) {
        const qint64 len = qint64(double(c.length) * legato);
        for (int i = 0; i < int(c.tones.size()); ++i) {
            const int key = voice(c, i, low);
            t.note(at + c.start, ch, key, humanize(velocity, at + c.start, key), len);
        }
    }
}

// Broken chords: pattern entries index the chord tones upwards (3 = the root
// an octave up in a triad), one entry per step.
void arpeggio(Track &t, int ch, const Progression &prog, qint64 at, int velocity, int low, qint64 step,
              const QVector<int> &pattern, double legato = 1.6)
{
    for (const Chord &c : prog.chords) {
        int i = 0;
        for (qint64 x = 0; x < c.length; x += step, ++i) {
            const int key = voice(c, pattern[i % pattern.size()], low);
            const qint64 len = std::min<qint64>(qint64(double(step) * legato), c.length - x);
            t.note(at + c.start + x, ch, key, humanize(velocity, at + c.start + x, key), len);
        }
    }
}

// Bass: the root on the chord's first beat, the fifth on its other beats
// (every 'every' ticks), or only the root when every is 0.
void bass(Track &t, int ch, const Progression &prog, qint64 at, int velocity, int low, qint64 every = 0)
{
    for (const Chord &c : prog.chords) {
        const int root = voice(c, 0, low);
        if (!every) {
            t.note(at + c.start, ch, root, humanize(velocity, at + c.start, root), c.length * 9 / 10);
            continue;
        }
        int i = 0;
        for (qint64 x = 0; x < c.length; x += every, ++i) {
            const int key = (i % 2) ? root + 7 - (root + 7 >= low + 19 ? 12 : 0) : root;
            const qint64 len = std::min<qint64>(every * 9 / 10, c.length - x);
            t.note(at + c.start + x, ch, key, humanize(velocity - (i ? 8 : 0), at + c.start + x, key), len);
        }
    }
}

// General MIDI percussion keys.
enum Kit {
    Kick = 36,
    SideStick = 37,
    Snare = 38,
    ClosedHat = 42,
    PedalHat = 44,
    OpenHat = 46,
    Crash = 49,
    Ride = 51,
    Tambourine = 54,
    RideBell = 53,
    Shaker = 70,
    Triangle = 81,
    Claves = 75,
    LowTom = 45,
    HighTom = 50,
};

enum class Groove { Rock, Waltz, Brushes, Shuffle, Folk3, March };

void drums(Track &t, qint64 at, int bars, int beatsPerBar, Groove groove, int velocity)
{
    const qint64 bar = beatsPerBar * Q;
    for (int b = 0; b < bars; ++b) {
        const qint64 s = at + b * bar;
        auto hit = [&](qint64 x, int key, int vel) { t.note(s + x, Drums, key, humanize(vel, s + x, key), S); };
        switch (groove) {
        case Groove::Rock:
            for (int i = 0; i < beatsPerBar * 2; ++i)
                hit(i * E, ClosedHat, velocity - (i % 2 ? 18 : 6));
            for (int i = 0; i < beatsPerBar; ++i)
                hit(i * Q, (i % 2) ? Snare : Kick, velocity);
            if (b % 4 == 3)
                hit(bar - E, Kick, velocity - 10);
            break;
        case Groove::March:
            hit(0, Kick, velocity);
            hit(2 * Q, Kick, velocity - 8);
            for (int i = 0; i < beatsPerBar * 2; ++i)
                hit(i * E, Snare, velocity - (i % 2 ? 30 : 16));
            break;
        case Groove::Waltz:
            hit(0, Kick, velocity);
            hit(Q, PedalHat, velocity - 15);
            hit(2 * Q, PedalHat, velocity - 15);
            if (b % 2 == 1)
                hit(2 * Q + E, Triangle, velocity - 25);
            break;
        case Groove::Brushes:
            for (int i = 0; i < beatsPerBar; ++i)
                hit(i * Q, Ride, velocity - (i ? 12 : 4));
            hit(0, Kick, velocity - 10);
            if (beatsPerBar >= 4) {
                hit(Q, SideStick, velocity - 12);
                hit(3 * Q, SideStick, velocity - 12);
            }
            break;
        case Groove::Shuffle:
            for (int i = 0; i < beatsPerBar; ++i) {
                hit(i * Q, Ride, velocity - 6);
                hit(i * Q + 2 * Q / 3, Ride, velocity - 22);
                hit(i * Q, (i % 2) ? Snare : Kick, velocity - (i % 2 ? 4 : 0));
            }
            break;
        case Groove::Folk3:
            hit(0, Kick, velocity - 4);
            for (int i = 0; i < beatsPerBar * 2; ++i)
                hit(i * E, Shaker, velocity - (i % 2 ? 28 : 18));
            hit(Q, Tambourine, velocity - 20);
            hit(2 * Q, Tambourine, velocity - 24);
            break;
        }
    }
}

void crash(Track &t, qint64 at, int velocity)
{
    t.note(at, Drums, Crash, velocity, Q);
}

// ---- Song frame -----------------------------------------------------------

struct Song {
    Track conductor;
    std::deque<Track> parts;   // part() hands out references: they must stay put

    Song(const QByteArray &title, int beatsPerBar, int sharps, bool minor)
    {
        conductor.name(title);
        conductor.copyright("Public-domain tune; arrangement generated by Lyrabox");
        conductor.timeSignature(0, beatsPerBar, 2);
        conductor.keySignature(0, sharps, minor);
        // General MIDI System On, so every synthesizer starts from the same state.
        conductor.sysex(0, QByteArray("\x7e\x7f\x09\x01\xf7", 5));
    }

    Track &part(const QByteArray &name, int ch, int program, int volume, int pan, int reverb = 40)
    {
        parts.emplace_back();
        Track &t = parts.back();
        t.name(name);
        if (ch != Drums)
            t.program(0, ch, program);
        t.control(0, ch, 7, volume);
        t.control(0, ch, 10, pan);
        t.control(0, ch, 91, reverb);
        return t;
    }

    // A gradual change of tempo from one speed to another over [from, to).
    void ramp(qint64 from, qint64 to, double bpm0, double bpm1, int steps)
    {
        for (int i = 0; i < steps; ++i) {
            const double f = steps > 1 ? double(i) / (steps - 1) : 1.0;
            conductor.tempoBpm(from + (to - from) * i / steps, bpm0 + (bpm1 - bpm0) * f);
        }
    }

    QByteArray bytes(int format) const
    {
        QVector<Track> all;
        all.push_back(conductor);
        for (const Track &t : parts)
            all.push_back(t);
        return smf::file(format, all);
    }
};

// ---- The songs --------------------------------------------------------------

// Greensleeves (English, traditional, 16th century). 3/4, A minor.
SampleFile greensleeves()
{
    const Line pickup = melody("A4q");
    const Line verse = melody(
        "C5h D5q | E5q. F5e E5q | D5h B4q | G4q. A4e B4q | C5h A4q | A4q. G#4e A4q | B4h G#4q | E4h A4q |"
        "C5h D5q | E5q. F5e E5q | D5h B4q | G4q. A4e B4q | C5q. B4e A4q | G#4q. F#4e G#4q | A4h. |");
    const Line chorus = melody(
        "G5h. | G5q. F#5e E5q | D5h B4q | G4q. A4e B4q | C5h A4q | A4q. G#4e A4q | B4h G#4q | E4h. |"
        "G5h. | G5q. F#5e E5q | D5h B4q | G4q. A4e B4q | C5q. B4e A4q | G#4q. F#4e G#4q | A4h. | A4h. |");
    const Progression verseChords = progression(
        "Am:3 C:3 G:3 Em:3 Am:3 E:3 E:3 E:2 Am:1 Am:3 C:3 G:3 Em:3 Am:3 E:3 Am:3");
    const Progression chorusChords = progression(
        "C:3 C:3 G:3 Em:3 Am:3 E:3 E:3 E:3 C:3 C:3 G:3 Em:3 Am:3 E:3 Am:3 Am:3");
    const Line tune = verse + chorus;
    const Progression chords = verseChords + chorusChords;
    sameLength(tune, chords, "Greensleeves");

    Song song("Greensleeves", 3, 0, true);
    Track &flute = song.part("Flute", 0, 73, 100, 54, 60);
    Track &violin = song.part("Violin", 1, 40, 96, 74, 60);
    Track &guitar = song.part("Nylon guitar", 2, 24, 90, 40, 40);
    Track &strings = song.part("Strings", 3, 48, 70, 64, 70);
    Track &cello = song.part("Cello", 4, 42, 92, 60, 50);
    Track &perc = song.part("Percussion", Drums, 0, 70, 64, 30);

    const qint64 bar = 3 * Q;
    const qint64 first = pickup.length;                // after the pickup
    const qint64 second = first + tune.length + bar;   // one bar of guitar between
    song.conductor.tempoBpm(0, 92);
    song.conductor.tempoBpm(second - bar, 100);
    song.ramp(second + tune.length - 3 * bar, second + tune.length + bar, 96, 66, 8);

    play(flute, 0, pickup, 0, 84, 3, 0.9);
    play(flute, 0, tune, first, 84, 3, 0.9);
    arpeggio(guitar, 2, chords, first, 62, 52, E, {0, 1, 2, 3, 2, 1});
    bass(cello, 4, chords, first, 70, 36);
    // Between the verses the guitar plays an A minor bar alone.
    arpeggio(guitar, 2, progression("Am:3"), first + tune.length, 62, 52, E, {0, 1, 2, 3, 2, 1});
    play(violin, 1, pickup, second - pickup.length, 86, 3, 0.95);
    play(violin, 1, tune, second, 86, 3, 0.95);
    block(strings, 3, chords, second, 56, 55);
    arpeggio(guitar, 2, chords, second, 58, 52, E, {0, 1, 2, 3, 2, 1});
    bass(cello, 4, chords, second, 72, 36);
    // A last A minor chord, held.
    const qint64 end = second + tune.length;
    block(strings, 3, progression("Am:6"), end, 60, 57);
    bass(cello, 4, progression("Am:6"), end, 70, 33);
    flute.note(end, 0, 69, 70, 5 * Q);
    drums(perc, second, int(tune.length / bar), 3, Groove::Waltz, 70);
    return {QStringLiteral("greensleeves.mid"), song.bytes(1)};
}

// Ode to Joy (Ludwig van Beethoven, 1770-1827, Symphony No. 9). 4/4, D major.
SampleFile odeToJoy()
{
    const Line tune = melody("F#4q F#4q G4q A4q | A4q G4q F#4q E4q | D4q D4q E4q F#4q | F#4q. E4e E4h |"
                             "F#4q F#4q G4q A4q | A4q G4q F#4q E4q | D4q D4q E4q F#4q | E4q. D4e D4h |"
                             "E4q E4q F#4q D4q | E4q F#4e G4e F#4q D4q | E4q F#4e G4e F#4q E4q | D4q E4q A3h |"
                             "F#4q F#4q G4q A4q | A4q G4q F#4q E4q | D4q D4q E4q F#4q | E4q. D4e D4h |");
    const Progression chords = progression("D:4 A7:4 D:4 D:2 A:2 D:4 A7:4 D:4 A:2 D:2"
                                           "A:2 D:2 A:2 D:2 A:2 D:2 D:2 A:2 D:4 A7:4 D:4 A:2 D:2");
    sameLength(tune, chords, "Ode to Joy");
    Song song("Ode to Joy", 4, 2, false);
    Track &piano = song.part("Piano", 0, 0, 100, 64, 50);
    Track &trumpet = song.part("Trumpet", 1, 56, 96, 70, 50);
    Track &horns = song.part("French horns", 2, 60, 84, 50, 60);
    Track &strings = song.part("Strings", 3, 48, 80, 64, 70);
    Track &tuba = song.part("Tuba", 4, 58, 96, 64, 40);
    Track &timp = song.part("Timpani", 5, 47, 80, 64, 50);
    Track &kit = song.part("Drums", Drums, 0, 80, 64, 30);

    const qint64 bar = 4 * Q;
    const qint64 second = tune.length;
    song.conductor.tempoBpm(0, 104);
    song.conductor.tempoBpm(second, 120);
    song.ramp(2 * tune.length - 2 * bar, 2 * tune.length, 118, 84, 6);

    // First time: the piano alone, melody and a quiet left hand.
    play(piano, 0, tune, 0, 78, 4, 0.95, 12);
    arpeggio(piano, 0, chords, 0, 54, 48, Q, {0, 2, 1, 2});
    // Second time: the band.
    play(trumpet, 1, tune, second, 92, 4, 0.85, 12);
    play(horns, 2, tune, second, 70, 4, 0.95);
    block(strings, 3, chords, second, 62, 57);
    bass(tuba, 4, chords, second, 80, 38, H);
    for (const Chord &c : chords.chords)
        timp.note(second + c.start, 5, voice(c, 0, 41), 72, E);
    drums(kit, second, int(tune.length / bar), 4, Groove::March, 80);
    crash(kit, second, 96);
    block(strings, 3, progression("D:4"), 2 * tune.length, 70, 57);
    trumpet.note(2 * tune.length, 1, 74, 96, 3 * Q);
    crash(kit, 2 * tune.length, 100);
    return {QStringLiteral("ode-to-joy.mid"), song.bytes(0)};
}

// Twinkle, Twinkle, Little Star ("Ah ! vous dirai-je, maman", French,
// traditional, 18th century). 4/4, C major.
SampleFile twinkle()
{
    const Line a = melody("C4q C4q G4q G4q | A4q A4q G4h | F4q F4q E4q E4q | D4q D4q C4h |");
    const Line b = melody("G4q G4q F4q F4q | E4q E4q D4h | G4q G4q F4q F4q | E4q E4q D4h |");
    const Line tune = a + b + a;
    const Progression pa = progression("C:4 F:2 C:2 F:2 C:2 G:2 C:2");
    const Progression pb = progression("C:2 G:2 C:2 G:2 C:2 G:2 C:2 G:2");
    const Progression chords = pa + pb + pa;
    sameLength(tune, chords, "Twinkle");

    Song song("Twinkle, Twinkle, Little Star", 4, 0, false);
    Track &box = song.part("Music box", 0, 10, 100, 64, 70);
    Track &glock = song.part("Glockenspiel", 1, 9, 84, 80, 70);
    Track &celesta = song.part("Celesta", 2, 8, 80, 44, 70);
    Track &pizz = song.part("Pizzicato strings", 3, 45, 92, 64, 50);
    Track &kit = song.part("Brushes", Drums, 0, 64, 64, 40);

    const qint64 bar = 4 * Q;
    song.conductor.tempoBpm(0, 96);
    song.conductor.tempoBpm(tune.length, 112);
    song.ramp(2 * tune.length - bar, 2 * tune.length + bar, 108, 72, 6);

    play(box, 0, tune, 0, 80, 4, 0.9, 12);
    arpeggio(celesta, 2, chords, 0, 56, 60, E, {0, 2, 1, 2});
    bass(pizz, 3, chords, 0, 74, 36, Q);
    // Second time, a little quicker: the glockenspiel in eighths, as in a variation.
    const qint64 v = tune.length;
    for (const Note &n : tune.notes) {
        if (n.key < 0)
            continue;
        for (qint64 x = 0; x < n.length; x += E) {
            const int key = n.key + 12 + ((x / E) % 2 ? 2 : 0);
            glock.note(v + n.start + x, 1, key, humanize(76, v + n.start + x, key), E - 20);
        }
    }
    play(box, 0, tune, v, 70, 4, 0.9, 24);
    arpeggio(celesta, 2, chords, v, 56, 60, S * 2, {0, 1, 2, 3});
    bass(pizz, 3, chords, v, 78, 36, Q);
    drums(kit, v, int(tune.length / bar), 4, Groove::Brushes, 72);
    block(celesta, 2, progression("C:4"), 2 * v, 66, 60);
    box.note(2 * v, 0, 84, 80, 3 * Q);
    return {QStringLiteral("twinkle-twinkle.mid"), song.bytes(0)};
}

// Scarborough Fair (English, traditional ballad). 3/4, D dorian.
SampleFile scarboroughFair()
{
    const Line tune = melody("D4h D4q | A4h A4q | E4q. F4e E4q | D4h. |"
                             "rq A4q C5q | D5h C5q | A4q B4q G4q | A4h. |"
                             "rq D5q D5q | D5h C5q | A4q A4q G4q | F4q E4q C4q |"
                             "D4q A4h | G4h F4q | E4q D4q C4q | D4h. |");
    const Progression chords = progression(
        "Dm:3 Dm:3 C:3 Dm:3 F:3 Dm:3 G:3 Am:3 Dm:3 Dm:3 Am:3 F:2 C:1 Dm:3 G:3 C:3 Dm:3");
    sameLength(tune, chords, "Scarborough Fair");
    Song song("Scarborough Fair", 3, -1, true);
    Track &oboe = song.part("Oboe", 0, 68, 96, 58, 60);
    Track &harp = song.part("Harp", 1, 46, 92, 40, 60);
    Track &recorder = song.part("Recorder", 2, 74, 92, 70, 60);
    Track &cello = song.part("Cello", 3, 42, 96, 60, 60);
    Track &choir = song.part("Choir", 4, 52, 72, 64, 80);
    Track &bassist = song.part("Acoustic bass", 5, 32, 90, 64, 40);
    Track &perc = song.part("Percussion", Drums, 0, 66, 64, 40);

    const qint64 bar = 3 * Q;
    const qint64 v = tune.length;
    song.conductor.tempoBpm(0, 84);
    song.conductor.tempoBpm(v, 90);
    song.conductor.tempoBpm(2 * v, 80);
    song.ramp(3 * v - 2 * bar, 3 * v + bar, 78, 60, 6);

    // Verse 1: oboe over the harp.
    play(oboe, 0, tune, 0, 84, 3);
    arpeggio(harp, 1, chords, 0, 60, 50, E, {0, 1, 2, 3, 4, 2});
    // Verse 2: recorder, harp, bass and percussion.
    play(recorder, 2, tune, v, 86, 3);
    arpeggio(harp, 1, chords, v, 58, 50, E, {0, 1, 2, 3, 4, 2});
    bass(bassist, 5, chords, v, 76, 33);
    drums(perc, v, int(v / bar), 3, Groove::Folk3, 74);
    // Verse 3: cello with the choir.
    play(cello, 3, tune, 2 * v, 90, 3, 0.97, -12);
    block(choir, 4, chords, 2 * v, 58, 55);
    arpeggio(harp, 1, chords, 2 * v, 54, 50, Q, {0, 1, 2});
    bass(bassist, 5, chords, 2 * v, 70, 33);
    drums(perc, 2 * v, int(v / bar) - 2, 3, Groove::Folk3, 64);
    block(choir, 4, progression("Dm:6"), 3 * v, 60, 55);
    harp.note(3 * v, 1, 50, 70, 5 * Q);
    oboe.note(3 * v, 0, 62, 70, 5 * Q);
    return {QStringLiteral("scarborough-fair.mid"), song.bytes(1)};
}

// Frère Jacques (French, traditional), as a round for four winds. 4/4, F major.
SampleFile frereJacques()
{
    const Line tune = melody("F4q G4q A4q F4q | F4q G4q A4q F4q | A4q Bb4q C5h | A4q Bb4q C5h |"
                             "C5e D5e C5e Bb4e A4q F4q | C5e D5e C5e Bb4e A4q F4q | F4q C4q F4h | F4q C4q F4h |");
    const Line twice = tune + tune;
    Song song("Frere Jacques", 4, -1, false);
    struct Voice {
        const char *name;
        int program;
        int transpose;
        int pan;
    };
    const Voice voices[] = {
        {"Clarinet", 71, 0, 40},
        {"Flute", 73, 12, 88},
        {"French horn", 60, -12, 56},
        {"Bassoon", 70, -12, 72},
    };
    const qint64 bar = 4 * Q;
    const qint64 entry = 2 * bar;
    for (int i = 0; i < 4; ++i) {
        Track &t = song.part(voices[i].name, i, voices[i].program, 96, voices[i].pan, 50);
        play(t, i, twice, i * entry, 84 - 2 * i, 4, 0.9, voices[i].transpose);
    }
    Track &bassist = song.part("Pizzicato bass", 4, 45, 96, 64, 40);
    Track &kit = song.part("Drums", Drums, 0, 72, 64, 30);
    const qint64 end = 3 * entry + twice.length;
    const int bars = int(end / bar);
    for (int b = 0; b < bars; ++b) {
        bassist.note(b * bar, 4, 41, 80, Q - 30);
        bassist.note(b * bar + Q, 4, 48, 68, Q - 30);
        bassist.note(b * bar + 2 * Q, 4, 41, 76, Q - 30);
        bassist.note(b * bar + 3 * Q, 4, 48, 68, Q - 30);
    }
    drums(kit, 0, 2, 4, Groove::Brushes, 60);
    drums(kit, 2 * bar, bars - 2, 4, Groove::Shuffle, 70);
    crash(kit, end, 90);
    bassist.note(end, 4, 41, 90, 2 * Q);
    song.conductor.tempoBpm(0, 116);
    song.ramp(4 * entry, 4 * entry + 2 * bar, 120, 132, 4);
    song.ramp(end - 2 * bar, end, 128, 90, 6);
    return {QStringLiteral("frere-jacques.mid"), song.bytes(1)};
}

// Minuet in G major (BWV Anh. 114, from the notebook for Anna Magdalena
// Bach, by Christian Petzold, 1677-1733). 3/4.
SampleFile minuetInG()
{
    const Line right = melody("D5q G4e A4e B4e C5e | D5q G4q G4q | E5q C5e D5e E5e F#5e | G5q G4q G4q |"
                              "C5q D5e C5e B4e A4e | B4q C5e B4e A4e G4e | F#4q G4e A4e B4e G4e | A4h. |"
                              "D5q G4e A4e B4e C5e | D5q G4q G4q | E5q C5e D5e E5e F#5e | G5q G4q G4q |"
                              "C5q D5e C5e B4e A4e | B4q C5e B4e A4e G4e | A4q B4e A4e G4e F#4e | G4h. |");
    const Line left = melody(
        "G3h A3q | B3h. | C4h. | B3h. | A3h. | G3h. | D4q B3q G3q | D4q D3q C4q |"
        "B3h A3q | G3q B3q G3q | C4h. | B3q C4e B3e A3e G3e | A3h F#3q | G3h B3q | C4q D4q D3q | G3h G2q |");
    const Progression chords = progression("G:3 G:3 C:3 G:3 C:3 G:3 D:3 D:3 G:3 G:3 C:3 G:3 Am:3 G:3 D:3 G:3");
    sameLength(right, chords, "Minuet");
    sameLength(left, chords, "Minuet, left hand");
    Song song("Minuet in G", 3, 1, false);
    Track &harpsichord = song.part("Harpsichord", 0, 6, 100, 64, 40);
    Track &flute = song.part("Flute", 1, 73, 92, 76, 60);
    Track &violin = song.part("Violin", 2, 40, 88, 52, 60);
    Track &strings = song.part("Strings", 3, 48, 64, 64, 70);
    Track &cello = song.part("Cello", 4, 42, 90, 60, 50);
    Track &perc = song.part("Percussion", Drums, 0, 56, 64, 40);

    const qint64 v = right.length;
    const qint64 bar = 3 * Q;
    song.conductor.tempoBpm(0, 112);
    song.conductor.tempoBpm(v, 118);
    song.ramp(2 * v - 2 * bar, 2 * v, 112, 84, 6);

    play(harpsichord, 0, right, 0, 84, 3, 0.85);
    play(harpsichord, 0, left, 0, 74, 3, 0.9);
    // Second time: flute and violin in octaves, the strings and cello below.
    play(flute, 1, right, v, 84, 3, 0.9, 12);
    play(violin, 2, right, v, 78, 3, 0.92);
    play(harpsichord, 0, left, v, 72, 3, 0.9);
    play(cello, 4, left, v, 76, 3, 0.9, -12);
    block(strings, 3, chords, v, 50, 55);
    drums(perc, v, int(v / bar), 3, Groove::Waltz, 56);
    block(strings, 3, progression("G:6"), 2 * v, 56, 55);
    harpsichord.note(2 * v, 0, 43, 80, 4 * Q);
    harpsichord.note(2 * v, 0, 67, 80, 4 * Q);
    return {QStringLiteral("minuet-in-g.mid"), song.bytes(0)};
}

// Amazing Grace (the tune "New Britain", American, traditional, 1829).
// 3/4, G major. The piano uses the sustain pedal.
SampleFile amazingGrace()
{
    const Line pickup = melody("D4q");
    const Line tune = melody("G4h B4e G4e | B4h A4q | G4h E4q | D4h D4q | G4h B4e G4e | B4h A4q | D5h. | D5h B4q |"
                             "D5h B4e G4e | B4h A4q | G4h E4q | D4h D4q | G4h B4e G4e | B4h A4q | G4h. | G4h rq |");
    const Progression chords = progression("G:3 G7:3 C:3 G:3 G:3 D:3 D:3 G:3 G:3 G:3 C:3 G:3 Em:3 D:3 G:3 G:3");
    sameLength(tune, chords, "Amazing Grace");
    Song song("Amazing Grace", 3, 1, false);
    Track &piano = song.part("Piano", 0, 0, 104, 60, 60);
    Track &strings = song.part("Strings", 1, 48, 70, 70, 80);
    Track &choir = song.part("Choir", 2, 52, 90, 64, 80);
    Track &organ = song.part("Organ", 3, 19, 60, 64, 70);
    Track &contrabass = song.part("Contrabass", 4, 43, 90, 64, 50);
    Track &kit = song.part("Brushes", Drums, 0, 56, 64, 50);

    const qint64 bar = 3 * Q;
    const qint64 first = pickup.length;
    const qint64 second = first + tune.length;   // the pickup of verse 2 sits in the last bar's rest
    song.conductor.tempoBpm(0, 74);
    song.conductor.tempoBpm(second, 78);
    song.ramp(second + tune.length - 2 * bar, second + tune.length + bar, 76, 56, 6);

    auto pianoVerse = [&](qint64 at, int velocity) {
        for (const Chord &c : chords.chords) {
            // Pedal up just before the chord, down again after it sounds.
            piano.control(at + c.start, 0, 64, 0);
            piano.control(at + c.start + 30, 0, 64, 127);
            const int pattern[] = {0, 1, 2, 3, 2, 1};
            for (int i = 0; i < 6; ++i) {
                const int key = voice(c, pattern[i], 43);
                piano.note(at + c.start + i * E, 0, key, humanize(velocity - (i ? 10 : 0), at + c.start + i * E, key),
                           E);
            }
        }
    };
    play(piano, 0, pickup, 0, 84, 3, 0.9, 12);
    play(piano, 0, tune, first, 84, 3, 0.9, 12);
    pianoVerse(first, 64);
    block(strings, 1, chords, first, 44, 52);
    // Verse 2: the choir sings, the organ and bass come in.
    play(choir, 2, pickup, second - pickup.length, 86, 3, 0.97);
    play(choir, 2, tune, second, 86, 3, 0.97);
    pianoVerse(second, 58);
    block(organ, 3, chords, second, 48, 55);
    block(strings, 1, chords, second, 50, 60);
    bass(contrabass, 4, chords, second, 74, 31);
    drums(kit, second, int(tune.length / bar) - 1, 3, Groove::Brushes, 54);
    const qint64 end = second + tune.length;
    piano.control(end, 0, 64, 0);
    piano.control(end + 30, 0, 64, 127);
    for (int key : {43, 55, 59, 62, 67})
        piano.note(end, 0, key, 70, 4 * Q);
    piano.control(end + 5 * Q, 0, 64, 0);
    block(strings, 1, progression("G:5"), end, 54, 55);
    return {QStringLiteral("amazing-grace.mid"), song.bytes(1)};
}

// When the Saints Go Marching In (American, traditional), as a RIFF-MIDI
// file. 4/4, C major.
SampleFile whenTheSaints()
{
    const Line pickup = melody("C4q E4q F4q");
    const Line tune = melody(
        "G4w | rq C4q E4q F4q | G4w | rq C4q E4q F4q | G4h E4h | C4h E4h | D4w |"
        "rq E4q E4q D4q | C4h. C4q | E4h G4h | G4q F4h. | rq E4q F4q G4q | E4h C4h | D4w | C4q rh. |");
    const Progression chords = progression("C:4 C:4 C:4 C:4 C:4 C:4 G7:4 C:4 C:4 C7:4 F:4 C:4 C:4 G7:4 C:4");
    sameLength(tune, chords, "When the Saints");
    Song song("When the Saints Go Marching In", 4, 0, false);
    Track &trumpet = song.part("Trumpet", 0, 56, 100, 70, 40);
    Track &clarinet = song.part("Clarinet", 1, 71, 90, 40, 40);
    Track &trombone = song.part("Trombone", 2, 57, 92, 56, 40);
    Track &banjo = song.part("Banjo", 3, 105, 84, 80, 30);
    Track &tuba = song.part("Tuba", 4, 58, 96, 64, 30);
    Track &kit = song.part("Drums", Drums, 0, 76, 64, 30);

    const qint64 bar = 4 * Q;
    const qint64 first = pickup.length;
    const qint64 second = first + tune.length;
    song.conductor.tempoBpm(0, 132);
    song.conductor.tempoBpm(second, 144);
    song.ramp(second + tune.length - bar, second + tune.length + bar, 140, 100, 4);
    for (int round = 0; round < 2; ++round) {
        const qint64 at = round ? second : first;
        play(trumpet, 0, pickup, at - pickup.length, 90, 4, 0.85);
        play(trumpet, 0, tune, at, 90, 4, 0.85);
        if (round)
            play(clarinet, 1, tune, at, 70, 4, 0.8, 12);
        play(trombone, 2, tune, at, 64, 4, 0.9, -12);
        arpeggio(banjo, 3, chords, at, 62, 55, E, {0, 1, 2, 1});
        bass(tuba, 4, chords, at, 84, 36, Q);
        drums(kit, at, int(tune.length / bar), 4, round ? Groove::Rock : Groove::March, 76);
    }
    const qint64 end = second + tune.length;
    block(trombone, 2, progression("C:4"), end, 80, 48);
    trumpet.note(end, 0, 72, 100, 3 * Q);
    crash(kit, end, 100);
    return {QStringLiteral("sample.rmi"), smf::riff(song.bytes(0))};
}

// A busy song for CPU benchmarks: the ground and canon of Johann Pachelbel's
// Canon in D (1653-1706), about a minute, fourteen channels of dense notes.
SampleFile busyBench()
{
    const Progression ground = progression("D:2 A:2 Bm:2 F#m:2 G:2 D:2 G:2 A:2");
    const int cycles = 5;
    Progression all;
    for (int i = 0; i < cycles; ++i)
        all = all + ground;
    // The violins' canon: the well-known half-note line, then quarters, then
    // eighths and sixteenths drawn from the chord tones.
    const Line canon1 = melody("F#5h E5h | D5h C#5h | B4h A4h | B4h C#5h |");
    const Line canon2 = melody("D5q C#5q B4q A4q | G4q F#4q G4q E4q | D4q F#4q A4q G4q | F#4q D4q F#4q E4q |");
    Line canon3;
    Line canon4;
    for (const Chord &c : ground.chords) {
        for (int i = 0; i < 4; ++i)
            canon3.notes.push_back({voice(c, (i * 2) % 5, 62), canon3.length + i * E, E});
        canon3.length += c.length;
        for (int i = 0; i < 8; ++i)
            canon4.notes.push_back({voice(c, 4 - (i % 5), 62), canon4.length + i * S, S});
        canon4.length += c.length;
    }
    const Line canon = canon1 + canon2 + canon3 + canon4 + canon3;

    Song song("Canon in D (busy)", 4, 2, false);
    Track &cello = song.part("Cello", 0, 42, 100, 60, 50);
    Track &contrabass = song.part("Contrabass", 1, 43, 90, 64, 50);
    Track &harpsichord = song.part("Harpsichord", 2, 6, 90, 40, 40);
    Track &violin1 = song.part("Violin I", 3, 40, 100, 30, 60);
    Track &violin2 = song.part("Violin II", 4, 40, 96, 64, 60);
    Track &viola = song.part("Viola", 5, 41, 92, 98, 60);
    Track &strings = song.part("Strings", 6, 48, 70, 64, 80);
    Track &flute = song.part("Flute", 7, 73, 84, 84, 60);
    Track &guitar = song.part("Guitar", 8, 24, 80, 24, 40);
    Track &kit = song.part("Percussion", Drums, 0, 60, 64, 40);
    Track &harp = song.part("Harp", 10, 46, 84, 104, 60);
    Track &choir = song.part("Choir", 11, 52, 60, 64, 80);
    Track &pizz = song.part("Pizzicato", 12, 45, 84, 50, 50);
    Track &glock = song.part("Glockenspiel", 13, 9, 64, 78, 70);

    song.conductor.tempoBpm(0, 80);
    song.conductor.tempoBpm(ground.length, 84);
    song.ramp(all.length - 2 * Q * 2, all.length, 84, 64, 6);

    bass(cello, 0, all, 0, 84, 38, Q);
    bass(contrabass, 1, all, 0, 76, 26);
    // Dense on purpose: thirty-seconds and sixteenths in several voices,
    // long overlapping tails, doubled chords.
    arpeggio(harpsichord, 2, all, 0, 62, 50, S / 2, {0, 1, 2, 3, 4, 5, 4, 3, 2, 1, 2, 3, 4, 3, 2, 1}, 1.2);
    arpeggio(guitar, 8, all, 0, 58, 45, S, {0, 2, 1, 3, 2, 4, 3, 5}, 1.5);
    arpeggio(harp, 10, all, 0, 56, 60, S / 2, {5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 5, 4, 3, 2}, 1.9);
    arpeggio(flute, 7, all, 0, 64, 74, S, {0, 2, 1, 2, 3, 2, 1, 2}, 0.9);
    arpeggio(pizz, 12, all, 0, 66, 50, E, {0, 1, 2, 1}, 0.6);
    arpeggio(glock, 13, all, 0, 54, 79, E, {2, 1, 0, 1}, 1.5);
    block(strings, 6, all, 0, 56, 54);
    block(strings, 6, all, 0, 50, 66);
    block(choir, 11, all, 0, 48, 60);
    block(choir, 11, all, 0, 44, 48);
    // The canon: each voice enters one ground later and stops with the ground.
    play(violin1, 3, canon, 0, 84, 4, 0.95);
    play(violin2, 4, cut(canon, all.length - ground.length), ground.length, 80, 4, 0.95);
    play(viola, 5, cut(canon, all.length - 2 * ground.length), 2 * ground.length, 76, 4, 0.95, -12);
    const qint64 bar = 4 * Q;
    drums(kit, 0, int(all.length / bar), 4, Groove::Folk3, 60);
    for (qint64 x = 0; x < all.length; x += S)
        kit.note(x, Drums, ClosedHat, humanize((x % Q) ? 40 : 56, x, ClosedHat), S / 2);
    return {QStringLiteral("busy-bench.mid"), song.bytes(1)};
}

}   // namespace

QVector<SampleFile> sampleFiles()
{
    return {greensleeves(), odeToJoy(),     twinkle(),       scarboroughFair(), frereJacques(),
            minuetInG(),    amazingGrace(), whenTheSaints(), busyBench()};
}
