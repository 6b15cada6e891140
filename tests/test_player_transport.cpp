#include "fakes/playerfixture.h"
#include "library/filebrowser.h"
#include "playback/core/mediaerrors.h"
#include "playback/mediacontrol.h"
#include "testenv.h"
#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

const QStringList kABC{u"a.mid"_s, u"b.mid"_s, u"c.mid"_s};

// The play state by name; the play flag and the monitor must agree with it.
QString stateOf(const Midi &m)
{
    static const QMap<PlayState, QString> names{{PlayState::Closed, u"closed"_s},
                                                {PlayState::Stopped, u"stopped"_s},
                                                {PlayState::Playing, u"playing"_s},
                                                {PlayState::Paused, u"paused"_s},
                                                {PlayState::Interlude, u"interlude"_s}};
    const PlayState s = m.playSession()->playState();
    QString name = names.value(s);
    const bool flag = s == PlayState::Playing || s == PlayState::Paused || s == PlayState::Interlude;
    if (m.playSession()->playing() != flag)
        name += m.playSession()->playing() ? u", playing on"_s : u", not playing"_s;
    const int interval = m.controls().MMControl1->updateInterval();
    if (interval != (s == PlayState::Playing ? 500 : 0))
        name += u", monitor %1"_s.arg(interval);
    return name;
}

// "locked" when the seven list commands are disabled, "free" when enabled.
QString locks(const Midi &m)
{
    const QList<QWidget *> seven{m.controls().cmdAdd,   m.controls().cmdClear, m.controls().chkShuffle,
                                 m.controls().cmdSave,  m.controls().cmdOpen,  m.controls().cmdNew,
                                 m.controls().cmdRemove};
    const auto on = std::count_if(seven.begin(), seven.end(), [](const QWidget *w) { return w->isEnabled(); });
    const QString s = on == 0 ? u"locked"_s : on == 7 ? u"free"_s : u"mixed"_s;
    return m.controls().SliderTime->isEnabled() ? s : s + u", slider off"_s;
}

QString openName(const PlayerFixture &f)
{
    return QFileInfo(f.device.openFile).fileName();
}

// Opens entry i of the list, as picking it would.
PlaySession::Opened openAt(Midi &m, int i)
{
    m.playSession()->setSelIndex(i);
    return m.playSession()->openEntry();
}

// From a state, a button; the state, selection, caption and Label2 it leads to.
struct Step {
    QString from;
    int start;
    QString button, to, sel, caption, label2;
    QString resumed{};   // Label2 a second after Pause is pressed once more
};

// The interlude's length as typed, and what is done while it runs.
struct Wait {
    QString text;
    int waitMs;
    QString then, state;
};

// A song ends with the selection at start; the device will not open x.mid.
struct NextCase {
    QString list, gone{};   // gone: entries whose files go while the song plays
    int start = 0;
    bool loop = false;
    QString shuffle{};   // ticked: the order after the wrap (dealt twice by then)
    int sel = 0;
    QString state, notice{};
};

}

Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(Wait)
Q_DECLARE_METATYPE(NextCase)

class TestPlayerTransport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

    void stateTable_data()
    {
        QTest::addColumn<Step>("s");
        auto row = [](const Step &s) {
            QTest::newRow(qPrintable(s.from + u' ' + s.button + (s.start ? u""_s : u" at first"_s))) << s;
        };
        const char *stopped = "Lyrabox (Stopped)", *paused = "Lyrabox (Paused)";
        row({"stopped", 1, "Play", "playing", "b.mid", "B", "Time: 0:01 *"});
        row({"stopped", 1, "Pause", "playing", "b.mid", "B", "Time: 0:01 *"});
        row({"stopped", 1, "Stop", "stopped", "b.mid", stopped, "(Stopped)"});
        row({"stopped", 1, "Next", "stopped", "c.mid", "C", "(Stopped)"});
        row({"stopped", 1, "Prev", "stopped", "a.mid", "A", "(Stopped)"});
        row({"stopped", 0, "Prev", "stopped", "c.mid", "C", "(Stopped)"});
        row({"playing", 1, "Pause", "paused", "b.mid", paused, "(Paused)", "Time: 0:11 *"});
        row({"playing", 1, "Stop", "stopped", "b.mid", stopped, "(Stopped)"});
        row({"playing", 1, "Next", "interlude", "c.mid", "C", "(Interlude)"});
        row({"playing", 1, "Prev", "playing", "b.mid", "B", "Time: 0:01 *"});
        row({"paused", 1, "Pause", "playing", "b.mid", "B", "Time: 0:11 *"});
        row({"paused", 1, "Play", "playing", "b.mid", "B", "Time: 0:11 *"});
        row({"paused", 1, "Stop", "stopped", "b.mid", stopped, "(Stopped)"});
        row({"paused", 1, "Next", "interlude", "c.mid", "C", "(Interlude)"});
        row({"paused", 1, "Prev", "paused", "b.mid", paused, "(Paused)", "Time: 0:01 *"});
        row({"interlude", 1, "Play", "playing", "b.mid", "B", "Time: 0:01 *"});
        row({"interlude", 1, "Pause", "playing", "b.mid", "B", "Time: 0:01 *"});
        row({"interlude", 1, "Stop", "stopped", "b.mid", stopped, "(Stopped)"});
        row({"interlude", 1, "Next", "interlude", "c.mid", "C", "(Interlude)"});
        row({"interlude", 1, "Prev", "stopped", "a.mid", "A", "(Stopped)"});
        // b failed to open: nothing is open.
        row({"closed", 1, "Play", "closed", "b.mid", "A", "(Stopped)"});
        row({"closed", 1, "Pause", "closed", "b.mid", "A", "(Stopped)"});
        row({"closed", 1, "Stop", "closed", "b.mid", stopped, "(Stopped)"});
    }
    void stateTable()
    {
        QFETCH(Step, s);
        PlayerFixture f;
        const bool failed = s.from == u"closed";
        if (failed)
            f.device.openErrors.insert(u"b.mid"_s, MediaError::DriverLoad);
        Midi &m = f.startWith(kABC);
        m.controls().txtPause->setText(u"5"_s);
        QCOMPARE(openAt(m, s.from == u"interlude" ? s.start - 1 : s.start),
                 failed ? PlaySession::Opened::Failed : PlaySession::Opened::File);
        if (s.from == u"stopped") {
            f.press(u"Stop"_s);
        } else if (!failed) {
            f.press(u"Play"_s);
            f.tick(10000);
            if (s.from != u"playing")
                f.press(s.from == u"paused" ? u"Pause"_s : u"Next"_s);
        }
        QCOMPARE(stateOf(m), s.from);
        f.press(s.button);
        f.tick(1000);   // the monitor's next look writes the playing texts
        QCOMPARE(stateOf(m), s.to);
        QCOMPARE(m.library()->list().name(m.playSession()->selIndex()), s.sel);
        QCOMPARE(openName(f), s.to == u"closed" ? QString() : s.sel);
        QCOMPARE(m.windowTitle(), s.caption);
        QCOMPARE(m.controls().Label2->text(), s.label2);
        QCOMPARE(locks(m), s.to == u"playing" || s.to == u"paused" ? u"locked"_s : u"free"_s);
        if (s.to == u"stopped")
            QCOMPARE(m.controls().SliderTime->value(), 0);
        if (!s.resumed.isEmpty()) {
            f.press(u"Pause"_s);
            f.tick(1000);
            QCOMPARE(m.controls().Label2->text(), s.resumed);
        }
    }

    void interlude_data()
    {
        QTest::addColumn<Wait>("w");   // then: pressed during the wait; "timer": let the timer start play
        QTest::newRow("empty") << Wait{"", 0, "", "playing"};
        QTest::newRow("2.5 is held as 2") << Wait{"2.5", 2000, "", "playing"};
        QTest::newRow("60") << Wait{"60", 60000, "", "playing"};
        QTest::newRow("the timer starts play") << Wait{"", 0, "timer", "playing"};
        QTest::newRow("Stop cancels") << Wait{"3", 3000, "Stop", "stopped"};
        QTest::newRow("Prev cancels") << Wait{"3", 3000, "Prev", "stopped"};
        QTest::newRow("a new Next waits anew") << Wait{"3", 3000, "Next", "interlude"};
        QTest::newRow("Clear cancels") << Wait{"3", 3000, "Clear", "closed"};
        QTest::newRow("quit cancels") << Wait{"3", 3000, "quit", "closed, playing on"};
    }
    void interlude()
    {
        QFETCH(Wait, w);
        const auto &[text, waitMs, then, state] = w;
        PlayerFixture f;
        Midi &m = f.startWith(kABC);
        m.controls().txtPause->setText(text);
        f.press(u"Play"_s);
        f.tick(1000);
        f.press(u"Next"_s);
        f.tick(waitMs);
        QCOMPARE(stateOf(m), u"interlude"_s);
        if (then == u"Clear")
            m.controls().cmdClear->click();
        else if (then == u"quit")
            f.quit();
        else if (!then.isEmpty() && then != u"timer")
            f.press(then);
        if (then == u"timer") {
            f.clock.advance(1);
            QTRY_COMPARE_WITH_TIMEOUT(stateOf(m), state, 2000);
        } else {
            f.tick(1);
            QTest::qWait(5);   // nor may a timer left running start it
            QCOMPARE(stateOf(m), state);
        }
        QCOMPARE(m.unloaded(), then == u"quit");
    }

    // The list is between two songs when the user picks another way on.
    void interludeInterrupted_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("stateAtOnce");
        QTest::addColumn<QString>("playsAfterWait");   // the file playing once the wait is over
        QTest::newRow("play-list double click") << "list"
                                                << "playing"
                                                << "a.mid";
        QTest::newRow("preview") << "preview"
                                 << "playing"
                                 << "c.mid";
        QTest::newRow("Shuffle ticked") << "shuffle"
                                        << "interlude"
                                        << "c.mid";   // the first of the deal
    }
    void interludeInterrupted()
    {
        QFETCH(QString, action);
        QFETCH(QString, stateAtOnce);
        QFETCH(QString, playsAfterWait);
        PlayerFixture f;
        Midi &m = f.startWith(kABC);
        m.controls().txtPause->setText(u"5"_s);
        f.press(u"Play"_s);
        f.tick(1000);
        f.press(u"Next"_s);
        f.tick(2000);
        if (action == u"list") {
            m.controls().List1->setCurrentRow(0);
            emit m.controls().List1->enterPressed();
        } else if (action == u"preview") {
            f.preview(u"c.mid"_s);
        } else {
            m.controls().chkShuffle->setChecked(true);
        }
        QCOMPARE(stateOf(m), stateAtOnce);
        f.tick(2000);
        QCOMPARE(stateOf(m), stateAtOnce);   // the pause keeps its length
        f.tick(1001);
        QCOMPARE(stateOf(m), u"playing"_s);
        QCOMPARE(openName(f), playsAfterWait);
        f.tick(500);
        QVERIFY(m.controls().Label2->text().startsWith(u"Time: "_s) || m.controls().Label2->text() == u"(Preview)"_s);
    }

    // Listeners hear each state the player settles in, once, not the steps between.
    void playStateIsAnnounced()
    {
        PlayerFixture f;
        QList<PlayState> heard;
        f.midi = std::make_unique<Midi>(f.services);
        Midi &m = *f.midi;
        connect(m.playSession(), &PlaySession::playStateChanged, this, [&heard](PlayState s) { heard << s; });
        m.Form_Load();
        m.library()->addFiles(f.songs(kABC));
        m.controls().txtPause->setText(u"5"_s);
        f.press(u"Play"_s);
        f.press(u"Pause"_s);
        f.press(u"Pause"_s);
        f.press(u"Next"_s);
        QCOMPARE(m.playSession()->playState(), PlayState::Interlude);
        f.tick(5001);
        f.press(u"Stop"_s);
        m.controls().cmdClear->click();
        using S = PlayState;
        QCOMPARE(heard, (QList<PlayState>{S::Stopped, S::Playing, S::Paused, S::Playing, S::Interlude, S::Playing,
                                          S::Stopped, S::Closed}));
    }

    // An open that fails says why on a second line; an output that will not
    // start is said once until something changes; a fault while playing stops.
    void errorsSayWhy()
    {
        PlayerFixture f;
        for (const QString &n : kABC)
            f.device.openErrors.insert(n, MediaError::DriverLoad);
        f.device.openErrorText = u"The audio output \"pulse\" would not start: no server."_s;
        Midi &m = f.startWith(kABC);
        openAt(m, 1);
        openAt(m, 2);
        QCOMPARE(
            f.dialogs.texts(),
            QStringList{u"Error load media device driver.\nThe audio output \"pulse\" would not start: no server."_s});
        f.device.openErrorText = u"The audio output \"alsa\" would not start."_s;
        m.playSession()->openEntry();
        QCOMPARE(f.dialogs.count(u"\"alsa\""_s), 1);

        f.device.openErrors.clear();
        f.device.openErrors.insert(u"b.mid"_s, MediaError::NotMidiFile);
        f.device.openErrorText = u"The file ends inside a track."_s;
        f.dialogs.clear();
        openAt(m, 1);
        QCOMPARE(f.dialogs.texts(),
                 QStringList{u"The file is not a MIDI file that can be played.\nThe file ends inside a track."_s});

        f.dialogs.clear();
        openAt(m, 0);
        f.press(u"Play"_s);
        f.tick(500);
        f.device.fault = u"The sound bank /x.sf2 can no longer be read."_s;
        f.tick(500);
        QCOMPARE(stateOf(m), u"stopped"_s);
        QCOMPARE(f.dialogs.texts(), QStringList{u"The sound bank /x.sf2 can no longer be read."_s});
        QCOMPARE(m.library()->list().count(), 3);
    }

    void nextAtTheEnd_data()
    {
        QTest::addColumn<NextCase>("c");
        const auto row = [](const char *tag, const NextCase &c) { QTest::newRow(tag) << c; };
        const char *abc = "a.mid,b.mid,c.mid", *gone = "Library file not present";
        row("loop off", {.list = abc, .start = 2, .state = "stopped"});
        row("loop on", {.list = abc, .start = 2, .loop = true, .state = "playing"});
        const char *five = "a.mid,b.mid,c.mid,d.mid,e.mid";   // three could deal again into the same order
        const char *dealt = "a.mid,d.mid,e.mid,b.mid,c.mid";
        row("loop off, shuffle", {.list = five, .start = 4, .shuffle = dealt, .state = "stopped"});
        row("loop on, shuffle", {.list = five, .start = 4, .loop = true, .shuffle = dealt, .state = "playing"});
        row("one entry, loop off", {.list = "a.mid", .state = "stopped"});
        row("one entry, loop on", {.list = "a.mid", .loop = true, .state = "playing"});
        row("a song titled Failed to open", {.list = "a.mid,failed to open.mid,c.mid", .sel = 1, .state = "playing"});
        row("an open that fails",
            {.list = "a.mid,x.mid,c.mid", .sel = 1, .state = "closed", .notice = "Invalid filename."});
        row("wrap to a missing first", {.list = abc, .gone = "a", .start = 2, .sel = 1, .state = "stopped"});
        row("wrap to a missing first, loop",
            {.list = abc, .gone = "a", .start = 2, .loop = true, .sel = 1, .state = "playing"});
        row("all gone", {.list = abc, .gone = "abc", .state = "closed", .notice = gone});
        row("all gone, loop", {.list = abc, .gone = "abc", .loop = true, .state = "closed", .notice = gone});
        row("all gone, wrap, loop",
            {.list = abc, .gone = "abc", .start = 2, .loop = true, .state = "closed", .notice = gone});
        row("all gone, wrap, loop, shuffle", {.list = abc,
                                              .gone = "abc",
                                              .start = 2,
                                              .loop = true,
                                              .shuffle = "c.mid,b.mid,a.mid",
                                              .state = "closed",
                                              .notice = gone});
    }
    void nextAtTheEnd()
    {
        QFETCH(NextCase, c);
        PlayerFixture f;
        f.device.openErrors.insert(u"x.mid"_s, MediaError::InvalidFilename);
        Midi &m = f.startWith(c.list.split(u','), 5000);
        m.controls().txtPause->setText(u"0"_s);
        m.controls().chkLoop->setChecked(c.loop);
        m.controls().chkShuffle->setChecked(!c.shuffle.isEmpty());
        openAt(m, c.start);
        f.press(u"Play"_s);
        for (const QString &p : m.library()->list().paths())
            if (c.gone.contains(QFileInfo(p).baseName()))
                QVERIFY(QFile::remove(p));
        for (int ms : {5000, 500, 500})   // the end, the interlude, a look at what follows
            f.tick(ms);
        QCOMPARE(stateOf(m), c.state);
        QCOMPARE(m.playSession()->selIndex(), c.sel);
        if (!c.shuffle.isEmpty())
            QCOMPARE(m.library()->list().names().join(u','), c.shuffle);
        const bool open = c.state == u"playing" || c.state == u"stopped";
        QCOMPARE(openName(f), open ? m.library()->list().name(c.sel) : QString());
        QCOMPARE(f.dialogs.texts(), c.notice.isEmpty() ? QStringList() : QStringList{c.notice});
        QCOMPARE(locks(m), c.state == u"playing" ? u"locked"_s : u"free"_s);
        if (c.state == u"stopped" || c.state == u"closed")
            QCOMPARE(m.windowTitle() + m.controls().Label2->text(), u"Lyrabox (Stopped)(Stopped)"_s);
    }

    void selectionOutOfRange()
    {
        PlayerFixture f;
        Midi &m = f.startWith({u"a.mid"_s, u"b.mid"_s});
        m.playSession()->setSelIndex(5);   // its entry was removed
        f.press(u"Play"_s);
        f.tick(1000);
        QCOMPARE(m.controls().Label2->text(), u"Time: 0:01 *"_s);
        f.press(u"Next"_s);
        QCOMPARE(m.playSession()->selIndex(), 0);
        f.press(u"Stop"_s);
        m.playSession()->setSelIndex(5);
        f.press(u"Prev"_s);
        QCOMPARE(m.playSession()->selIndex(), 0);
        QCOMPARE(openName(f), u"a.mid"_s);
        // Emptied while the device keeps the last song open.
        for (int i = 0; i < 2; ++i) {
            m.controls().List1->setCurrentRow(0);
            m.controls().cmdRemove->click();
        }
        f.press(u"Prev"_s);
        QCOMPARE(m.playSession()->selIndex(), 0);
        QCOMPARE(f.dialogs.count(u"Library file not present"_s), 1);
    }
};

QTEST_MAIN(TestPlayerTransport)
#include "test_player_transport.moc"
