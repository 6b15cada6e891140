#include "fakes/playerfixture.h"
#include "library/filebrowser.h"
#include "playback/mediacontrol.h"
#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QMenu>
#include <QSlider>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

// The keyboard, the right-click menu and the names a screen reader reads.
class TestPlayerRemote : public QObject {
    Q_OBJECT
private slots:
    void shortcuts_data();
    void shortcuts();
    void sliderKeysSeekAsTheSliderDoes();
    void menuEntriesGoThroughTheControls();
    void commandsWaitWhileABoxIsOpen();
    void everyControlHasAName();
};

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

void TestPlayerRemote::shortcuts_data()
{
    QTest::addColumn<QString>("before");   // "playing", "paused" or "stopped"
    QTest::addColumn<bool>("inPauseField");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<PlayState>("after");
    QTest::addColumn<int>("selection");
    QTest::addColumn<QString>("dialog");   // a dialog the key opened

    const PlayState playing = PlayState::Playing, paused = PlayState::Paused, stopped = PlayState::Stopped;
    QTest::newRow("space plays") << u"stopped"_s << false << QKeySequence(Qt::Key_Space) << playing << 0 << QString();
    QTest::newRow("space pauses") << u"playing"_s << false << QKeySequence(Qt::Key_Space) << paused << 0 << QString();
    QTest::newRow("space resumes") << u"paused"_s << false << QKeySequence(Qt::Key_Space) << playing << 0 << QString();
    QTest::newRow("space in the pause field")
        << u"playing"_s << true << QKeySequence(Qt::Key_Space) << playing << 0 << QString();
    QTest::newRow("space on a focused button presses it")
        << u"stopped"_s << false << QKeySequence(Qt::Key_Space) << stopped << 0 << u"save"_s;
    QTest::newRow("ctrl+right next") << u"stopped"_s << false << QKeySequence(Qt::CTRL | Qt::Key_Right) << stopped << 1
                                     << QString();
    QTest::newRow("ctrl+left wraps back")
        << u"stopped"_s << false << QKeySequence(Qt::CTRL | Qt::Key_Left) << stopped << 2 << QString();
    QTest::newRow("ctrl+. stops") << u"playing"_s << false << QKeySequence(Qt::CTRL | Qt::Key_Period) << stopped << 0
                                  << QString();
    QTest::newRow("media toggle") << u"playing"_s << false << QKeySequence(Qt::Key_MediaTogglePlayPause) << paused << 0
                                  << QString();
    QTest::newRow("media pause leaves paused")
        << u"paused"_s << false << QKeySequence(Qt::Key_MediaPause) << paused << 0 << QString();
    QTest::newRow("ctrl+o opens a library")
        << u"stopped"_s << false << QKeySequence(Qt::CTRL | Qt::Key_O) << stopped << 0 << u"open"_s;
    QTest::newRow("ctrl+o locked while playing")
        << u"playing"_s << false << QKeySequence(Qt::CTRL | Qt::Key_O) << playing << 0 << QString();
    QTest::newRow("ctrl+s saves") << u"stopped"_s << false << QKeySequence(Qt::CTRL | Qt::Key_S) << stopped << 0
                                  << u"save"_s;
}

void TestPlayerRemote::shortcuts()
{
    QFETCH(QString, before);
    QFETCH(bool, inPauseField);
    QFETCH(QKeySequence, keys);
    QFETCH(PlayState, after);
    QFETCH(int, selection);
    QFETCH(QString, dialog);
    PlayerFixture f;
    Midi &m = activeWindow(f);
    if (before != "stopped"_L1)
        f.press(u"Play"_s);
    if (before == "paused"_L1)
        f.press(u"Pause"_s);
    QWidget *target = inPauseField ? static_cast<QWidget *>(m.controls().txtPause) : m.controls().List1;
    if (QTest::currentDataTag() == "space on a focused button presses it"_L1)
        target = m.controls().cmdSave;
    target->setFocus();
    const QString pause = m.controls().txtPause->text();
    QStringList asked;
    f.dialogs.onAsk = [&asked](const QString &kind) { asked << kind; };
    // Media keys have no text, which keyClick insists on.
    const QKeyCombination key = keys[0];
    const QString text = key.key() == Qt::Key_Space ? u" "_s : QString();
    QTest::sendKeyEvent(QTest::Press, target, key.key(), text, key.keyboardModifiers());
    QTest::sendKeyEvent(QTest::Release, target, key.key(), text, key.keyboardModifiers());
    QCOMPARE(m.playState(), after);
    QCOMPARE(m.selIndex(), selection);
    QCOMPARE(asked.value(0), dialog);
    if (!inPauseField)
        QCOMPARE(m.controls().txtPause->text(), pause);
}

void TestPlayerRemote::sliderKeysSeekAsTheSliderDoes()
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
    QCOMPARE(m.playState(), PlayState::Playing);
    // Paused, the slider only moves where play will go on from.
    f.press(u"Pause"_s);
    QTest::keyClick(m.controls().SliderTime, Qt::Key_Left);
    QCOMPARE(m.mediaControl()->from(), 15000);
    QCOMPARE(m.playState(), PlayState::Paused);
}

void TestPlayerRemote::menuEntriesGoThroughTheControls()
{
    PlayerFixture f;
    Midi &m = activeWindow(f);
    const auto trigger = [&m](const QString &text) {
        for (QAction *a : m.menu()->actions()) {
            if (a->text() == text) {
                a->trigger();
                return;
            }
        }
        QFAIL(qPrintable(u"no entry "_s + text));
    };
    trigger(u"Play/Pause"_s);
    QCOMPARE(m.playState(), PlayState::Playing);
    trigger(u"Loop"_s);
    QVERIFY(m.controls().chkLoop->isChecked());
    // Shuffle is locked while playing, in the menu as on the box.
    emit m.menu()->aboutToShow();
    trigger(u"Shuffle"_s);
    QVERIFY(!m.controls().chkShuffle->isChecked());
    trigger(u"Stop"_s);
    QCOMPARE(m.playState(), PlayState::Stopped);
    f.dialogs.openResults.enqueue(f.songs({u"d.mid"_s}).first());
    trigger(u"Open files..."_s);
    QCOMPARE(QFileInfo(m.openSong()).fileName(), u"d.mid"_s);
    auto *extra = new QAction(u"Extra..."_s, &m);
    m.addMenuAction(extra);
    const QList<QAction *> all = m.menu()->actions();
    QCOMPARE(all.at(all.indexOf(extra) + 1)->text(), u"Volume..."_s);
}

void TestPlayerRemote::commandsWaitWhileABoxIsOpen()
{
    PlayerFixture f;
    Midi &m = activeWindow(f);
    bool tried = false;
    f.dialogs.onAsk = [&](const QString &) {
        // Within the box: a key, a menu entry and a desktop command all do nothing.
        QVERIFY(!m.acceptsCommands());
        QVERIFY(!m.press(Midi::Button::Play));
        QVERIFY(!m.seekTo(5000));
        tried = true;
    };
    m.cmdColor_Click();
    QVERIFY(tried);
    QCOMPARE(m.playState(), PlayState::Stopped);
    QVERIFY(m.acceptsCommands());
}

namespace {

// Controls a user can reach by keyboard that a screen reader would call "button".
QStringList nameless(QWidget *window)
{
    QStringList found;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(window) || qobject_cast<QMenu *>(w))
            continue;
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
        if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
            found << w->objectName() + u" ("_s + QString::fromLatin1(w->metaObject()->className()) + u')';
    }
    return found;
}

}   // namespace

void TestPlayerRemote::everyControlHasAName()
{
    PlayerFixture f;
    Midi &m = activeWindow(f);
    m.cmdVolume_Click();
    QStringList missing = nameless(&m);
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top != &m && top->isVisible())
            missing += nameless(top);
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u", "_s)));
    // The status labels read out what they show.
    QAccessibleInterface *label3 = QAccessible::queryAccessibleInterface(m.controls().Label3);
    QCOMPARE(label3->text(QAccessible::Name), m.controls().Label3->text());
}

QTEST_MAIN(TestPlayerRemote)
#include "test_player_remote.moc"
