#include "fakes/playerfixture.h"
#include "testenv.h"
#include <QtTest>

using namespace Qt::StringLiterals;

// Paths given from outside do what the same choice in the window does.
class TestPlayerOpenPaths : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

    // Paths that come while a handler waits on a box run once it has returned;
    // when the player ends first they are dropped. Whoever gave them hears which.
    void waitsForTheRunningHandler_data()
    {
        using Fate = Midi::PathsFate;
        QTest::addColumn<QString>("end");   // "", "while waiting" or "before"
        QTest::addColumn<QList<Fate>>("told");
        QTest::newRow("box closed") << QString() << QList<Fate>{Fate::Waiting, Fate::Taken};
        QTest::newRow("ended while waiting") << u"while waiting"_s << QList<Fate>{Fate::Waiting, Fate::Dropped};
        QTest::newRow("given to an ended player") << u"before"_s << QList<Fate>{Fate::Dropped};
    }
    void waitsForTheRunningHandler()
    {
        QFETCH(QString, end);
        QFETCH(QList<Midi::PathsFate>, told);
        PlayerFixture f;
        const QString song = TestEnv::writeMidi(f.dir() + "/song.mid");
        Midi &m = f.start();
        QList<Midi::PathsFate> heard;
        const auto give = [&] { m.openPaths({song, song}, [&heard](Midi::PathsFate fate) { heard << fate; }); };
        bool ranInside = false;
        f.dialogs.onMessage = [&](const FakeDialogs::Message &) {
            give();
            ranInside = !f.device.openFile.isEmpty();
            if (end == "while waiting")
                m.endBySystem();
        };
        if (end == "before") {
            m.endBySystem();
            give();
        } else {
            m.controls().cmdSave->click();   // "No entries in playlist to save"
        }
        f.dialogs.onMessage = nullptr;
        QVERIFY(!ranInside);
        QTRY_COMPARE(heard, told);
        QCOMPARE(f.device.openFile, end.isEmpty() ? song : QString());
        QCOMPARE(m.library()->list().count(), end.isEmpty() ? 2 : 0);   // every path given
        QCOMPARE(m.unloaded(), !end.isEmpty());
    }
};

QTEST_MAIN(TestPlayerOpenPaths)
#include "test_player_openpaths.moc"
