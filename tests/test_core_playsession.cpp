// The play session on its own: its commands, what it decides and what it announces.
#include "fakes/fakeclock.h"
#include "fakes/fakesequencer.h"
#include "playback/core/mediaerrors.h"
#include "playback/core/playsession.h"
#include "components/core/songstore.h"
#include "playback/core/storedpractice.h"
#include <QSignalSpy>
#include <QtTest>
#include <climits>

using namespace Qt::StringLiterals;

namespace {

// A session over songs written in a temporary folder, on a hand-moved clock,
// with what a window following its signals would show.
struct Rig {
    explicit Rig(const QString &names, qint64 lengthMs = 0, int interlude = 0)
    {
        for (const QString &n : names.split(u',', Qt::SkipEmptyParts)) {
            QFile file(dir.filePath(n));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(n.toUtf8()) > 0);   // songs differ by content
            list.append(file.fileName());
            if (lengthMs > 0)
                device.lengths.insert(n, lengthMs);
        }
        s.setOptions({.interludeSeconds = interlude});
        s.setEventPump([this] {
            if (onPump)
                std::exchange(onPump, nullptr)();
        });
        QObject::connect(&s, &PlaySession::stateShown,
                         [this](PlayState st) { shown = u'(' + playStateWord(st) + u')'; });
        QObject::connect(&s, &PlaySession::progress, [this](qint64 ms) {
            shown = u"%1s"_s.arg(ms / 1000);
            slider = int(ms / 1000);
        });
        QObject::connect(&s, &PlaySession::positionShown, [this](int seconds, bool showTime) {
            slider = seconds;
            if (showTime)
                shown = u"at %1"_s.arg(seconds);
        });
        QObject::connect(&s, &PlaySession::opening, [this] {
            slider = 0;
            ++openings;
        });
        QObject::connect(&s, &PlaySession::commandsLocked, [this](bool on) { locked = on; });
        QObject::connect(&s, &PlaySession::playStateChanged, [this](PlayState st) { heard << st; });
        QObject::connect(&s, &PlaySession::positionJumped, [this](qint64 ms) { jumps << ms; });
        QObject::connect(&s, &PlaySession::entrySelected, [this](int i) { selected = i; });
        QObject::connect(&s, &PlaySession::failure, [this](const Failure &f) {
            static const char *const kinds[]{"notice", "information", "warning", "report", "open", "fault"};
            failures << failure(kinds[int(f.kind)], f.error, f.text);
        });
    }

    void tick(qint64 ms)
    {
        clock.advance(ms);
        s.statusUpdate();
        s.interludeCheck();
    }
    // Buttons and clock moves in order: "Play +1000 Next".
    void run(const QString &script)
    {
        for (const QString &w : script.split(u' '))
            w.startsWith(u'+') ? tick(w.mid(1).toLongLong()) : press(w);
    }
    void press(const QString &button)
    {
        static const QStringList names{u"Play"_s, u"Pause"_s, u"Stop"_s, u"Next"_s, u"Prev"_s};
        static void (PlaySession::*const commands[])() = {&PlaySession::play, &PlaySession::pause, &PlaySession::stop,
                                                          &PlaySession::next, &PlaySession::previous};
        (s.*commands[names.indexOf(button)])();
    }
    PlaySession::Opened openAt(int i)
    {
        s.setSelIndex(i);
        return s.openEntry();
    }
    QString openName() const { return QFileInfo(device.openFile).fileName(); }
    QTimer *timer(const char *name) const { return s.findChild<QTimer *>(QString::fromLatin1(name)); }
    // The play state by name; the play flag, the monitor and the interlude's timer must agree with it.
    QString state() const
    {
        static const QStringList names{u"closed"_s, u"stopped"_s, u"playing"_s, u"paused"_s, u"interlude"_s};
        const PlayState st = s.playState();
        QString name = names.value(int(st));
        if (s.playing() != (st == PlayState::Playing || st == PlayState::Paused || st == PlayState::Interlude))
            name += s.playing() ? u", playing on"_s : u", not playing"_s;
        if (s.updateInterval() != (st == PlayState::Playing ? 500 : 0)
            || timer("StatusTimer")->isActive() != s.monitorRunning())
            name += u", monitor %1"_s.arg(s.updateInterval());
        if (timer("InterludeTimer")->isActive() != (st == PlayState::Interlude))
            name += u", interlude timer"_s;
        return name;
    }
    static QString failure(const char *kind, int error, const QString &text)
    {
        return u"%1|%2|%3"_s.arg(QLatin1String(kind)).arg(error).arg(text);
    }

    QTemporaryDir dir;
    FakeClock clock;
    FakeSequencer device{&clock};
    PlayList list;
    PlaySession s{&device, &clock, &list};
    std::function<void()> onPump;   // runs once, at the next place events may run
    QString shown;                  // Label2: "(Stopped)", "75s" played, "at 75" moved to
    int slider = -1, openings = 0, selected = -1;
    bool locked = false;
    QList<qint64> jumps;
    QList<PlayState> heard;
    QStringList failures;
};

const QString kABC = u"a.mid,b.mid,c.mid"_s;
const QString kGone = Rig::failure("notice", 0, u"Library file not present"_s);

// From a state, a button; the state, selection and display it leads to, and the display
// a second after Pause is pressed once more.
struct Step {
    QString from;
    int start;
    QString button, to, sel, shown, resumed{};
};
// The interlude as typed, and what is done while it runs.
struct Wait {
    QString text;
    int waitMs;
    QString then, state;
};
// A song ends with the selection at start; gone: entries whose files go while it plays;
// shuffle: the dealer turns the list round. The device will not open x.mid.
struct NextCase {
    QString list, gone;
    int start;
    bool loop, shuffle;
    int sel;
    QString state, failure{};
};
// from: the state when the slider is taken; deviceStops: it reports stopped at the end;
// shown right after the release and a second into play from there; jump: where play goes on.
struct Release {
    QString from;
    bool deviceStops;
    int heldMs, value;
    QString shown, after;
    qint64 jump;
};
// An open of a song of length, refused with error; opened: the length announced, -1 for none.
struct Open {
    qint64 length;
    int error;
    QString failure;
    qint64 opened;
    QString reason{};
};
// Entries a, b, c…: "+" present, "-" its file gone.
struct Missing {
    QString present;
    int start, sel;
    QString open;
};

}

class TestCorePlaySession : public QObject {
    Q_OBJECT
private slots:
    void stateTable_data()
    {
        QTest::addColumn<Step>("s");
        auto row = [](const Step &s) {
            QTest::newRow(qPrintable(s.from + u' ' + s.button + (s.start ? u""_s : u" at first"_s))) << s;
        };
        row({"stopped", 1, "Play", "playing", "b.mid", "1s"});
        row({"stopped", 1, "Pause", "playing", "b.mid", "1s"});
        row({"stopped", 1, "Stop", "stopped", "b.mid", "(Stopped)"});
        row({"stopped", 1, "Next", "stopped", "c.mid", "(Stopped)"});
        row({"stopped", 1, "Prev", "stopped", "a.mid", "(Stopped)"});
        row({"stopped", 0, "Prev", "stopped", "c.mid", "(Stopped)"});
        row({"playing", 1, "Pause", "paused", "b.mid", "(Paused)", "11s"});
        row({"playing", 1, "Stop", "stopped", "b.mid", "(Stopped)"});
        row({"playing", 1, "Next", "interlude", "c.mid", "(Interlude)"});
        row({"playing", 1, "Prev", "playing", "b.mid", "1s"});
        row({"paused", 1, "Pause", "playing", "b.mid", "11s"});
        row({"paused", 1, "Play", "playing", "b.mid", "11s"});
        row({"paused", 1, "Stop", "stopped", "b.mid", "(Stopped)"});
        row({"paused", 1, "Next", "interlude", "c.mid", "(Interlude)"});
        row({"paused", 1, "Prev", "paused", "b.mid", "(Paused)", "1s"});
        row({"interlude", 1, "Play", "playing", "b.mid", "1s"});
        row({"interlude", 1, "Pause", "playing", "b.mid", "1s"});
        row({"interlude", 1, "Stop", "stopped", "b.mid", "(Stopped)"});
        row({"interlude", 1, "Next", "interlude", "c.mid", "(Interlude)"});
        row({"interlude", 1, "Prev", "stopped", "a.mid", "(Stopped)"});
        // b failed to open: nothing is open.
        row({"closed", 1, "Play", "closed", "b.mid", ""});
        row({"closed", 1, "Pause", "closed", "b.mid", ""});
        row({"closed", 1, "Stop", "closed", "b.mid", "(Stopped)"});
    }
    void stateTable()
    {
        QFETCH(Step, s);
        Rig r(kABC, 0, 5);
        const bool failed = s.from == u"closed";
        if (failed)
            r.device.openErrors.insert(u"b.mid"_s, MediaError::DriverLoad);
        QCOMPARE(r.openAt(s.from == u"interlude" ? s.start - 1 : s.start),
                 failed ? PlaySession::Opened::Failed : PlaySession::Opened::File);
        if (s.from == u"stopped")
            r.press(u"Stop"_s);
        else if (!failed)
            r.run(s.from == u"playing"  ? u"Play +10000"_s
                  : s.from == u"paused" ? u"Play +10000 Pause"_s
                                        : u"Play +10000 Next"_s);
        QCOMPARE(r.state(), s.from);
        r.run(s.button + u" +1000"_s);
        QCOMPARE(r.state(), s.to);
        QCOMPARE(r.list.name(r.s.selIndex()), s.sel);
        QCOMPARE(r.openName(), s.to == u"closed" ? QString() : s.sel);
        QCOMPARE(r.shown, s.shown);
        QCOMPARE(r.locked, s.to == u"playing" || s.to == u"paused");
        if (s.to == u"stopped")
            QCOMPARE(r.slider, 0);
        if (!s.resumed.isEmpty()) {
            r.run(u"Pause +1000"_s);
            QCOMPARE(r.shown, s.resumed);
        }
    }

    void interlude_data()
    {
        QTest::addColumn<Wait>("w");   // then: done during the wait; "timer": its timer runs out
        QTest::newRow("empty") << Wait{"", 0, "", "playing"};
        QTest::newRow("2.5 is held as 2") << Wait{"2.5", 2000, "", "playing"};
        QTest::newRow("60") << Wait{"60", 60000, "", "playing"};
        QTest::newRow("the timer starts play") << Wait{"", 0, "timer", "playing"};
        QTest::newRow("a new Next waits anew") << Wait{"3", 3000, "Next", "interlude"};
        QTest::newRow("a new deal keeps the wait") << Wait{"3", 3000, "deal", "playing"};   // its first song
        QTest::newRow("closing the song cancels") << Wait{"3", 3000, "close", "closed"};
        QTest::newRow("quit cancels") << Wait{"3", 3000, "quit", "closed, playing on"};
        QTest::newRow("an entry opened and played cancels") << Wait{"3", 3000, "open", "playing"};
        QTest::newRow("a preview plays at once") << Wait{"3", 3000, "preview", "playing"};
    }
    void interlude()
    {
        QFETCH(Wait, w);
        const auto &[text, waitMs, then, state] = w;
        Rig r(kABC, 0, interludeFromText(text));
        r.openAt(0);
        r.run(u"Play +1000 Next"_s);
        QCOMPARE(r.timer("InterludeTimer")->interval(), waitMs + 1);
        r.tick(waitMs);
        QCOMPARE(r.state(), u"interlude"_s);
        if (then == u"close")
            r.s.closeSong();
        else if (then == u"quit")
            r.s.shutDown();
        else if (then == u"deal")
            r.list.setPaths({r.list.path(2), r.list.path(0), r.list.path(1)}), r.s.reopenAfterDeal();
        else if (then == u"open")
            r.openAt(0), r.press(u"Play"_s);
        else if (then == u"preview")
            r.s.preview(r.list.path(2), true);
        else if (!then.isEmpty() && then != u"timer")
            r.press(then);
        r.clock.advance(1);
        if (then == u"timer")   // the timer's own way in, not the test's look
            QMetaObject::invokeMethod(r.timer("InterludeTimer"), "timeout");
        else
            r.tick(0);
        QCOMPARE(r.state(), state);
        const QString song = then == u"Next" || then == u"deal" || then == u"preview" ? u"c.mid"_s
                             : then == u"Prev" || then == u"open"                     ? u"a.mid"_s
                                                                                      : u"b.mid"_s;
        QCOMPARE(r.openName(), state.startsWith(u"closed") ? QString() : song);
    }

    // Listeners hear each state the player settles in, once, not the steps between.
    void playStateIsAnnounced()
    {
        Rig r(kABC, 0, 5);
        QSignalSpy songs(&r.s, &PlaySession::songChanged);
        r.openAt(0);
        r.run(u"Play Pause Pause Next +5001 +1000 Prev Stop"_s);   // Prev starts b over: no stop on the way
        r.s.closeSong();
        using S = PlayState;
        QCOMPARE(r.heard, (QList<PlayState>{S::Stopped, S::Playing, S::Paused, S::Playing, S::Interlude, S::Playing,
                                            S::Stopped, S::Closed}));
        QCOMPARE(songs.count(), 3);   // a, b, none
        QCOMPARE(r.jumps, QList<qint64>{0});
    }

    // An output that will not start fails every open alike: told once until something changes;
    // a fault while playing stops and keeps the list.
    void driverAndFault()
    {
        Rig r(kABC);
        for (const QString &n : kABC.split(u','))
            r.device.openErrors.insert(n, MediaError::DriverLoad);
        r.device.openErrorText = u"The audio output \"pulse\" would not start."_s;
        r.openAt(1);
        r.openAt(2);
        const QString pulse = Rig::failure(
            "open", MediaError::DriverLoad,
            u"Error load media device driver.\nThe audio output \"pulse\" would not start."_s);
        QCOMPARE(r.failures, QStringList{pulse});
        r.device.openErrorText = u"The audio output \"alsa\" would not start."_s;
        r.openAt(2);
        QCOMPARE(r.failures.size(), 2);
        r.device.openErrors.remove(u"a.mid"_s);
        r.openAt(0);
        r.openAt(2);   // told again after a good open
        QCOMPARE(r.failures.size(), 3);

        r.failures.clear();
        r.openAt(0);
        r.run(u"Play +500"_s);
        const QString gone = u"The sound bank /x.sf2 can no longer be read."_s;
        r.device.fault = gone;
        r.tick(500);
        QCOMPARE(r.state(), u"stopped"_s);
        QCOMPARE(r.failures, QStringList{Rig::failure("fault", 0, gone)});
        r.run(u"Play"_s);   // told by the device at once, not at the next look
        r.device.fault = gone;
        r.device.listener();
        QCOMPARE(r.state(), u"stopped"_s);
        QCOMPARE(r.failures.size(), 2);
        QCOMPARE(r.list.count(), 3);
    }

    void nextAtTheEnd_data()
    {
        QTest::addColumn<NextCase>("c");
        const auto row = [](const char *tag, const NextCase &c) { QTest::newRow(tag) << c; };
        const char *abc = "a.mid,b.mid,c.mid";
        const QString x = Rig::failure("open", MediaError::InvalidFilename, u"Invalid filename."_s);
        row("loop off", {abc, "", 2, false, false, 0, "stopped"});
        row("loop on", {abc, "", 2, true, false, 0, "playing"});
        row("loop off, shuffle", {abc, "", 2, false, true, 0, "stopped"});
        row("loop on, shuffle", {abc, "", 2, true, true, 0, "playing"});
        row("one entry, loop off", {"a.mid", "", 0, false, false, 0, "stopped"});
        row("one entry, loop on", {"a.mid", "", 0, true, false, 0, "playing"});
        row("a song titled Failed to open", {"a.mid,failed to open.mid,c.mid", "", 0, false, false, 1, "playing"});
        row("an open that fails", {"a.mid,x.mid,c.mid", "", 0, false, false, 1, "closed", x});
        row("wrap to a missing first", {abc, "a", 2, false, false, 1, "stopped"});
        row("wrap to a missing first, loop", {abc, "a", 2, true, false, 1, "playing"});
        row("all gone", {abc, "abc", 0, false, false, 0, "closed", kGone});
        row("all gone, loop", {abc, "abc", 0, true, false, 0, "closed", kGone});
        row("all gone, wrap, loop, shuffle", {abc, "abc", 2, true, true, 0, "closed", kGone});
    }
    void nextAtTheEnd()
    {
        QFETCH(NextCase, c);
        Rig r(c.list, 5000);
        r.device.openErrors.insert(u"x.mid"_s, MediaError::InvalidFilename);
        r.s.setOptions({.loop = c.loop, .shuffle = c.shuffle});
        r.s.setDealer([&r] {
            QStringList paths = r.list.paths();
            std::reverse(paths.begin(), paths.end());
            r.list.setPaths(paths);
            r.s.reopenAfterDeal();
        });
        r.openAt(c.start);
        r.press(u"Play"_s);
        const QStringList dealt = c.shuffle ? QStringList{u"c.mid"_s, u"b.mid"_s, u"a.mid"_s} : r.list.names();
        for (const QString &p : r.list.paths())
            if (c.gone.contains(QFileInfo(p).baseName()))
                QVERIFY(QFile::remove(p));
        r.run(u"+5000 +500 +500"_s);   // the end, the interlude, a look at what follows
        QCOMPARE(r.state(), c.state);
        QCOMPARE(r.s.selIndex(), c.sel);
        QCOMPARE(r.list.names(), dealt);
        const bool open = c.state == u"playing" || c.state == u"stopped";
        QCOMPARE(r.openName(), open ? r.list.name(c.sel) : QString());
        QCOMPARE(r.failures, c.failure.isEmpty() ? QStringList() : QStringList{c.failure});
        QCOMPARE(r.locked, c.state == u"playing");
        if (c.state != u"playing")
            QCOMPARE(r.shown, u"(Stopped)"_s);
    }

    void selectionOutOfRange()
    {
        Rig r(u"a.mid,b.mid"_s);
        r.openAt(0);
        r.s.setSelIndex(5);   // its entry was removed
        r.run(u"Play +1000"_s);
        QCOMPARE(r.shown, u"1s"_s);
        r.press(u"Next"_s);
        QCOMPARE(r.s.selIndex(), 0);
        // Emptied while the device keeps the last song open.
        r.list.clear();
        r.press(u"Prev"_s);
        QCOMPARE(r.s.selIndex(), 0);
        QCOMPARE(r.failures, QStringList{kGone});
    }

    void sliderRelease_data()
    {
        QTest::addColumn<Release>("c");
        QTest::newRow("stopped at 75") << Release{"stopped", false, 0, 75, "at 75", "76s", 75000};
        QTest::newRow("playing at 0") << Release{"playing", false, 0, 0, "5s", "1s", 0};
        QTest::newRow("paused at 60") << Release{"paused", false, 0, 60, "at 60", "61s", 60000};
        QTest::newRow("song ended while held") << Release{"playing", false, 200000, 3, "5s", "4s", 3000};
        QTest::newRow("device stopped while held") << Release{"playing", true, 200000, 3, "5s", "4s", 3000};
        QTest::newRow("stopped past the end") << Release{"stopped", false, 0, 201, "at 201", "(Interlude)", 201000};
    }
    void sliderRelease()
    {
        QFETCH(Release, c);
        Rig r(u"a.mid,b.mid"_s);
        r.device.stopsAtEnd = c.deviceStops;
        r.openAt(0);
        r.run(c.from == u"stopped" ? u"Stop"_s : c.from == u"paused" ? u"Play +5000 Pause"_s : u"Play +5000"_s);
        r.s.holdPosition();
        QCOMPARE(r.s.updateInterval(), 0);
        r.clock.advance(c.heldMs);
        r.s.releasePosition(c.value);
        QCOMPARE(r.shown, c.shown);
        QCOMPARE(r.jumps, QList<qint64>{c.jump});
        QCOMPARE(r.s.updateInterval(), c.from == u"playing" ? 500 : 0);
        if (c.from != u"playing")   // nothing plays until asked, then from the chosen second
            r.press(c.from == u"paused" ? u"Pause"_s : u"Play"_s);
        r.tick(1000);
        QCOMPARE(r.shown, c.after);
        QCOMPARE(r.s.selIndex(), c.after == u"(Interlude)" ? 1 : 0);   // the end moved on
    }

    void opens_data()
    {
        QTest::addColumn<Open>("o");
        auto refused = [](const char *tag, int error, const QString &text) {
            QTest::newRow(tag) << Open{1000, error, Rig::failure("open", error, text), -1};
        };
        QTest::newRow("200.4 s") << Open{200400, 0, "", 200400};
        QTest::newRow("zero length") << Open{0, 0, Rig::failure("notice", 0, u"Multimedia Error: zero length file"_s),
                                             0};
        QTest::newRow("longest that fits") << Open{32767499, 0, "", 32767499};
        QTest::newRow("over 32767 s") << Open{
            32767500, 0, Rig::failure("open", MediaError::TooLong, mediaErrorText(MediaError::TooLong)), -1};
        refused("last known error", MediaError::InvalidFilename, u"Invalid filename."_s);
        refused("neighbour above", 30305, u"Unknown error ( 30305)."_s);
        refused("neighbour below", 30256, u"Unknown error ( 30256)."_s);
        refused("negative", -30304, u"Unknown error (-30304)."_s);
        refused("smallest", INT_MIN, u"Unknown error (-2147483648)."_s);
        const QString why = u"The file is not a MIDI file that can be played.\nThe file ends inside a track."_s;
        QTest::newRow("with its reason") << Open{1000, MediaError::NotMidiFile,
                                                 Rig::failure("open", MediaError::NotMidiFile, why), -1, why.mid(48)};
    }
    void opens()
    {
        QFETCH(Open, o);
        Rig r(u"z.mid,entertainer.mid"_s);
        r.device.lengths.insert(u"entertainer.mid"_s, o.length);
        if (o.error)
            r.device.openErrors.insert(u"entertainer.mid"_s, o.error);
        r.device.openErrorText = o.reason;
        r.slider = 50;
        QString whileOpening;
        r.device.onOpen = [&](const QString &) {
            whileOpening = u"%1 %2 %3"_s.arg(r.locked).arg(r.openings).arg(r.slider);
        };
        QSignalSpy opened(&r.s, &PlaySession::opened), failed(&r.s, &PlaySession::openFailed);
        QCOMPARE(r.openAt(1), o.opened < 0 ? PlaySession::Opened::Failed : PlaySession::Opened::File);
        QCOMPARE(whileOpening, u"1 1 0"_s);
        QCOMPARE(r.failures, o.failure.isEmpty() ? QStringList() : QStringList{o.failure});
        QCOMPARE(opened.isEmpty() ? -1 : opened.at(0).at(0).toLongLong(), o.opened);
        QCOMPARE(failed.count(), o.opened < 0 ? 1 : 0);
        QCOMPARE(r.state(), o.opened < 0 ? u"closed"_s : u"stopped"_s);
        QCOMPARE(r.locked, false);
        QCOMPARE(r.s.canSeek(), o.opened >= 1000);
        r.run(u"Play +0"_s);   // a song of no length ends at the first look
        QCOMPARE(r.s.selIndex(), o.length == 0 ? 0 : 1);
    }

    void missingEntries_data()
    {
        QTest::addColumn<Missing>("c");
        QTest::newRow("first missing") << Missing{"-++", 0, 1, "b.mid"};
        QTest::newRow("last missing wraps") << Missing{"++-", 2, 0, "a.mid"};
        QTest::newRow("past the end") << Missing{"+++", 7, 0, "a.mid"};
        QTest::newRow("all missing") << Missing{"---", 1, 0, ""};
        QTest::newRow("negative: nothing happens") << Missing{"++", -1, -1, ""};
    }
    void missingEntries()
    {
        QFETCH(Missing, c);
        Rig r(kABC.split(u',').mid(0, c.present.size()).join(u','));
        for (int i = 0; i < c.present.size(); ++i)
            if (c.present[i] == u'-')
                QVERIFY(QFile::remove(r.list.path(i)));
        r.s.setSelIndex(c.start);
        QCOMPARE(r.s.openEntry(), c.open.isEmpty() ? PlaySession::Opened::NoEntry : PlaySession::Opened::File);
        QCOMPARE(r.s.selIndex(), c.sel);
        QCOMPARE(r.openName(), c.open);
        QCOMPARE(r.selected, c.open.isEmpty() ? -1 : c.sel);
        QCOMPARE(r.failures, c.open.isEmpty() && c.sel >= 0 ? QStringList{kGone} : QStringList());
        QCOMPARE(r.locked, false);
    }

    // Another open, or the player closing, while an open waits for the device or for events.
    // Tempo, key and loop per song, kept in the song store (only once chosen); a loop's jump is a move.
    void practiceRemembered()
    {
        Rig r(u"a.mid,b.mid"_s, 60000);
        SongStore store(r.dir.filePath(u"choices.sqlite"_s));
        StoredPractice kept(&store);
        Practice *p = r.s.practice();
        p->setStore(&kept);
        const auto heard = [&r](int song) {
            r.openAt(song);
            const auto &d = r.device;
            return u"%1 %2 %3..%4"_s.arg(d.tempo).arg(d.key).arg(d.loop.first).arg(d.loop.second);
        };
        heard(0);
        p->reset();
        QVERIFY(!QFile::exists(store.fileName()));
        p->setTempo(10);
        p->setKey(-30);
        p->setLoopA(2000);
        QVERIFY(!p->setLoopB(1500) && p->setLoopB(90000));   // B after A, at most the song's end
        QCOMPARE(heard(1), u"100 0 -1..-1"_s);
        QCOMPARE(heard(0), u"25 -24 2000..60000"_s);
        r.run(u"Play +2500"_s);
        r.device.play(2000);   // the device's own jump, as the real one makes it
        r.run(u"+400 +500"_s);
        QCOMPARE(r.jumps, QList<qint64>{2400});
        p->reset();
        QCOMPARE(heard(1), u"100 0 -1..-1"_s);
        QCOMPARE(heard(0), u"100 0 -1..-1"_s);
        r.s.closeSong();
        p->setTempo(60);   // nothing open: nothing to choose for
        QCOMPARE(r.device.tempo, 100);
    }

    void overtakenOpen_data()
    {
        QTest::addColumn<bool>("inDevice");
        QTest::addColumn<bool>("quit");
        QTest::newRow("opened again in the device") << true << false;
        QTest::newRow("opened again between") << false << false;
        QTest::newRow("closed between") << false << true;
    }
    void overtakenOpen()
    {
        QFETCH(bool, inDevice);
        QFETCH(bool, quit);
        Rig r(kABC);
        r.device.lengths.insert(u"c.mid"_s, 61000);
        PlaySession::Opened newer = PlaySession::Opened::Overtaken;
        const auto overtake = [&] { quit ? r.s.shutDown() : void(newer = r.openAt(2)); };
        if (inDevice)
            r.device.onOpen = [&](const QString &path) {
                if (path.endsWith(u"b.mid"))
                    overtake();
            };
        else
            r.onPump = overtake;
        QSignalSpy opened(&r.s, &PlaySession::opened), selected(&r.s, &PlaySession::entrySelected);
        QCOMPARE(r.openAt(1), PlaySession::Opened::Overtaken);
        // The older open shows nothing more: no title, no selection moved back.
        QCOMPARE(opened.count(), quit ? 0 : 1);
        QCOMPARE(selected.count(), inDevice ? 2 : quit ? 0 : 1);
        QCOMPARE(newer, quit ? PlaySession::Opened::Overtaken : PlaySession::Opened::File);
        QCOMPARE(r.openName(), quit ? QString() : u"c.mid"_s);
        QCOMPARE(r.s.lengthMs(), quit ? 0 : 61000);
        if (!quit)
            QCOMPARE(r.locked, false);
        QVERIFY(r.failures.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCorePlaySession)
#include "test_core_playsession.moc"
