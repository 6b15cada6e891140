#include "app/commands.h"
#include "channels/channelswindow.h"
#include "channels/core/channelchoices.h"
#include "components/core/songstore.h"
#include "fakes/playerfixture.h"
#include "library/filebrowser.h"
#include "lyrics/lyricswindow.h"
#include "playback/core/mediaerrors.h"
#include "playback/mediacontrol.h"
#include "playback/tempowindow.h"
#include "testenv.h"
#include <QAccessible>
#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

// Starts a.mid..c.mid listed and the window active, so its shortcuts are live.
Midi &activeWindow(PlayerFixture &f)
{
    Midi &m = f.startWith({u"a.mid"_s, u"b.mid"_s, u"c.mid"_s}, 60000);
    m.show();
    m.activateWindow();
    if (!QTest::qWaitForWindowActive(&m))
        qWarning("window not active");
    return m;
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

// label1 "Failed to open" marks a refused open; max, tick and page are the slider's after it;
// message: what was shown, with its title, style and the mouse pointer meanwhile.
struct Open {
    qint64 length;
    int error;
    QString label1, total;
    int max, tick, page;
    QString message;
};
}   // namespace

Q_DECLARE_METATYPE(Open)

// The transport strip and the texts as views of the play session (what it decides is tested on its own); the
// keyboard and the right-click menu. Then the windows that follow the song: the lyrics window (its command, which
// syllable is sung at which moment through play, pause, seeks, song changes and the interlude, and the encoding picked
// by hand), the tempo and key window, the channels window.
class TestPlayerRemote : public QObject {
    Q_OBJECT
private slots:
    // Each button reaches its command; what the session announces reaches the texts, the slider, the list and the
    // locks. Seconds are shown halves to even, the marker blinks on every other look, a name keeps its own case.
    void buttonsAndTexts()
    {
        PlayerFixture f;
        Midi &m = f.startWith({u"éTUDE no 2.RMI"_s, u"b.mid"_s, u"c.mid"_s});
        m.controls().txtPause->setText(u"5"_s);
        const auto slideTo = [&m](int seconds) {
            m.playSession()->holdPosition();
            m.controls().SliderTime->setValue(seconds);
            m.playSession()->releasePosition(m.controls().SliderTime->value());
        };
        struct Step {
            const char *act;
            int ms;
            const char *title, *caption, *label2, *locks;
            int slider, row;
        };
        const char *a = "ÉTUDE no 2";
        const Step steps[]{
            {"Play", 2500, a, a, "Time: 0:02 *", "locked", 2, 0},
            {"", 1000, a, a, "Time: 0:04", "locked", 4, 0},
            {"Pause", 0, a, "Lyrabox (Paused)", "(Paused)", "locked", 4, 0},
            {"Pause", 1000, a, a, "Time: 0:04 *", "locked", 4, 0},
            {"Next", 0, "B", "B", "(Interlude)", "free", 0, 1},
            {"list", 1000, "B", "B", "Time: 0:01 *", "locked", 1, 1},   // the entry picked in the wait plays at once
            {"slide", 1000, "B", "B", "Time: 0:01", "locked", 1, 1},
            {"preview", 1000, "C", "C", "(Preview)", "locked", 1, 1},
            {"Stop", 0, "C", "Lyrabox (Stopped)", "(Stopped)", "free", 0, 1},
            {"slide", 0, "C", "Lyrabox (Stopped)", "Time: 1:15", "free", 75, 1},
            {"Prev", 0, a, a, "Time: 1:15", "free", 0, 0},
        };
        for (const Step &s : steps) {
            const QString act = QString::fromLatin1(s.act);
            if (act == u"slide")
                slideTo(m.playSession()->playState() == PlayState::Stopped ? 75 : 0);
            else if (act == u"list")
                emit m.controls().List1->enterPressed();
            else if (act == u"preview")
                f.preview(u"c.mid"_s);
            else if (!act.isEmpty())
                f.press(act);
            f.tick(s.ms);
            QCOMPARE(
                QStringList({act, m.controls().Label1->text(), m.windowTitle(), m.controls().Label2->text(), locks(m)})
                    .join(u'|'),
                QStringList({act, s.title, s.caption, s.label2, s.locks}).join(u'|'));
            QCOMPARE(QList<int>({m.controls().SliderTime->value(), m.controls().List1->currentRow()}),
                     QList<int>({s.slider, s.row}));
        }
        // The status labels read out what they show (the other controls' names: captionsFit in test_player_browser).
        const QAccessibleInterface *label3 = QAccessible::queryAccessibleInterface(m.controls().Label3);
        QCOMPARE(label3->text(QAccessible::Name), m.controls().Label3->text());
        // Loop and Shuffle reach the session: past the end the list is dealt again and plays on.
        m.library()->addFiles(f.songs({u"d.mid"_s, u"e.mid"_s}));   // three could deal again into the same order
        m.controls().chkLoop->setChecked(true);
        m.controls().chkShuffle->setChecked(true);
        const QStringList dealt = m.library()->list().names();
        m.playSession()->setSelIndex(4);
        f.press(u"Play"_s);
        f.press(u"Next"_s);
        QCOMPARE(m.playSession()->playState(), PlayState::Interlude);
        QCOMPARE(m.playSession()->selIndex(), 0);
        QVERIFY(m.library()->list().names() != dealt);
    }

    void opensEntry_data()
    {
        QTest::addColumn<Open>("o");
        const QString fail = u"Failed to open"_s, none = u"Total: 0:00 "_s;
        auto refused = [&](const char *tag, int error, const QString &text) {
            QTest::newRow(tag) << Open{1000, error, fail, none, 0, 0, 0, text + u"|Midi Player|48|0"_s};
        };
        QTest::newRow("ticks to even") << Open{125000, 0, "Entertainer", "Total: 2:05 ", 125, 2, 12, ""};
        QTest::newRow("zero length") << Open{
            0, 0, "Entertainer", none, 0, 0, 0, "Multimedia Error: zero length file|Veltrix Lyrabox|0|11"};
        QTest::newRow("longest that fits") << Open{32767499, 0, "Entertainer", "Total: 546:07 ", 32767, 655, 3277, ""};
        refused("last known error", MediaError::InvalidFilename, u"Invalid filename."_s);
    }
    void opensEntry()
    {
        QFETCH(Open, o);
        PlayerFixture f;
        f.device.lengths.insert(u"entertainer.mid"_s, o.length);
        if (o.error)
            f.device.openErrors.insert(u"entertainer.mid"_s, o.error);
        Midi &m = f.startWith({u"z.mid"_s, u"entertainer.mid"_s});
        m.controls().SliderTime->setValue(50);
        QString whileOpening, shown;
        f.device.onOpen = [&](const QString &) {
            whileOpening = u"%1|%2|%3|%4"_s.arg(locks(m))
                               .arg(int(m.controls().MMControl1->mousePointer()))
                               .arg(m.controls().Label1->text(), m.controls().Label3->text());
        };
        f.dialogs.onMessage = [&](const FakeDialogs::Message &d) {
            shown += u"%1|%2|%3|%4"_s.arg(d.text, d.title)
                         .arg(int(d.style))
                         .arg(int(m.controls().MMControl1->mousePointer()));
        };
        m.playSession()->setSelIndex(1);
        const bool failed = o.label1 == u"Failed to open";
        QCOMPARE(m.playSession()->openEntry(), failed ? PlaySession::Opened::Failed : PlaySession::Opened::File);
        QCOMPARE(whileOpening, u"locked, slider off|11|Opening Selection...|Total: 0:00 "_s);
        QCOMPARE(shown, o.message);
        QCOMPARE(m.controls().Label1->text(), o.label1);
        QCOMPARE(m.controls().Label3->text(), o.total);
        QCOMPARE(m.controls().MMControl1->mode(),
                 failed ? SequencerDevice::Mode::NotOpen : SequencerDevice::Mode::Stopped);
        QCOMPARE(locks(m), u"free"_s);
        QCOMPARE(m.controls().SliderTime->value(), 0);
        const QSlider *slider = m.controls().SliderTime;
        if (!failed)
            QCOMPARE(QList<int>({slider->maximum(), slider->tickInterval(), slider->pageStep()}),
                     QList<int>({o.max, o.tick, o.page}));
    }

    // Before: "playing", "paused" or "stopped"; focus: the control given it (as the window system or a
    // disabled neighbour gives it), "Tab:" moved there by the keyboard, "click:" then clicked; dialog:
    // one the key opened.
    void shortcuts_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<PlayState>("after");
        QTest::addColumn<QString>("dialog");
        const auto row = [](const char *tag, const char *before, QKeyCombination key, PlayState after,
                            const char *dialog = "", const char *focus = "List1") {
            QTest::newRow(tag) << QString(before) << QString(focus) << key << after << QString(dialog);
        };
        const PlayState playing = PlayState::Playing, paused = PlayState::Paused, stopped = PlayState::Stopped;
        row("space pauses", "playing", Qt::Key_Space, paused);
        row("space resumes", "paused", Qt::Key_Space, playing);
        row("space in the pause field", "playing", Qt::Key_Space, playing, "", "txtPause");
        row("space on a button tabbed to presses it", "stopped", Qt::Key_Space, stopped, "save", "Tab:cmdSave");
        row("space on a button the focus fell to plays", "stopped", Qt::Key_Space, playing, "", "cmdSave");
        row("space after a click on Previous pauses", "playing", Qt::Key_Space, paused, "", "click:Prev");
        row("space after Tab, then a click, plays", "stopped", Qt::Key_Space, playing, "", "Tab:click:Stop");
        row("media toggle", "playing", Qt::Key_MediaTogglePlayPause, paused);
        row("media pause leaves paused", "paused", Qt::Key_MediaPause, paused);
    }

    void shortcuts()
    {
        QFETCH(QString, before);
        QFETCH(QString, focus);
        QFETCH(QKeyCombination, key);
        PlayerFixture f;
        Midi &m = activeWindow(f);
        if (before != "stopped"_L1)
            f.press(u"Play"_s);
        if (before == "paused"_L1)
            f.press(u"Pause"_s);
        QWidget *target = m.findChild<QWidget *>(focus.section(u':', -1));
        QVERIFY(target);
        target->setFocus();
        if (focus.startsWith("Tab:"_L1)) {   // there and back
            QTest::keyClick(target, Qt::Key_Tab);
            QTest::keyClick(m.focusWidget(), Qt::Key_Backtab);
            QCOMPARE(m.focusWidget(), target);
        }
        if (focus.contains("click:"_L1))
            QTest::mouseClick(target, Qt::LeftButton);
        const QString pause = m.controls().txtPause->text();
        QStringList asked;
        f.dialogs.onAsk = [&asked](const QString &kind) { asked << kind; };
        // Media keys have no text, which keyClick insists on.
        const QString text = key.key() == Qt::Key_Space ? u" "_s : QString();
        QTest::sendKeyEvent(QTest::Press, target, key.key(), text, key.keyboardModifiers());
        QTest::sendKeyEvent(QTest::Release, target, key.key(), text, key.keyboardModifiers());
        QTEST(m.playSession()->playState(), "after");
        QCOMPARE(m.playSession()->selIndex(), 0);
        QTEST(asked.value(0), "dialog");
        if (focus != "txtPause"_L1)
            QCOMPARE(m.controls().txtPause->text(), pause);
    }

    // A key, the menu and a command from code run the handler once, as a click on the control does;
    // a locked command is refused on every road.
    void everyRoadRunsTheHandlerOnce_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QKeyCombination>("key");   // Key_unknown: none
        QTest::addColumn<QString>("entry");         // in the menu; empty: none
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("playing");   // before
        QTest::addColumn<bool>("locked");
        const auto row = [](const char *tag, const char *control, QKeyCombination key, const char *entry,
                            Commands::Id command, bool playing = false, bool locked = false) {
            QTest::newRow(tag) << QString(control) << key << QString(entry) << int(command) << playing << locked;
        };
        const QKeyCombination none = Qt::Key_unknown;
        row("play", "Play", Qt::Key_Space, "Play/Pause", Commands::PlayPause);
        row("pause", "Pause", Qt::Key_MediaPause, "", Commands::Pause, true);
        row("next", "Next", Qt::CTRL | Qt::Key_Right, "Next", Commands::Next);
        row("previous", "Prev", Qt::CTRL | Qt::Key_Left, "Previous", Commands::Previous, true);
        row("stop", "Stop", Qt::CTRL | Qt::Key_Period, "Stop", Commands::Stop, true);
        row("open library", "cmdOpen", Qt::CTRL | Qt::Key_O, "Open Library...", Commands::OpenLibrary);
        row("save library", "cmdSave", Qt::CTRL | Qt::Key_S, "", Commands::SaveLibrary);
        row("new library", "cmdNew", Qt::CTRL | Qt::Key_N, "", Commands::NewLibrary);
        row("loop", "chkLoop", none, "Loop", Commands::Loop);
        row("clear", "cmdClear", none, "", Commands::Clear);
        row("open library locked", "cmdOpen", Qt::CTRL | Qt::Key_O, "Open Library...", Commands::OpenLibrary, true,
            true);
        row("shuffle locked", "chkShuffle", none, "Shuffle", Commands::Shuffle, true, true);
        row("remove locked", "cmdRemove", none, "", Commands::Remove, true, true);
    }

    void everyRoadRunsTheHandlerOnce()
    {
        QFETCH(QString, control);
        QFETCH(QKeyCombination, key);
        QFETCH(QString, entry);
        QFETCH(int, command);
        QFETCH(bool, playing);
        QFETCH(bool, locked);
        const auto id = Commands::Id(command);
        // What a road did: the device's commands, the boxes asked, where the player stands.
        const auto outcome = [&](const QString &road) {
            PlayerFixture f;
            Midi &m = activeWindow(f);
            if (playing)
                f.press(u"Play"_s);
            m.controls().List1->setFocus();
            const qsizetype logged = f.device.log.size();
            QStringList asked;
            f.dialogs.onAsk = [&asked](const QString &kind) { asked << kind; };
            QAction *action = m.commands()->action(id);
            if (road == "click"_L1) {
                m.findChild<QAbstractButton *>(control)->click();
            } else if (road == "key"_L1) {
                const QString text = key.key() == Qt::Key_Space ? u" "_s : QString();
                for (const auto press : {QTest::Press, QTest::Release})
                    QTest::sendKeyEvent(press, m.focusWidget(), key.key(), text, key.keyboardModifiers());
            } else if (road == "menu"_L1) {
                if (!m.menu()->actions().contains(action) || action->text() != entry)
                    return QStringList{u"no entry "_s + entry};
                action->trigger();
            } else if (road == "command"_L1) {
                if (m.commands()->refusal(id).isEmpty() == locked || m.commands()->run(id) == locked)
                    return QStringList{u"taken though locked, or refused though free"_s};
            }
            return QStringList{f.device.log.mid(logged).join(u','),
                               asked.join(u','),
                               QString::number(m.playSession()->selIndex()),
                               QString::number(int(m.playSession()->playState())),
                               QString::number(m.controls().chkLoop->isChecked()),
                               QString::number(m.controls().chkShuffle->isChecked()),
                               QString::number(m.library()->list().count())};
        };
        const QStringList nothing = outcome(u"none"_s), clicked = outcome(u"click"_s);
        QCOMPARE(clicked == nothing, locked);
        QStringList roads{u"command"_s};
        if (key.key() != Qt::Key_unknown)
            roads << u"key"_s;
        if (!entry.isEmpty())
            roads << u"menu"_s;
        for (const QString &road : roads) {
            const QStringList got = outcome(road);
            QVERIFY2(got == clicked,
                     qPrintable(road + u": "_s + got.join(u" | "_s) + u" / "_s + clicked.join(u" | "_s)));
        }
    }

    void sliderKeysSeekAsTheSliderDoes()
    {
        PlayerFixture f;
        Midi &m = activeWindow(f);
        f.press(u"Play"_s);
        f.tick(20000);
        m.controls().SliderTime->setFocus();
        QTest::keyClick(m.controls().SliderTime, Qt::Key_Right);
        QCOMPARE(f.device.log.last(), u"play 25000"_s);
        QTest::keyClick(m.controls().SliderTime, Qt::Key_Left);
        QCOMPARE(f.device.log.last(), u"play 20000"_s);
        QCOMPARE(m.playSession()->playState(), PlayState::Playing);
        // Paused, the slider only moves where play will go on from: 5 s before where it paused.
        f.tick(3000);
        f.press(u"Pause"_s);
        QTest::keyClick(m.controls().SliderTime, Qt::Key_Left);
        QCOMPARE(m.controls().MMControl1->from(), 18000);
        QCOMPARE(m.playSession()->playState(), PlayState::Paused);
    }

    // Within a box a key, a menu entry and a desktop command all do nothing. The entries beside the commands' own
    // (those are in everyRoadRunsTheHandlerOnce) open files and take other windows.
    void menuAndBoxes()
    {
        PlayerFixture f;
        Midi &m = activeWindow(f);
        bool tried = false;
        f.dialogs.onAsk = [&](const QString &) {
            QVERIFY(!m.acceptsCommands());
            QVERIFY(!m.commands()->run(Commands::Play));
            QVERIFY(!m.refusal().isEmpty());   // what the desktop's seek asks first
            for (const Commands::Id id : {Commands::PlayPause, Commands::Loop}) {
                if (!tried)                                // Change Color asks twice
                    m.commands()->action(id)->trigger();   // as the menu does
            }
            tried = true;
        };
        m.controls().cmdColor->click();
        QVERIFY(tried && m.acceptsCommands());
        QCOMPARE(m.playSession()->playState(), PlayState::Stopped);
        QVERIFY(!m.controls().chkLoop->isChecked() && !m.commands()->isChecked(Commands::Loop));
        f.dialogs.onAsk = {};
        f.dialogs.openResults.enqueue(f.songs({u"d.mid"_s}).first());
        m.commands()->action(Commands::OpenFiles)->trigger();
        QCOMPARE(QFileInfo(m.playSession()->openSong()).fileName(), u"d.mid"_s);
        QAction *extra = m.commands()->addWindow(u"Extra..."_s, [] { return new QWidget; });
        const QList<QAction *> all = m.menu()->actions();
        QCOMPARE(all.at(all.indexOf(extra) + 1)->text(), u"Volume..."_s);
    }

    void followsPlay()
    {
        PlayerFixture f;
        // "Low |the |lamps/by |the |shore\and |the |tide", each sung at its ms.
        SongText tide{u"Evening Tide"_s, {u"Ana Ruiz"_s, u"Tom Vale"_s}, {}, "UTF-8", {}};
        const QStringList words = u"Low ,the ,lamps,/by ,the ,shore,\\and ,the ,tide"_s.split(u',');
        const int at[]{1000, 1500, 2000, 3000, 3400, 3800, 5000, 5500, 6000};
        for (int i = 0; i < words.size(); ++i) {
            using B = LyricSyllable::Break;
            const B b = words[i][0] == u'/' ? B::Line : words[i][0] == u'\\' ? B::Paragraph : B::None;
            tide.lyrics.append({at[i], b == B::None ? words[i] : words[i].mid(1), b});
        }
        f.songText.texts.insert(u"k.kar"_s, tide);
        f.songText.texts.insert(u"b.mid"_s, SongText{u"Quiet Road"_s, {}, {}, {}, {}});
        Midi &m = f.startWith({u"k.kar"_s, u"b.mid"_s}, 60000);
        m.controls().txtPause->setText(u"5"_s);
        int made = 0;
        m.commands()->bindWindow(Commands::Lyrics, [&] {
            ++made;
            return new LyricsWindow(
                m.playSession(), &f.songText, [&m] { return m.playerColours(); }, &m);
        });
        QVERIFY(m.menu()->actions().contains(m.commands()->action(Commands::Lyrics)));
        QCOMPARE(m.commands()->action(Commands::Lyrics)->shortcut(), QKeySequence(u"Ctrl+L"_s));
        QVERIFY(m.commands()->run(Commands::Lyrics) && m.commands()->run(Commands::Lyrics));
        QCOMPARE(made, 1);
        LyricsWindow &w = *m.findChild<LyricsWindow *>();
        QVERIFY(w.isVisible());
        const QString k = u"Evening Tide \u2014 Ana Ruiz, Tom Vale"_s, all = u"by the shore|and the tide"_s;
        const QString low = u"Low the lamps"_s, tideLine = u"and the tide"_s, none = u"No lyrics in this song"_s;
        struct Step {
            const char *act;
            qint64 ms;
            QString heading, current, sung, next;
            bool following;
        };
        const Step steps[]{
            {"Play", 500, k, low, u""_s, all, true},
            {"", 500, k, low, u"Low "_s, all, true},
            {"", 700, k, low, u"Low the "_s, all, true},
            {"", 1800, k, u"by the shore"_s, u"by the "_s, tideLine, true},
            {"Pause", 2000, k, u"by the shore"_s, u"by the "_s, tideLine, false},
            {"seek 5000", 0, k, tideLine, u"and "_s, u""_s, false},   // seeks go by whole seconds
            {"Pause", 600, k, tideLine, u"and the "_s, u""_s, true},
            {"seek 2000", 0, k, low, low, all, true},
            {"Stop", 0, k, low, u""_s, all, false},
            {"Play", 0, k, low, u""_s, all, true},
            {"Next", 0, u"Quiet Road"_s, u""_s, u""_s, u""_s, false},   // the interlude names the next song
            {"", 5001, u"Quiet Road"_s, none, u""_s, u""_s, false},
            {"Stop", 0, u"Quiet Road"_s, none, u""_s, u""_s, false},
            {"Prev", 0, k, low, u""_s, all, false},
        };
        for (const Step &s : steps) {
            const QString act = QString::fromLatin1(s.act);
            if (act.startsWith(u"seek "_s))
                QVERIFY(m.playSession()->seekTo(act.mid(5).toLongLong()));
            else if (!act.isEmpty())
                f.press(act);
            f.tick(s.ms);
            w.follow();   // as its timer does
            QCOMPARE(QStringList({act, w.heading(), w.currentLine(), w.sungPart(), w.nextLines().join(u'|')}),
                     QStringList({act, s.heading, s.current, s.sung, s.next}));
            QCOMPARE(w.following(), s.following);
        }
        QCOMPARE(w.findChild<QLabel *>(u"CurrentLine"_s)->accessibleName(), low);
        f.press(u"Play"_s);
        for (const qint64 ms : {0, 990}) {
            f.tick(ms);
            w.follow();
        }
        QCOMPARE(w.nextLookMs(), 10);   // it looks again as "Low " is sung, not a whole tick later
        QCOMPARE(m.controls().Label1->toolTip(), u"Midi selection\n"_s + k);
        // An encoding picked by hand is kept for the song, and its words and title read again.
        f.songText.texts[u"k.kar"_s].title = u"Abend"_s;
        w.chooseEncoding("KOI8-R");
        QCOMPARE(f.songText.chosen.value(m.playSession()->openSong()), "KOI8-R");
        QCOMPARE(w.heading(), u"Abend \u2014 Ana Ruiz, Tom Vale"_s);
        QCOMPARE(m.controls().Label1->toolTip(), u"Midi selection\nAbend \u2014 Ana Ruiz, Tom Vale"_s);
        w.hide();   // closed: nothing looks at the position
        QVERIFY(!w.following());
    }

    // Tempo, key and loop set in the window reach the device and follow the song that is open.
    void tempoWindow()
    {
        PlayerFixture f;
        Midi &m = f.startWith({u"a.mid"_s, u"b.mid"_s}, 60000);
        m.commands()->bindWindow(Commands::TempoKey, [&m] { return new TempoWindow(m.playSession(), &m); });
        QVERIFY(m.menu()->actions().contains(m.commands()->action(Commands::TempoKey)));
        QCOMPARE(m.commands()->action(Commands::TempoKey)->shortcut(), QKeySequence(u"Ctrl+T"_s));
        QVERIFY(m.commands()->run(Commands::TempoKey));
        TempoWindow &w = *m.findChild<TempoWindow *>();
        auto click = [&w](const char *name) { w.findChild<QPushButton *>(QLatin1String(name))->click(); };
        f.press(u"Play"_s);
        f.tick(2000);
        w.findChild<QSpinBox *>(u"Tempo"_s)->setValue(80);
        w.findChild<QSpinBox *>(u"Key"_s)->setValue(-2);
        click("SetA");
        f.tick(3000);
        click("SetB");
        QCOMPARE(QList<int>({f.device.tempo, f.device.key}), QList<int>({80, -2}));
        QCOMPARE(f.device.loop, qMakePair(qint64(2000), qint64(5000)));
        QCOMPARE(w.loopText(), u"0:02.0 to 0:05.0"_s);
        f.press(u"Next"_s);   // nothing kept without a store: the next song plays as it is
        QCOMPARE(w.findChild<QSpinBox *>(u"Tempo"_s)->value(), 100);
        QCOMPARE(w.loopText(), u"none"_s);
        QCOMPARE(TestEnv::namelessControls(&w), QStringList());
    }

    // The channels window: the rows of the song's channels, the meter and keys from the device's activity, choices
    // given to the device and kept per song.
    void channelsWindow()
    {
        PlayerFixture f;
        QTemporaryDir dir;
        SongStore store(dir.filePath("songs.sqlite"));
        Midi &m = f.startWith({"a.mid", "b.mid"}, 60000);
        TestEnv::writeMidi(f.dir() + "/data/b.mid", 3000);   // songs are known by their bytes
        ChannelChoices choices(m.playSession(), &f.device, &store);
        m.commands()->bindWindow(Commands::Channels,
                                 [&] { return new ChannelsWindow(m.playSession(), &f.device, &choices, &m); });
        QVERIFY(m.menu()->actions().contains(m.commands()->action(Commands::Channels)));
        QCOMPARE(m.commands()->action(Commands::Channels)->shortcut(), QKeySequence("Ctrl+K"));
        f.press("Play");
        QVERIFY(m.commands()->run(Commands::Channels));
        auto &w = *m.findChild<ChannelsWindow *>();
        QVERIFY(w.following() && w.rowShown(0) && !w.rowShown(1));
        w.resize(740, 800);   // room to spare goes to the keys; the rows stay under their heads
        w.show();
        QVERIFY(w.findChild<QCheckBox *>("Mute1")->y() < 150);
        w.findChild<QCheckBox *>("Mute1")->setChecked(true);
        QVERIFY(f.device.mix.muted[0]);
        QCOMPARE(store.value(m.playSession()->openSong(), "mute"), "1");

        f.device.activity.noteOns[0] = 1;
        f.device.activity.velocity[0] = 100;
        f.device.activity.keys[0][0] = quint64(1) << 60;
        f.device.sounds[0] = {"Grand", true};
        w.frame();
        QCOMPARE(w.meter(0), 103);   // in sixteenths of 127
        QCOMPARE(w.keyboard()->channelAt(60), 0);
        w.frame();   // no new note: the meter falls
        QVERIFY(w.meter(0) < 100 && w.meter(0) > 50);
        f.press("Pause");
        QVERIFY(!w.following());
        QCOMPARE(w.plays(0), "Grand (stand-in)");

        f.press("Next");   // another song: its own choices, none
        QVERIFY(!f.device.mix.muted[0]);
        f.press("Prev");
        QVERIFY(f.device.mix.muted[0]);
        w.close();
        QTRY_VERIFY(!m.findChild<ChannelsWindow *>());
    }
};

QTEST_MAIN(TestPlayerRemote)
#include "test_player_remote.moc"
