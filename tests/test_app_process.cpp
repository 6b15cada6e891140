#include "library/core/libraryfile.h"
#include "testenv.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QtTest>
#include <QLocalServer>
#include <QLocalSocket>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
// A home of its own with the file audio driver: HOME, settings and the runtime folder.
QProcessEnvironment ownHome(const QString &home)
{
    QDir().mkpath(home + "/config/Veltrix");
    QDir().mkpath(home + "/runtime");
    QFile::setPermissions(home + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QSettings s(home + "/config/Veltrix/Quillon.conf", QSettings::IniFormat);
    s.setValue("Quillon/Applets/MidiAudioDriver", "file");
    s.setValue("Quillon/Applets/MidiAudioFile", "/dev/null");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("XDG_RUNTIME_DIR", home + "/runtime");
    return env;
}
}

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

    // Help, the version and a wrong option need no display.
    void commandLineWithoutDisplay_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::newRow("--help") << QStringList{"--help"} << 0 << QByteArray("Usage:") << QByteArray();
        QTest::newRow("-h") << QStringList{"a.mid", "-h"} << 0 << QByteArray("[FILE|FOLDER|URL...]") << QByteArray();
        QTest::newRow("--version") << QStringList{"--version"} << 0 << QByteArray("Lyrabox 1.") << QByteArray();
        QTest::newRow("unknown") << QStringList{"--bogus"} << 2 << QByteArray() << QByteArray("Unknown option 'bogus'");
    }

    void commandLineWithoutDisplay()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QProcessEnvironment env = ownHome(TestEnv::root() + "/cli");
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("LYRABOX_BIN"), args);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), exitCode);
        const QByteArray stdOut = p.readAllStandardOutput(), stdErr = p.readAllStandardError();
        QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.startsWith(out) || stdOut.contains(out), stdOut);
        if (!err.isEmpty())
            QVERIFY2(stdErr.contains(err) && stdErr.contains("Usage:"), stdErr);
    }

    // A second start hands its paths to the running copy, whose list then
    // holds them (seen in the library it saves at the end). A malformed
    // message before it changes nothing.
    void handOverToTheRunningCopy_data()
    {
        QTest::addColumn<QList<QByteArray>>("args");      // relative to the case's folder
        QTest::addColumn<QStringList>("kept");             // the saved library, same
        QTest::addColumn<QByteArray>("told");              // on the running copy's stderr
        using L = QList<QByteArray>;
        QTest::newRow("songs and a folder") << L{"b.mid", "a.mid", "folder"}
                                            << QStringList{"b.mid", "a.mid", "folder/c.mid", "folder/sub/d.mid"}
                                            << QByteArray();
        QTest::newRow("odd names") << L{"a.mid", "new\nline.mid", "\xff.mid", "b.mid"}
                                   << QStringList{"a.mid", "b.mid"} << QByteArray("not valid UTF-8");
    }

    void handOverToTheRunningCopy()
    {
        QFETCH(QList<QByteArray>, args);
        QFETCH(QStringList, kept);
        QFETCH(QByteArray, told);
        const QString home = TestEnv::root() + "/handover-" + QTest::currentDataTag();
        const QString in = home + "/in/";
        QVERIFY(QDir().mkpath(in + "folder/sub"));
        for (const QByteArray &name : args + QList<QByteArray>{"folder/c.mid", "folder/sub/d.mid"}) {
            if (name == "folder")
                continue;
            // Written by bytes: a name that is not UTF-8 is beyond QFile.
            const QByteArray path = QFile::encodeName(in) + name;
            const QByteArray song = [] {
                QFile f(TestEnv::writeMidi(TestEnv::root() + "/template.mid"));
                return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
            }();
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            QVERIFY(fd >= 0 && ::write(fd, song.constData(), size_t(song.size())) == song.size());
            ::close(fd);
        }
        const QProcessEnvironment env = ownHome(home);
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(qEnvironmentVariable("LYRABOX_BIN"), {});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(home + "/runtime/lyrabox.sock"), 10000);
        {
            QLocalSocket bad;
            bad.connectToServer(home + "/runtime/lyrabox.sock");
            QVERIFY(bad.waitForConnected(2000));
            bad.write("activate 1\n4:/in/a.mid\n");
            bad.waitForDisconnected(2000);
        }

        QProcess second;
        second.setProcessEnvironment(env);
        second.setWorkingDirectory(in);   // relative paths are taken from here
        // QProcess passes arguments as UTF-8 text: raw names go through printf.
        QByteArray script = "exec \"$LYRABOX_BIN\"";
        for (const QByteArray &a : args) {
            script += " \"$(printf '";
            for (const char c : a)
                script += QByteArray(1, c).toPercentEncoding("/") == QByteArray(1, c)
                              ? QByteArray(1, c)
                              : "\\" + QByteArray::number(uchar(c), 8).rightJustified(3, '0');
            script += "')\"";
        }
        QProcessEnvironment secondEnv = env;
        secondEnv.insert("LYRABOX_BIN", qEnvironmentVariable("LYRABOX_BIN"));
        second.setProcessEnvironment(secondEnv);
        QElapsedTimer t;
        t.start();
        second.start("/bin/sh", {"-c", QString::fromLatin1(script)});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(t.elapsed() < 5000);
        QTest::qWait(1500);   // the running copy opens them once it has answered
        ::kill(pid_t(first.processId()), SIGTERM);
        QVERIFY(first.waitForFinished(10000));
        const QByteArray err = first.readAllStandardError();
        QVERIFY2(err.contains("malformed"), err);
        QVERIFY2(!err.contains("dropped"), err);
        QVERIFY2(told.isEmpty() || err.contains(told), err);
        const QSettings s(home + "/config/Veltrix/Quillon.conf", QSettings::IniFormat);
        const LibraryContents lib = LibraryFile::read(s.value("Quillon/Applets/MidiLib").toString());
        QStringList expected;
        for (const QString &k : kept)
            expected << in + k;
        QCOMPARE(lib.paths, expected);
    }

    // Without an answer to its paths a second start says so and ends with 1.
    void noAcknowledgement_data()
    {
        QTest::addColumn<QByteArray>("reply");   // what the "running copy" answers
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("silent") << QByteArray() << QStringList{"/a.mid"} << 1;
        QTest::newRow("older copy") << QByteArray("ok\n") << QStringList{"/a.mid"} << 1;
        QTest::newRow("older copy, no paths") << QByteArray("ok\n") << QStringList{} << 0;
    }

    void noAcknowledgement()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        const QString home = TestEnv::root() + "/noack-" + QTest::currentDataTag();
        const QProcessEnvironment env = ownHome(home);
        const int lock = ::open(QFile::encodeName(home + "/runtime/lyrabox.lock").constData(), O_RDWR | O_CREAT, 0600);
        QVERIFY(lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) == 0);
        QLocalServer server;
        QVERIFY(server.listen(home + "/runtime/lyrabox.sock"));
        connect(&server, &QLocalServer::newConnection, &server, [&server, reply] {
            QLocalSocket *s = server.nextPendingConnection();
            connect(s, &QLocalSocket::readyRead, s, [s, reply] {
                if (!reply.isEmpty() && s->canReadLine())
                    s->write(reply);
            });
        });
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("LYRABOX_BIN"), args);
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), QProcess::NotRunning, 8000);
        ::close(lock);
        QCOMPARE(p.exitCode(), exitCode);
        if (exitCode != 0)
            QVERIFY(p.readAllStandardError().contains("did not"));
    }
};

QTEST_GUILESS_MAIN(TestAppProcess)
#include "test_app_process.moc"
