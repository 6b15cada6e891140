#include "components/engine/systemmixer.h"
#include "playback/engine/fluidsequencer.h"
#include "testenv.h"
#include <QtTest>

namespace {
using TestEnv::readWav;

int indexOf(SystemMixer &m, const QString &name)
{
    for (int i = 1; i <= m.SourceCount(); ++i)
        if (m.SetNameIndex(i) && m.SourceName() == name)
            return i - 1;
    return -1;
}
}   // namespace

class TestEngineSynthMixer : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { TestEnv::setUp(); }

    // Without a card the synth is the whole mixer, and finding that out is quick.
    void withoutCard()
    {
        FluidSequencer engine({TestEnv::soundFont(), QStringLiteral("file"), QStringLiteral("/dev/null")});
        QElapsedTimer t;
        t.start();
        SystemMixer mixer(&engine, QByteArrayLiteral("hw:97"));
        QVERIFY2(t.elapsed() < 500, "opening the mixer blocked");
        QCOMPARE(mixer.SourceCount(), 1);
        QCOMPARE(indexOf(mixer, QStringLiteral("Lyrabox Synth")), 0);
        QVERIFY(mixer.SetVolume(1234) && !mixer.SetVolume(65536) && !mixer.SetMute(2));
        QVERIFY(mixer.TakeError());
        QCOMPARE(engine.level(), 1234);
        SystemMixer none(nullptr, QByteArrayLiteral("hw:97"));
        QCOMPARE(none.SourceCount(), 0);
        none.Volume();
        QVERIFY(none.TakeError());   // no source: reads fail, and say so
    }

    // The mixer's level is what a sounding note plays at, and a mute does not end it.
    void synthLevelChangesSound()
    {
        // Organ (no decay): one chord held for 5 s.
        const QString song = TestEnv::writeTracks(
            m_dir.filePath(QStringLiteral("held.mid")),
            {QByteArray("\x00\xC0\x13\x00\x90\x3C\x70\x00\x90\x43\x70\xA5\x60\x80\x3C\x00\x00\x80\x43\x00", 20)});
        const QString wav = m_dir.filePath(QStringLiteral("level.wav"));
        QVERIFY(!song.isEmpty());
        // Each setting holds for StepMs; the level is measured in the middle of each.
        constexpr int StepMs = 600;
        const struct {
            int volume;
            int mute;
        } steps[] = {{65535, 0}, {32768, 0}, {32768, 1}, {0, 0}, {65535, 0}};
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
                at << clock.elapsed();
                QThread::msleep(StepMs);
            }
        }
        const QVector<qint16> s = readWav(wav);
        // The file starts when the engine opened; the first sound marks play.
        qsizetype first = 0;
        while (first < s.size() && qAbs(int(s[first])) < 200)
            ++first;
        QVERIFY2(first < s.size(), "no sound at all");
        const qint64 origin = first / 2 * 1000 / 44100;
        auto level = [&](int i) {
            const qint64 from = origin + at[i] - at[0] + StepMs / 4;
            return TestEnv::peak(s, TestEnv::wavSamples(from), TestEnv::wavSamples(from + StepMs / 2));
        };
        const int full = level(0), half = level(1), muted = level(2), zero = level(3), again = level(4);
        const QString seen = QStringLiteral("%1 %2 %3 %4 %5").arg(full).arg(half).arg(muted).arg(zero).arg(again);
        QVERIFY2(full > 1000 && half < full * 0.6 && half > full * 0.1, qPrintable(seen));
        QVERIFY2(muted < full / 100 && zero < full / 100 && again > full * 0.8, qPrintable(seen));
    }

    // A real card's controls, where one answers. They are put back as found.
    void alsaSources()
    {
        SystemMixer mixer(nullptr);
        if (mixer.SourceCount() == 0)
            QSKIP("no ALSA mixer answers on \"default\" here (no sound card or sound server)");
        QVERIFY(indexOf(mixer, QStringLiteral("Master")) < 0);   // offered as "Main Volume"
        for (int i = 0; i < mixer.SourceCount(); ++i) {
            QVERIFY(mixer.SetSourceIndex(i));
            const int volume = mixer.Volume(), mute = mixer.Mute();
            const int other = volume > 32768 ? volume / 4 : 65535 - volume / 4;
            // A card has far fewer steps than 65535: a step's width is allowed.
            if (mixer.VolumeEnabled()) {
                QVERIFY(mixer.SetVolume(other));
                const int back = mixer.Volume();
                QVERIFY(mixer.SetVolume(volume));
                QVERIFY2(qAbs(back - other) < 65535 / 16, qPrintable(QString::number(back)));
            }
            if (mixer.MuteEnabled())
                QVERIFY(mixer.SetMute(1 - mute) && mixer.Mute() == 1 - mute && mixer.SetMute(mute));
            QVERIFY(!mixer.TakeError());
        }
    }
};

QTEST_MAIN(TestEngineSynthMixer)
#include "test_engine_synthmixer.moc"
