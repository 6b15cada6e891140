#include "library/core/libraryfile.h"
#include "testenv.h"
#include <QtNetwork>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
// A home of its own with the file audio driver and the loop on: HOME, settings and the runtime folder.
QProcessEnvironment ownHome(const QString &home)
{
    QDir().mkpath(home + "/config/Veltrix");
    QDir().mkpath(home + "/runtime");
    QFile::setPermissions(home + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QSettings s(home + "/config/Veltrix/Quillon.conf", QSettings::IniFormat);
    s.setValue("Quillon/Applets/MidiAudioDriver", "file");
    s.setValue("Quillon/Applets/MidiAudioFile", "/dev/null");
    s.setValue("Quillon/Applets/MidiLoop", "1");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("XDG_RUNTIME_DIR", home + "/runtime");
    return env;
}

void start(QProcess &p, const QProcessEnvironment &env, const QStringList &args = {})
{
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("LYRABOX_BIN"), args);
}

bool endWith(QProcess &p, int sig, int waitMs = 10000)
{
    ::kill(pid_t(p.processId()), sig);
    return p.waitForFinished(waitMs);
}

struct HandOver {
    QList<QByteArray> args;   // relative to the case's folder
    QStringList kept;         // the saved library, same
    QByteArray told{};        // on the running copy's stderr
    int sig = SIGTERM;        // what ends the running copy
};

struct CommandLine {
    QStringList args;
    int exitCode;
    QByteArray out, err{};
};
}

Q_DECLARE_METATYPE(HandOver)
Q_DECLARE_METATYPE(CommandLine)

// The real program, started as a user would.
class TestAppProcess : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TestEnv::setUp();
        if (qEnvironmentVariable("LYRABOX_BIN").isEmpty())
            QSKIP("LYRABOX_BIN is not set");
    }

    // A second start hands its paths to the running copy, whose list then
    // holds them (seen in the library it saves at the end), past a socket file
    // a crash left and a malformed message before it. Ended by the system, it
    // saves the settings.
    void handOverToTheRunningCopy_data()
    {
        QTest::addColumn<HandOver>("c");
        QTest::newRow("no paths") << HandOver{.args = {}, .kept = {}};
        QTest::newRow("songs and a folder, SIGINT")
            << HandOver{.args = {"b.mid", "a.mid", "folder"},
                        .kept = {"b.mid", "a.mid", "folder/c.mid", "folder/sub/d.mid"},
                        .sig = SIGINT};
        QTest::newRow("odd names") << HandOver{.args = {"a.mid", "new\nline.mid", "\xff.mid", "b.mid"},
                                               .kept = {"a.mid", "b.mid"},
                                               .told = "not valid UTF-8"};
    }

    void handOverToTheRunningCopy()
    {
        QFETCH(HandOver, c);
        const QString home = TestEnv::root() + "/handover-" + QTest::currentDataTag();
        const QString in = home + "/in/", socket = home + "/runtime/lyrabox.sock";
        QVERIFY(QDir().mkpath(in + "folder/sub"));
        const QByteArray song = TestEnv::readFile(TestEnv::writeMidi(TestEnv::root() + "/template.mid"));
        for (const QByteArray &name : c.args + QList<QByteArray>{"folder/c.mid", "folder/sub/d.mid"}) {
            // Written by bytes: a name that is not UTF-8 is beyond QFile.
            const int fd = ::open((QFile::encodeName(in) + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            QVERIFY(name == "folder" || (fd >= 0 && ::write(fd, song.constData(), size_t(song.size())) == song.size()));
            ::close(fd);
        }
        const QProcessEnvironment env = ownHome(home);
        QVERIFY(TestEnv::writeFile(socket, {}));   // nobody listens on it
        QProcess first, second;
        start(first, env);
        QLocalSocket bad;
        QTRY_VERIFY_WITH_TIMEOUT((bad.connectToServer(socket), bad.waitForConnected(100)), 10000);
        bad.write("activate 1\n4:/in/a.mid\n");
        bad.waitForDisconnected(2000);

        // QProcess passes arguments as UTF-8 text: raw names go through xargs.
        second.setProcessEnvironment(env);
        second.setWorkingDirectory(in);   // relative paths are taken from here
        QElapsedTimer t;
        t.start();
        second.start("xargs", {"-0", qEnvironmentVariable("LYRABOX_BIN")});
        second.write(c.args.join('\0'));
        second.closeWriteChannel();
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(t.elapsed() < 5000);
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(endWith(first, c.sig));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        const QByteArray err = first.readAllStandardError();
        QVERIFY2(err.contains("malformed") && !err.contains("dropped") && err.contains(c.told), err);
        const QSettings s(home + "/config/Veltrix/Quillon.conf", QSettings::IniFormat);
        QCOMPARE(s.value("Quillon/Applets/MidiLoop").toString(), "1");
        QCOMPARE(s.value("Quillon/Applets/MidiPause").toString(), "0");
        QVERIFY(!s.value("Quillon/Applets/MidiLeft").toString().isEmpty());
        QStringList expected;
        for (const QString &k : c.kept)
            expected << in + k;
        QCOMPARE(LibraryFile::read(s.value("Quillon/Applets/MidiLib").toString()).paths, expected);
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
        QVERIFY(!withSettings || TestEnv::writeFile(config + "/Quillon.conf", stored));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home + "/config");
        env.insert("LYRABOX_SF2_DIR", home + "/sf2");   // an empty system bank folder
        QProcess p;
        start(p, env);
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()).contains("No midi device present"), 10000);
        QTest::qWait(200);   // the message box is up
        QCOMPARE(p.state(), QProcess::Running);
        QVERIFY(endWith(p, sig, 1000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(QDir(config).entryList(QDir::Files | QDir::Hidden),
                 withSettings ? QStringList{"Quillon.conf"} : QStringList{});
        QVERIFY(!withSettings || TestEnv::readFile(config + "/Quillon.conf") == stored);
    }

    // Help, the version and a wrong option need no display.
    void commandLineWithoutDisplay_data()
    {
        QTest::addColumn<CommandLine>("c");
        QTest::newRow("--help") << CommandLine{{"--help"}, 0, "Usage:"};
        QTest::newRow("-h") << CommandLine{{"a.mid", "-h"}, 0, "[FILE|FOLDER|URL...]"};
        QTest::newRow("--version") << CommandLine{{"--version"}, 0, "Lyrabox 1."};
        QTest::newRow("unknown") << CommandLine{{"--bogus"}, 2, {}, "Unknown option 'bogus'"};
    }

    void commandLineWithoutDisplay()
    {
        QFETCH(CommandLine, c);
        QProcessEnvironment env = ownHome(TestEnv::root() + "/cli");
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        QProcess p;
        start(p, env, c.args);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), c.exitCode);
        const QByteArray stdOut = p.readAllStandardOutput(), stdErr = p.readAllStandardError();
        QVERIFY2(c.out.isEmpty() ? stdOut.isEmpty() : stdOut.contains(c.out), stdOut);
        QVERIFY2(c.err.isEmpty() || (stdErr.contains(c.err) && stdErr.contains("Usage:")), stdErr);
    }

    // Without an answer to its paths a second start says so, soon, and ends with 1.
    void noAcknowledgement_data()
    {
        QTest::addColumn<QByteArray>("reply");   // what the "running copy" answers
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("told");   // on stderr
        QTest::newRow("silent") << QByteArray() << QStringList{"/a.mid"} << 1 << QByteArray("did not");
        QTest::newRow("silent, no paths") << QByteArray() << QStringList{} << 0 << QByteArray("does not answer");
        QTest::newRow("older copy") << QByteArray("ok\n") << QStringList{"/a.mid"} << 1 << QByteArray("did not");
        QTest::newRow("older copy, no paths") << QByteArray("ok\n") << QStringList{} << 0 << QByteArray();
        QTest::newRow("closing") << QByteArray("closing\n") << QStringList{"/a.mid"} << 1 << QByteArray("is closing");
        QTest::newRow("closing, no paths") << QByteArray("closing\n") << QStringList{} << 1 << QByteArray("is closing");
    }

    void noAcknowledgement()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, told);
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
        QElapsedTimer t;
        t.start();
        start(p, env, args);
        QTRY_COMPARE_WITH_TIMEOUT(p.state(), QProcess::NotRunning, 8000);
        QVERIFY(t.elapsed() < 3000);   // a hung copy is given up on
        ::close(lock);
        QCOMPARE(p.exitCode(), exitCode);
        const QByteArray err = p.readAllStandardError();
        QVERIFY2(err.contains(told), err.constData());
    }

    // With no session bus known the player starts none (libdbus would run
    // dbus-launch, found here on the PATH) and says the media controls are off.
    // Ended by the system when its settings cannot be written, it says so once.
    void neverStartsABus()
    {
        const QString home = TestEnv::root() + "/nobus", conf = home + "/config/Veltrix/Quillon.conf";
        QProcessEnvironment env = ownHome(home);
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        env.insert("DISPLAY", ":4077");   // libdbus launches a bus only for a display
        QVERIFY(QDir().mkpath(home + "/bin"));
        QVERIFY(TestEnv::writeFile(home + "/bin/dbus-launch", "#!/bin/sh\ntouch \"$0.ran\"\nexit 1\n"));
        QVERIFY(QFile::setPermissions(home + "/bin/dbus-launch", QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        env.insert("PATH", home + "/bin:" + env.value("PATH"));
        QProcess p;
        start(p, env);
        QByteArray err;
        QTRY_VERIFY2_WITH_TIMEOUT((err += p.readAllStandardError()).contains("media controls are off"), err.constData(),
                                  10000);
        QFile::remove(conf);
        QDir().mkpath(conf);
        QVERIFY(endWith(p, SIGTERM));
        err += p.readAllStandardError();
        QVERIFY2(!QFile::exists(home + "/bin/dbus-launch.ran") && !err.contains("dbus-launch"), err.constData());
        QCOMPARE(err.count("could not all be saved"), 1);
    }

    // A second start while the running copy has a box open waits for it; when
    // the running copy ends instead, the second start says so and ends with 1.
    void handOverWhileABoxIsOpen()
    {
        const QString home = TestEnv::root() + "/box";
        const QProcessEnvironment env = ownHome(home);
        const QString song = TestEnv::writeMidi(home + "/a.mid");
        QProcess first, second;
        start(first, env, {home + "/missing.mid"});   // a box names it
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += first.readAllStandardError()).contains("missing.mid"), 10000);
        start(second, env, {song});
        err.clear();
        QTRY_VERIFY2_WITH_TIMEOUT((err += second.readAllStandardError()).contains("open box"), err.constData(), 5000);
        QCOMPARE(second.state(), QProcess::Running);
        QVERIFY(endWith(first, SIGTERM));
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY2((err += second.readAllStandardError()).contains("is closing"), err.constData());
    }
};

QTEST_GUILESS_MAIN(TestAppProcess)
#include "test_app_process.moc"
