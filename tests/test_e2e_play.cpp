#include "fakes/playerfixture.h"
#include "playback/engine/fluidsequencer.h"
#include "playback/mediacontrol.h"
#include "testenv.h"
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

// The 16-bit samples written so far and how many make a second (all channels).
// The engine writes in real time and fixes the header only when it closes,
// so the data runs to the end of the file.
struct Wav {
    QVector<qint16> samples;
    int perSecond = 0;
};

Wav readWav(const QString &path)
{
    Wav w;
    QFile f(path);
    const QByteArray b = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    const qsizetype data = b.indexOf("data", 36);
    // Only the plain header: PCM, 16 bits, the format chunk first.
    if (!b.startsWith("RIFF") || b.mid(12, 4) != "fmt " || qFromLittleEndian<quint16>(b.constData() + 34) != 16 || data < 0)
        return w;
    w.perSecond = int(qFromLittleEndian<quint32>(b.constData() + 28) / 2);
    w.samples.resize((b.size() - data - 8) / 2);
    qFromLittleEndian<qint16>(b.constData() + data + 8, w.samples.size(), w.samples.data());
    return w;
}

int peak(const QVector<qint16> &s, qsizetype from)
{
    int p = 0;
    for (qsizetype i = qMax<qsizetype>(0, from); i < s.size(); ++i)
        p = qMax(p, qAbs(int(s[i])));
    return p;
}

}

class TestE2EPlay : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TestEnv::setUp();
        QVERIFY2(QFile::exists(TestEnv::soundFont()), "LYRABOX_TEST_SF2 names no sound bank");
    }

    void playsTheListThroughTheEngine()
    {
        QTemporaryDir tmp;
        const QString wavPath = tmp.filePath(QStringLiteral("out.wav"));
        FluidSequencer engine({TestEnv::soundFont(), QStringLiteral("file"), wavPath});
        SystemClock clock;
        PlayerFixture f;
        f.services.device = &engine;
        f.services.clock = &clock;
        Midi &m = f.startWith({QStringLiteral("one.mid"), QStringLiteral("two.mid"), QStringLiteral("three.mid")});
        m.controls().txtPause->setText(QStringLiteral("0"));

        const qsizetype start = readWav(wavPath).samples.size();
        f.press(QStringLiteral("Play"));
        QTRY_VERIFY_WITH_TIMEOUT(peak(readWav(wavPath).samples, start) > 300, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(m.controls().Label2->text().startsWith(QLatin1String("Time: 0:01")), 3000);

        // The end of the first song moves the selection on and plays the second.
        QTRY_COMPARE_WITH_TIMEOUT(m.selIndex(), 1, 5000);
        const qsizetype second = readWav(wavPath).samples.size();
        QTRY_COMPARE_WITH_TIMEOUT(m.windowTitle(), QStringLiteral("Two"), 2000);
        QTRY_VERIFY_WITH_TIMEOUT(peak(readWav(wavPath).samples, second) > 300, 2000);

        f.press(QStringLiteral("Stop"));
        QCOMPARE(m.controls().MMControl1->mode(), SequencerDevice::Mode::Stopped);
        const Wav atStop = readWav(wavPath);
        QVERIFY(atStop.perSecond > 0);
        QTest::qWait(800);
        const Wav after = readWav(wavPath);
        // Skip what the output had rendered before the stop reached it.
        const qsizetype from = atStop.samples.size() + after.perSecond / 10;
        QVERIFY2(after.samples.size() > from + after.perSecond / 4, "the output stopped writing");
        const int tail = peak(after.samples, from);
        QVERIFY2(tail < 40, qPrintable(QStringLiteral("peak %1 after Stop").arg(tail)));
    }
};

QTEST_MAIN(TestE2EPlay)
#include "test_e2e_play.moc"
