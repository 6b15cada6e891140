// The list through the window: the browser, the find, and the library commands, whose buttons and dialogs reach the
// library session and whose signals reach the labels and the boxes. What the session decides:
// test_core_librarysession.
#include "app/core/appinfo.h"
#include "fakes/playerfixture.h"
#include "library/core/libraryfile.h"
#include "library/core/playlistfile.h"
#include "library/filebrowser.h"
#include "playback/mediacontrol.h"
#include "testenv.h"
#include <QtTest>
#include <QtWidgets>

class TestPlayerBrowser : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

    // A folder that cannot be read leaves the browser where it was, and says so. The browser offers every MIDI name
    // (any case, no hidden files) and Add takes the selected ones; a drop takes songs, folders one level deep and a
    // play list's songs; Remove and Delete take the selected entry only, Delete not while the remove button is locked;
    // Return plays.
    void listCommands()
    {
        PlayerFixture f;
        const QString in = f.dir() + "/data/in/";
        QDir().mkpath(in + "deeper");
        const QStringList names{"a.MID", "b.midi", "c.Kar", "d.rmi", "e.smf"};
        for (const QString &n : names + QStringList{".hidden.mid", "deeper/no.mid"})
            TestEnv::writeMidi(in + n);
        const QStringList songs = f.songs({"x.mid", "y.txt"});
        Midi &m = f.start();
        const QString before = m.controls().Dir1->path();   // a folder that cannot be read leaves the browser
        QVERIFY(!m.controls().Dir1->setPath(f.dir() + "/no/such/folder"));
        QVERIFY(m.controls().Dir1->path() == before && m.controls().File1->item(0)->text().contains("cannot be read"));
        QVERIFY(m.controls().Dir1->setPath(in));
        QCOMPARE(m.controls().File1->count(), names.size());
        m.controls().File1->selectAll();
        m.controls().cmdAdd->click();
        QCOMPARE(m.library()->list().path(4), in + "e.smf");
        m.controls().cmdAdd->click();   // the files show afresh, none selected: nothing at all
        QMimeData mime;
        TestEnv::writeFile(in + "../l.m3u", "x.mid\nhttp://host/z.mid\n");
        mime.setUrls({QUrl::fromLocalFile(songs[0]), QUrl::fromLocalFile(songs[1]), QUrl::fromLocalFile(in),
                      QUrl::fromLocalFile(in + "../l.m3u")});
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m.controls().List1->viewport(), &enter);
        QApplication::sendEvent(m.controls().List1->viewport(), &drop);
        QCOMPARE(m.library()->list().names(), names + QStringList{"x.mid"} + names + QStringList{"x.mid"});
        QCOMPARE(f.dialogs.count("1 entry is a web address"), 1);
        m.controls().List1->setCurrentRow(0);
        m.controls().List1->clearSelection();   // current but not selected: stays
        m.controls().cmdRemove->click();
        m.controls().List1->setCurrentRow(1);
        m.controls().cmdRemove->click();
        QCOMPARE(m.library()->list().names().mid(0, 3), QStringList({"a.MID", "c.Kar", "d.rmi"}));
        QCOMPARE(m.controls().List1->model()->index(1, 0).data().toString(), "c.Kar");
        QCOMPARE(m.controls().List1->currentRow(), -1);
        m.controls().cmdRemove->click();           // nothing selected: only the heading
        emit m.controls().List1->enterPressed();   // nor does a double click move SelIndex
        QCOMPARE(m.playSession()->selIndex(), 0);
        QCOMPARE(m.controls().Label5->text(), "New Library: 11 files");
        m.controls().List1->setCurrentRow(0);
        m.playSession()->lockCommands(true);
        QTest::keyClick(m.controls().List1, Qt::Key_Delete);
        QCOMPARE(m.library()->list().count(), 11);
        m.playSession()->lockCommands(false);
        QTest::keyClick(m.controls().List1, Qt::Key_Delete);
        QCOMPARE(m.library()->list().count(), 10);
        m.controls().List1->setCurrentRow(3);
        QTest::keyClick(m.controls().List1, Qt::Key_Return);
        QCOMPARE(f.device.openFile, songs[0]);
    }

    // Ctrl+F rolls the panel out and shows the field; typing filters, Enter plays the first entry shown,
    // an entry hidden by the find is chosen again when Esc shows the whole list; Delete removes the
    // right entry while filtering.
    void findInList()
    {
        PlayerFixture f;
        f.songText.texts["b.mid"].title = "Noche de Amor";
        Midi &m = f.startWith({"a.mid", "b.mid", "c.mid", "d.mid"});
        PlayListBox *list = m.controls().List1;
        const QRect place = list->geometry();
        auto *field = m.findChild<QLineEdit *>("txtFind");
        QVERIFY(field && !field->isVisibleTo(&m));
        QTest::keyClick(&m, Qt::Key_F, Qt::ControlModifier);
        m.finishRoll();
        QVERIFY(field->isVisibleTo(&m) && field->hasFocus() && m.heightTw() == 6720);
        QCOMPARE(field->accessibleName(), "Find in play list");
        QTest::keyClicks(field, "B.M");   // the selected entry hides: none is, not its neighbour
        QCOMPARE(std::pair(list->model()->rowCount(), list->currentRow()), std::pair(1, -1));
        field->clear();
        QTest::keyClicks(field, "amor ");
        QTRY_COMPARE(list->model()->rowCount(), 1);   // once the title is read, between events
        QCOMPARE(m.findChild<QLabel *>("lblFound")->text(), "1 of 4");
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(f.device.openFile, m.library()->list().path(1));   // opened, not played: the space was typed
        QCOMPARE(std::tuple(m.playSession()->selIndex(), list->currentRow(), m.controls().MMControl1->mode()),
                 std::tuple(1, 1, SequencerDevice::Mode::Stopped));
        f.press("Next");
        QCOMPARE(std::pair(m.playSession()->selIndex(), list->currentRow()), std::pair(2, -1));
        QTest::keyClick(field, Qt::Key_Down);
        QCOMPARE(std::pair(list->hasFocus(), list->currentRow()), std::pair(true, 1));
        field->setFocus();
        list->setCurrentRow(2);
        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(!field->isVisibleTo(&m));
        QCOMPARE(std::tuple(list->model()->rowCount(), list->currentRow(), list->rowSelected(2), list->geometry()),
                 std::tuple(4, 2, true, place));
        m.commands()->run(Commands::Find);
        QTest::keyClicks(field, "D.M");
        list->setCurrentRow(3);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(m.library()->list().names(), QStringList({"a.mid", "b.mid", "c.mid"}));
        QCOMPARE(m.findChild<QLabel *>("lblFound")->text(), "0 of 3");
    }

    // The folder list shows the way down from the volume's root, each row one step further in, then what
    // lies inside; a click on a row goes there, and a double click goes no further than its first click.
    void folderList_data()
    {
        QTest::addColumn<QString>("folder");   // below the case's data folder
        QTest::addColumn<QStringList>("subs");
        QTest::addColumn<QString>("row");
        QTest::addColumn<bool>("twice");
        QTest::addColumn<QString>("goesTo");
        QTest::newRow("with sub-folders, double click")
            << "music" << QStringList{"A", "b"} << "b" << true << "music/b/";
        QTest::newRow("none inside, a folder on the way") << "music/A" << QStringList{} << "data" << false << "";
        QTest::newRow("inside a hidden one, a sub-folder")
            << "music/.hidden" << QStringList{"in"} << "in" << false << "music/.hidden/in/";
    }
    void folderList()
    {
        QFETCH(QString, folder);
        QFETCH(QStringList, subs);
        QFETCH(QString, row);
        QFETCH(bool, twice);
        QFETCH(QString, goesTo);
        PlayerFixture f;
        for (const char *d : {"music/b/deep/deeper", "music/A", "music/.hidden/in"})
            QDir().mkpath(f.dir() + "/data/" + d);
        TestEnv::writeMidi(f.dir() + "/data/" + goesTo + "here.mid");
        Midi &m = f.start();
        DirList *list = m.controls().Dir1;
        list->resize(list->width(), 600);   // rows stay where they are
        const QString here = f.dir() + "/data/" + folder + '/';
        QVERIFY(list->setPath(here));
        const QString root = DriveCombo::volumeOf(here);
        const QStringList way = QStringList{root} + here.mid(root.size()).split('/', Qt::SkipEmptyParts);
        const QStringList want = way + subs;
        QCOMPARE(list->count(), want.size());
        const auto image = [&](QStyle::StandardPixmap p) {
            return list->style()->standardIcon(p).pixmap(16).toImage();
        };
        QString path = root;
        for (int i = 0; i < want.size(); ++i) {
            const QListWidgetItem *it = list->item(i);
            const bool onTheWay = i < way.size();
            if (i > 0)
                path = (onTheWay ? path : here) + want[i] + '/';
            QCOMPARE(it->text(), want[i]);
            QCOMPARE(it->data(DirList::PathRole).toString(), path);
            QCOMPARE(it->data(DirList::LevelRole).toInt(), std::min(i, int(way.size())));
            QCOMPARE(it->icon().pixmap(16).toImage(),
                     image(onTheWay ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon));
            QCOMPARE(it->isSelected(), i == way.size() - 1);
        }
        QCOMPARE(list->path(), here);
        QListWidgetItem *it = list->findItems(row, Qt::MatchExactly).value(0);
        QVERIFY(it);
        list->scrollToItem(it);
        const QPoint at = list->visualItemRect(it).center();
        QWidget *vp = list->viewport();
        QTest::mouseClick(vp, Qt::LeftButton, {}, at);
        if (twice) {   // the second click lands on whatever row the first one put there
            QCoreApplication::processEvents();
            QTest::mousePress(vp, Qt::LeftButton, {}, at);
            QMouseEvent dbl(QEvent::MouseButtonDblClick, at, vp->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
            QApplication::sendEvent(vp, &dbl);
            QTest::mouseRelease(vp, Qt::LeftButton, {}, at);
            QCoreApplication::processEvents();
        }
        QTRY_COMPARE(list->path(), f.dir() + "/data/" + goesTo);
        QVERIFY(!m.controls().File1->findItems("here.mid", Qt::MatchExactly).isEmpty());   // the change handler ran
    }

    void rollOutAndIn()
    {
        PlayerFixture f;
        Midi &m = f.start();
        // The animation's own steps, not the heights the window system gets round to reporting.
        QList<int> heights;
        m.controls().cmdExpand->click();
        while (m.rolling() && heights.size() < 100) {
            m.rollStep();
            heights << m.heightTw();
        }
        QCOMPARE(heights.mid(0, 2) + heights.mid(heights.size() - 3), QList<int>({2560, 2660, 6660, 6760, 6720}));
        QCOMPARE(heights.size(), 44);
        QCOMPARE(std::pair(m.heightTw(), m.controls().SSPanel2->height()), std::pair(6720, 6675 / 15));
        m.controls().cmdExpand->click();   // and the timer steps it: no step count or speed depends on the machine
        QTRY_VERIFY_WITH_TIMEOUT(!m.rolling(), 30000);
        QCOMPARE(std::pair(m.heightTw(), m.controls().SSPanel2->height()), std::pair(2460, 2400 / 15));
        // 2500 counts as rolled up, 2501 as out.
        for (const auto &[from, to] : {std::pair(2500, 6720), std::pair(2501, 2460)}) {
            m.setHeightTw(from);
            m.controls().cmdExpand->click();
            m.finishRoll();
            QCOMPARE(m.heightTw(), to);
        }
        // Close ticked during play rolls the panel in; ticked while stopped does nothing.
        m.controls().chkClose->setChecked(true);
        QVERIFY(!m.rolling());
    }

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

QTEST_MAIN(TestPlayerBrowser)
#include "test_player_browser.moc"
