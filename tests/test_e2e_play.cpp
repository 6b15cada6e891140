#include "fakes/playerfixture.h"
#include "playback/engine/fluidsequencer.h"
#include "playback/mediacontrol.h"
#include "testenv.h"
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

// The engine writes in real time and fixes the WAV header only when it
// closes, so the samples written so far run to the end of the file.
using TestEnv::peak, TestEnv::readWav;

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

        const qsizetype start = readWav(wavPath).size();
        f.press(QStringLiteral("Play"));
        // Real sound in real time: the waits are generous, as a busy machine renders late.
        QTRY_VERIFY_WITH_TIMEOUT(peak(readWav(wavPath), start) > 300, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(m.controls().Label2->text().startsWith(QLatin1String("Time: 0:01")), 20000);

        // The end of the first song moves the selection on and plays the second.
        QTRY_COMPARE_WITH_TIMEOUT(m.playSession()->selIndex(), 1, 20000);
        const qsizetype second = readWav(wavPath).size();
        QTRY_COMPARE_WITH_TIMEOUT(m.windowTitle(), QStringLiteral("Two"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(peak(readWav(wavPath), second) > 300, 20000);
    }
};

QTEST_MAIN(TestE2EPlay)
#include "test_e2e_play.moc"
