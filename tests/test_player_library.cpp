#include "app/core/appinfo.h"
#include "fakes/playerfixture.h"
#include "library/core/libraryfile.h"
#include "library/filebrowser.h"
#include "playback/mediacontrol.h"
#include "testenv.h"
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {
QByteArray library(int index, const QStringList &paths)
{
    QByteArray out = QByteArray::number(index) + "\r\n";
    for (const QString &p : paths)
        out += '"' + p.toUtf8() + "\"\r\n";
    return out;
}

// A library picked in Open Library: the entries listed, the one message
// said (empty: none), the heading, and the entry opened (none: -1).
struct Opened {
    QByteArray bytes;
    int entries = 0;
    QString message, label5;
    int sel = -1;
};
// The library open at start (a.mid is present), edits (add: n.mid, remove,
// clear, new, open: cancelled), then by: what replaces the list (open: Open
// Library, paths: the command line, new: New Library; empty: quitting). Then
// the entries written to a new library (-1: none), which is numbered when
// "New Library.mfl" is taken; Label5 after the edits (empty: not looked at),
// the reason in Label1's tool tip. kept: the library file as it was, else
// holding n.mid.
struct AtQuit {
    QByteArray bytes;
    QString edits, by{};
    bool kept = true, taken = false;
    int fresh = -1;
    QString label5{}, reason{};
};
}

class TestPlayerLibrary : public QObject {
    Q_OBJECT

    // Starts the player with `file`, holding `bytes`, as the library it had open.
    static Midi &startOn(PlayerFixture &f, const QString &file, const QByteArray &bytes)
    {
        TestEnv::writeFile(file, bytes);
        f.settings->SetValue(AppInfo::AppletSection(), "MidiLib", file);
        return f.start();
    }

private slots:
    void initTestCase() { TestEnv::setUp(); }

    // Names with commas, spaces, other scripts and a long one survive the round trip.
    void saveAndReopen()
    {
        PlayerFixture f;
        QDir().mkpath(f.dir() + "/data/Ünï, cöde");
        const QString longName = QString(200, 'n') + ".rmi";
        const QStringList songs = f.songs({"Ünï, cöde/a b, c.mid", longName});
        Midi &m = f.start();
        m.library()->addFiles(songs);
        m.playSession()->setSelIndex(1);
        const QString file = f.dir() + "/data/Party.mfl";
        f.dialogs.saveResults << file;
        m.controls().cmdSave->click();
        QCOMPARE(TestEnv::readFile(file), library(1, songs));
        QCOMPARE(m.controls().Label5->text(), QStringLiteral("Party: 2 files"));
        QCOMPARE(m.controls().Label4->text(), QStringLiteral("Midi Library: Party"));
        f.quit();

        PlayerFixture g;
        Midi &n = startOn(g, file, library(1, songs));
        QCOMPARE(n.library()->list().names(), QStringList({"a b, c.mid", longName}));
        QCOMPARE(n.playSession()->selIndex(), 1);
        QCOMPARE(n.controls().List1->currentRow(), 1);
        QCOMPARE(g.device.openFile, songs[1]);
        QCOMPARE(n.controls().Label4->text(), QStringLiteral("Midi Library: Party"));
    }

    // Libraries opened through Open Library: what shows and what is said.
    void openLibrary_data()
    {
        QTest::addColumn<Opened>("o");
        const QString d = TestEnv::root() + "/lib/", absent = "File(s) not present", bad = "OpenLib error: ";
        QTest::newRow("current deleted") << Opened{library(1, {d + "a.mid", d + "gone.mid", d + "c.mid"}), 3, "",
                                                   "Lib: 3 files", 2};
        QTest::newRow("last deleted wraps")
            << Opened{library(2, {d + "a.mid", d + "c.mid", d + "gone.mid"}), 3, "", "Lib: 3 files", 0};
        QTest::newRow("none present") << Opened{library(0, {d + "gone1.mid", d + "gone2.mid"}), 2, absent,
                                                "Opening Lib"};
        QTest::newRow("first line only") << Opened{"0\r\n", 0, absent, "Opening Lib"};
        QTest::newRow("zero bytes") << Opened{{}, 0, "", "Lib (Empty)"};
        QTest::newRow("index past the end") << Opened{library(7, {d + "a.mid"}), 1, "", "Lib: 1 files", 0};
        QTest::newRow("bad first line") << Opened{"abc\r\n\"/x.mid\"\r\n", 0, bad, "Opening Lib"};
        QTest::newRow("1002 entries") << Opened{library(0, QStringList(1002, d + "a.mid")), 1001, bad, "Opening Lib"};
    }
    void openLibrary()
    {
        QFETCH(Opened, o);
        QDir().mkpath(TestEnv::root() + "/lib");
        for (const char *n : {"a.mid", "c.mid"})
            TestEnv::writeMidi(TestEnv::root() + "/lib/" + n);
        PlayerFixture f;
        const QString file = f.dir() + "/Lib.mfl";
        QVERIFY(TestEnv::writeFile(file, o.bytes));
        Midi &m = f.start();
        f.dialogs.openResults << file;
        m.controls().cmdOpen->click();
        QCOMPARE(m.library()->list().count(), o.entries);
        if (o.message.isEmpty())
            QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(f.dialogs.texts().join('|')));
        else
            QCOMPARE(f.dialogs.count(o.message), 1);
        QCOMPARE(m.controls().Label5->text(), o.label5);
        QCOMPARE(m.playSession()->selIndex(), qMax(o.sel, 0));
        QCOMPARE(f.device.openFile, o.sel >= 0 ? m.library()->list().path(o.sel) : QString());
        if (o.bytes.isEmpty())
            QCOMPARE(m.controls().Label4->text(), QStringLiteral("Midi Library Openning: Lib"));
        // A library that did not load whole is not written over at shut-down;
        // one that did is saved with its new current entry.
        f.quit();
        if (o.sel >= 0)
            QVERIFY(TestEnv::readFile(file).startsWith(QByteArray::number(o.sel) + "\r\n"));
        else
            QCOMPARE(TestEnv::readFile(file), o.bytes);
    }

    // What shut-down, or another list taking this one's place, writes. A library
    // that did not load whole is never written over; a list built on it, or
    // after New, is kept as a new library; an untouched list writes nothing.
    void whatQuitWrites_data()
    {
        QTest::addColumn<AtQuit>("q");
        const QByteArray text("\xff\xfe not a number\r\n\"/x.mid\"\r\n");
        const QByteArray many = library(0, QStringList(1002, TestEnv::root() + "/many.mid"));
        const QByteArray one = library(0, {TestEnv::root() + "/many.mid"});
        const QString cut = "only the first 1001";
        QTest::newRow("text file, untouched") << AtQuit{.bytes = text, .edits = "", .reason = "not a number"};
        QTest::newRow("text file, song added")
            << AtQuit{.bytes = text, .edits = "add", .fresh = 1, .reason = "not a number"};
        QTest::newRow("1002 entries, untouched") << AtQuit{.bytes = many, .edits = "", .reason = cut};
        QTest::newRow("1002 entries, one removed")
            << AtQuit{.bytes = many, .edits = "remove", .fresh = 1000, .reason = cut};
        QTest::newRow("empty file takes new entries")
            << AtQuit{.bytes = {}, .edits = "add", .kept = false, .label5 = "L: 1 files"};
        QTest::newRow("clear keeps the file") << AtQuit{.bytes = one, .edits = "clear", .label5 = "L (Empty)"};
        QTest::newRow("New never overwrites")
            << AtQuit{.bytes = one, .edits = "new,open,add", .fresh = 1, .label5 = "New Library: 1 files"};
        QTest::newRow("New Library.mfl taken") << AtQuit{.bytes = one, .edits = "new,add", .taken = true, .fresh = 1};
        QTest::newRow("added, then Open Library") << AtQuit{.bytes = {}, .edits = "add", .by = "open", .kept = false};
        QTest::newRow("added, then the command line")
            << AtQuit{.bytes = {}, .edits = "add", .by = "paths", .kept = false};
        QTest::newRow("added, then New") << AtQuit{.bytes = {}, .edits = "add", .by = "new", .kept = false};
        QTest::newRow("new list, then the command line")
            << AtQuit{.bytes = one, .edits = "new,add", .by = "paths", .taken = true, .fresh = 1};
        QTest::newRow("text file added, then Open Library")
            << AtQuit{.bytes = text, .edits = "add", .by = "open", .fresh = 1, .reason = "not a number"};
        QTest::newRow("1002 entries, untouched, then the command line")
            << AtQuit{.bytes = many, .edits = "", .by = "paths", .reason = cut};
        QTest::newRow("untouched, then New") << AtQuit{.bytes = one, .edits = "", .by = "new"};
    }
    void whatQuitWrites()
    {
        QFETCH(AtQuit, q);
        PlayerFixture f;
        TestEnv::writeMidi(TestEnv::root() + "/many.mid");
        const QString file = f.dir() + "/L.mfl", other = f.dir() + "/Other.mfl";
        Midi &m = startOn(f, file, q.bytes);
        const QString taken = m.dataDir() + "New Library.mfl";
        if (q.taken)
            TestEnv::writeFile(taken, "taken");
        QVERIFY2(m.controls().Label1->toolTip().contains(q.reason), qPrintable(m.controls().Label1->toolTip()));
        const QString added = f.dir() + "/data/n.mid";
        for (const QString &edit : q.edits.split(',', Qt::SkipEmptyParts)) {
            if (edit == "remove")
                m.controls().List1->setCurrentRow(3);
            if (edit == "add")
                m.library()->addFiles(f.songs({"n.mid"}));
            else if (edit == "remove")
                m.controls().cmdRemove->click();
            else if (edit == "clear")
                m.controls().cmdClear->click();
            else
                edit == "new" ? m.controls().cmdNew->click() : m.controls().cmdOpen->click();
        }
        if (!q.label5.isEmpty())
            QCOMPARE(m.controls().Label5->text(), q.label5);
        if (q.edits == "clear") {   // and play ends
            QCOMPARE(m.controls().Label3->text(), QStringLiteral("Total: 0:00 "));
            QCOMPARE(m.controls().MMControl1->mode(), SequencerDevice::Mode::NotOpen);
        }
        TestEnv::writeFile(other, library(0, {TestEnv::root() + "/many.mid"}));
        f.dialogs.openResults << other;
        if (q.by.isEmpty())
            f.quit();
        else
            q.by == "new" ? m.controls().cmdNew->click() : q.by == "open" ? m.controls().cmdOpen->click() : m.openPaths({other});
        if (!q.by.isEmpty())
            QCOMPARE(m.library()->libFile(), q.by == "new" ? QString() : other);
        QVERIFY2(f.dialogs.messages.size() <= (q.reason.isEmpty() ? 0 : 1), qPrintable(f.dialogs.texts().join('|')));
        QCOMPARE(TestEnv::readFile(file), q.kept ? q.bytes : library(0, {added}));
        const QString newLib = m.dataDir() + (q.taken ? "New Library 2.mfl" : "New Library.mfl");
        const QStringList saved = LibraryFile::read(newLib).paths;
        QCOMPARE(saved.size(), qMax(q.fresh, 0));
        QVERIFY(q.fresh != 1 || saved == QStringList{added});
        if (q.taken)
            QCOMPARE(TestEnv::readFile(taken), QByteArray("taken"));
        if (q.by.isEmpty())
            QCOMPARE(f.settings->GetValue(AppInfo::AppletSection(), "MidiLib", ""), q.fresh < 0 ? file : newLib);
    }

    // A list that cannot be saved (the disk is full) stays, and the user is told.
    void editsThatCannotBeSavedStay()
    {
        PlayerFixture f;
        const QString file = f.dir() + "/L.mfl", other = f.dir() + "/Other.mfl";
        const QStringList songs = f.songs({"a.mid", "b.mid"});
        Midi &m = startOn(f, file, library(0, {songs[0]}));
        m.library()->addFiles({songs[1]});
        TestEnv::writeFile(other, library(0, {songs[0]}));
        {
            TestEnv::FileSizeLimit full(8);
            m.openPaths({other});
        }
        QVERIFY(f.dialogs.shown("could not be saved"));
        QCOMPARE(m.library()->libFile(), file);
        QCOMPARE(m.library()->list().paths(), songs);
        QCOMPARE(TestEnv::readFile(file), library(0, {songs[0]}));
        m.openPaths({other});   // room again: saved, then replaced
        QCOMPARE(m.library()->libFile(), other);
        QCOMPARE(TestEnv::readFile(file), library(0, songs));
    }

    // Names another program wrote that a library cannot hold: the rest is saved, the user told once.
    void unstorableEntriesAreLeftOutOnce()
    {
        PlayerFixture f;
        const QStringList songs = f.songs({"a.mid", "b.mid"});
        const QString odd = f.dir() + "/say \"hi\".mid";
        const QString file = f.dir() + "/Q.mfl";
        Midi &m = startOn(
            f, file, "2\r\n\"" + songs[0].toUtf8() + "\"\r\n" + odd.toUtf8() + "\r\n\"" + songs[1].toUtf8() + "\"\r\n");
        QCOMPARE(m.library()->list().paths(), QStringList({songs[0], odd, songs[1]}));
        f.dialogs.saveResults << file << file;
        m.controls().cmdSave->click();
        m.controls().cmdSave->click();
        QCOMPARE(f.dialogs.count(odd), 1);
        QCOMPARE(TestEnv::readFile(file), library(1, songs));
        f.quit();
        QCOMPARE(f.dialogs.count(odd), 1);
        QCOMPARE(TestEnv::readFile(file), library(1, songs));
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
        f.dialogs.saveResults << f.dir() + "/gone/x.mfl" << f.dir() + "/full.mfl";
        m.controls().cmdSave->click();
        QCOMPARE(f.dialogs.count("could not be saved"), 1);
        QVERIFY(!QFileInfo::exists(f.dir() + "/gone"));
        TestEnv::FileSizeLimit full(8);
        m.controls().cmdSave->click();
        QCOMPARE(f.dialogs.count("could not be saved"), 2);
        QVERIFY(!QFileInfo::exists(f.dir() + "/full.mfl"));
    }
};

QTEST_MAIN(TestPlayerLibrary)
#include "test_player_library.moc"
