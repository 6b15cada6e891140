#include "app/commands.h"
#include "fakes/playerfixture.h"
#include "library/filebrowser.h"
#include "playback/core/mediaerrors.h"
#include "playback/mediacontrol.h"
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
// keyboard, the right-click menu and the names a screen reader reads.
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
        QTest::newRow("200.4 s") << Open{200400, 0, "Entertainer", "Total: 3:20 ", 200, 4, 20, ""};
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
};

QTEST_MAIN(TestPlayerRemote)
#include "test_player_remote.moc"
