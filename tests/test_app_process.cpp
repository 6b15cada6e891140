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

    // Ended by the system while "No midi device present" waits for OK: the
    // program goes at once and writes no settings, whether a file was there or not.
    void endWhileNoSoundBankMessageSavesNothing_data()
    {
        QTest::addColumn<int>("sig");
        QTest::addColumn<bool>("withSettings");
        QTest::newRow("SIGTERM, settings file") << int(SIGTERM) << true;
        QTest::newRow("SIGINT, no settings file") << int(SIGINT) << false;
    }

    void endWhileNoSoundBankMessageSavesNothing()
    {
        QFETCH(int, sig);
        QFETCH(bool, withSettings);
        const QString home = TestEnv::root() + "/nobank-" + QString::number(sig);
        const QString config = home + "/config/Veltrix";
        QVERIFY(QDir().mkpath(config) && QDir().mkpath(home + "/sf2"));
        const QByteArray stored = "[Quillon]\nApplets\\MidiSoundFont=/nowhere/bank.sf2\n";
        if (withSettings) {
            QFile f(config + "/Quillon.conf");
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(stored) == stored.size());
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home + "/config");
        env.insert("LYRABOX_SF2_DIR", home + "/sf2");   // an empty system bank folder
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("LYRABOX_BIN"), {});
        QVERIFY(p.waitForStarted());
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()).contains("No midi device present"), 10000);
        QTest::qWait(200);   // the message box is up
        QCOMPARE(p.state(), QProcess::Running);

        ::kill(pid_t(p.processId()), sig);
        QVERIFY(p.waitForFinished(1000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        const QStringList left = QDir(config).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left, withSettings ? QStringList{"Quillon.conf"} : QStringList{});
        if (withSettings) {
            QFile f(config + "/Quillon.conf");
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), stored);
        }
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
