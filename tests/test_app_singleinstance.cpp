#include "app/commandline.h"
#include "app/singleinstance.h"
#include "testenv.h"
#include <QtNetwork>
#include <QtTest>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <unistd.h>

using CommandLine::Action;
using CommandLine::Stage;
Q_DECLARE_METATYPE(CommandLine::Action)
Q_DECLARE_METATYPE(CommandLine::Stage)

namespace {

// Helper mode: `--claim <epoch ms> [serve] [hex path...]` waits for that
// moment, claims with the paths and prints "holder", "handed" or what else
// became of them. A holder prints "activated" per hand-over, then "paths" and
// the hex of each path it was given, and ends when its standard input closes.
int claimAndReport(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 at = QByteArray(argv[2]).toLongLong();
    const timespec ts{time_t(at / 1000), long(at % 1000) * 1000000};
    ::clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &ts, nullptr);
    QList<QByteArray> paths;
    for (int i = 4; i < argc; ++i)
        paths << QByteArray::fromHex(argv[i]);
    const auto say = [](const QByteArray &line) {
        std::printf("%s\n", line.constData());
        std::fflush(stdout);
    };
    SingleInstance instance(QStringLiteral("lyrabox"));
    const SingleInstance::Claim claim = instance.claim(paths);
    say(claim == SingleInstance::Claim::Holder       ? "holder"
        : claim == SingleInstance::Claim::HandedOver ? "handed"
                                                     : "not handed");
    if (claim != SingleInstance::Claim::Holder)
        return 0;
    QObject::connect(&instance, &SingleInstance::requested, [&](const QList<QByteArray> &given, quint64 id) {
        // Answered first: a long line may fill the pipe until the test reads it.
        instance.answer(id, SingleInstance::Outcome::Taken);
        say("activated");
        QByteArray line = "paths";
        for (const QByteArray &p : given)
            line += ' ' + p.toHex();
        if (!given.isEmpty())
            say(line);
    });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [] {
        char c;
        if (::read(STDIN_FILENO, &c, 1) <= 0)
            QCoreApplication::quit();
    });
    return app.exec();
}

}   // namespace

// What the arguments ask for, the paths as the running copy is given them, and
// starts that race each other: one copy holds the place, every time.
class TestAppSingleInstance : public QObject {
    Q_OBJECT
private:
    static void startClaim(QProcess &p, qint64 at, const QStringList &extra = {})
    {
        p.start(QCoreApplication::applicationFilePath(), QStringList{"--claim", QString::number(at)} + extra);
        QVERIFY(p.waitForStarted());
    }
    // The next line the helper prints; empty when none comes in time.
    static QByteArray line(QProcess &p, int timeoutMs = 10000)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (!p.canReadLine() && !deadline.hasExpired())
            p.waitForReadyRead(50);
        return p.readLine();
    }
    static bool holds(QProcess &p)
    {
        startClaim(p, 0);
        return line(p) == "holder\n";
    }
    // waitForFinished() alone fails for a process that has already ended.
    static bool ended(QProcess &p, int timeoutMs = 5000)
    {
        return p.state() == QProcess::NotRunning || p.waitForFinished(timeoutMs);
    }

private slots:
    void initTestCase() { TestEnv::setUp(); }

    void parse_data()
    {
        QTest::addColumn<QList<QByteArray>>("args");
        QTest::addColumn<Stage>("stage");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QList<QByteArray>>("paths");
        using L = QList<QByteArray>;
        QTest::newRow("help") << L{"--help"} << Stage::BeforeQt << Action::Help << L{};
        QTest::newRow("short version") << L{"-v"} << Stage::BeforeQt << Action::Version << L{};
        QTest::newRow("version after a path") << L{"a.mid", "--version"} << Stage::AfterQt << Action::Version << L{};
        QTest::newRow("unknown option") << L{"--bogus", "a.mid"} << Stage::BeforeQt << Action::Error << L{};
        QTest::newRow("Qt option left to Qt") << L{"-platform", "offscreen"} << Stage::BeforeQt << Action::Run << L{};
        QTest::newRow("Qt option after Qt") << L{"-platform"} << Stage::AfterQt << Action::Error << L{};
        QTest::newRow("relative and absolute") << L{"a.mid", "sub/../b.mid", "/x/./c.mid"} << Stage::AfterQt
                                               << Action::Run << L{"/w/d/a.mid", "/w/d/b.mid", "/x/c.mid"};
        QTest::newRow("after --") << L{"--", "-v", "--help"} << Stage::AfterQt << Action::Run
                                  << L{"/w/d/-v", "/w/d/--help"};
        QTest::newRow("file URL in bytes") << L{"file:///m/a%20b%FF.mid", "FILE://localhost/m/c.mid"} << Stage::AfterQt
                                           << Action::Run << L{"/m/a b\xff.mid", "/m/c.mid"};
        QTest::newRow("other addresses as given") << L{"http://host/a.mid", "file://far/a.mid"} << Stage::AfterQt
                                                  << Action::Run << L{"http://host/a.mid", "file://far/a.mid"};
        QTest::newRow("any bytes") << L{"/m/new\nline \"q\" \xfe.mid"} << Stage::AfterQt << Action::Run
                                   << L{"/m/new\nline \"q\" \xfe.mid"};
    }

    void parse()
    {
        QFETCH(QList<QByteArray>, args);
        QFETCH(Stage, stage);
        QFETCH(Action, action);
        const CommandLine::Request r = CommandLine::parse(QList<QByteArray>{"lyrabox"} + args, "/w/d", stage);
        QCOMPARE(r.action, action);
        QCOMPARE(r.error.isEmpty(), action != Action::Error);
        QTEST(r.paths, "paths");
    }

    // holderCrashes: each pair's holder is killed, leaving its socket behind
    // for the next pair.
    void oneOfTwoSimultaneousStartsHolds_data()
    {
        QTest::addColumn<bool>("holderCrashes");
        QTest::newRow("holder quits") << false;
        QTest::newRow("holder crashes") << true;
    }
    void oneOfTwoSimultaneousStartsHolds()
    {
        QFETCH(bool, holderCrashes);
        int notOneHolder = 0;
        for (int i = 0; i < 10; ++i) {
            QProcess a, b;
            const qint64 at = QDateTime::currentMSecsSinceEpoch() + 150;
            startClaim(a, at);
            startClaim(b, at);
            const bool aHolds = line(a) == "holder\n", bHolds = line(b) == "holder\n";
            if (aHolds == bHolds) {
                ++notOneHolder;
                a.kill();
                b.kill();
                ended(a);
                ended(b);
                continue;
            }
            QProcess &holder = aHolds ? a : b, &loser = aHolds ? b : a;
            QVERIFY(ended(loser));
            QCOMPARE(loser.exitCode(), 0);
            QCOMPARE(line(holder), "activated\n");
            if (holderCrashes)
                holder.kill();
            else
                holder.closeWriteChannel();
            QVERIFY(ended(holder));
        }
        QCOMPARE(notOneHolder, 0);
    }

    // Names with any bytes reach the running copy as they were.
    void pathsSurviveTheHandOver_data()
    {
        QTest::addColumn<QList<QByteArray>>("paths");
        using L = QList<QByteArray>;
        QTest::newRow("one") << L{"/m/a.mid"};
        QTest::newRow("odd bytes") << L{"/m/new\nline.mid", "/m/\"quoted\" 'too'.mid", "/m/\xff\xfe bad.mid",
                                        "/m/5:x\n3:abc\n", "/m/\r\t.mid"};
        QTest::newRow("long") << L{"/" + QByteArray(60000, 'x'), "/m/b.mid"};
    }
    void pathsSurviveTheHandOver()
    {
        QFETCH(QList<QByteArray>, paths);
        QProcess holder, second;
        QVERIFY(holds(holder));
        QStringList hex{"serve"};
        for (const QByteArray &p : paths)
            hex << p.toHex();
        startClaim(second, 0, hex);
        QVERIFY(ended(second));
        QCOMPARE(second.readLine(), "handed\n");
        QCOMPARE(line(holder), "activated\n");
        QCOMPARE(line(holder), "paths " + hex.mid(1).join(' ').toLatin1() + '\n');
        holder.closeWriteChannel();
        QVERIFY(ended(holder));
    }

    // A message that is not well-formed is never acted on, and the holder
    // serves the next start as before.
    void malformedMessagesAreIgnored_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<bool>("hangUp");   // close the connection after sending
        QTest::newRow("other word") << QByteArray("activatex\n") << false;
        QTest::newRow("not activate") << QByteArray("hello\n") << false;
        QTest::newRow("no paths counted") << QByteArray("activate 0\n") << false;
        QTest::newRow("leading zero") << QByteArray("activate 01\n3:/ab\n") << false;
        QTest::newRow("length overruns") << QByteArray("activate 1\n3:/abc\n") << false;
        QTest::newRow("NUL in a path") << QByteArray("activate 1\n3:/\0b\n", 17) << false;
        QTest::newRow("cut short") << QByteArray("activate 2\n3:/ab\n5:/cd") << true;
    }
    void malformedMessagesAreIgnored()
    {
        QFETCH(QByteArray, message);
        QFETCH(bool, hangUp);
        QProcess holder;
        QVERIFY(holds(holder));
        const QString socketPath = TestEnv::root() + "/runtime/lyrabox.sock";
        {
            QLocalSocket s;
            s.connectToServer(socketPath);
            QVERIFY(s.waitForConnected(2000));
            s.write(message);
            QVERIFY(s.waitForBytesWritten(2000));
            if (!hangUp) {   // no answer: the holder hangs up
                s.waitForReadyRead(1000);
                QCOMPARE(s.readAll(), QByteArray());
                QTRY_COMPARE(s.state(), QLocalSocket::UnconnectedState);
            }
        }
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT(
            (err += holder.readAllStandardError()).contains("nothing was done") || err.contains("malformed"), 7000);
        QLocalSocket good;
        good.connectToServer(socketPath);
        QVERIFY(good.waitForConnected(2000));
        good.write("activate\n");
        QByteArray answer;
        QTRY_COMPARE(answer += good.readAll(), QByteArray("ok\n"));
        QCOMPARE(line(holder), "activated\n");
        QCOMPARE(holder.readAll(), QByteArray());   // once, for the good one only
        holder.closeWriteChannel();
        QVERIFY(ended(holder));
    }
};

int main(int argc, char **argv)
{
    if (argc > 2 && qstrcmp(argv[1], "--claim") == 0)
        return claimAndReport(argc, argv);
    QCoreApplication app(argc, argv);
    TestAppSingleInstance t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_app_singleinstance.moc"
