// The list through the window: the browser, the find, and the library commands, whose buttons and dialogs reach the
// library session and whose signals reach the labels and the boxes (what the session decides:
// test_core_librarysession). Then the look: captions that fit, pictures at double scale, the arrows, the handles.
#include "about/frmabout.h"
#include "about/frmaboutsoft.h"
#include "app/core/appinfo.h"
#include "fakes/fakemixer.h"
#include "fakes/playerfixture.h"
#include "library/core/libraryfile.h"
#include "library/core/playlistfile.h"
#include "library/filebrowser.h"
#include "playback/mediacontrol.h"
#include "player/headinglabel.h"
#include "testenv.h"
#include "volume/midivol.h"
#include <QtTest>
#include <QtWidgets>

namespace {

// Opens the library `name` with `entries` songs; 0: an empty file; -1: a first line only.
void openLibrary(PlayerFixture &f, const QString &name, int entries)
{
    QByteArray bytes = entries == 0 ? "" : "0\r\n";
    for (int i = 0; i < entries; ++i)
        bytes += '"' + f.songs({QStringLiteral("s%1.mid").arg(i)}).first().toUtf8() + "\"\r\n";
    QFile out(f.dir() + u'/' + name + QStringLiteral(".mfl"));
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
    out.close();
    f.dialogs.openResults << out.fileName();
    f.midi->controls().cmdOpen->click();
}

// The captions of a window that do not fit their controls (word-wrapped labels: by height).
QStringList cutOff(QWidget *window)
{
    QStringList bad;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        auto *label = qobject_cast<QLabel *>(w);
        auto *heading = qobject_cast<HeadingLabel *>(w);
        auto *button = qobject_cast<QAbstractButton *>(w);
        auto *tool = qobject_cast<QToolButton *>(w);
        QString text = heading ? heading->shownText() : label ? label->text() : button ? button->text() : QString();
        if (text.isEmpty() || (tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly))
            continue;
        text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        const QFontMetrics fm = w->fontMetrics();
        const QStringList lines = text.split(u'\n');
        int need = 0, needHigh = lines.size() == 1 ? fm.height() : int(lines.size()) * fm.lineSpacing();
        for (const QString &line : lines)
            need = std::max(need, fm.horizontalAdvance(line));
        QStyleOptionButton opt;
        opt.initFrom(w);
        opt.text = text;
        QRect room = label ? label->contentsRect() : w->rect().adjusted(1, 1, -1, -1);
        if (qobject_cast<QPushButton *>(w)) {
            room = w->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, w);
            need += w->style()->pixelMetric(QStyle::PM_ButtonMargin, &opt, w);
        } else if (qobject_cast<QCheckBox *>(w)) {
            room = w->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, w);
        }
        if (label && label->wordWrap())
            std::tie(need, needHigh) = std::pair(0, label->heightForWidth(label->width()));
        if (need > room.width() || needHigh > room.height())
            bad << QStringLiteral("%1 \"%2\" needs %3x%4, has %5x%6")
                       .arg(w->objectName(), text)
                       .arg(need)
                       .arg(needHigh)
                       .arg(room.width())
                       .arg(room.height());
    }
    return bad;
}

int pixelsOf(const QImage &img, const QRect &r, const QColor &c)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += img.pixelColor(x, y).rgb() == c.rgb();
    return n;
}

}   // namespace

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

    void captionsFit_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *w : {"player", "player, long library", "volume", "about", "software notice"})
            QTest::newRow(w) << QString::fromLatin1(w);
    }
    void captionsFit()
    {
        QFETCH(QString, window);
        PlayerFixture f;
        f.services.makeMixer = [] { return std::make_unique<FakeMixer>(QStringList{"Main", "PCM"}); };
        Midi &m = f.start();
        std::unique_ptr<QWidget> other;
        if (window == "player, long library")
            openLibrary(f, QStringLiteral("Classical Favourites Collection"), 12);
        else if (window == "volume")
            other = std::make_unique<MidiVol>(f.services, nullptr, QPoint());
        else if (window == "about")
            other = std::make_unique<frmAbout>(f.services, &m);
        else if (window == "software notice")
            other = std::make_unique<frmAboutSoft>(f.services, &m);
        if (other)
            other->show();
        QWidget *shown = other ? other.get() : &m;   // its captions fit, its controls have names to be read
        const QStringList bad = cutOff(shown) + TestEnv::namelessControls(shown);
        QVERIFY2(bad.isEmpty(), qPrintable(bad.join(u'\n')));
    }
    // On a screen scaled 2x every picture of the strip has the pixels to fill its place, instead of a 1x
    // picture blown up.
    void picturesHaveTheirPixels()
    {
        if (!qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
            QSKIP("runs in the scaled run of atDoubleScale");
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
        PlayerFixture f;
        Midi &m = f.start();
        QStringList blownUp;
        for (const char *name : {"Prev", "Next", "Play", "Pause", "Stop", "cmdVolume", "cmdExpand", "cmdHelp",
                                 "cmdHide", "cmdQuit", "cmdAdd", "cmdRemove", "Image1", "Image2"}) {
            QWidget *w = m.findChild<QWidget *>(QLatin1String(name));
            QVERIFY2(w, name);
            int source = 0, shown = 0;
            if (auto *label = qobject_cast<QLabel *>(w)) {
                source = label->pixmap().width();
                shown = label->width();   // scaled to the label
            } else if (auto *button = qobject_cast<QToolButton *>(w)) {
                for (const QSize &s : button->icon().availableSizes())
                    source = qMax(source, s.width());
                shown = button->icon().actualSize(button->iconSize()).width();
            }
            if (shown <= 0 || source < 2 * shown)
                blownUp << QStringLiteral("%1: %2 px for %3 px").arg(QLatin1String(name)).arg(source).arg(2 * shown);
        }
        QVERIFY2(blownUp.isEmpty(), qPrintable(blownUp.join(u'\n')));
    }
    void atDoubleScale()
    {
        if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
            QSKIP("this run is scaled already");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("captionsFit"), QStringLiteral("picturesHaveTheirPixels")});
        QVERIFY(p.waitForFinished(120000));
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, p.readAll().constData());
    }

    void longHeadingKeepsItsCount_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("count") << 12 << QString() << ": 12 files";
        QTest::newRow("empty") << 0 << QString() << " (Empty)";
        QTest::newRow("opening") << -1 << "Opening " << QString();
    }
    void longHeadingKeepsItsCount()
    {
        QFETCH(int, entries);
        QFETCH(QString, before);
        QFETCH(QString, after);
        const QString name = QStringLiteral("Classical Favourites Collection");
        PlayerFixture f;
        auto *h = qobject_cast<HeadingLabel *>(f.start().controls().Label5);
        QVERIFY(h);
        openLibrary(f, name, entries);
        QCOMPARE(h->text(), before + name + after);   // whole for whoever reads it
        const QString shown = h->shownText();
        QVERIFY(h->fontMetrics().horizontalAdvance(shown) <= h->contentsRect().width());
        QVERIFY2(shown.startsWith(before + "Cla") && shown.endsWith("ion" + after) && shown.contains(QChar(0x2026)),
                 qPrintable(shown));
    }

    void interludeArrows_data()
    {
        QTest::addColumn<QColor>("back");
        QTest::addColumn<bool>("white");
        QTest::newRow("white on green") << QColor(20, 140, 60) << true;
        QTest::newRow("black on yellow") << QColor(230, 200, 40) << false;
    }
    void interludeArrows()
    {
        QFETCH(QColor, back);
        QFETCH(bool, white);
        PlayerFixture f;
        Midi &m = f.start();
        f.dialogs.answers << Dialogs::Answer::No << (white ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        f.dialogs.colorResults << back;
        m.controls().cmdColor->click();
        f.dialogs.answers << Dialogs::Answer::No;   // then the colour dialog is cancelled: nothing changes
        m.controls().cmdColor->click();
        QCOMPARE(f.dialogs.messages.first().title, "QuillMidi");
        QCOMPARE(std::tuple(m.playerColor(), m.textColor(), m.lightCorners()),
                 std::tuple(qint64(back.red() | back.green() << 8 | back.blue() << 16), white ? 0xFFFFFF : 0, white));
        QCOMPARE(m.controls().UpDown1->geometry(), QRect(212, 24, 16, 17));
        const QImage img = m.controls().UpDown1->grab().toImage();
        for (const QRect r : {QRect(0, 0, 16, 8), QRect(0, 9, 16, 8)}) {
            QVERIFY2(pixelsOf(img, r, white ? Qt::white : Qt::black) >= 3, "an arrow in the text colour");
            QVERIFY2(pixelsOf(img, r, back) * 3 >= r.width() * r.height(), "a button in the player colour");
        }
        m.controls().txtPause->setText(QStringLiteral("5"));
        QTest::mouseClick(m.controls().UpDown1, Qt::LeftButton, {}, QPoint(8, 3));
        QCOMPARE(m.controls().txtPause->text(), QStringLiteral("6"));
        QTest::mouseClick(m.controls().UpDown1, Qt::LeftButton, {}, QPoint(8, 14));
        QTest::mouseClick(m.controls().UpDown1, Qt::LeftButton, {}, QPoint(8, 14));
        QCOMPARE(m.controls().txtPause->text(), QStringLiteral("4"));
    }

    // A left press on a handle drags the window until the release.
    void onlyHandlesDrag_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("right");   // the right button
        QTest::addColumn<bool>("drags");
        for (const char *handle : {"Label1", "Label4", "Label5", "Label6", "Image2", "SSPanel1", "SSPanel2"})
            QTest::newRow(handle) << QString::fromLatin1(handle) << false << true;
        for (const char *other : {"Label8", "UpDown1", "txtPause", "File1", "cmdSave"})
            QTest::newRow(other) << QString::fromLatin1(other) << false << false;
        QTest::newRow("Label1, right button") << "Label1" << true << false;
    }
    void onlyHandlesDrag()
    {
        QFETCH(QString, control);
        QFETCH(bool, right);
        QFETCH(bool, drags);
        PlayerFixture f;
        Midi &m = f.start();
        m.moveTw(1500, 1500);
        const QPoint start = m.pos();
        auto *w = m.findChild<QWidget *>(control);
        QPoint at = control.startsWith("SSPanel") ? QPoint(3, 3) : w->rect().center();
        QWidget *target = w->childAt(at) ? w->childAt(at) : w;   // where a real press lands
        const Qt::MouseButton b = right ? Qt::RightButton : Qt::LeftButton;
        // A move carries the held button, as during a real drag.
        const auto send = [&](QWidget *to, QEvent::Type type, QPoint local, QPoint global) {
            QMouseEvent e(type, local, global, type == QEvent::MouseMove ? Qt::NoButton : b,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : b, Qt::NoModifier);
            QApplication::sendEvent(to, &e);
        };
        send(target, QEvent::MouseButtonPress, target->mapFrom(w, at), {300, 300});
        send(m.controls().SSPanel2, QEvent::MouseMove, {5, 5}, {340, 320});
        send(m.controls().SSPanel2, QEvent::MouseButtonRelease, {5, 5}, {340, 320});
        send(m.controls().SSPanel2, QEvent::MouseMove, {5, 5}, {400, 400});
        QCOMPARE(m.pos(), drags ? start + QPoint(40, 20) : start);
    }
};

QTEST_MAIN(TestPlayerBrowser)
#include "test_player_browser.moc"
