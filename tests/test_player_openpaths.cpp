#include "fakes/playerfixture.h"
#include "library/filebrowser.h"
#include "playback/mediacontrol.h"
#include "testenv.h"
#include <QMimeData>
#include <QtTest>

using namespace Qt::StringLiterals;

// Paths given from outside do what the same choice in the window does.
class TestPlayerOpenPaths : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

    // Paths given from outside reach the library session once the player is free (what it makes of them:
    // test_core_librarysession); a name that cannot be used is told in a box. Every MIDI name is offered in
    // the browser and taken from a drop.
    void openPathsAndDrops()
    {
        PlayerFixture f;
        const QString in = f.dir() + "/in/";
        QDir().mkpath(in);
        const QStringList names{"a.MID", "b.midi", "c.Kar", "d.rmi", "e.smf"};
        for (const QString &n : names)
            TestEnv::writeMidi(in + n);
        QVERIFY(TestEnv::writeFile(in + "f.txt", "not a song\n"));
        Midi &m = f.startWith({"x.mid"});
        m.openPaths({QUrl::fromLocalFile(in + "b.midi").toString(), in + "a.MID", in + "f.txt"});
        QCOMPARE(m.library()->list().names(), QStringList({"x.mid", "b.midi", "a.MID"}));
        QCOMPARE(f.device.openFile, in + "b.midi");
        QCOMPARE(m.controls().MMControl1->mode(), SequencerDevice::Mode::Playing);
        QCOMPARE(f.dialogs.texts(), QStringList{in + "f.txt is neither a MIDI file nor a library (.mfl)."});
        f.press("Stop");
        m.controls().cmdClear->click();
        QVERIFY(m.controls().Dir1->setPath(in));
        QCOMPARE(m.controls().File1->count(), names.size());
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(in)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m.controls().List1->viewport(), &enter);
        QApplication::sendEvent(m.controls().List1->viewport(), &drop);
        QCOMPARE(m.library()->list().names(), names);
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
