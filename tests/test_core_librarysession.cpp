// The library session on its own: the library file it keeps, its edits, and paths given from outside.
#include "fakes/fakeclock.h"
#include "fakes/fakesequencer.h"
#include "library/core/libraryfile.h"
#include "library/core/librarysession.h"
#include "playback/core/playsession.h"
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
// The format itself is tested on its own: here its bytes stand for a library's contents.
QByteArray library(int index, const QStringList &paths)
{
    return LibraryFile::serialize(index, paths);
}

bool write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
            failed << f.text;
        });
    }
    QString at(const QString &name) const { return dir.filePath(name); }
    int toldOf(const QString &text) const { return failed.filter(text).size(); }

    QTemporaryDir dir;
    FakeClock clock;
    FakeSequencer device{&clock};
    LibrarySession lib;
    PlaySession play{&device, &clock, &lib.list().list()};
    QString heading;
    QStringList heard, failed;   // the problems noted and the failures told; the failures
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
// Paths given from outside: names in the songs' folder ("file:" before one gives it as a URL), whether
// x.mid, the one entry, played; then the entry names, the song that plays (empty: none), one failure naming
// each of named, the library then open (a play list's in the data folder, where taken.mfl holds another list).
struct Given {
    QStringList given;
    bool playing;
    QStringList list;
    QString plays;
    QStringList named{};
    QString lib{};
};
}   // namespace

class TestCoreLibrarySession : public QObject {
    Q_OBJECT
    QTemporaryDir m_songs;   // the songs the tables name (a MIDI header is all the planner looks at)

    QString in(const QString &name) const { return m_songs.filePath(name); }

private slots:
    void initTestCase()
    {
        for (const char *n : {"a.mid", "b.mid", "c.mid", "many.mid", "n.mid", "x.mid", "with space.mid", "noext",
                              "folder/z.mid", "folder/c.kar", "folder/sub/y.MIDI", "folder/sub/.hidden/h.mid"})
            QVERIFY(write(in(n), "MThd"));
        for (const char *n : {"notes.txt", "fake.mid", "folder/sub/readme.txt"})
            QVERIFY(write(in(n), "not a song\n"));
        const std::pair<const char *, QByteArray> lists[] = {
            {"Trip.m3u8", "#EXTM3U\r\n#EXTINF:9,B\r\ngone.mid\r\nb.mid\r\n" + in("a.mid").toUtf8()},
            {"taken.pls", "[playlist]\nFile1=c.mid\nFile2=http://host/y.mid\nTitle1=C\n"},
            {"self.m3u", "a.mid\nself.m3u\nparty.mfl\n"},
            {"junk.m3u", QByteArray("MThd\0\0", 6)}};
        for (const auto &[name, bytes] : lists)
            QVERIFY(write(in(name), bytes));
        QVERIFY(LibraryFile::write(in("party.mfl"), 0, {in("gone.mid"), in("a.mid"), in("b.mid")}, nullptr));
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
        const QByteArray oddLib = "2\r\n\"" + in("a.mid").toUtf8() + "\"\r\n" + odd.toUtf8() + "\r\n\""
                                  + in("c.mid").toUtf8() + "\"\r\n";
        const QByteArray gone = library(0, {in("gone.mid")}), both = library(0, {in("many.mid"), in("n.mid")});
        const QByteArray ac = library(1, {in("a.mid"), in("c.mid")});
        const auto row = [](const char *tag, const Life &l) { QTest::newRow(tag) << l; };
        row("opened, current gone",
            {.bytes = library(2, acg), .steps = "open quit", .entries = 3, .sel = 0, .after = library(0, acg)});
        row("opened, none present", {.bytes = gone, .steps = "open quit", .said = absent, .entries = 1});
        row("opened, first line only", {.bytes = "0\r\n", .steps = "open quit", .said = absent, .entries = 0});
        row("opened, zero bytes", {.bytes = {}, .steps = "open quit", .entries = 0, .heading = "L (Empty)"});
        row("opened, bad first line",
            {.bytes = "abc\r\n\"/x.mid\"\r\n", .steps = "open quit", .said = "OpenLib error: ", .entries = 0});
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
        row("added, then New", {.bytes = {}, .steps = "start add new", .after = added});
        row("text file added, then another library",
            {.bytes = text, .steps = "start add other", .said = nan, .fresh = 1});
        row("cannot be saved, then room again",
            {.bytes = one, .steps = "start add lose paths room paths", .said = "could not be saved", .after = both});
        row("names a library cannot hold, told once",
            {.bytes = oddLib, .steps = "start save save quit", .said = odd, .entries = 3, .sel = 2, .after = ac});
    }
    void life()
    {
        QFETCH(Life, l);
        Rig r;
        const QString file = r.at("lib/L.mfl"), other = r.at("Other.mfl");
        const QString newLib = r.at(l.taken ? "data/New Library 2.mfl" : "data/New Library.mfl");
        if (l.taken)
            write(r.at("data/New Library.mfl"), "taken");
        write(file, l.bytes);
        write(other, library(0, {in("many.mid")}));
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
            if (&step == &steps.first() && l.entries >= 0) {
                QCOMPARE(r.lib.list().count(), l.entries);
                QCOMPARE(r.device.openFile, l.sel >= 0 ? r.lib.list().path(l.sel) : QString());
            }
        }
        const QString heard = r.heard.join('|');
        QVERIFY2(l.said.isEmpty() ? heard.isEmpty() : heard.contains(l.said) && r.failed.size() <= 1,
                 qPrintable(heard));
        if (!l.heading.isEmpty())
            QCOMPARE(r.heading, l.heading);
        QCOMPARE(read(file), l.after.isEmpty() ? l.bytes : l.after);
        const QStringList fresh = LibraryFile::read(newLib).paths;
        QCOMPARE(fresh.size(), qMax(l.fresh, 0));
        QVERIFY(l.fresh != 1 || fresh == QStringList{in("n.mid")});
        if (l.taken)
            QCOMPARE(read(r.at("data/New Library.mfl")), "taken");
        const QString last = steps.last();
        if (last == "quit")   // the library to reopen next time
            QCOMPARE(saved + '|' + r.lib.libFile(), l.fresh < 0 ? '|' + file : newLib + '|' + newLib);
        else if (last != "save")
            QCOMPARE(r.lib.libFile(), last == "new" ? QString() : other);
    }

    // The first song added opens when nothing was open; later ones leave it alone.
    // A full list and names a library cannot hold are told; the rest is added.
    void addAndRemove()
    {
        Rig r;
        const QStringList songs{in("a.mid"), in("b.mid")};
        QCOMPARE(r.lib.addFiles(songs), 2);
        QCOMPARE(r.heading + r.device.openFile, "New Library: 2 files" + songs[0]);
        r.play.setSelIndex(1);
        QCOMPARE(r.lib.addFiles(QStringList(998, songs[1])), 998);
        QCOMPARE(r.play.selIndex(), 1);
        QCOMPARE(r.device.log.filter("open").size(), 1);
        QCOMPARE(r.lib.addFiles({songs[0], songs[0], songs[0], r.at("line\nbreak.mid"), r.at("bad\"name.mid")}), 1);
        QCOMPARE(r.lib.addFiles({songs[0]}), 0);   // full: told, not ignored
        QCOMPARE(r.lib.list().count(), 1001);
        QCOMPARE(r.toldOf("2 file(s) were not added") + r.toldOf("1 file(s) were not added"), 2);
        QVERIFY(r.toldOf("line\nbreak.mid") == 1 && r.toldOf("bad\"name.mid") == 1);
        r.lib.removeAt(1000);
        r.lib.removeAt(-1);   // nothing selected: only the heading
        QCOMPARE(r.lib.list().count(), 1000);
        QCOMPARE(r.heading, "New Library: 1000 files");
    }

    void carryOut_data()
    {
        QTest::addColumn<Given>("g");
        const QStringList x{"x.mid"};
        const auto row = [](const char *tag, const Given &g) { QTest::newRow(tag) << g; };
        row("one song previews", {{"b.mid"}, false, x, "b.mid"});
        row("one song while playing", {{"b.mid"}, true, x, "b.mid"});
        row("songs and a folder",
            {{"b.mid", "a.mid", "folder"}, false, {"x.mid", "b.mid", "a.mid", "c.kar", "y.MIDI", "z.mid"}, "b.mid"});
        row("songs while playing", {{"b.mid", "a.mid"}, true, {"x.mid", "b.mid", "a.mid"}, "b.mid"});
        row("library", {{"party.mfl"}, true, {"gone.mid", "a.mid", "b.mid"}, "a.mid"});
        row("library and a song", {{"party.mfl", "c.mid"}, false, {"gone.mid", "a.mid", "b.mid", "c.mid"}, "a.mid"});
        row("missing and not MIDI", {{"nowhere.mid", "a.mid", "notes.txt", "b.mid"},
                                     false,
                                     {"x.mid", "a.mid", "b.mid"},
                                     "a.mid",
                                     {"nowhere.mid cannot be found.", "notes.txt"}});
        row("file URL", {{"file:with space.mid"}, false, x, "with space.mid"});
        row("by content", {{"fake.mid", "noext"}, false, x, "noext", {"fake.mid"}});
        row("play list", {{"Trip.m3u8"}, true, {"gone.mid", "b.mid", "a.mid"}, "b.mid", {}, "data/Trip.mfl"});
        row("its name taken", {{"taken.pls"}, false, {"c.mid"}, "c.mid", {"taken.pls"}, "data/taken 2.mfl"});
        row("naming itself", {{"self.m3u"}, false, {"a.mid"}, "a.mid", {"self.m3u"}, "data/self.mfl"});
        row("not a play list", {{"junk.m3u"}, true, x, {}, {"junk.m3u"}});
    }
    void carryOut()
    {
        QFETCH(Given, g);
        Rig r;
        write(r.at("data/taken.mfl"), library(0, {in("x.mid")}));
        r.lib.addFiles({in("x.mid")});
        if (g.playing)
            r.play.play();
        QStringList paths;
        for (const QString &name : g.given)
            paths << (name.startsWith("file:") ? QUrl::fromLocalFile(in(name.mid(5))).toString() : in(name));
        r.lib.carryOut(OpenPlanner::plan(paths, r.dir.path()));
        QCOMPARE(r.lib.list().names(), g.list);
        QCOMPARE(r.device.mode() == SequencerDevice::Mode::Playing, !g.plays.isEmpty());
        QVERIFY(g.plays.isEmpty() || QFileInfo(r.device.openFile).fileName() == g.plays);
        QCOMPARE(r.failed.size(), g.named.size());
        for (const QString &n : g.named)
            QCOMPARE(r.toldOf(in(n)), 1);
        const QString lib = g.lib.startsWith("data/") ? r.at(g.lib) : g.lib.isEmpty() ? g.lib : in(g.lib);
        QCOMPARE(r.lib.libFile(), g.given.first() == "party.mfl" ? in("party.mfl") : lib);
        QVERIFY(lib.isEmpty() || LibraryFile::read(lib).paths == r.lib.list().paths());
        QCOMPARE(r.play.previewFile(), g.list == QStringList{"x.mid"} ? g.plays : QString());
    }
};

QTEST_GUILESS_MAIN(TestCoreLibrarySession)
#include "test_core_librarysession.moc"
