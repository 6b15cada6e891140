#include "fakes/playerfixture.h"
#include "library/filebrowser.h"
#include "library/core/libraryfile.h"
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

    // Names are files in the case's "in" folder; "file:" before a name gives
    // it as a URL. The list starts with x.mid, open and stopped.
    void openPaths_data()
    {
        QTest::addColumn<QStringList>("given");
        QTest::addColumn<bool>("playingBefore");
        QTest::addColumn<QStringList>("list");    // entry names afterwards
        QTest::addColumn<QString>("plays");       // file name that plays
        QTest::addColumn<QStringList>("named");   // one message naming each
        const auto row = [](const char *tag, const QStringList &given, bool playing, const QStringList &list,
                            const char *plays, const QStringList &named = {}) {
            QTest::newRow(tag) << given << playing << list << QString(plays) << named;
        };
        const QStringList x{"x.mid"};
        row("one song previews", {"b.mid"}, false, x, "b.mid");
        row("one song while playing", {"b.mid"}, true, x, "b.mid");
        row("songs and a folder", {"b.mid", "a.mid", "folder"}, false,
            {"x.mid", "b.mid", "a.mid", "c.kar", "y.MIDI", "z.mid"}, "b.mid");
        row("songs while playing", {"b.mid", "a.mid"}, true, {"x.mid", "b.mid", "a.mid"}, "b.mid");
        row("library", {"party.mfl"}, true, {"gone.mid", "a.mid", "b.mid"}, "a.mid");
        row("missing and not MIDI", {"nowhere.mid", "a.mid", "notes.txt", "b.mid"}, false, {"x.mid", "a.mid", "b.mid"},
            "a.mid", {"nowhere.mid", "notes.txt"});
        row("file URL", {"file:with space.mid"}, false, x, "with space.mid");
        row("by content", {"fake.mid", "noext"}, false, x, "noext", {"fake.mid"});
    }

    void openPaths()
    {
        QFETCH(QStringList, given);
        QFETCH(bool, playingBefore);
        QFETCH(QStringList, list);
        QFETCH(QString, plays);
        QFETCH(QStringList, named);
        PlayerFixture f;
        const QString in = f.dir() + "/in/";
        QVERIFY(QDir().mkpath(in + "folder/sub/.hidden"));
        for (const char *n : {"a.mid", "b.mid", "with space.mid", "noext", "folder/z.mid", "folder/c.kar",
                              "folder/sub/y.MIDI", "folder/sub/.hidden/h.mid"})
            TestEnv::writeMidi(in + n);
        for (const char *n : {"notes.txt", "fake.mid", "folder/sub/readme.txt"})
            QVERIFY(TestEnv::writeFile(in + n, "not a song\n"));
        QString why;
        QVERIFY(LibraryFile::write(in + "party.mfl", 0, {in + "gone.mid", in + "a.mid", in + "b.mid"}, &why));
        Midi &m = f.startWith({"x.mid"});
        if (playingBefore)
            f.press("Play");
        QCOMPARE(m.controls().MMControl1->mode() == SequencerDevice::Mode::Playing, playingBefore);
        f.dialogs.clear();

        QStringList paths;
        for (const QString &g : given)
            paths << (g.startsWith("file:") ? QUrl::fromLocalFile(in + g.mid(5)).toString() : in + g);
        m.openPaths(paths);

        QCOMPARE(m.library()->list().names(), list);
        QCOMPARE(QFileInfo(f.device.openFile).fileName(), plays);
        QCOMPARE(m.controls().MMControl1->mode(), SequencerDevice::Mode::Playing);
        QCOMPARE(f.dialogs.messages.size(), named.size());
        for (const QString &n : named)
            QCOMPARE(f.dialogs.count(in + n), 1);
        if (given.first() == "party.mfl")
            QCOMPARE(m.library()->libFile(), in + "party.mfl");
        QCOMPARE(m.playSession()->previewFile(), list == QStringList{"x.mid"} ? plays : QString());
    }

    // Every MIDI name is offered in the browser and taken from a drop.
    void midiNamesAreOffered()
    {
        PlayerFixture f;
        const QString in = f.dir() + "/in/";
        QDir().mkpath(in);
        const QStringList names{"a.MID", "b.midi", "c.Kar", "d.rmi", "e.smf"};
        for (const QString &n : names)
            TestEnv::writeMidi(in + n);
        QVERIFY(TestEnv::writeFile(in + "f.txt", "not a song\n"));
        Midi &m = f.start();
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
