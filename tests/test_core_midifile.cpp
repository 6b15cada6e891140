// The MIDI file reader: formats, running status, tempo maps, SMPTE, RIFF-MIDI, seeking,
// damaged files, the generated samples; the notes moved in key as they are sent.
// Random bytes: fuzz/fuzz_midifile.cpp.
#include "playback/core/channelmix.h"
#include "playback/core/midifile.h"
#include "playback/core/notemapper.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <limits>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out += char(b);
    return out;
}

QByteArray vlq(quint32 v)
{
    QByteArray out(1, char(v & 0x7f));
    while (v >>= 7)
        out.prepend(char(0x80 | (v & 0x7f)));
    return out;
}

QByteArray be32(quint32 v)
{
    return bytes({int(v >> 24), int(v >> 16) & 0xff, int(v >> 8) & 0xff, int(v & 0xff)});
}
QByteArray le32(quint32 v)
{
    return bytes({int(v & 0xff), int(v >> 8) & 0xff, int(v >> 16) & 0xff, int(v >> 24)});
}

QByteArray header(int format, int tracks, int division, quint32 length = 6)
{
    return "MThd" + be32(length)
           + bytes({format >> 8, format & 0xff, tracks >> 8, tracks & 0xff, division >> 8 & 0xff, division & 0xff})
           + QByteArray(int(qMax(length, 6u) - 6), '\0');
}

QByteArray chunk(const QByteArray &id, const QByteArray &body)
{
    return id + be32(quint32(body.size())) + body;
}
QByteArray ev(quint32 delta, std::initializer_list<int> b)
{
    return vlq(delta) + bytes(b);
}
QByteArray track(const QByteArray &events)
{
    return chunk("MTrk", events + ev(0, {0xff, 0x2f, 0}));
}
QByteArray tempo(quint32 delta, quint32 us)
{
    return ev(delta, {0xff, 0x51, 3, int(us >> 16) & 0xff, int(us >> 8) & 0xff, int(us & 0xff)});
}
QByteArray note(quint32 delta, int key, quint32 length)
{
    return ev(delta, {0x90, key, 100}) + ev(length, {0x80, key, 0});
}
int smpte(int fps, int perFrame)
{
    return (0x100 - fps) << 8 | perFrame;
}

QByteArray riff(const QList<QPair<QByteArray, QByteArray>> &chunks)
{
    QByteArray body("RMID");
    for (const auto &c : chunks)   // odd chunks padded
        body += c.first + le32(quint32(c.second.size())) + c.second + QByteArray(c.second.size() & 1, '\0');
    return "RIFF" + le32(quint32(body.size())) + body;
}

// Format 0, 480 ticks a quarter, one note of 'ticks' at the default 120 bpm.
QByteArray simpleFile(quint32 ticks = 1920)
{
    return header(0, 1, 480) + track(ev(0, {0xc0, 0}) + note(0, 60, ticks));
}

void write(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(data), data.size());
}

// What a reading comes to: last tick, length in ms, format, tracks, tempo changes.
QList<qint64> facts(const MidiFile &f)
{
    return {f.lastTick(), f.lengthMs(), f.format(), f.trackCount(), f.tempoMap().size()};
}

// A valid file's playable bytes are valid too, metrical, plain, and keep the timing.
void checkPlayable(const MidiFile &f)
{
    const QByteArray playable = f.playableBytes();
    const MidiFile p = MidiFile::parse(playable);
    QVERIFY2(p.isValid(), qPrintable(p.error()));
    QVERIFY(!p.isSmpte());
    QCOMPARE(facts(p), facts(f));
    QCOMPARE(p.playableBytes(), playable);   // nothing left to rewrite
}

// The events of a file as a strict reader sees them: "tick:hex bytes" each, "track" at each
// track, sequencer-specific events (the rewrite's filler) left out; one "error" entry for what
// such a reader stops at: bad chunk lengths, statuses or running status, events cut short.
QStringList strictEvents(const QByteArray &smf)
{
    const auto *b = reinterpret_cast<const uchar *>(smf.constData());
    const qsizetype n = smf.size();
    if (n < 14 || smf.left(8) != "MThd" + be32(6))
        return {"error: header"};
    QStringList out;
    qsizetype pos = 14;
    for (int t = 0; t < (b[10] << 8 | b[11]); ++t) {
        if (n - pos < 8 || smf.mid(pos, 4) != "MTrk")
            return {QStringLiteral("error: no track at %1").arg(pos)};
        const qsizetype end = pos + 8
                              + qsizetype(quint32(b[pos + 4]) << 24 | b[pos + 5] << 16 | b[pos + 6] << 8 | b[pos + 7]);
        if (end > n)
            return {"error: chunk past the end"};
        out << "track";
        pos += 8;
        qint64 tick = 0;
        int running = 0;
        const auto vlq = [&](quint32 &v) {
            v = 0;
            do {
                if (pos >= end)
                    return false;
                v = v << 7 | (b[pos] & 0x7f);
            } while (b[pos++] & 0x80);
            return true;
        };
        while (pos < end) {
            quint32 delta = 0, len = 0;
            if (!vlq(delta) || pos >= end)
                return {QStringLiteral("error: cut at %1").arg(pos)};
            tick += delta;
            const int status = b[pos] & 0x80 ? b[pos++] : running;
            const qsizetype from = pos;
            if (status >= 0x80 && status < 0xf0) {
                running = status;
                pos += (status & 0xe0) == 0xc0 ? 1 : 2;
            } else if (status == 0xf0 || status == 0xf7 || status == 0xff) {
                running = 0;
                pos += status == 0xff;
                if (!vlq(len))
                    return {"error: cut length"};
                pos += len;
            } else {
                return {QStringLiteral("error: status 0x%1 at %2").arg(status, 0, 16).arg(pos)};
            }
            if (pos > end)
                return {"error: event past the chunk"};
            if (!(status == 0xff && b[from] == 0x7f))
                out << QStringLiteral("%1:%2").arg(tick).arg(
                    QString::fromLatin1((char(status) + smf.mid(from, pos - from)).toHex()));
        }
    }
    return out;
}

}   // namespace

class TestCoreMidiFile : public QObject {
    Q_OBJECT

private slots:
    // Files the reader takes. Format and track count are read from the header
    // bytes; lengths are worked out by hand in the comments.
    void validFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<qint64>>("facts");   // format and tracks as the header bytes say
        QTest::addColumn<bool>("rewritten");        // playableBytes() differs from the SMF
        const auto row =
            [](const char *tag, const QByteArray &file, qint64 lastTick, qint64 ms, int tempos, bool rewritten) {
            QTest::newRow(tag) << file << QList<qint64>{lastTick, ms, file[9], file[11], tempos} << rewritten;
        };
        const QByteArray h = header(0, 1, 480);
        const QByteArray music = ev(0, {0x90, 60, 100}) + ev(960, {0x80, 60, 0});   // 1000 ms at 120 bpm
        row("format 0", simpleFile(), 1920, 2000, 1, false);                        // four quarters at 500000 us
        // Tempo from all tracks: 960 ticks at 500 ms a quarter, 480 at 1000, 480 at 2000.
        row("format 1, tempo in every track",
            header(1, 3, 480) + track(tempo(0, 500000) + tempo(960, 1000000)) + track(note(0, 64, 1920))
                + track(tempo(1440, 2000000) + note(0, 67, 10)),
            1920, 1000 + 1000 + 2000, 3, false);
        row("format 1, same tick: later track wins",
            header(1, 2, 480) + track(tempo(480, 250000)) + track(tempo(480, 1000000) + note(0, 60, 480)), 960,
            500 + 1000, 2, false);
        row("format 2: tracks sound together",
            header(2, 2, 480) + track(note(0, 60, 960)) + track(tempo(0, 1000000) + note(0, 62, 480)), 960, 2000, 1,
            false);
        row("running status",
            h
                + track(ev(0, {0x90, 60, 100}) + ev(0, {64, 100}) + ev(480, {60, 0}) + ev(0, {64, 0})
                        + ev(0, {0xb0, 7, 100}) + ev(240, {10, 64}) + ev(0, {0xc0, 5}) + ev(240, {6})
                        + ev(0, {0xe0, 0, 64}) + ev(0, {0, 0x40})),
            960, 1000, 1, false);
        row("meta and sysex",
            h
                + track(ev(0, {0xff, 0x03, 4, 'S', 'o', 'n', 'g'}) + ev(0, {0xff, 0x58, 4, 4, 2, 24, 8})
                        + ev(0, {0xf0, 5, 0x7e, 0x7f, 0x09, 0x01, 0xf7}) + ev(0, {0xf0}) + vlq(300)
                        + QByteArray(299, 0x11) + bytes({0xf7}) + ev(0, {0xff, 0x7f, 3, 0, 0, 0x41})
                        + note(10, 60, 470)),
            480, 500, 1, false);
        row("tempo at tick 0, then the same again",
            h + track(tempo(0, 1000000) + tempo(480, 1000000) + note(0, 60, 480)), 960, 2000, 1, false);
        row("tempo 0 and a tempo of a wrong length are ignored",
            h + track(tempo(0, 0) + ev(0, {0xff, 0x51, 2, 0x0f, 0x42}) + note(0, 60, 960)), 960, 1000, 1, true);
        // SMPTE: ticks a second = frames x ticks a frame; 29.97 counts 30 frames of 1.001 s/30.
        const auto smpteFile = [](int fps, int perFrame, quint32 ticks) {
            return header(1, 2, smpte(fps, perFrame)) + track(tempo(0, 250000) + note(0, 60, 1))
                   + track(note(0, 62, ticks));
        };
        row("SMPTE 25", smpteFile(25, 4, 100), 100, 1000, 1, true);
        row("SMPTE 29.97 drop frame", smpteFile(29, 4, 11988), 11988, 100000, 1, true);
        row("SMPTE 30, 255 a frame", smpteFile(30, 255, 7650), 7650, 1000, 1, true);
        // Lenient, but what FluidSynth would refuse is rewritten.
        row("no end of track", h + chunk("MTrk", music), 960, 1000, 1, false);
        row("bytes after end of track", h + chunk("MTrk", music + ev(0, {0xff, 0x2f, 0, 0x99, 0xf4, 0xff})), 960, 1000,
            1, false);
        row("more tracks than declared", h + track(music) + track(note(0, 60, 100000)), 960, 1000, 1, false);
        row("format 0 with two tracks", header(0, 2, 480) + track(music) + track(music), 960, 1000, 1, false);
        row("zero-length track", header(1, 2, 480) + chunk("MTrk", {}) + track(music), 960, 1000, 1, false);
        row("meta type above 127", h + track(ev(0, {0xff, 0x90, 1, 1}) + music), 960, 1000, 1, false);
        row("longer header", header(1, 1, 480, 10) + track(music), 960, 1000, 1, true);
        row("unknown chunks between tracks",
            header(1, 2, 480) + chunk("XFIH", "abc") + track(music) + chunk("XFKM", QByteArray(70000, 'k'))
                + track(music),
            960, 1000, 1, true);
        row("F7 escape", h + track(ev(0, {0xf0, 2, 0x43, 0x12}) + ev(0, {0xf7, 3, 0x00, 0x43, 0xf7}) + music), 960,
            1000, 1, true);
        row("time signature of a wrong length", h + track(ev(0, {0xff, 0x58, 3, 4, 2, 24}) + music), 960, 1000, 1,
            true);
        row("end of track with a length", h + chunk("MTrk", ev(0, {0xff, 0x2f, 1, 0}) + music), 960, 1000, 1, true);
    }

    void validFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, rewritten);
        const MidiFile f = MidiFile::parse(file);
        QVERIFY2(f.isValid(), qPrintable(f.error()));
        QTEST(facts(f), "facts");
        QCOMPARE(f.isSmpte(), bool(file[12] & 0x80));
        QCOMPARE(f.smfBytes(), file);
        QCOMPARE(f.playableBytes() != file, rewritten);
        checkPlayable(f);
    }

    // Odd files other players play: each is read as its clean twin, and the
    // bytes handed to the synth are plain and hold the same events.
    void oddFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("twin");
        const auto row = [](const char *tag, const QByteArray &file, const QByteArray &twin) {
            QTest::newRow(tag) << file << twin;
        };
        const auto lengthOff = [](QByteArray chunk, int by) {
            return chunk.replace(4, 4, be32(quint32(chunk.size() - 8 + by)));
        };
        const QByteArray h = header(0, 1, 480), h2 = header(1, 2, 480);
        const QByteArray on = ev(0, {0x90, 60, 100});
        const QByteArray music = on + ev(960, {0x80, 60, 0}), other = track(note(0, 62, 480));
        const QByteArray endAt240 = chunk("MTrk", music + ev(240, {0xff, 0x2f, 0}));
        row("real-time byte between events", h + track(on + ev(480, {0xf8}) + ev(480, {0x80, 60, 0})),
            h + track(music));
        // Each stray takes its own count of data bytes, and running status survives them.
        row("stray bytes of every kind",
            h
                + track(on + ev(0, {0xf1, 0x10}) + ev(0, {0xf2, 1, 2}) + ev(0, {0xf3, 5}) + ev(0, {0xf4})
                        + ev(0, {0xf5}) + ev(0, {0xf6}) + ev(0, {0xf9}) + ev(0, {0xfe}) + ev(960, {60, 0})),
            h + track(on + ev(960, {60, 0})));
        row("running status after meta", h + track(on + ev(0, {0xff, 0x01, 1, 'x'}) + ev(960, {60, 0})),
            h + track(on + ev(0, {0xff, 0x01, 1, 'x'}) + ev(960, {0x90, 60, 0})));
        row("running status after sysex", h + track(on + ev(0, {0xf0, 2, 0x7e, 0xf7}) + ev(960, {60, 0})),
            h + track(on + ev(0, {0xf0, 2, 0x7e, 0xf7}) + ev(960, {0x90, 60, 0})));
        row("track length one short", h2 + lengthOff(endAt240, -1) + other, h2 + endAt240 + other);
        row("track length one long", h2 + lengthOff(endAt240, 1) + other, h2 + endAt240 + other);
        row("track length two long", h2 + lengthOff(endAt240, 2) + other, h2 + endAt240 + other);
        row("last track length one short", h + lengthOff(endAt240, -1), h + endAt240);
        row("last track length one long", h + lengthOff(endAt240, 1), h + endAt240);
        row("file cut by a byte", (h2 + other + endAt240).chopped(1), h2 + other + endAt240);
        row("file cut inside a note", (h + track(music)).chopped(5), h + chunk("MTrk", on + ev(960, {0xff, 0x2f, 0})));
        row("meta longer than the track", h + chunk("MTrk", music + ev(0, {0xff, 0x01}) + vlq(0x0fffffff) + "abc"),
            h + track(music));
        row("huge track length, end of track before the next", h2 + lengthOff(endAt240, 0x7fff0000) + other,
            h2 + endAt240 + other);
        // RIFF-MIDI: an odd-length chunk before the data (padded), one after it; an odd SMF with its pad byte.
        const QByteArray smf = simpleFile(960), rmid = riff({{"LIST", "INFOx"}, {"data", smf}, {"DISP", "ab"}});
        row("RIFF-MIDI", rmid, smf);
        row("RIFF-MIDI of a wrong size", QByteArray(rmid).replace(4, 4, le32(3)), smf);
        row("RIFF-MIDI, odd SMF", riff({{"data", smf + "X"}}), smf + "X");
    }

    void oddFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, twin);
        const MidiFile f = MidiFile::parse(file), clean = MidiFile::parse(twin);
        QVERIFY2(f.isValid(), qPrintable(f.error()));
        QCOMPARE(facts(f), facts(clean));
        QCOMPARE(f.smfBytes(), file.startsWith("RIFF") ? twin : file);
        QVERIFY(f.playableBytes() != file);
        QCOMPARE(strictEvents(f.playableBytes()), strictEvents(twin));
        QVERIFY(!strictEvents(twin).first().startsWith("error"));
        checkPlayable(f);
    }

    void tempoMapAndSeeking()
    {
        // Division 96. 192 ticks at 500000 us (1000 ms), 384 ticks at 250000
        // (1000 ms), 48 ticks at 1500000 (750 ms), 96 ticks at 600000 (600 ms).
        const MidiFile f = MidiFile::parse(header(0, 1, 96)
                                           + track(ev(0, {0x90, 60, 90}) + tempo(192, 250000) + tempo(384, 1500000)
                                                   + tempo(48, 600000) + ev(96, {0x80, 60, 0})));
        QCOMPARE(f.lastTick(), 720);
        QCOMPARE(f.lengthMs(), 3350);
        QList<std::tuple<qint64, qint64, double>> map;   // tick, us a quarter, ms at the tick
        for (const MidiFile::TempoChange &c : f.tempoMap())
            map.append({c.tick, c.microsPerQuarter, c.msAtTick});
        QCOMPARE(map, (QList<std::tuple<qint64, qint64, double>>{
                          {0, 500000, 0.0}, {192, 250000, 1000.0}, {576, 1500000, 2000.0}, {624, 600000, 2750.0}}));
        QCOMPARE(f.tickToMs(100), 100 * 500000.0 / 96 / 1000);
        QCOMPARE(f.tickToMs(384), 1000.0 + 192 * 250000.0 / 96 / 1000);
        QCOMPARE(f.tickToMs(600), 2000.0 + 24 * 1500000.0 / 96 / 1000);
        QCOMPARE((QList<qint64>{f.msToTick(1500), f.msToTick(2750), f.msToTick(3350)}), (QList<qint64>{384, 624, 720}));

        const MidiFile g = MidiFile::parse(header(0, 1, 384)
                                           + track(ev(0, {0x90, 60, 90}) + tempo(1000, 333333) + tempo(777, 1234567)
                                                   + tempo(5, 10) + tempo(3001, 8000000) + ev(4000, {0x80, 60, 0})));
        for (qint64 t = 0; t <= g.lastTick() + 100; ++t)
            QCOMPARE(g.msToTick(g.tickToMs(t)), t);
        const double one = 500000.0 / 384 / 1000;   // ms a tick at the start
        // The first tick at or after the time.
        QCOMPARE((QList<qint64>{g.msToTick(one * 10 + one / 2), g.msToTick(one * 10 - one / 2), g.msToTick(0),
                                g.msToTick(std::numeric_limits<double>::quiet_NaN())}),
                 (QList<qint64>{11, 10, 0, 0}));
        QVERIFY(g.msToTick(std::numeric_limits<double>::infinity()) > g.lastTick());
        QCOMPARE(g.tickToMs(-10), 0.0);
        // Days into a song at a very fast tempo a tick is a few units of the
        // last place of the time in ms: still one tick each, not a few at once.
        const MidiFile fast = MidiFile::parse(
            header(0, 1, 12384) + track(tempo(0, 16000000) + tempo(0x0fffffff, 6) + ev(1000, {0xb0, 7, 100})));
        for (qint64 t = fast.lastTick() - 1000; t <= fast.lastTick(); ++t)
            QCOMPARE(fast.msToTick(fast.tickToMs(t)), t);
    }

    // Each step: "t N" transposes, "sx .." a sysex, "bank C 0|1" the synth's drum bank,
    // "stop" asks for the offs, else one channel message; all in hex.
    void noteMapping_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("sent");
        const auto row = [](const char *tag, const char *steps, const char *sent) {
            QTest::newRow(tag) << QString(steps) << QString(sent);
        };
        row("unused", "90 3C 64;A0 3C 10;80 3C 40", "90 3C 64;A0 3C 10;80 3C 40");
        row("up", "t 2;90 3C 64;A0 3C 10;80 3C 40", "90 3E 64;A0 3E 10;80 3E 40");
        row("change mid-note", "t 2;90 3C 64;t -3;91 3C 64;90 3C 00;81 3C 00", "90 3E 64;91 39 64;90 3E 00;81 39 00");
        row("same key again", "t 2;90 3C 64;t 5;90 3C 50;80 3C 00", "90 3E 64;80 3E 00;90 41 50;80 41 00");
        row("off range", "t 24;90 70 64;A0 70 10;80 70 00;t -24;90 05 64;80 05 00", "");
        row("no on: no off", "t 3;80 3C 00", "");
        row("clamped", "t 99;90 00 64", "90 18 64");
        row("channel 10", "t 5;99 24 64;89 24 00", "99 24 64;89 24 00");
        row("GS drum part",
            "t 5;sx F0 41 10 42 12 40 11 15 02 18 F7;90 24 64;sx 41 10 42 12 40 1A 15 01 0F;"
            "9A 24 64;sx 41 10 42 12 40 11 15 00 1A;90 24 64",
            "90 24 64;9A 24 64;80 24 00;90 29 64");
        row("GS part 0", "t 5;sx 41 10 42 12 40 10 15 00 1B;99 24 64", "99 29 64");
        row("XG drums at program",
            "t 1;B2 00 7F;92 24 64;C2 00;92 26 64;B2 00 7E;C2 00;92 28 64;B2 00 00;C2 00;92 28 64",
            "B2 00 7F;92 25 64;C2 00 00;92 26 64;B2 00 7E;C2 00 00;92 28 64;B2 00 00;C2 00 00;82 28 00;92 29 64");
        row("bank 0 keeps ch 10", "t 1;B9 00 00;C9 00;99 24 64", "B9 00 00;C9 00 00;99 24 64");
        row("drum bank", "t 1;bank 3;93 24 64;bank -3;93 26 64", "93 24 64;93 27 64");
        row("all notes off", "t 1;90 3C 64;B0 7B 00;80 3C 00;stop", "90 3D 64;B0 7B 00");
        row("all sound off", "t 1;90 3C 64;B0 78 00;80 3C 00", "90 3D 64;B0 78 00");
        row("reset controllers", "t 1;90 3C 64;B0 79 00;t 0;80 3C 00", "90 3D 64;B0 79 00;80 3D 00");
        row("GM reset", "t 1;sx 41 10 42 12 40 11 15 01 19;90 3C 64;sx F0 7E 7F 09 01 F7;80 3C 00;90 24 64",
            "90 3C 64;80 3C 00;90 25 64");
        row("GS reset", "t 1;90 3C 64;sx 41 10 42 12 40 00 7F 00 41;B0 07 64;80 3C 00", "90 3D 64;B0 07 64;80 3D 00");
        row("XG reset", "t 1;B1 00 7F;C1 00;sx 43 10 4C 00 00 7E 00;91 3C 64", "B1 00 7F;C1 00 00;91 3D 64");
        row("stop", "t 1;90 3C 64;99 24 64;t 2;95 3C 64;stop;stop;80 3C 00",
            "90 3D 64;99 24 64;95 3E 64;80 3D 00;85 3E 00;89 24 00");
        // Channel choices (m mute, s solo, v level, k lock, r after a reset), taking the keys as they sound.
        row("mute", "t 2;90 3C 64;91 40 64;m 1;91 40 00;91 43 64;m 0;80 3C 00;m 0;m 1;91 44 64",
            "90 3E 64;91 42 64;81 42 00;80 3E 00;91 46 64");
        row("mute, pedal down", "B0 40 7F;90 3C 64;m 0;m 0;B0 40 00", "B0 40 7F;90 3C 64;80 3C 00;B0 78 00;B0 40 00");
        row("solo", "90 3C 64;91 3C 64;s 1;92 3C 64;91 3E 64;A0 3C 10;s 2;s 1;s 2;92 3D 64",
            "90 3C 64;91 3C 64;80 3C 00;91 3E 64;81 3C 00;81 3E 00;92 3D 64");
        row("level", "B0 07 64;v 0 50;B0 07 50;v 0 200;90 3C 64;r;v 0 999;v 1 0",
            "B0 07 64;B0 07 32;B0 07 28;B0 07 7F;90 3C 64;B0 07 7F;B1 07 00");
        row("lock", "C0 05;k 0;C0 07;90 3C 64;k 0;k 0 25;r;B0 00 08;k 0",
            "C0 05 00;90 3C 64;C0 07 00;C0 19 00;C0 19 00;B0 00 08;C0 07 00");
        row("lock, bank", "B1 00 08;C1 10;k 1;B1 00 00;C1 01;91 3C 64;k 1",
            "B1 00 08;C1 10 00;91 3C 64;B1 00 00;C1 01 00");
        row("lock, bank out of range", "k 2 5 200;k 3 6 -9", "C2 05 00;C3 06 00");
    }
    void noteMapping()
    {
        QFETCH(QString, steps);
        NoteMapper mapper;
        ChannelMix mix;
        ChannelMix::Settings choice;
        QStringList got;
        // What the mapper gives passes the channel choices; what the choices send does not.
        auto sent = [&got, &mix](const QVector<NoteMapper::Message> &list, bool mapped = true) {
            for (NoteMapper::Message m : list)
                if (!mapped || mix.filter(m))
                    got << QString::asprintf("%02X %02X %02X", m.status, m.data1, m.data2);
        };
        for (const QString &step : steps.split(QLatin1Char(';'))) {
            const QStringList w = step.split(QLatin1Char(' '));
            const auto ch = size_t(w.value(1).toInt());
            if (QStringLiteral("msvk").contains(w[0])) {
                if (w[0] == QLatin1String("m"))
                    choice.muted[ch] = !choice.muted[ch];
                else if (w[0] == QLatin1String("s"))
                    choice.solo[ch] = !choice.solo[ch];
                else if (w[0] == QLatin1String("v"))
                    choice.level[ch] = w[2].toInt();
                else
                    choice.lock[ch] = {w.size() > 2 || !choice.lock[ch].on, qint16(w.value(3, "-1").toInt()), -1,
                                       qint16(w.value(2, "-1").toInt())};
                sent(mix.apply(choice), false);
            } else if (w[0] == QLatin1String("r"))
                sent(mix.restore(), false);
            else if (w[0] == QLatin1String("t"))
                mapper.setTranspose(w[1].toInt());
            else if (w[0] == QLatin1String("bank"))
                mapper.setDrumBank(qAbs(w[1].toInt()), !w[1].startsWith(QLatin1Char('-')));
            else if (w[0] == QLatin1String("sx"))
                sent(mapper.sysex(QByteArray::fromHex(w.mid(1).join(QString()).toLatin1())));
            else if (w[0] == QLatin1String("stop"))
                sent(mapper.offs());
            else {
                const auto out = mapper.map({quint8(w[0].toUInt(nullptr, 16)), quint8(w[1].toUInt(nullptr, 16)),
                                             quint8(w.value(2).toUInt(nullptr, 16))});
                sent({out.at.begin(), out.at.begin() + out.count});
            }
        }
        QTEST(got.join(QLatin1Char(';')), "sent");
    }

    void damagedFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("reason");
        const QByteArray h = header(0, 1, 480), ok = track(note(0, 60, 480)), smf = h + ok;
        const auto row = [](const char *tag, const QByteArray &file, const char *reason) {
            QTest::newRow(tag) << file << QString(reason);
        };
        row("empty file", {}, "empty");
        row("text file", "Hello, this is a text file.\nNot music.\n", "not a MIDI file");
        row("header cut", smf.left(13), "header is cut short");
        row("header length 5", "MThd" + be32(5) + bytes({0, 0, 0, 1, 1}) + ok, "bad length");
        row("huge header length", "MThd" + be32(0xfffffff0) + bytes({0, 0, 0, 1, 1, 0xe0}) + ok, "bad length");
        row("format 3", header(3, 1, 480) + ok, "Unsupported MIDI file format 3");
        row("format 256", header(256, 1, 480) + ok, "Unsupported MIDI file format 256");
        row("no tracks", header(0, 0, 480) + ok, "no tracks");
        row("division 0", header(0, 1, 0) + ok, "time division");
        row("SMPTE -23 fps", header(0, 1, smpte(23, 4)) + ok, "frame rate");
        row("SMPTE 0 ticks a frame", header(0, 1, smpte(25, 0)) + ok, "SMPTE time division");
        row("track header cut", header(1, 2, 480) + ok + "MTrk\0\0", "ends before track 2 of 2");
        row("unknown chunk with a huge length", h + "JUNK" + be32(0x7fffffff) + ok, "chunk with a bad length");
        row("unreadable chunk name", h + QByteArray("\x01\x02\x03\x04", 4) + be32(0) + ok, "unreadable data");
        row("five-byte delta time", h + track(bytes({0x81, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 100})),
            "longer than four bytes");
        row("value out of range", h + track(ev(0, {0x90, 60, 0xc0})), "value out of range");
        // No telling which bytes of a note a stray byte inside it belongs with.
        row("real-time byte inside a note", h + track(ev(0, {0x90, 60, 0xf8, 100})), "value out of range");
        row("stray byte then no running status", h + track(ev(5, {0xf4, 1, 2})), "no running status");
        row("running status at the start", h + track(ev(0, {60, 100})), "no running status");
        row("RIFF cut", QByteArray("RIFF\x04\0\0\0", 8), "cut short");
        row("RIFF WAVE", "RIFF" + le32(4) + "WAVE", "not a RIFF-MIDI");
        row("RIFF without data", riff({{"LIST", "abcd"}}), "no MIDI data chunk");
        row("RIFF data empty", riff({{"data", {}}}), "empty");
        row("RIFF data past the end", "RIFF" + le32(100) + "RMIDdata" + le32(5000) + smf, "bad length");
        row("RIFF huge chunk before data",
            "RIFF" + le32(100) + "RMIDLIST" + le32(0xfffffff0) + "data" + le32(quint32(smf.size())) + smf,
            "bad length");
        row("over 64 MiB", smf + QByteArray(MidiFile::MaxFileSize + 1 - smf.size(), '\0'), "too large");
    }

    void damagedFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, reason);
        const MidiFile f = MidiFile::parse(file);
        QVERIFY(!f.isValid());
        QVERIFY2(f.error().contains(reason, Qt::CaseInsensitive), qPrintable(f.error()));
        QCOMPARE(f.trackCount(), 0);   // nothing half-read is kept
        QCOMPARE(f.tickToMs(100), 0.0);
        QCOMPARE(f.msToTick(100), 0);
    }

    void loadFromDisk()
    {
        QTemporaryDir dir;
        const auto path = [&dir](const char *name) { return dir.filePath(QString::fromUtf8(name)); };
        const auto error = [](const QString &p) { return MidiFile::load(p).error(); };
        const QString good = path("good.MID");
        write(good, simpleFile());
        QVERIFY(QFile::link(good, path("Grüße – 歌.mid")));   // a link, and a name that is not ASCII
        QCOMPARE(MidiFile::load(path("Grüße – 歌.mid")).lengthMs(), 2000);
        QVERIFY(error(path("missing.mid")).contains("does not exist"));
        // A name in another encoding (Latin-1 from an old archive) reaches Qt only as text it cannot give back.
        const QByteArray latin1 = QFile::encodeName(dir.path()) + "/caf\xe9.mid";
        QCOMPARE(::mkfifo(latin1.constData(), 0600), 0);
        QVERIFY2(error(QFile::decodeName(latin1)).contains("not valid UTF-8"),
                 qPrintable(error(QFile::decodeName(latin1))));
        QVERIFY(error(dir.path()).contains("folder"));
        QCOMPARE(::mkfifo(QFile::encodeName(path("fifo.mid")).constData(), 0600), 0);
        QVERIFY(error(path("fifo.mid")).contains("not a regular file"));   // and no waiting for a writer
        // Made sparse: too large is refused unread; at the limit it is read.
        QVERIFY(QFile::resize(good, MidiFile::MaxFileSize + 1));
        QVERIFY(error(good).contains("too large"));
        QVERIFY(QFile::resize(good, MidiFile::MaxFileSize));
        QCOMPARE(error(good), QString());
        if (::geteuid() != 0) {   // root reads everything
            QFile::setPermissions(good, QFileDevice::WriteOwner);
            QVERIFY(error(good).contains("permission"));
        }
    }

    void generatedSamples()
    {
        const QString dirPath = qEnvironmentVariable("LYRABOX_SAMPLES");
        if (dirPath.isEmpty() || !QFileInfo(dirPath).isDir())
            QSKIP("LYRABOX_SAMPLES does not name the generated Media folder");
        const QFileInfoList files = QDir(dirPath).entryInfoList({"*.mid", "*.rmi"}, QDir::Files, QDir::Name);
        QVERIFY2(files.size() >= 8, "at least six songs, the RIFF-MIDI sample and the benchmark song");
        QSet<QString> seen;   // formats, file names, RIFF-MIDI
        for (const QFileInfo &fi : files) {
            const MidiFile f = MidiFile::load(fi.filePath());
            const QByteArray smf = f.smfBytes();
            QVERIFY2(f.tempoMap().size() > 1, qPrintable(fi.fileName() + ": no tempo change"));
            QVERIFY2(smf.contains(char(0x99)) && (smf.contains(char(0xc0)) || smf.contains(char(0xc1))),
                     qPrintable(fi.fileName() + ": no drums or no program change"));
            checkPlayable(f);
            seen << QString::number(f.format()) << fi.fileName() << (smf.size() < fi.size() ? fi.suffix() : QString());
        }
        QVERIFY(seen.contains("0") && seen.contains("1") && seen.contains("rmi") && seen.contains("busy-bench.mid"));
    }

    void midiinfoTool()
    {
        const QString midigen = qEnvironmentVariable("LYRABOX_MIDIGEN");   // built next to the generator
        const QString tool = QFileInfo(midigen).dir().filePath("lyrabox-midiinfo");
        if (midigen.isEmpty() || !QFileInfo(tool).isExecutable())
            QSKIP("lyrabox-midiinfo not found (LYRABOX_MIDIGEN unset)");
        QTemporaryDir dir;
        const QString good = dir.filePath("good.mid"), bad = dir.filePath("bad\n\t.mid");
        write(good, simpleFile());
        write(bad, "not music");
        QProcess p;
        p.start(tool, {good, bad});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 1);   // one file could not be read
        const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], good + "\t2000\t0\t1");   // length, format, tracks
        QVERIFY2(lines[1].startsWith(dir.filePath("bad\\n\\t.mid\terror\t")) && lines[1].count('\t') == 2,
                 qPrintable(lines[1]));   // a name that would break the line shows escaped

        // --json: names and words with their times; for a file it cannot read, the reason.
        const QString sung = dir.filePath("sung.mid");
        write(sung, header(1, 3, 480) + track(ev(0, {0xff, 0x03, 9}) + "Dune Song")
                        + track(ev(0, {0xff, 0x05, 5}) + "Sand\r" + ev(480, {0xff, 0x05, 5}) + "dunes")
                        // a GS message makes channel 2 drums
                        + track(ev(0, {0xf0, 10, 0x41, 0x10, 0x42, 0x12, 0x40, 0x12, 0x15, 0x01, 0x18, 0xf7})
                                + ev(0, {0x91, 36, 100})));
        // With a bank: the preset it plays on each channel.
        p.start(tool, {"--json", "-s", "/usr/share/sounds/sf2/TimGM6mb.sf2", sung, bad, good});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 1);
        const QList<QByteArray> json = p.readAllStandardOutput().split('\n');
        QCOMPARE(json.size(), 4);
        QJsonObject o = QJsonDocument::fromJson(json[0]).object();
        QVERIFY2(!o.value("encoding").toString().isEmpty(), json[0].constData());
        o.remove("encoding");
        QCOMPARE(o, QJsonDocument::fromJson(R"({"file":")" + sung.toUtf8() + R"(","lengthMs":500,"title":"Dune Song",
            "artist":null,"copyright":null,"lyrics":[{"ms":0,"text":"Sand","break":"none"},
            {"ms":500,"text":"dunes","break":"line"}],"channels":[{"channel":2,"tracks":[],"program":0,"bank":0,
            "notes":1,"drums":true,"preset":"Standard","substituted":false}]})")
                        .object());
        o = QJsonDocument::fromJson(json[1]).object();
        QVERIFY2(o.value("file") == bad && o.value("error").toString().startsWith("This is not a MIDI file"),
                 json[1].constData());
        QCOMPARE(QJsonDocument::fromJson(json[2]).object().value("channels"),
                 QJsonDocument::fromJson(R"([{"channel":1,"tracks":[],"program":0,"bank":0,"notes":1,
                     "drums":false,"preset":"Piano 1","substituted":false}])")
                     .array());
    }
};

QTEST_GUILESS_MAIN(TestCoreMidiFile)
#include "test_core_midifile.moc"
