// The library session on its own: the library file it keeps, its edits, and paths given from outside.
#include "fakes/fakeclock.h"
#include "fakes/fakesequencer.h"
#include "library/core/libraryfile.h"
#include "library/core/librarysession.h"
#include "playback/core/playsession.h"
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
QByteArray library(int index, const QStringList &paths)
{
    QByteArray out = QByteArray::number(index) + "\r\n";
    for (const QString &p : paths)
        out += '"' + p.toUtf8() + "\"\r\n";
    return out;
}

// A session over a temporary folder, with what a window following its signals would show.
struct Rig {
    Rig()
    {
        lib.setPlaySession(&play);
        lib.setDataDir(at(u"data/"_s));
        QDir().mkpath(at(u"data"_s));
        QObject::connect(&lib, &LibrarySession::headingShown, [this](const QString &t) { heading = t; });
        QObject::connect(&lib, &LibrarySession::problemNoted, [this](const QString &t) {
            if (!t.isEmpty())
                heard << t;
        });
        QObject::connect(&lib, &LibrarySession::failure, [this](const Failure &f) {
            heard << f.text;
            ++told;
        });
    }
    QString at(const QString &name) const { return dir.filePath(name); }
    bool write(const QString &name, const QByteArray &bytes) const
    {
        QDir().mkpath(QFileInfo(at(name)).path());
        QFile f(at(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    // Songs (a MIDI header is all the planner looks at); their paths.
    QStringList songs(const QStringList &names) const
    {
        QStringList paths;
        for (const QString &n : names)
            paths << (write(n, "MThd") ? at(n) : QString());
        return paths;
    }
    QByteArray read(const QString &name) const
    {
        QFile f(at(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int toldOf(const QString &text) const { return heard.filter(text).size(); }

    QTemporaryDir dir;
    FakeClock clock;
    FakeSequencer device{&clock};
    LibrarySession lib;
    PlaySession play{&device, &clock, &lib.list().list()};
    QString heading;
    QStringList heard;   // the problems noted and the failures told
    int told = 0;        // the failures
};

// The life of a library, lib/L.mfl holding bytes: steps, each one of start (reopened at start-up),
// open (picked in Open Library), add (n.mid), remove (the fourth entry), clear, new, save (Save
// Library into L.mfl), lose and room (its folder goes, and comes back), other (Other.mfl picked in
// Open Library), paths (Other.mfl given from outside) and quit. What was said by the end (a failure
// told once, or the problem noted; empty: nothing); after the first step, the entries listed (-1: not
// looked at) and the entry opened (-1: none); the heading at the end (empty: not looked at); L.mfl at
// the end (empty: as it was); the entries of a new library (-1: none), numbered when "New Library.mfl"
// is taken.
struct Life {
    QByteArray bytes;
    QString steps, said{};
    int entries = -1, sel = -1;
    QString heading{};
    QByteArray after{};
    bool taken = false;
    int fresh = -1;
};
}   // namespace

class TestCoreLibrarySession : public QObject {
    Q_OBJECT
    QTemporaryDir m_songs;   // the songs the tables' libraries name

    QString in(const QString &name) const { return m_songs.filePath(name); }

private slots:
    void initTestCase()
    {
        for (const char *name : {"a.mid", "c.mid", "many.mid", "n.mid"}) {
            QFile f(in(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    }

    // A library that did not load whole is never written over; a list built on it, or after New, is
    // kept as a new library; an untouched list writes nothing. Edits that cannot be saved keep the list.
    void life_data()
    {
        QTest::addColumn<Life>("l");
        const QByteArray text("\xff\xfe not a number\r\n\"/x.mid\"\r\n"), one = library(0, {in("many.mid")});
        const QByteArray lots = library(0, QStringList(1002, in("many.mid"))), added = library(0, {in("n.mid")});
        const QStringList acg{in("a.mid"), in("c.mid"), in("gone.mid")};
        const QString absent = "File(s) not present", nan = "not a number", cut = "only the first 1001";
        const QString odd = in("say \"hi\".mid");
        const auto row = [](const char *tag, const Life &l) { QTest::newRow(tag) << l; };
        row("opened, current gone",
            {.bytes = library(2, acg), .steps = "open quit", .entries = 3, .sel = 0, .after = library(0, acg)});
        row("opened, none present", {.bytes = library(0, {in("gone.mid"), in("gone.mid")}),
                                     .steps = "open quit",
                                     .said = absent,
                                     .entries = 2});
        row("opened, first line only", {.bytes = "0\r\n", .steps = "open quit", .said = absent, .entries = 0});
        row("opened, zero bytes", {.bytes = {}, .steps = "open quit", .entries = 0, .heading = "L (Empty)"});
        row("opened, bad first line",
            {.bytes = "abc\r\n\"/x.mid\"\r\n", .steps = "open quit", .said = "OpenLib error: ", .entries = 0});
        row("text file, untouched", {.bytes = text, .steps = "start quit", .said = nan});
        row("text file, song added", {.bytes = text, .steps = "start add quit", .said = nan, .fresh = 1});
        row("1002 entries, untouched", {.bytes = lots, .steps = "start quit", .said = cut, .entries = 1001});
        row("1002 entries, one removed", {.bytes = lots, .steps = "start remove quit", .said = cut, .fresh = 1000});
        row("empty file takes new entries",
            {.bytes = {}, .steps = "start add quit", .heading = "L: 1 files", .after = added});
        row("clear keeps the file",
            {.bytes = one, .steps = "start clear quit", .entries = 1, .sel = 0, .heading = "L (Empty)"});
        row("New never overwrites",
            {.bytes = one, .steps = "start new add quit", .heading = "New Library: 1 files", .fresh = 1});
        row("New Library.mfl taken", {.bytes = one, .steps = "start new add quit", .taken = true, .fresh = 1});
        row("added, then another library", {.bytes = {}, .steps = "start add other", .after = added});
        row("added, then paths", {.bytes = {}, .steps = "start add paths", .after = added});
        row("added, then New", {.bytes = {}, .steps = "start add new", .after = added});
        row("new list, then paths", {.bytes = one, .steps = "start new add paths", .taken = true, .fresh = 1});
        row("text file added, then another library",
            {.bytes = text, .steps = "start add other", .said = nan, .fresh = 1});
        row("1002 entries, untouched, then paths", {.bytes = lots, .steps = "start paths", .said = cut});
        row("untouched, then New", {.bytes = one, .steps = "start new"});
        row("cannot be saved, then room again", {.bytes = one,
                                                 .steps = "start add lose paths room paths",
                                                 .said = "could not be saved",
                                                 .after = library(0, {in("many.mid"), in("n.mid")})});
        row("names a library cannot hold, told once",
            {.bytes = "2\r\n\"" + in("a.mid").toUtf8() + "\"\r\n" + odd.toUtf8() + "\r\n\"" + in("c.mid").toUtf8()
                      + "\"\r\n",
             .steps = "start save save quit",
             .said = odd,
             .entries = 3,
             .sel = 2,
             .after = library(1, {in("a.mid"), in("c.mid")})});
    }
    void life()
    {
        QFETCH(Life, l);
        Rig r;
        const QString file = r.at("lib/L.mfl"), other = r.at("Other.mfl");
        const QString newLib = r.at(l.taken ? "data/New Library 2.mfl" : "data/New Library.mfl");
        if (l.taken)
            r.write("data/New Library.mfl", "taken");
        r.write("lib/L.mfl", l.bytes);
        r.write("Other.mfl", library(0, {in("many.mid")}));
        QString saved = "not asked";
        const QStringList steps = l.steps.split(' ');
        for (const QString &step : steps) {
            if (step == "start") {
                r.lib.setLibFile(file);
                r.lib.reopen();
            } else if (step == "open" || step == "other") {
                r.lib.openLibraryFile(step == "open" ? file : other);
            } else if (step == "add") {
                r.lib.addFiles({in("n.mid")});
            } else if (step == "remove") {
                r.lib.removeAt(3);
            } else if (step == "save") {
                r.lib.saveAs(file);
            } else if (step == "lose" || step == "room") {
                QVERIFY(step == "lose" ? QDir(r.at("lib")).removeRecursively() : QDir().mkpath(r.at("lib")));
            } else if (step == "paths") {
                r.lib.carryOut(OpenPlanner::plan({other}, {}));
            } else {
                step == "quit" ? void(saved = r.lib.saveAtExit()) : step == "new" ? r.lib.newLibrary() : r.lib.clear();
            }
            if (&step == &steps.first()) {
                if (l.entries >= 0) {
                    QCOMPARE(r.lib.list().count(), l.entries);
                    QCOMPARE(r.device.openFile, l.sel >= 0 ? r.lib.list().path(l.sel) : QString());
                }
            }
        }
        const QString heard = r.heard.join('|');
        QVERIFY2(l.said.isEmpty() ? heard.isEmpty() : heard.contains(l.said) && r.told <= 1, qPrintable(heard));
        if (!l.heading.isEmpty())
            QCOMPARE(r.heading, l.heading);
        QCOMPARE(r.read("lib/L.mfl"), l.after.isEmpty() ? l.bytes : l.after);
        const QStringList fresh = LibraryFile::read(newLib).paths;
        QCOMPARE(fresh.size(), qMax(l.fresh, 0));
        QVERIFY(l.fresh != 1 || fresh == QStringList{in("n.mid")});
        if (l.taken)
            QCOMPARE(r.read("data/New Library.mfl"), "taken");
        const QString last = steps.last();
        if (last == "quit")   // the library to reopen next time
            QCOMPARE(saved.isEmpty() ? r.lib.libFile() : saved, l.fresh < 0 ? file : newLib);
        else if (last != "save")
            QCOMPARE(r.lib.libFile(), last == "new" ? QString() : other);
    }

    // The first song added opens when nothing was open; later ones leave it alone.
    // A full list and names a library cannot hold are told; the rest is added.
    void addAndRemove()
    {
        Rig r;
        const QStringList songs = r.songs({"a.mid", "b.mid"});
        QCOMPARE(r.lib.addFiles(songs), 2);
        QCOMPARE(r.heading + r.device.openFile, "New Library: 2 files" + songs[0]);
        r.play.setSelIndex(1);
        QCOMPARE(r.lib.addFiles(QStringList(998, songs[1])), 998);
        QCOMPARE(r.play.selIndex(), 1);
        QCOMPARE(r.device.log.filter("open").size(), 1);
        QCOMPARE(r.lib.addFiles({songs[0], songs[0], songs[0], r.at("line\nbreak.mid"), r.at("bad\"name.mid")}), 1);
        QCOMPARE(r.lib.list().count(), 1001);
        QCOMPARE(r.toldOf("2 file(s) were not added"), 1);
        QVERIFY(r.toldOf("line\nbreak.mid") == 1 && r.toldOf("bad\"name.mid") == 1);
        r.lib.removeAt(1000);
        r.lib.removeAt(-1);   // nothing selected: only the heading
        QCOMPARE(r.lib.list().count(), 1000);
        QCOMPARE(r.heading, "New Library: 1000 files");
    }

    // Names are files in the case's "in" folder; "file:" before a name gives it as a URL.
    // The list starts with x.mid, open and stopped.
    void carryOut_data()
    {
        QTest::addColumn<QStringList>("given");
        QTest::addColumn<bool>("playingBefore");
        QTest::addColumn<QStringList>("list");    // entry names afterwards
        QTest::addColumn<QString>("plays");       // file name that plays
        QTest::addColumn<QStringList>("named");   // one failure naming each
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
    void carryOut()
    {
        QFETCH(QStringList, given);
        QFETCH(bool, playingBefore);
        QFETCH(QStringList, list);
        QFETCH(QString, plays);
        QFETCH(QStringList, named);
        Rig r;
        r.songs({"x.mid", "in/a.mid", "in/b.mid", "in/with space.mid", "in/noext", "in/folder/z.mid", "in/folder/c.kar",
                 "in/folder/sub/y.MIDI", "in/folder/sub/.hidden/h.mid"});
        for (const char *n : {"in/notes.txt", "in/fake.mid", "in/folder/sub/readme.txt"})
            QVERIFY(r.write(n, "not a song\n"));
        const QString in = r.at("in/");
        QVERIFY(LibraryFile::write(in + "party.mfl", 0, {in + "gone.mid", in + "a.mid", in + "b.mid"}, nullptr));
        r.lib.addFiles({r.at("x.mid")});
        if (playingBefore)
            r.play.play();
        QStringList paths;
        for (const QString &g : given)
            paths << (g.startsWith("file:") ? QUrl::fromLocalFile(in + g.mid(5)).toString() : in + g);
        r.lib.carryOut(OpenPlanner::plan(paths, r.dir.path()));
        QCOMPARE(r.lib.list().names(), list);
        QCOMPARE(QFileInfo(r.device.openFile).fileName(), plays);
        QCOMPARE(r.device.mode(), SequencerDevice::Mode::Playing);
        QCOMPARE(r.told, named.size());
        for (const QString &n : named)
            QCOMPARE(r.toldOf(in + n), 1);
        QCOMPARE(r.lib.libFile(), given.first() == "party.mfl" ? in + "party.mfl" : QString());
        QCOMPARE(r.play.previewFile(), list == QStringList{"x.mid"} ? plays : QString());
    }
};

QTEST_GUILESS_MAIN(TestCoreLibrarySession)
#include "test_core_librarysession.moc"
