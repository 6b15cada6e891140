#include "testenv.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QtTest>
#include <csignal>

// The real program, started as a user would: a second start hands over,
// and the system ending it saves the settings once.
class TestAppProcess : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TestEnv::setUp();
        if (qEnvironmentVariable("LYRABOX_BIN").isEmpty())
            QSKIP("LYRABOX_BIN is not set");
        const QString conf = TestEnv::root() + "/config/Veltrix/Quillon.conf";
        QDir().mkpath(QFileInfo(conf).path());
        QSettings s(conf, QSettings::IniFormat);
        s.setValue("Quillon/Applets/MidiAudioDriver", "file");
        s.setValue("Quillon/Applets/MidiAudioFile", "/dev/null");
        s.setValue("Quillon/Applets/MidiLoop", "1");
    }

    void secondStartHandsOverAndTermSaves()
    {
        QProcess first;
        first.setProcessChannelMode(QProcess::SeparateChannels);
        first.start(qEnvironmentVariable("LYRABOX_BIN"), {});
        QVERIFY(first.waitForStarted());
        const QString socket = TestEnv::root() + "/runtime/lyrabox.sock";
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 10000);

        QProcess second;
        QElapsedTimer t;
        t.start();
        second.start(qEnvironmentVariable("LYRABOX_BIN"), {});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(t.elapsed() < 5000);
        QCOMPARE(first.state(), QProcess::Running);

        ::kill(pid_t(first.processId()), SIGTERM);
        QVERIFY(first.waitForFinished(10000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QSettings s(TestEnv::root() + "/config/Veltrix/Quillon.conf", QSettings::IniFormat);
        QCOMPARE(s.value("Quillon/Applets/MidiLoop").toString(), QStringLiteral("1"));
        QCOMPARE(s.value("Quillon/Applets/MidiPause").toString(), QStringLiteral("0"));
        QVERIFY(!s.value("Quillon/Applets/MidiLeft").toString().isEmpty());
    }

    void leftoverSocketDoesNotBlockTheStart()
    {
        // A socket file nobody listens on, as a crash leaves it.
        const QString socket = TestEnv::root() + "/runtime/lyrabox.sock";
        QFile stale(socket);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        QProcess p;
        p.start(qEnvironmentVariable("LYRABOX_BIN"), {});
        QVERIFY(p.waitForStarted());
        QTest::qWait(4000);
        QCOMPARE(p.state(), QProcess::Running);
        ::kill(pid_t(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
    }

    void failedSaveIsReportedOnceOnStandardError()
    {
        const QString conf = TestEnv::root() + "/config/Veltrix/Quillon.conf";
        QProcess p;
        p.start(qEnvironmentVariable("LYRABOX_BIN"), {});
        QVERIFY(p.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(TestEnv::root() + "/runtime/lyrabox.sock"), 10000);
        QTest::qWait(1000);
        // The settings file turns into something that cannot be written.
        QFile::remove(conf);
        QDir().mkpath(conf);
        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(10000));
        QDir(conf).removeRecursively();
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QCOMPARE(err.count("could not all be saved"), 1);
    }
};

QTEST_GUILESS_MAIN(TestAppProcess)
#include "test_app_process.moc"
