#include "components/engine/systemmixer.h"
#include "playback/engine/fluidsequencer.h"
#include "testenv.h"
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>

namespace {
constexpr int Rate = 44100;

// Interleaved 16-bit stereo samples of the renderer's WAV file.
QVector<qint16> readWav(const QString &path)
{
    QFile f(path);
    const QByteArray b = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    const qsizetype data = b.startsWith("RIFF") ? b.indexOf("data", 12) : -1;
    if (data < 0)
        return {};
    QVector<qint16> out((b.size() - data - 8) / 2);
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = qFromLittleEndian<qint16>(b.constData() + data + 8 + 2 * i);
    return out;
}

// Loudest sample between two times (ms from the start of the file).
int peak(const QVector<qint16> &s, qint64 fromMs, qint64 toMs)
{
    int p = 0;
    const qsizetype a = qMax<qsizetype>(0, fromMs * Rate / 1000 * 2);
    const qsizetype z = qMin<qsizetype>(s.size(), toMs * Rate / 1000 * 2);
    for (qsizetype i = a; i < z; ++i)
        p = qMax(p, qAbs(int(s[i])));
    return p;
}

// Organ (no decay) on channel 1: a chord struck every 300 ms for 5 s, or
// one chord held for 5 s.
QString writeOrganMidi(const QString &path, bool held)
{
    QByteArray trk("\x00\xC0\x13", 3);
    auto chord = [&trk](char delta, char status, char velocity) {
        trk += delta; trk += status; trk += '\x3C'; trk += velocity;
        trk += '\x00'; trk += status; trk += '\x43'; trk += velocity;
    };
    if (held) {
        chord(0, '\x90', '\x70');
        trk += QByteArray("\xA5\x60\x80\x3C\x00\x00\x80\x43\x00", 9);   // 4832 ticks on
    } else {
        for (int i = 0; i < 17; ++i) {
            chord(i ? '\x30' : '\x00', '\x90', '\x70');   // 50 ms rest before each
            trk += QByteArray("\x81\x70\x80\x3C\x00\x00\x80\x43\x00", 9);   // 250 ms on
        }
    }
    trk += QByteArray("\x00\xFF\x2F\x00", 4);
    QByteArray out("MThd\0\0\0\x06\0\0\0\x01\x01\xE0MTrk", 18);
    for (int shift : {24, 16, 8, 0})
        out += char(trk.size() >> shift);
    out += trk;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size() ? path : QString();
}

int indexOf(SystemMixer &m, const QString &name)
{
    for (int i = 1; i <= m.SourceCount(); ++i)
        if (m.SetNameIndex(i) && m.SourceName() == name)
            return i - 1;
    return -1;
}
} // namespace

class TestEngineSynthMixer : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        TestEnv::setUp();
        QVERIFY(QFile::exists(TestEnv::soundFont()));
    }

    // Without a card the synth is the whole mixer, and finding that out is quick.
    void withoutCard_data()
    {
        QTest::addColumn<bool>("synth");
        QTest::newRow("synth only") << true;
        QTest::newRow("nothing at all") << false;
    }
    void withoutCard()
    {
        QFETCH(bool, synth);
        FluidSequencer engine({TestEnv::soundFont(), QStringLiteral("file"), QStringLiteral("/dev/null")});
        QElapsedTimer t;
        t.start();
        SystemMixer mixer(synth ? &engine : nullptr, QByteArrayLiteral("hw:97"));
        QVERIFY2(t.elapsed() < 500, "opening the mixer blocked");
        QCOMPARE(mixer.DeviceName(), synth ? QStringLiteral("Lyrabox") : QString());
        QCOMPARE(mixer.IsOpen() && mixer.IsReady(), synth);
        QCOMPARE(mixer.SourceCount(), synth ? 1 : 0);
        QVERIFY(!mixer.TakeError());
        if (!synth) {
            mixer.Volume();
            QVERIFY(mixer.TakeError());   // no source: reads fail, and say so
            return;
        }
        QCOMPARE(indexOf(mixer, QStringLiteral("Lyrabox Synth")), 0);
        QVERIFY(mixer.VolumeEnabled() && mixer.MuteEnabled());
        QVERIFY(mixer.SetVolume(1234));
        QCOMPARE(engine.level(), 1234);
        QCOMPARE(mixer.Volume(), 1234);
        QVERIFY(!mixer.SetVolume(65536));
        QVERIFY(!mixer.SetMute(2));
        QVERIFY(mixer.TakeError());
        QCOMPARE(engine.level(), 1234);
    }

    // The level set through the mixer is what the player sounds at, while it plays.
    void synthLevelChangesSound()
    {
        const QString song = writeOrganMidi(m_dir.filePath(QStringLiteral("struck.mid")), false);
        const QString wav = m_dir.filePath(QStringLiteral("level.wav"));
        QVERIFY(!song.isEmpty());
        // Each setting holds for StepMs; the level is measured in the middle of each.
        constexpr int StepMs = 600;
        const struct { int volume; int mute; } steps[] = {{65535, 0}, {32768, 0}, {32768, 1}, {65535, 0}};
        QVector<qint64> at;
        {
            FluidSequencer engine({TestEnv::soundFont(), QStringLiteral("file"), wav});
            SystemMixer mixer(&engine, QByteArrayLiteral("hw:97"));
            QVERIFY(mixer.SetSourceIndex(indexOf(mixer, QStringLiteral("Lyrabox Synth"))));
            QCOMPARE(engine.open(song), 0);
            QElapsedTimer clock;
            clock.start();
            QCOMPARE(engine.play(0), 0);
            for (const auto &s : steps) {
                QVERIFY(mixer.SetVolume(s.volume) && mixer.SetMute(s.mute));
                QCOMPARE(mixer.Volume(), s.volume);
                QCOMPARE(mixer.Mute(), s.mute);
                at << clock.elapsed();
                QThread::msleep(StepMs);
            }
            engine.close();
        }
        const QVector<qint16> s = readWav(wav);
        QVERIFY(!s.isEmpty());
        // The file starts when the engine opened; the first sound marks play.
        qsizetype first = 0;
        while (first < s.size() && qAbs(int(s[first])) < 200)
            ++first;
        QVERIFY2(first < s.size(), "no sound at all");
        const qint64 origin = first / 2 * 1000 / Rate;
        auto level = [&](int i) {
            const qint64 from = origin + at[i] - at[0] + StepMs / 4;
            return peak(s, from, from + StepMs / 2);
        };
        const int full = level(0), half = level(1), muted = level(2), again = level(3);
        const QString seen = QStringLiteral("full %1 half %2 muted %3 again %4").arg(full).arg(half).arg(muted).arg(again);
        QVERIFY2(full > 1000, qPrintable(seen));
        QVERIFY2(half < full * 0.6 && half > full * 0.1, qPrintable(seen));
        QVERIFY2(muted < full / 100, qPrintable(seen));
        QVERIFY2(again > full * 0.8, qPrintable(seen));
    }

    // Muting and unmuting in the middle of a long note.
    void heldNoteSurvivesMute()
    {
        const QString song = writeOrganMidi(m_dir.filePath(QStringLiteral("held.mid")), true);
        FluidSequencer engine({TestEnv::soundFont(), QStringLiteral("file"), QStringLiteral("/dev/null")});
        SystemMixer mixer(&engine, QByteArrayLiteral("hw:97"));
        QCOMPARE(engine.open(song), 0);
        QCOMPARE(engine.play(0), 0);
        QThread::msleep(200);
        QVERIFY(engine.activeVoices() > 0);
        QVERIFY(mixer.SetMute(1));
        QThread::msleep(200);
        QVERIFY(mixer.SetMute(0));
        QThread::msleep(200);
        QVERIFY(engine.activeVoices() > 0);
    }

    // A real card's controls, where one answers. They are put back as found.
    void alsaSources()
    {
        SystemMixer mixer(nullptr);
        if (mixer.SourceCount() == 0)
            QSKIP("no ALSA mixer answers on \"default\" here (no sound card or sound server)");
        QVERIFY(!mixer.DeviceName().isEmpty());
        QVERIFY(indexOf(mixer, QStringLiteral("Lyrabox Synth")) < 0);
        QVERIFY(indexOf(mixer, QStringLiteral("Master")) < 0);   // offered as "Main Volume"
        for (int i = 0; i < mixer.SourceCount(); ++i) {
            QVERIFY(mixer.SetSourceIndex(i));
            const int volume = mixer.Volume();
            const int mute = mixer.Mute();
            QVERIFY(!mixer.TakeError());
            QVERIFY(volume >= 0 && volume <= 65535);
            QVERIFY(mute == 0 || mute == 1);
            if (mixer.VolumeEnabled()) {
                const int other = volume > 32768 ? volume / 4 : 65535 - volume / 4;
                QVERIFY(mixer.SetVolume(other));
                const int back = mixer.Volume();
                QVERIFY(mixer.SetVolume(volume));
                // A card has far fewer steps than 65535: a step's width is allowed.
                QVERIFY2(qAbs(back - other) < 65535 / 16, qPrintable(QString::number(back)));
                QVERIFY(qAbs(mixer.Volume() - volume) < 65535 / 16);
            }
            if (mixer.MuteEnabled()) {
                QVERIFY(mixer.SetMute(1 - mute));
                QCOMPARE(mixer.Mute(), 1 - mute);
                QVERIFY(mixer.SetMute(mute));
            }
        }
    }
};

QTEST_MAIN(TestEngineSynthMixer)
#include "test_engine_synthmixer.moc"
