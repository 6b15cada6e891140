// The library commands through the window: the buttons and dialogs reach the library session, its
// signals reach the labels and the boxes. What the session decides: test_core_librarysession.
#include "app/core/appinfo.h"
#include "fakes/playerfixture.h"
#include "library/core/libraryfile.h"
#include "library/core/playlistfile.h"
#include "library/filebrowser.h"
#include "playback/mediacontrol.h"
#include "testenv.h"
#include <QLabel>
#include <QtTest>

class TestPlayerLibrary : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { TestEnv::setUp(); }

    // Quitting keeps a list built without a file as a new library, which the next start opens;
    // names with commas, spaces, other scripts and a long one survive the round trip.
    void keptAtQuitAndReopened()
    {
        PlayerFixture f;
        QDir().mkpath(f.dir() + "/data/Ünï, cöde");
        const QStringList songs = f.songs({"Ünï, cöde/a b, c.mid", QString(200, 'n') + ".rmi"});
        Midi &m = f.start();
        m.library()->addFiles(songs);
        m.playSession()->setSelIndex(1);
        f.quit();
        const QString file = m.dataDir() + "New Library.mfl";
        QCOMPARE(f.settings->GetValue(AppInfo::AppletSection(), "MidiLib", ""), file);
        QCOMPARE(LibraryFile::read(file).paths, songs);

        PlayerFixture g;
        g.settings->SetValue(AppInfo::AppletSection(), "MidiLib", file);
        Midi &n = g.start();
        QCOMPARE(n.library()->list().paths(), songs);
        QCOMPARE(n.controls().List1->currentRow(), 1);
        QCOMPARE(g.device.openFile, songs[1]);
        QCOMPARE(n.controls().Dir1->path(), f.dir() + "/data/");   // the browser shows where it is
        QCOMPARE(n.controls().Label4->text() + '|' + n.controls().Label5->text(),
                 "Midi Library: New Library|New Library: 2 files");
    }

    // Open Library, New and Clear: the dialog, the labels, the box and the reason in Label1's tool tip.
    void openNewAndClear()
    {
        PlayerFixture f;
        const QString file = f.dir() + "/Lib.mfl", bad = f.dir() + "/Bad.mfl";
        TestEnv::writeFile(file, "0\r\n\"" + f.dir().toUtf8() + "/gone.mid\"\r\n");
        TestEnv::writeFile(bad, "abc\r\n");
        Midi &m = f.start();
        f.dialogs.openResults << file << bad;
        m.controls().cmdOpen->click();
        QCOMPARE(f.dialogs.fileAsks.last().initial, m.dataDir());
        QCOMPARE(f.dialogs.texts(), QStringList{"File(s) not present"});
        QCOMPARE(m.controls().Label5->text() + '|' + m.controls().Label4->text(),
                 "Opening Lib|Midi Library Openning: Lib");
        m.controls().cmdOpen->click();
        QCOMPARE(f.dialogs.fileAsks.last().initial, file);
        QVERIFY2(m.controls().Label1->toolTip().startsWith("Midi selection\n")
                     && m.controls().Label1->toolTip().contains("not a number"),
                 qPrintable(m.controls().Label1->toolTip()));
        m.controls().cmdOpen->click();   // cancelled: nothing changes
        QCOMPARE(f.dialogs.count("OpenLib error: "), 1);
        m.library()->addFiles(f.songs({"a.mid"}));
        m.controls().cmdClear->click();
        QCOMPARE(m.controls().Label5->text() + '|' + m.controls().Label3->text(), "Bad (Empty)|Total: 0:00 ");
        QCOMPARE(m.controls().MMControl1->mode(), SequencerDevice::Mode::NotOpen);
        m.controls().cmdNew->click();
        QCOMPARE(m.controls().Label5->text() + '|' + m.controls().Label4->text(),
                 "New Library (Empty)|Midi Library: New Library");
    }

    void saveCommandEdges()
    {
        PlayerFixture f;
        Midi &m = f.start();
        m.controls().cmdSave->click();
        QCOMPARE(f.dialogs.count("No entries in playlist to save"), 1);
        QVERIFY(f.dialogs.fileAsks.isEmpty());
        m.library()->addFiles(f.songs({"a.mid"}));
        m.controls().cmdSave->click();   // cancelled: nothing written, nothing said
        QCOMPARE(f.dialogs.fileAsks.last().initial, m.dataDir() + "New Library.mfl");
        QVERIFY(m.library()->libFile().isEmpty());
        // A folder that vanished, a disk that fills up after the file opened:
        // the user is told, nothing is half written.
        f.dialogs.saveResults << f.dir() + "/gone/x.mfl" << f.dir() + "/full.mfl" << f.dir() + "/Party.mfl";
        m.controls().cmdSave->click();
        QCOMPARE(f.dialogs.count("could not be saved"), 1);
        QVERIFY(!QFileInfo::exists(f.dir() + "/gone"));
        {
            TestEnv::FileSizeLimit full(8);
            m.controls().cmdSave->click();
        }
        QCOMPARE(f.dialogs.count("could not be saved"), 2);
        QVERIFY(!QFileInfo::exists(f.dir() + "/full.mfl"));
        m.controls().cmdSave->click();
        QCOMPARE(LibraryFile::read(f.dir() + "/Party.mfl").paths, m.library()->list().paths());
        QCOMPARE(m.controls().Label5->text() + '|' + m.controls().Label4->text(), "Party: 1 files|Midi Library: Party");
        // Save play list as: read back as listed, the title from the song's words, else its name.
        f.songText.texts["b.mid"].title = "Bee";
        TestEnv::writeFile(f.dir() + "/data/c.txt", "text");
        m.library()->addFiles(f.songs({"b.mid"}) << f.dir() + "/data/c.txt");
        f.dialogs.saveResults << f.dir() + "/gone/x.m3u8" << f.dir() + "/data/Mix";
        m.commands()->run(Commands::SavePlayList);
        m.commands()->run(Commands::SavePlayList);
        QCOMPARE(f.dialogs.count("The play list could not be saved. Cannot write"), 1);
        const QList<PlayListEntry> back = readPlayList(f.dir() + "/data/Mix.m3u8").entries;
        const QStringList &paths = m.library()->list().paths();
        QCOMPARE(back, (QList<PlayListEntry>{{paths[0], "a.mid", 2}, {paths[1], "Bee", 2}, {paths[2], "c.txt", -1}}));
    }
};

QTEST_MAIN(TestPlayerLibrary)
#include "test_player_library.moc"
