// The MIDI file reader: formats, running status, tempo maps, SMPTE,
// RIFF-MIDI, seeking arithmetic, damaged files, and the generated samples.
#include "playback/core/midifile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <initializer_list>
#include <limits>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// ---- Building files byte by byte ------------------------------------------

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(char(b));
    return out;
}

QByteArray vlq(quint32 v)
{
    QByteArray out;
    out.prepend(char(v & 0x7f));
    while (v >>= 7)
        out.prepend(char(0x80 | (v & 0x7f)));
    return out;
}

QByteArray be32(quint32 v) { return bytes({int(v >> 24) & 0xff, int(v >> 16) & 0xff, int(v >> 8) & 0xff, int(v & 0xff)}); }
QByteArray le32(quint32 v) { return bytes({int(v & 0xff), int(v >> 8) & 0xff, int(v >> 16) & 0xff, int(v >> 24) & 0xff}); }

QByteArray header(int format, int tracks, int division, quint32 length = 6)
{
    QByteArray h = QByteArray("MThd") + be32(length);
    h += bytes({format >> 8, format & 0xff, tracks >> 8, tracks & 0xff, (division >> 8) & 0xff, division & 0xff});
    if (length > 6)
        h += QByteArray(int(length - 6), '\0');
    return h;
}

QByteArray chunk(const QByteArray &id, const QByteArray &body) { return id + be32(quint32(body.size())) + body; }

const QByteArray Eot = bytes({0xff, 0x2f, 0x00});

// A track chunk from events (delta time and event bytes), ended by End of Track.
QByteArray track(const QByteArray &events, quint32 eotDelta = 0)
{
    return chunk("MTrk", events + vlq(eotDelta) + Eot);
}

QByteArray ev(quint32 delta, std::initializer_list<int> b) { return vlq(delta) + bytes(b); }

QByteArray tempo(quint32 delta, quint32 micros)
{
    return vlq(delta) + bytes({0xff, 0x51, 0x03, int(micros >> 16) & 0xff, int(micros >> 8) & 0xff, int(micros & 0xff)});
}

QByteArray note(quint32 delta, int key, quint32 length)
{
    return ev(delta, {0x90, key, 100}) + ev(length, {0x80, key, 0});
}

QByteArray riff(const QList<QPair<QByteArray, QByteArray>> &chunks)
{
    QByteArray body("RMID");
    for (const auto &c : chunks) {
        body += c.first + le32(quint32(c.second.size())) + c.second;
        if (c.second.size() & 1)
            body += '\0';
    }
    return QByteArray("RIFF") + le32(quint32(body.size())) + body;
}

// One format 0 file: 480 ticks a quarter, a note of 'ticks' at 120 bpm.
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

// A valid file's playable bytes are valid too, metrical, and keep the timing.
void checkPlayable(const MidiFile &f)
{
    const QByteArray playable = f.playableBytes();
    const MidiFile p = MidiFile::parse(playable);
    QVERIFY2(p.isValid(), qPrintable(p.error()));
    QVERIFY(!p.isSmpte());
    QCOMPARE(p.lastTick(), f.lastTick());
    QCOMPARE(p.lengthMs(), f.lengthMs());
    QCOMPARE(p.format(), f.format());
    QCOMPARE(p.trackCount(), f.trackCount());
    QCOMPARE(p.playableBytes(), playable);   // nothing left to rewrite
    QCOMPARE(playable.mid(4, 4), be32(6));
}

} // namespace

class TestCoreMidiFile : public QObject {
    Q_OBJECT

private slots:
    void format0()
    {
        const MidiFile f = MidiFile::parse(simpleFile());
        QVERIFY2(f.isValid(), qPrintable(f.error()));
        QVERIFY(f.error().isEmpty());
        QCOMPARE(f.format(), 0);
        QCOMPARE(f.trackCount(), 1);
        QCOMPARE(f.division(), 480);
        QVERIFY(!f.isSmpte());
        QCOMPARE(f.lastTick(), 1920);
        QCOMPARE(f.lengthMs(), 2000);   // four quarters at the default 500000 us
        QCOMPARE(f.tempoMap().size(), 1);
        QCOMPARE(f.tempoMap()[0].microsPerQuarter, 500000);
        QCOMPARE(f.smfBytes(), simpleFile());
        QCOMPARE(f.playableBytes(), simpleFile());   // nothing to rewrite
    }

    void defaultObjectIsInvalid()
    {
        const MidiFile f;
        QVERIFY(!f.isValid());
        QVERIFY(!f.error().isEmpty());
        QCOMPARE(f.lengthMs(), 0);
        QCOMPARE(f.tickToMs(100), 0.0);
        QCOMPARE(f.msToTick(100), 0);
        QVERIFY(f.playableBytes().isEmpty());
    }

    void format1TempoFromAllTracks()
    {
        // Track 1 is the conductor: 120 bpm, then 60 bpm at tick 960.
        // Track 2 plays to tick 1920; track 3 carries a tempo change too
        // (to 30 bpm at tick 1440), which counts for the whole song.
        const QByteArray conductor = track(tempo(0, 500000) + tempo(960, 1000000));
        const QByteArray music = track(ev(0, {0xc1, 40}) + note(0, 64, 1920));
        const QByteArray other = track(tempo(1440, 2000000) + note(0, 67, 10));
        const MidiFile f = MidiFile::parse(header(1, 3, 480) + conductor + music + other);
        QVERIFY2(f.isValid(), qPrintable(f.error()));
        QCOMPARE(f.format(), 1);
        QCOMPARE(f.trackCount(), 3);
        QCOMPARE(f.lastTick(), 1920);
        // 960 ticks at 500 ms a quarter = 1000 ms; 480 at 1000 ms = 1000 ms;
        // 480 at 2000 ms a quarter = 2000 ms. Total 4000 ms.
        QCOMPARE(f.lengthMs(), 4000);
        QCOMPARE(f.tempoMap().size(), 3);
        QCOMPARE(f.tempoMap()[1].tick, 960);
        QCOMPARE(f.tempoMap()[1].msAtTick, 1000.0);
        QCOMPARE(f.tempoMap()[2].tick, 1440);
        QCOMPARE(f.tempoMap()[2].msAtTick, 2000.0);
        QCOMPARE(f.tickToMs(1200), 1500.0);
    }

    void format1SameTickLaterTrackWins()
    {
        const QByteArray a = track(tempo(480, 250000));
        const QByteArray b = track(tempo(480, 1000000) + note(0, 60, 480));
        const MidiFile f = MidiFile::parse(header(1, 2, 480) + a + b);
        QVERIFY2(f.isValid(), qPrintable(f.error()));
        QCOMPARE(f.lengthMs(), 500 + 1000);
    }

    void format2()
    {
        const QByteArray a = track(note(0, 60, 960));
        const QByteArray b = track(tempo(0, 1000000) + note(0, 62, 480));
        const MidiFile f = MidiFile::parse(header(2, 2, 480) + a + b);
        QVERIFY2(f.isValid(), qPrintable(f.error()));
        QCOMPARE(f.format(), 2);
        QCOMPARE(f.trackCount(), 2);
        QCOMPARE(f.lastTick(), 960);
        QCOMPARE(f.lengthMs(), 2000);   // the tracks sound together, as FluidSynth plays them
    }

    void runningStatus()
    {
        // Note on, then three more notes and their ends by running status.
        QByteArray events = ev(0, {0x90, 60, 100}) + ev(0, {64, 100}) + ev(0, {67, 100})
            + ev(480, {60, 0}) + ev(0, {64, 0}) + ev(0, {67, 0})
            + ev(0, {0xb0, 7, 100}) + ev(240, {10, 64})      // controllers too
            + ev(0, {0xc0, 5}) + ev(240, {6})                  // one data byte
            + ev(0, {0xe0, 0, 64}) + ev(0, {0, 0x40});         // pitch bend
        const MidiFile f = MidiFile::parse(header(0, 1, 480) + track(events));
        QVERIFY2(f.isValid(), qPrintable(f.error()));
        QCOMPARE(f.lastTick(), 960);
        QCOMPARE(f.lengthMs(), 1000);
    }

    void runningStatusIsCancelledByMetaAndSysex_data()
    {
        QTest::addColumn<QByteArray>("events");
        QTest::newRow("first event") << ev(0, {60, 100});
        QTest::newRow("after meta") << ev(0, {0x90, 60, 100}) + ev(0, {0xff, 0x01, 1, 'x'}) + ev(10, {60, 0});
        QTest::newRow("after sysex") << ev(0, {0x90, 60, 100}) + ev(0, {0xf0, 2, 1, 0xf7}) + ev(10, {60, 0});
        QTest::newRow("after escape") << ev(0, {0x90, 60, 100}) + ev(0, {0xf7, 1, 0xf8}) + ev(10, {60, 0});
    }

    void runningStatusIsCancelledByMetaAndSysex()
    {
        QFETCH(QByteArray, events);
        const MidiFile f = MidiFile::parse(header(0, 1, 480) + track(events));
        QVERIFY(!f.isValid());
        QVERIFY2(f.error().contains(QLatin1String("no running status")), qPrintable(f.error()));
    }

    void metaAndSysexEvents()
    {
        QByteArray events = ev(0, {0xff, 0x03, 4, 'S', 'o', 'n', 'g'})
            + ev(0, {0xff, 0x58, 4, 4, 2, 24, 8})
            + ev(0, {0xff, 0x59, 2, 0, 0})
            + ev(0, {0xf0, 5, 0x7e, 0x7f, 0x09, 0x01, 0xf7})   // GM System On
            + vlq(0) + bytes({0xf0}) + vlq(300) + QByteArray(299, 0x11) + bytes({0xf7})   // long sysex
            + ev(0, {0xff, 0x7f, 3, 0, 0, 0x41})
            + note(10, 60, 470);
        const MidiFile f = MidiFile::parse(header(0, 1, 480) + track(events));
        QVERIFY2(f.isValid(), qPrintable(f.error()));
        QCOMPARE(f.lastTick(), 480);
        QCOMPARE(f.playableBytes(), f.smfBytes());   // FluidSynth reads all of these
    }

    void tempoChangesMidSong()
    {
        // Division 96. 192 ticks at 500000 us (1000 ms), 384 ticks at 250000
        // (1000 ms), 48 ticks at 1500000 (750 ms), 96 ticks at 600000 (600 ms).
        QByteArray events = ev(0, {0x90, 60, 90}) + tempo(192, 250000) + tempo(384, 1500000)
            + tempo(48, 600000) + ev(96, {0x80, 60, 0});
        const MidiFile f = MidiFile::parse(header(0, 1, 96) + track(events));
        QVERIFY2(f.isValid(), qPrintable(f.error()));
        QCOMPARE(f.lastTick(), 720);
        QCOMPARE(f.lengthMs(), 3350);
        const auto &map = f.tempoMap();
        QCOMPARE(map.size(), 4);
        QCOMPARE(map[0].tick, 0);
        QCOMPARE(map[0].microsPerQuarter, 500000);
        QCOMPARE(map[1].tick, 192);
        QCOMPARE(map[1].msAtTick, 1000.0);
        QCOMPARE(map[2].tick, 576);
        QCOMPARE(map[2].msAtTick, 2000.0);
        QCOMPARE(map[3].tick, 624);
        QCOMPARE(map[3].msAtTick, 2750.0);
        QCOMPARE(f.tickToMs(100), 100 * 500000.0 / 96 / 1000);
        QCOMPARE(f.tickToMs(384), 1000.0 + 192 * 250000.0 / 96 / 1000);
        QCOMPARE(f.tickToMs(600), 2000.0 + 24 * 1500000.0 / 96 / 1000);
        QCOMPARE(f.msToTick(1500), 384);
        QCOMPARE(f.msToTick(2750), 624);
        QCOMPARE(f.msToTick(3350), 720);
    }

    void tempoAtTickZeroAndRepeatedTempo()
    {
        // A tempo at tick 0 replaces the default; one that repeats adds nothing.
        QByteArray events = tempo(0, 1000000) + tempo(480, 1000000) + note(0, 60, 480);
        const MidiFile f = MidiFile::parse(header(0, 1, 480) + track(events));
        QVERIFY2(f.isValid(), qPrintable(f.error()));
        QCOMPARE(f.tempoMap().size(), 1);
        QCOMPARE(f.tempoMap()[0].microsPerQuarter, 1000000);
        QCOMPARE(f.lengthMs(), 2000);
    }

    void badTempoEventsAreIgnored()
    {
        // Tempo 0 and a tempo event of the wrong length change nothing; the
        // playable bytes hide them from FluidSynth, which would refuse the file.
        QByteArray events = tempo(0, 0) + ev(0, {0xff, 0x51, 2, 0x0f, 0x42}) + note(0, 60, 960);
        const MidiFile f = MidiFile::parse(header(0, 1, 480) + track(events));
        QVERIFY2(f.isValid(), qPrintable(f.error()));
        QCOMPARE(f.lengthMs(), 1000);
        QVERIFY(f.playableBytes() != f.smfBytes());
        QVERIFY(!f.playableBytes().contains(QByteArray("\xff\x51", 2)));
        checkPlayable(f);
    }

    void smpte()
    {
        // 25 frames a second, 40 ticks a frame: 1000 ticks a second. Tempo
        // events do not count in SMPTE time.
        QByteArray events = tempo(0, 250000) + note(0, 60, 2500);
        const int division = (0x100 - 25) << 8 | 40;
        const MidiFile f = MidiFile::parse(header(0, 1, division) + track(events));
        QVERIFY2(f.isValid(), qPrintable(f.error()));
        QVERIFY(f.isSmpte());
        QCOMPARE(f.division(), 1000);
        QCOMPARE(f.lastTick(), 2500);
        QCOMPARE(f.lengthMs(), 2500);
        QCOMPARE(f.tickToMs(1), 1.0);
        QCOMPARE(f.msToTick(1234), 1234);
        const MidiFile p = MidiFile::parse(f.playableBytes());
        QVERIFY(!p.isSmpte());
        QCOMPARE(p.division(), 1000);
        QCOMPARE(p.tempoMap().size(), 1);
        QCOMPARE(p.tempoMap()[0].microsPerQuarter, 1000000);
        checkPlayable(f);
    }

    void smpteFrameRates_data()
    {
        QTest::addColumn<int>("fps");
        QTest::addColumn<int>("perFrame");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<qint64>("lengthMs");
        QTest::newRow("24") << 24 << 10 << 2400 << qint64(10000);
        QTest::newRow("25") << 25 << 4 << 100 << qint64(1000);
        QTest::newRow("29.97 drop frame") << 29 << 4 << 11988 << qint64(100000);
        QTest::newRow("30") << 30 << 80 << 2400 << qint64(1000);
        QTest::newRow("30, 255 a frame") << 30 << 255 << 7650 << qint64(1000);
    }

    void smpteFrameRates()
    {
        QFETCH(int, fps);
        QFETCH(int, perFrame);
        QFETCH(int, ticks);
        QFETCH(qint64, lengthMs);
        const int division = (0x100 - fps) << 8 | perFrame;
        const MidiFile f = MidiFile::parse(header(1, 2, division) + track(note(0, 60, 1)) + track(note(0, 62, quint32(ticks))));
        QVERIFY2(f.isValid(), qPrintable(f.error()));
        QCOMPARE(f.lengthMs(), lengthMs);
        checkPlayable(f);
    }

    void riffMidi()
    {
        const QByteArray smf = simpleFile(960);
        // An odd-length chunk before the data (padded), one after it.
        const QByteArray file = riff({{"LIST", QByteArray("INFOx")}, {"data", smf}, {"DISP", QByteArray("ab")}});
        const MidiFile f = MidiFile::parse(file);
        QVERIFY2(f.isValid(), qPrintable(f.error()));
        QCOMPARE(f.smfBytes(), smf);
        QCOMPARE(f.playableBytes(), smf);
        QCOMPARE(f.lengthMs(), 1000);
        // A wrong RIFF size field (common in the wild) does not matter.
        QByteArray wrongSize = file;
        wrongSize.replace(4, 4, le32(3));
        QVERIFY(MidiFile::parse(wrongSize).isValid());
        // An odd-length SMF inside, with its pad byte.
        const QByteArray odd = simpleFile(960) + QByteArray("X");
        QVERIFY(MidiFile::parse(riff({{"data", odd}})).isValid());
    }

    void seekArithmeticRoundTrip()
    {
        QByteArray events = ev(0, {0x90, 60, 90}) + tempo(1000, 333333) + tempo(777, 1234567)
            + tempo(5, 10) + tempo(3001, 8000000) + ev(4000, {0x80, 60, 0});
        const MidiFile f = MidiFile::parse(header(0, 1, 384) + track(events));
        QVERIFY2(f.isValid(), qPrintable(f.error()));
        for (qint64 t = 0; t <= f.lastTick() + 100; ++t) {
            const double ms = f.tickToMs(t);
            QCOMPARE(f.msToTick(ms), t);
            if (t > 0)
                QVERIFY(ms > f.tickToMs(t - 1));
        }
        // Between ticks: the first tick at or after the time.
        const double one = 500000.0 / 384 / 1000;   // ms a tick at the start
        QCOMPARE(f.msToTick(one * 10 + one / 2), 11);
        QCOMPARE(f.msToTick(one * 10 - one / 2), 10);
        QCOMPARE(f.msToTick(0), 0);
        QCOMPARE(f.msToTick(-5), 0);
        QCOMPARE(f.msToTick(std::numeric_limits<double>::quiet_NaN()), 0);
        QVERIFY(f.msToTick(std::numeric_limits<double>::infinity()) > f.lastTick());
        QVERIFY(f.msToTick(1e300) > f.lastTick());
        QCOMPARE(f.tickToMs(-10), 0.0);
        // Beyond the end the last tempo goes on.
        QVERIFY(f.msToTick(f.lengthMs() + 1000.0) > f.lastTick());
    }

    void lenientButPlayable_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<qint64>("lengthMs");
        QTest::addColumn<bool>("rewritten");
        const QByteArray music = ev(0, {0x90, 60, 100}) + ev(960, {0x80, 60, 0});
        QTest::newRow("no end of track") << header(0, 1, 480) + chunk("MTrk", music) << qint64(1000) << false;
        QTest::newRow("bytes after end of track")
            << header(0, 1, 480) + chunk("MTrk", music + vlq(0) + Eot + bytes({0x99, 0xf4, 0xff})) << qint64(1000) << false;
        QTest::newRow("more tracks than declared")
            << header(0, 1, 480) + track(music) + track(note(0, 60, 100000)) << qint64(1000) << false;
        QTest::newRow("garbage after the last track") << header(0, 1, 480) + track(music) + "\x01\x02garbage" << qint64(1000) << false;
        QTest::newRow("format 0 with two tracks") << header(0, 2, 480) + track(music) + track(music) << qint64(1000) << false;
        QTest::newRow("longer header") << header(1, 1, 480, 10) + track(music) << qint64(1000) << true;
        QTest::newRow("unknown chunks between tracks")
            << header(1, 2, 480) + chunk("XFIH", "abc") + track(music) + chunk("XFKM", QByteArray(70000, 'k')) + track(music)
            << qint64(1000) << true;
        QTest::newRow("F7 escape")
            << header(0, 1, 480) + track(ev(0, {0xf0, 2, 0x43, 0x12}) + ev(0, {0xf7, 3, 0x00, 0x43, 0xf7}) + music)
            << qint64(1000) << true;
        QTest::newRow("time signature of a wrong length")
            << header(0, 1, 480) + track(ev(0, {0xff, 0x58, 3, 4, 2, 24}) + music) << qint64(1000) << true;
        QTest::newRow("end of track with a length")
            << header(0, 1, 480) + chunk("MTrk", ev(0, {0xff, 0x2f, 1, 0}) + music) << qint64(1000) << true;
        QTest::newRow("zero-length track") << header(1, 2, 480) + chunk("MTrk", {}) + track(music) << qint64(1000) << false;
        QTest::newRow("meta type above 127") << header(0, 1, 480) + track(ev(0, {0xff, 0x90, 1, 1}) + music) << qint64(1000) << false;
    }

    void lenientButPlayable()
    {
        QFETCH(QByteArray, file);
        QFETCH(qint64, lengthMs);
        QFETCH(bool, rewritten);
        const MidiFile f = MidiFile::parse(file);
        QVERIFY2(f.isValid(), qPrintable(f.error()));
        QCOMPARE(f.lengthMs(), lengthMs);
        QCOMPARE(f.playableBytes() != f.smfBytes(), rewritten);
        checkPlayable(f);
        if (rewritten) {
            const QByteArray p = f.playableBytes();
            QVERIFY(!p.contains(QByteArray("\xf7\x03", 2)));
            QVERIFY(!p.contains("XFKM"));
        }
    }

    void damagedFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("reason");
        const QByteArray ok = track(note(0, 60, 480));
        const QByteArray smf = header(0, 1, 480) + ok;
        QTest::newRow("empty file") << QByteArray() << "empty";
        QTest::newRow("text file") << QByteArray("Hello, this is a text file.\nNot music.\n") << "not a MIDI file";
        QTest::newRow("PNG") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << "not a MIDI file";
        QTest::newRow("MTh") << QByteArray("MTh") << "not a MIDI file";
        QTest::newRow("MThd only") << QByteArray("MThd") << "header is cut short";
        QTest::newRow("header cut") << smf.left(11) << "header is cut short";
        QTest::newRow("header length 0") << header(0, 1, 480, 0) + ok << "bad length";
        QTest::newRow("header length 5") << QByteArray("MThd") + be32(5) + bytes({0, 0, 0, 1, 1}) + ok << "bad length";
        QTest::newRow("huge header length") << QByteArray("MThd") + be32(0xfffffff0) + bytes({0, 0, 0, 1, 1, 0xe0}) + ok << "bad length";
        QTest::newRow("format 3") << header(3, 1, 480) + ok << "Unsupported MIDI file format 3";
        QTest::newRow("format 256") << header(256, 1, 480) + ok << "Unsupported MIDI file format 256";
        QTest::newRow("no tracks") << header(1, 0, 480) << "no tracks";
        QTest::newRow("no tracks, header only") << header(0, 0, 480) + ok << "no tracks";
        QTest::newRow("division 0") << header(0, 1, 0) + ok << "time division";
        QTest::newRow("SMPTE -23 fps") << header(0, 1, (0x100 - 23) << 8 | 4) + ok << "frame rate";
        QTest::newRow("SMPTE 0 ticks a frame") << header(0, 1, (0x100 - 25) << 8) + ok << "SMPTE time division";
        QTest::newRow("no track chunk") << header(0, 1, 480) << "ends before track 1 of 1";
        QTest::newRow("second track missing") << header(1, 2, 480) + ok << "ends before track 2 of 2";
        QTest::newRow("track header cut") << header(1, 2, 480) + ok + "MTrk\0\0" << "ends before track 2 of 2";
        QTest::newRow("track cut short") << smf.left(smf.size() - 3) << "cut short";
        QTest::newRow("track length past the end") << header(0, 1, 480) + "MTrk" + be32(1000) + ok.mid(8) << "claims 1000 bytes";
        QTest::newRow("huge track length") << header(0, 1, 480) + "MTrk" + be32(0xffffffff) + ok.mid(8) << "claims 4294967295 bytes";
        QTest::newRow("last of three tracks truncated")
            << header(1, 3, 480) + ok + ok + ok.left(ok.size() - 1) << "Track 3 of 3 is cut short";
        QTest::newRow("unknown chunk with a huge length")
            << header(0, 1, 480) + "JUNK" + be32(0x7fffffff) + ok << "chunk with a bad length";
        QTest::newRow("unreadable chunk name") << header(0, 1, 480) + QByteArray("\x01\x02\x03\x04", 4) + be32(0) + ok << "unreadable data";
        QTest::newRow("note cut inside the track")
            << header(0, 1, 480) + chunk("MTrk", ev(0, {0x90, 60})) << "runs past the end of the track";
        QTest::newRow("meta length past the track")
            << header(0, 1, 480) + chunk("MTrk", ev(0, {0xff, 0x01}) + vlq(0x0fffffff) + "abc") << "runs past the end of the track";
        QTest::newRow("sysex length past the track")
            << header(0, 1, 480) + chunk("MTrk", ev(0, {0xf0}) + vlq(100) + "abc") << "runs past the end of the track";
        QTest::newRow("meta type missing") << header(0, 1, 480) + chunk("MTrk", ev(0, {0xff})) << "runs past the end";
        QTest::newRow("delta time cut") << header(0, 1, 480) + chunk("MTrk", bytes({0x81, 0x80})) << "runs past the end";
        QTest::newRow("five-byte delta time")
            << header(0, 1, 480) + track(bytes({0x81, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 100})) << "longer than four bytes";
        QTest::newRow("five-byte meta length")
            << header(0, 1, 480) + track(bytes({0x00, 0xff, 0x01, 0x81, 0x80, 0x80, 0x80, 0x00})) << "longer than four bytes";
        QTest::newRow("value out of range") << header(0, 1, 480) + track(ev(0, {0x90, 60, 0xc0})) << "value out of range";
        QTest::newRow("unknown event F4") << header(0, 1, 480) + track(ev(5, {0xf4, 1, 2})) << "unknown event type 0xF4";
        QTest::newRow("realtime byte in a track") << header(0, 1, 480) + track(ev(0, {0xf8})) << "unknown event type 0xF8";
        QTest::newRow("RIFF cut") << QByteArray("RIFF\x04\0\0\0", 8) << "cut short";
        QTest::newRow("RIFF WAVE") << QByteArray("RIFF") + le32(4) + "WAVE" << "not a RIFF-MIDI";
        QTest::newRow("RIFF with no data chunk") << riff({{"LIST", "abcd"}}) << "no MIDI data chunk";
        QTest::newRow("RIFF empty") << riff({}) << "no MIDI data chunk";
        QTest::newRow("RIFF data past the end") << QByteArray("RIFF") + le32(100) + "RMIDdata" + le32(5000) + smf << "bad length";
        QTest::newRow("RIFF huge chunk before data")
            << QByteArray("RIFF") + le32(100) + "RMIDLIST" + le32(0xfffffff0) + "data" + le32(quint32(smf.size())) + smf << "bad length";
        QTest::newRow("RIFF data not MIDI") << riff({{"data", "Hello"}}) << "not a MIDI file";
        QTest::newRow("RIFF data empty") << riff({{"data", {}}}) << "empty";
    }

    void damagedFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, reason);
        const MidiFile f = MidiFile::parse(file);
        QVERIFY(!f.isValid());
        QVERIFY2(f.error().contains(reason, Qt::CaseInsensitive), qPrintable(f.error()));
        QVERIFY(!f.error().contains(QLatin1Char('\n')));
        QVERIFY(f.playableBytes().isEmpty());
        QVERIFY(f.smfBytes().isEmpty());
        QCOMPARE(f.lengthMs(), 0);
        QCOMPARE(f.trackCount(), 0);
    }

    void everyPrefixOfAFileIsHandled()
    {
        const QByteArray full = header(1, 2, 480) + track(tempo(0, 400000) + note(0, 60, 480))
            + track(ev(0, {0xf0, 2, 1, 0xf7}) + note(10, 62, 100));
        QVERIFY(MidiFile::parse(full).isValid());
        for (int n = 0; n < full.size(); ++n)
            QVERIFY2(!MidiFile::parse(full.left(n)).isValid(), qPrintable(QString::number(n)));
    }

    void mutatedFilesNeverCrash()
    {
        // A quick, fixed sample of what the fuzz target does at length.
        const QByteArray base = header(1, 2, 480) + track(tempo(0, 400000) + note(0, 60, 480) + tempo(10, 600000))
            + track(ev(0, {0xf0, 2, 1, 0xf7}) + ev(0, {0xf7, 1, 2}) + note(10, 62, 100) + ev(0, {0xb0, 64, 127}) + ev(1, {64, 0}));
        quint32 state = 12345;
        auto next = [&state] { state = state * 1103515245u + 12345u; return state >> 8; };
        for (int i = 0; i < 20000; ++i) {
            QByteArray b = base;
            const int edits = 1 + int(next() % 4);
            for (int e = 0; e < edits; ++e)
                b[int(next() % quint32(b.size()))] = char(next());
            const MidiFile f = MidiFile::parse(b);
            if (f.isValid()) {
                const MidiFile p = MidiFile::parse(f.playableBytes());
                QVERIFY(p.isValid());
                QCOMPARE(p.lastTick(), f.lastTick());
                QCOMPARE(p.lengthMs(), f.lengthMs());
            }
        }
    }

    void loadFromDisk()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString good = dir.filePath(QStringLiteral("good.MID"));
        write(good, simpleFile());
        MidiFile f = MidiFile::load(good);
        QVERIFY2(f.isValid(), qPrintable(f.error()));
        QCOMPARE(f.lengthMs(), 2000);

        const QString rmi = dir.filePath(QStringLiteral("song.rmi"));
        write(rmi, riff({{"data", simpleFile(960)}}));
        QCOMPARE(MidiFile::load(rmi).lengthMs(), 1000);

        const QString unicode = dir.filePath(QStringLiteral("Grüße – 歌.mid"));
        write(unicode, simpleFile());
        QVERIFY(MidiFile::load(unicode).isValid());

        QVERIFY(MidiFile::load(dir.filePath(QStringLiteral("missing.mid"))).error().contains(QLatin1String("does not exist")));
        QVERIFY(!MidiFile::load(QString()).isValid());
        QVERIFY(MidiFile::load(dir.path()).error().contains(QLatin1String("folder")));
        QVERIFY(MidiFile::load(QStringLiteral("/dev/null")).error().contains(QLatin1String("not a regular file")));

        // A FIFO with no writer: refused at once, no waiting.
        const QString fifo = dir.filePath(QStringLiteral("fifo.mid"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(MidiFile::load(fifo).error().contains(QLatin1String("not a regular file")));

        // A symbolic link to a good file is that file.
        const QString link = dir.filePath(QStringLiteral("link.mid"));
        QVERIFY(QFile::link(good, link));
        QVERIFY(MidiFile::load(link).isValid());

        // Too large: refused without reading it (the file is sparse).
        const QString big = dir.filePath(QStringLiteral("big.mid"));
        {
            QFile b(big);
            QVERIFY(b.open(QIODevice::WriteOnly));
            b.write(simpleFile());
            QVERIFY(b.resize(MidiFile::MaxFileSize + 1));
        }
        QVERIFY(MidiFile::load(big).error().contains(QLatin1String("too large")));
        // At the limit it is read (and is a valid file with padding after it).
        QVERIFY(QFile::resize(big, MidiFile::MaxFileSize));
        QVERIFY2(MidiFile::load(big).isValid(), qPrintable(MidiFile::load(big).error()));

        const QString empty = dir.filePath(QStringLiteral("empty.mid"));
        write(empty, {});
        QVERIFY(MidiFile::load(empty).error().contains(QLatin1String("empty")));

        if (::geteuid() != 0) {   // root reads everything
            const QString locked = dir.filePath(QStringLiteral("locked.mid"));
            write(locked, simpleFile());
            QFile::setPermissions(locked, QFileDevice::WriteOwner);
            QVERIFY(MidiFile::load(locked).error().contains(QLatin1String("permission")));
        }
    }

    void parseRefusesOversizedBuffers()
    {
        QByteArray huge = simpleFile();
        huge.resize(MidiFile::MaxFileSize + 1);
        QVERIFY(MidiFile::parse(huge).error().contains(QLatin1String("too large")));
    }

    void generatedSamples()
    {
        const QString dirPath = qEnvironmentVariable("LYRABOX_SAMPLES");
        if (dirPath.isEmpty() || !QFileInfo(dirPath).isDir())
            QSKIP("LYRABOX_SAMPLES does not name the generated Media folder");
        const QFileInfoList files = QDir(dirPath).entryInfoList({QStringLiteral("*.mid"), QStringLiteral("*.rmi")},
                                                                QDir::Files, QDir::Name);
        QVERIFY2(files.size() >= 8, "at least six songs, the RIFF-MIDI sample and the benchmark song");
        QSet<int> formats;
        bool riffSeen = false;
        for (const QFileInfo &fi : files) {
            const MidiFile f = MidiFile::load(fi.filePath());
            QVERIFY2(f.isValid(), qPrintable(fi.fileName() + QLatin1String(": ") + f.error()));
            QVERIFY2(f.lengthMs() >= 20000 && f.lengthMs() <= 180000,
                     qPrintable(fi.fileName() + QLatin1String(": ") + QString::number(f.lengthMs())));
            QVERIFY2(f.tempoMap().size() > 1, qPrintable(fi.fileName() + QLatin1String(": no tempo change")));
            QCOMPARE(fi.fileName(), fi.fileName().toLower());
            formats.insert(f.format());
            if (fi.suffix() == QLatin1String("rmi")) {
                riffSeen = true;
                QVERIFY(f.smfBytes().size() < fi.size());
            }
            checkPlayable(f);
            // Drum channel and program changes: look for the status bytes.
            const QByteArray smf = f.smfBytes();
            QVERIFY2(smf.contains(char(0x99)), qPrintable(fi.fileName() + QLatin1String(": no drums")));
            QVERIFY2(smf.contains(char(0xc0)) || smf.contains(char(0xc1)), qPrintable(fi.fileName()));
        }
        QVERIFY(formats.contains(0));
        QVERIFY(formats.contains(1));
        QVERIFY(riffSeen);
        QVERIFY(QFileInfo::exists(QDir(dirPath).filePath(QStringLiteral("busy-bench.mid"))));
    }

    void midiinfoTool()
    {
        // The tool is built next to the generator.
        const QString midigen = qEnvironmentVariable("LYRABOX_MIDIGEN");
        const QString tool = QFileInfo(midigen).dir().filePath(QStringLiteral("lyrabox-midiinfo"));
        if (midigen.isEmpty() || !QFileInfo(tool).isExecutable())
            QSKIP("lyrabox-midiinfo not found (LYRABOX_MIDIGEN unset)");
        QTemporaryDir dir;
        const QString good = dir.filePath(QStringLiteral("good.mid"));
        const QString bad = dir.filePath(QStringLiteral("bad.mid"));
        write(good, simpleFile());
        write(bad, QByteArray("not music"));

        QProcess p;
        p.start(tool, {good});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), good + QStringLiteral("\t2000\t0\t1\n"));

        p.start(tool, {good, bad});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 1);
        const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[1].startsWith(bad + QStringLiteral("\terror\t")));
        QCOMPARE(lines[1].count(QLatin1Char('\t')), 2);

        p.start(tool, {});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardOutput().isEmpty());
        QVERIFY(p.readAllStandardError().contains("usage"));
    }
};

QTEST_GUILESS_MAIN(TestCoreMidiFile)
#include "test_core_midifile.moc"
