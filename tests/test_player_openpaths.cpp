#include "fakes/playerfixture.h"
#include "playback/mediacontrol.h"
#include "testenv.h"
#include <QtTest>

using namespace Qt::StringLiterals;

// Paths given from outside do what the same choice in the window does.
class TestPlayerOpenPaths : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

    // Paths given from outside reach the library session once the player is free (what it makes of them:
    // test_core_librarysession); a name that cannot be used is told in a box.
    void openPaths()
    {
        PlayerFixture f;
        const QStringList songs = f.songs({"b.mid", "a.mid"});
        Midi &m = f.startWith({"x.mid"});
        m.openPaths({QUrl::fromLocalFile(songs[0]).toString(), songs[1], f.dir() + "/gone.mid"});
        QCOMPARE(m.library()->list().names(), QStringList({"x.mid", "b.mid", "a.mid"}));
        QCOMPARE(f.device.openFile, songs[0]);
        QCOMPARE(m.controls().MMControl1->mode(), SequencerDevice::Mode::Playing);
        QCOMPARE(f.dialogs.texts(), QStringList{f.dir() + "/gone.mid cannot be found."});
    }

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
        const auto give = [&] { m.openPaths({song}, [&heard](Midi::PathsFate fate) { heard << fate; }); };
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
        QCOMPARE(m.unloaded(), !end.isEmpty());
    }
};

QTEST_MAIN(TestPlayerOpenPaths)
#include "test_player_openpaths.moc"
