#include "fakes/playerfixture.h"
#include "app/commands.h"
#include "testenv.h"
#include "library/filebrowser.h"
#include "playback/mediacontrol.h"
#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QMenu>
#include <QSlider>
#include <QtTest>

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

}   // namespace

// The keyboard, the right-click menu and the names a screen reader reads.
class TestPlayerRemote : public QObject {
    Q_OBJECT
private slots:
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

    // The entries beside the commands' own (those are in everyRoadRunsTheHandlerOnce).
    void menuOpensFilesAndTakesOtherWindows()
    {
        PlayerFixture f;
        Midi &m = activeWindow(f);
        f.dialogs.openResults.enqueue(f.songs({u"d.mid"_s}).first());
        m.commands()->action(Commands::OpenFiles)->trigger();
        QCOMPARE(QFileInfo(m.playSession()->openSong()).fileName(), u"d.mid"_s);
        QAction *extra = m.commands()->addWindow(u"Extra..."_s, [] { return new QWidget; });
        const QList<QAction *> all = m.menu()->actions();
        QCOMPARE(all.at(all.indexOf(extra) + 1)->text(), u"Volume..."_s);
    }

    void commandsWaitWhileABoxIsOpen()
    {
        PlayerFixture f;
        Midi &m = activeWindow(f);
        bool tried = false;
        f.dialogs.onAsk = [&](const QString &) {
            // Within the box: a key, a menu entry and a desktop command all do nothing.
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
        QVERIFY(tried);
        QCOMPARE(m.playSession()->playState(), PlayState::Stopped);
        QVERIFY(!m.controls().chkLoop->isChecked());
        QVERIFY(!m.commands()->isChecked(Commands::Loop));
        QVERIFY(m.acceptsCommands());
    }

    void everyControlHasAName()
    {
        PlayerFixture f;
        Midi &m = activeWindow(f);
        m.controls().cmdVolume->click();
        QStringList missing = TestEnv::namelessControls(&m);
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top != &m && top->isVisible())
                missing += TestEnv::namelessControls(top);
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u", "_s)));
        // The status labels read out what they show.
        QAccessibleInterface *label3 = QAccessible::queryAccessibleInterface(m.controls().Label3);
        QCOMPARE(label3->text(QAccessible::Name), m.controls().Label3->text());
    }
};

QTEST_MAIN(TestPlayerRemote)
#include "test_player_remote.moc"
