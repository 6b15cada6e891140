#include "app/singleinstance.h"
#include "testenv.h"
#include <QDateTime>
#include <QProcess>
#include <QSocketNotifier>
#include <QtTest>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

// Helper mode: `--claim <epoch ms> [hang]` waits for that moment, claims and
// prints "holder" or "handed". A holder prints "activated" per hand-over and
// ends when its standard input closes; with "hang" it never serves.
int claimAndReport(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 at = QByteArray(argv[2]).toLongLong();
    const timespec ts{time_t(at / 1000), long(at % 1000) * 1000000};
    ::clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &ts, nullptr);
    SingleInstance instance(QStringLiteral("lyrabox"));
    const bool holder = instance.claim();
    std::printf(holder ? "holder\n" : "handed\n");
    std::fflush(stdout);
    if (!holder)
        return 0;
    if (argc > 3 && qstrcmp(argv[3], "hang") == 0) {
        ::sleep(30);
        return 0;
    }
    QObject::connect(&instance, &SingleInstance::activateRequested, [] {
        std::printf("activated\n");
        std::fflush(stdout);
    });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [] {
        char c;
        if (::read(STDIN_FILENO, &c, 1) <= 0)
            QCoreApplication::quit();
    });
    return app.exec();
}

} // namespace

// Starts that race each other: one copy holds the place, every time.
class TestAppSingleInstance : public QObject {
    Q_OBJECT
private:
    static void startClaim(QProcess &p, qint64 at, const QStringList &extra = {})
    {
        p.start(QCoreApplication::applicationFilePath(),
                QStringList{"--claim", QString::number(at)} + extra);
        QVERIFY(p.waitForStarted());
    }

    // waitForFinished() alone fails for a process that has already ended.
    static bool ended(QProcess &p, int timeoutMs = 5000)
    {
        return p.state() == QProcess::NotRunning || p.waitForFinished(timeoutMs);
    }

private slots:
    void initTestCase() { TestEnv::setUp(); }

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
        const int pairs = 10;
        int twoHolders = 0;
        for (int i = 0; i < pairs; ++i) {
            QProcess a, b;
            const qint64 at = QDateTime::currentMSecsSinceEpoch() + 150;
            startClaim(a, at);
            startClaim(b, at);
            QProcess *loser = nullptr;
            QProcess *holder = nullptr;
            for (QProcess *p : {&a, &b}) {
                QTRY_VERIFY_WITH_TIMEOUT(p->canReadLine(), 10000);
                (p->readLine() == "holder\n" ? holder : loser) = p;
            }
            if (!holder || !loser) {
                ++twoHolders;
                a.kill();
                b.kill();
                ended(a);
                ended(b);
                continue;
            }
            QVERIFY(ended(*loser));
            QCOMPARE(loser->exitCode(), 0);
            QTRY_VERIFY_WITH_TIMEOUT(holder->canReadLine(), 5000);
            QCOMPARE(holder->readLine(), QByteArray("activated\n"));
            if (holderCrashes)
                holder->kill();
            else
                holder->closeWriteChannel();
            QVERIFY(ended(*holder));
        }
        QCOMPARE(twoHolders, 0);
    }

    void startGivesUpOnAHungHolder()
    {
        QProcess hung, second;
        startClaim(hung, 0, {"hang"});
        QTRY_VERIFY_WITH_TIMEOUT(hung.canReadLine(), 10000);
        QCOMPARE(hung.readLine(), QByteArray("holder\n"));
        QElapsedTimer t;
        t.start();
        startClaim(second, 0);
        QVERIFY(ended(second));
        QCOMPARE(second.readLine(), QByteArray("handed\n"));
        QVERIFY(t.elapsed() < 3000);
        hung.kill();
        ended(hung);
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
