#include "fakes/playerfixture.h"
#include "library/filebrowser.h"
#include "playback/engine/fluidsequencer.h"
#include "playback/mediacontrol.h"
#include "testenv.h"
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <QFileInfo>

namespace {

// The 16-bit samples written so far. The engine writes in real time and
// fixes the header only when it closes, so the data runs to the end of the file.
struct Wav {
    QVector<qint16> samples;
    int perSecond = 0;   // samples (all channels) per second
};

Wav readWav(const QString &path)
{
    Wav w;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return w;
    const QByteArray b = f.readAll();
    auto byte = [&b](qsizetype at) { return at < b.size() ? quint32(uchar(b.at(at))) : 0u; };
    auto u16 = [&byte](qsizetype at) { return quint16(byte(at) | byte(at + 1) << 8); };
    auto u32 = [&u16](qsizetype at) { return quint32(u16(at)) | quint32(u16(at + 2)) << 16; };
    if (!b.startsWith("RIFF") || b.mid(8, 4) != "WAVE")
        return w;
    bool pcm16 = false;
    for (qsizetype at = 12; at + 8 <= b.size();) {
        const QByteArray id = b.mid(at, 4);
        const qsizetype body = at + 8;
        if (id == "fmt ") {
            pcm16 = u16(body + 14) == 16;
            w.perSecond = int(u32(body + 4) * u16(body + 2));
        } else if (id == "data") {
            if (!pcm16)
                return w;
            const qsizetype n = (b.size() - body) / 2;
            w.samples.resize(n);
            for (qsizetype i = 0; i < n; ++i)
                w.samples[i] = qint16(u16(body + 2 * i));
            return w;
        }
        at = body + u32(at + 4) + (u32(at + 4) & 1);
    }
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
        Midi &m = f.start();
        QStringList songs;
        for (const char *name : {"one.mid", "two.mid", "three.mid"})
            songs << TestEnv::writeMidi(f.dir() + QStringLiteral("/data/") + QLatin1String(name), 1500);
        m.addFiles(songs);
        m.txtPause->setText(QStringLiteral("0"));
        QCOMPARE(m.Label1->text(), QStringLiteral("One"));
        QCOMPARE(m.MMControl1->mode(), int(SequencerDevice::Stopped));

        const qsizetype start = readWav(wavPath).samples.size();
        m.MMControl1->button(2)->click();
        QCOMPARE(m.MMControl1->mode(), int(SequencerDevice::Playing));
        QTRY_VERIFY_WITH_TIMEOUT(peak(readWav(wavPath).samples, start) > 300, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(m.Label2->text().startsWith(QLatin1String("Time: 0:01")), 3000);

        // The end of the first song moves the selection on and plays the second.
        QTRY_COMPARE_WITH_TIMEOUT(m.selIndex(), 1, 4000);
        const qsizetype second = readWav(wavPath).samples.size();
        QCOMPARE(m.List1->currentRow(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(m.MMControl1->mode(), int(SequencerDevice::Playing), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(m.windowTitle(), QStringLiteral("Two"), 2000);
        QTRY_VERIFY_WITH_TIMEOUT(peak(readWav(wavPath).samples, second) > 300, 2000);

        m.MMControl1->button(4)->click();
        QVERIFY(!m.playing());
        QCOMPARE(m.MMControl1->mode(), int(SequencerDevice::Stopped));
        QCOMPARE(m.Label2->text(), QStringLiteral("(Stopped)"));
        const Wav atStop = readWav(wavPath);
        QVERIFY(atStop.perSecond > 0);
        QTest::qWait(800);
        const Wav after = readWav(wavPath);
        // Skip what the output had rendered before the stop reached it.
        const qsizetype from = atStop.samples.size() + after.perSecond / 10;
        QVERIFY2(after.samples.size() > from + after.perSecond / 4, "the output stopped writing");
        const int tail = peak(after.samples, from);
        QVERIFY2(tail < 40, qPrintable(QStringLiteral("peak %1 after Stop").arg(tail)));
        QCOMPARE(m.selIndex(), 1);
    }
};

QTEST_MAIN(TestE2EPlay)
#include "test_e2e_play.moc"
