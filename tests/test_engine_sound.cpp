#include "bench/densesong.h"
#include "playback/engine/fluidsequencer.h"
#include "playback/engine/soundsetup.h"
#include "testenv.h"
#include <QtTest>
#include <cmath>
#include <memory>

namespace {
constexpr int Rate = 44100;
const QString FullBank = QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2");

// Mono frames of interleaved stereo, from frame `from` for `count` (all when -1).
QVector<double> mono(const QVector<qint16> &s, qsizetype from = 0, qsizetype count = -1)
{
    QVector<double> m;
    for (qsizetype f = from; 2 * f + 1 < s.size() && (count < 0 || f < from + count); ++f)
        m << (double(s[2 * f]) + s[2 * f + 1]) / 2.0;
    return m;
}

qsizetype firstAbove(const QVector<double> &m, double level, qsizetype from = 0)
{
    for (qsizetype i = from; i < m.size(); ++i)
        if (std::abs(m[i]) > level)
            return i;
    return -1;
}

qsizetype lastAbove(const QVector<double> &m, double level)
{
    for (qsizetype i = m.size() - 1; i >= 0; --i)
        if (std::abs(m[i]) > level)
            return i;
    return -1;
}

// Magnitudes from 100 Hz to 4 kHz in 10 Hz steps.
QVector<double> spectrum(const QVector<double> &m)
{
    QVector<double> mags;
    for (int hz = 100; hz <= 4000; hz += 10) {
        double re = 0, im = 0;
        for (qsizetype i = 0; i < m.size(); ++i) {
            const double w = 0.5 - 0.5 * std::cos(2 * M_PI * double(i) / double(m.size()));
            re += w * m[i] * std::cos(2 * M_PI * hz * double(i) / Rate);
            im -= w * m[i] * std::sin(2 * M_PI * hz * double(i) / Rate);
        }
        mags << std::hypot(re, im);
    }
    return mags;
}

double distance(const QVector<double> &a, const QVector<double> &b)
{
    double diff = 0, sum = 0;
    for (qsizetype i = 0; i < a.size(); ++i) {
        diff += std::abs(a[i] - b[i]);
        sum += a[i] + b[i];
    }
    return diff / std::max(sum, 1e-9);
}

// One track of event bytes without End of Track; 480 ticks a quarter at 120 bpm.
QString writeSong(const QString &path, QByteArray track)
{
    track += QByteArray("\x00\xFF\x2F\x00", 4);
    QByteArray out("MThd\0\0\0\x06\0\0\0\x01\x01\xE0MTrk", 18);
    for (int shift : {24, 16, 8, 0})
        out += char(track.size() >> shift);
    out += track;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size() ? path : QString();
}
}

class TestEngineSound : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_staccato;   // one short piano note, then 1.5 s of nothing
    QString m_flute;      // one held flute note, full chorus send
    QString m_organ;      // an organ note every 250 ms for 5 s

    std::unique_ptr<FluidSequencer> device(const QString &wav, SoundConfig sound = SoundConfig())
    {
        if (sound.banks.isEmpty())
            sound.banks = QStringList{TestEnv::soundFont()};
        return std::make_unique<FluidSequencer>(
            FluidSequencer::Config{QString(), QStringLiteral("file"), wav, FluidSequencer::DefaultGain, true, sound});
    }
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        TestEnv::setUp();
        QVERIFY(QFile::exists(TestEnv::soundFont()) && QFile::exists(FullBank));
        m_staccato = writeSong(path("staccato.mid"),
                               QByteArray("\x00\xC0\x00\x00\x90\x48\x7F\x60\x80\x48\x00\x8B\x60\xB0\x07\x64", 16));
        m_flute = writeSong(path("flute.mid"),
                            QByteArray("\x00\xC0\x49\x00\xB0\x5D\x7F\x00\x90\x45\x70\x8F\x00\x80\x45\x00", 16));
        QByteArray organ("\x00\xC0\x13", 3);
        for (int i = 0; i < 20; ++i)
            organ += QByteArray("\x00\x90\x3C\x70\x81\x40\x80\x3C\x00\x30\xB0\x07\x64", 13);   // 200 + 50 ms
        m_organ = writeSong(path("organ.mid"), organ);
        QVERIFY(!m_staccato.isEmpty() && !m_flute.isEmpty() && !m_organ.isEmpty());
    }

    // The note is played twice on one device: the change in between is made while it lives.
    void effectsChangeTheSound_data()
    {
        QTest::addColumn<QString>("effect");
        QTest::newRow("reverb") << "reverb";
        QTest::newRow("chorus") << "chorus";
    }
    void effectsChangeTheSound()
    {
        QFETCH(QString, effect);
        const bool reverb = effect == "reverb";
        const QString wav = path("effects.wav");
        auto dev = device(wav);
        SoundConfig plain = dev->sound();
        plain.reverb = false;
        plain.chorus = false;
        SoundConfig wet = plain;
        if (reverb) {
            wet.reverb = true;
            wet.reverbRoom = 0.8;
            wet.reverbLevel = 1.0;
        } else {
            wet.chorus = true;
            wet.chorusLevel = 4.0;
            wet.chorusDepth = 20.0;
        }
        const QString song = reverb ? m_staccato : m_flute;
        QCOMPARE(dev->open(song), 0);
        qsizetype takes[3] = {};   // frames written when each take starts
        for (int i = 0; i < 3; ++i) {
            // Plain, wet, plain again: the two plain ones tell how alike two takes are.
            QString error;
            QVERIFY2(dev->setSound(i == 1 ? wet : plain, &error), qPrintable(error));
            takes[i] = TestEnv::readWav(wav).size() / 2;
            QCOMPARE(dev->play(0), 0);
            QThread::msleep(1500);
            QCOMPARE(dev->stop(), 0);
            QThread::msleep(100);
        }
        dev.reset();
        const QVector<qint16> s = TestEnv::readWav(wav);
        QVector<QVector<double>> takeSound;
        for (int i = 0; i < 3; ++i) {
            const QVector<double> take = mono(s, takes[i], i < 2 ? takes[i + 1] - takes[i] : -1);
            const qsizetype onset = firstAbove(take, 300);
            QVERIFY2(onset >= 0, "no sound");
            takeSound << take.mid(onset);
        }
        if (reverb) {
            // From the onset until the sound stays below -60 dBFS.
            double tail[3];
            for (int i = 0; i < 3; ++i)
                tail[i] = double(lastAbove(takeSound[i], 30)) * 1000 / Rate;
            const QString got = QStringLiteral("tails %1 / %2 / %3 ms").arg(tail[0]).arg(tail[1]).arg(tail[2]);
            QVERIFY2(tail[1] > tail[0] + 300 && tail[1] > tail[2] + 300, qPrintable(got));
            QVERIFY2(std::abs(tail[0] - tail[2]) < 100, qPrintable(got));
        } else {
            QVector<QVector<double>> spectra;
            for (const QVector<double> &take : std::as_const(takeSound))
                spectra << spectrum(take.mid(Rate / 5, 8192));
            const double same = distance(spectra[0], spectra[2]), changed = distance(spectra[0], spectra[1]);
            const QString got = QStringLiteral("plain vs plain %1, plain vs chorus %2").arg(same).arg(changed);
            QVERIFY2(changed > 0.15 && changed > 4 * same, qPrintable(got));
        }
    }
};

QTEST_GUILESS_MAIN(TestEngineSound)
#include "test_engine_sound.moc"
