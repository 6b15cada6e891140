#include "fakes/playerfixture.h"
#include "library/core/shuffle.h"
#include "library/filebrowser.h"
#include "playback/core/mediaerrors.h"
#include "playback/mediacontrol.h"
#include "testenv.h"
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QtTest>

using Handler = void (Midi::*)(int &);

namespace {

Midi &withSongs(PlayerFixture &f, const QStringList &names, QStringList *paths = nullptr)
{
    Midi &m = f.start();
    const QStringList p = f.songs(names);
    m.addFiles(p);
    if (paths)
        *paths = p;
    return m;
}

void press(Midi &m, Handler h)
{
    int cancel = 0;
    (m.*h)(cancel);
    QCOMPARE(cancel, 1);
}

void tick(PlayerFixture &f, qint64 ms)
{
    f.clock.advance(ms);
    f.midi->MMControl1_StatusUpdate();
}

// The play state as the three values that carry it read together.
QString stateOf(const Midi &m)
{
    const int mode = m.MMControl1->mode();
    const int interval = m.MMControl1->updateInterval();
    if (!m.playing() && interval == 0 && mode == SequencerDevice::Stopped && !m.inInterlude())
        return QStringLiteral("stopped");
    if (m.playing() && interval == 500 && mode == SequencerDevice::Playing)
        return QStringLiteral("playing");
    if (interval == 0 && mode == SequencerDevice::Paused)
        return QStringLiteral("paused");
    if (m.playing() && interval == 0 && mode == SequencerDevice::Stopped && m.inInterlude())
        return QStringLiteral("interlude");
    return QStringLiteral("playing %1, interval %2, mode %3, interlude %4")
        .arg(m.playing()).arg(interval).arg(mode).arg(m.inInterlude());
}

// "locked" when the seven list commands are disabled, "free" when enabled.
QString locks(const Midi &m)
{
    const QList<QWidget *> seven{m.cmdAdd, m.cmdClear, m.chkShuffle, m.cmdSave, m.cmdOpen, m.cmdNew, m.cmdRemove};
    int on = 0;
    for (QWidget *w : seven)
        on += w->isEnabled();
    QString s = on == 0 ? QStringLiteral("locked") : on == 7 ? QStringLiteral("free") : QStringLiteral("mixed");
    if (!m.SliderTime->isEnabled())
        s += QStringLiteral(", slider off");
    return s;
}

QString openName(const PlayerFixture &f)
{
    return QFileInfo(f.device.openFile).fileName();
}

// Device commands from the given log position on.
QStringList since(const PlayerFixture &f, qsizetype from, const QString &what = QStringLiteral("play"))
{
    return f.device.log.mid(from).filter(QRegularExpression(QStringLiteral("^") + what));
}

}

class TestPlayerTransport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

    void stateTable_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("open");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("label2");
        QTest::addColumn<QStringList>("plays");
        QTest::addColumn<QString>("resume");   // device command when Pause is pressed afterwards

        const QStringList none;
        const QStringList fromStart{QStringLiteral("play 0")};
        const QStringList resumed{QStringLiteral("play -1")};
        QTest::newRow("stopped Play") << "stopped" << 1 << "Play" << "playing" << "b.mid" << "B" << "Time: 0:01 *" << fromStart << "";
        QTest::newRow("stopped Pause") << "stopped" << 1 << "Pause" << "playing" << "b.mid" << "B" << "Time: 0:01 *" << fromStart << "";
        QTest::newRow("stopped Stop") << "stopped" << 1 << "Stop" << "stopped" << "b.mid" << "Lyrabox (Stopped)" << "(Stopped)" << none << "";
        QTest::newRow("stopped Next") << "stopped" << 1 << "Next" << "stopped" << "c.mid" << "C" << "(Stopped)" << none << "";
        QTest::newRow("stopped Prev") << "stopped" << 1 << "Prev" << "stopped" << "a.mid" << "A" << "(Stopped)" << none << "";
        QTest::newRow("stopped Prev at first") << "stopped" << 0 << "Prev" << "stopped" << "c.mid" << "C" << "(Stopped)" << none << "";
        QTest::newRow("playing Pause") << "playing" << 1 << "Pause" << "paused" << "b.mid" << "Lyrabox (Paused)" << "(Paused)" << none << "play -1";
        QTest::newRow("playing Stop") << "playing" << 1 << "Stop" << "stopped" << "b.mid" << "Lyrabox (Stopped)" << "(Stopped)" << none << "";
        QTest::newRow("playing Next") << "playing" << 1 << "Next" << "interlude" << "c.mid" << "C" << "(Interlude)" << none << "";
        QTest::newRow("playing Prev") << "playing" << 1 << "Prev" << "playing" << "b.mid" << "B" << "Time: 0:01 *" << fromStart << "";
        QTest::newRow("paused Pause") << "paused" << 1 << "Pause" << "playing" << "b.mid" << "B" << "Time: 0:11 *" << resumed << "";
        QTest::newRow("paused Play") << "paused" << 1 << "Play" << "playing" << "b.mid" << "B" << "Time: 0:11 *" << resumed << "";
        QTest::newRow("paused Stop") << "paused" << 1 << "Stop" << "stopped" << "b.mid" << "Lyrabox (Stopped)" << "(Stopped)" << none << "";
        QTest::newRow("paused Next") << "paused" << 1 << "Next" << "interlude" << "c.mid" << "C" << "(Interlude)" << none << "";
        QTest::newRow("paused Prev") << "paused" << 1 << "Prev" << "paused" << "b.mid" << "Lyrabox (Paused)" << "(Paused)" << none << "play 0";
        QTest::newRow("interlude Play") << "interlude" << 1 << "Play" << "playing" << "b.mid" << "B" << "Time: 0:01 *" << fromStart << "";
        QTest::newRow("interlude Pause") << "interlude" << 1 << "Pause" << "playing" << "b.mid" << "B" << "Time: 0:01 *" << fromStart << "";
        QTest::newRow("interlude Stop") << "interlude" << 1 << "Stop" << "stopped" << "b.mid" << "Lyrabox (Stopped)" << "(Stopped)" << none << "";
        QTest::newRow("interlude Next") << "interlude" << 1 << "Next" << "interlude" << "c.mid" << "C" << "(Interlude)" << none << "";
        QTest::newRow("interlude Prev") << "interlude" << 1 << "Prev" << "stopped" << "a.mid" << "A" << "(Stopped)" << none << "";
    }
    void stateTable()
    {
        QFETCH(QString, from);
        QFETCH(int, start);
        QFETCH(QString, event);
        QFETCH(QString, to);
        QFETCH(QString, open);
        QFETCH(QString, caption);
        QFETCH(QString, label2);
        QFETCH(QStringList, plays);
        QFETCH(QString, resume);

        PlayerFixture f;
        Midi &m = withSongs(f, {QStringLiteral("a.mid"), QStringLiteral("b.mid"), QStringLiteral("c.mid")});
        m.txtPause->setText(QStringLiteral("5"));
        m.setSelIndex(from == QLatin1String("interlude") ? start - 1 : start);
        QCOMPARE(m.OpenMid(QString()), Midi::Opened::File);
        if (from == QLatin1String("stopped")) {
            press(m, &Midi::MMControl1_StopClick);
        } else {
            press(m, &Midi::MMControl1_PlayClick);
            tick(f, 10000);
            if (from == QLatin1String("paused"))
                press(m, &Midi::MMControl1_PauseClick);
            if (from == QLatin1String("interlude"))
                press(m, &Midi::MMControl1_NextClick);
        }
        QCOMPARE(stateOf(m), from);

        const qsizetype mark = f.device.log.size();
        const QHash<QString, Handler> handlers{
            {QStringLiteral("Play"), &Midi::MMControl1_PlayClick}, {QStringLiteral("Pause"), &Midi::MMControl1_PauseClick},
            {QStringLiteral("Stop"), &Midi::MMControl1_StopClick}, {QStringLiteral("Next"), &Midi::MMControl1_NextClick},
            {QStringLiteral("Prev"), &Midi::MMControl1_PrevClick}};
        press(m, handlers.value(event));
        tick(f, 1000);   // the monitor's next tick writes the playing texts

        QCOMPARE(stateOf(m), to);
        QCOMPARE(openName(f), open);
        QCOMPARE(m.playList().name(m.selIndex()), open);
        QCOMPARE(m.windowTitle(), caption);
        QCOMPARE(m.Label2->text(), label2);
        QCOMPARE(since(f, mark), plays);
        const bool running = to == QLatin1String("playing") || to == QLatin1String("paused");
        QCOMPARE(locks(m), running ? QStringLiteral("locked") : QStringLiteral("free"));
        if (to == QLatin1String("stopped"))
            QCOMPARE(m.SliderTime->value(), 0);
        if (!resume.isEmpty()) {
            const qsizetype before = f.device.log.size();
            press(m, &Midi::MMControl1_PauseClick);
            QCOMPARE(since(f, before), QStringList{resume});
        }
    }

    void nextAtTheEnd_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("loop");
        QTest::addColumn<bool>("shuffle");
        QTest::newRow("three, loop off") << 3 << false << false;
        QTest::newRow("three, loop on") << 3 << true << false;
        QTest::newRow("three, loop off, shuffle") << 3 << false << true;
        QTest::newRow("three, loop on, shuffle") << 3 << true << true;
        QTest::newRow("one, loop off") << 1 << false << false;
        QTest::newRow("one, loop on") << 1 << true << false;
    }
    void nextAtTheEnd()
    {
        QFETCH(int, entries);
        QFETCH(bool, loop);
        QFETCH(bool, shuffle);
        PlayerFixture f;
        const QStringList names = QStringList{QStringLiteral("a.mid"), QStringLiteral("b.mid"), QStringLiteral("c.mid")}.mid(0, entries);
        QStringList paths;
        Midi &m = withSongs(f, names, &paths);
        m.txtPause->setText(QStringLiteral("3"));
        m.chkLoop->setChecked(loop);
        ShuffleRandom draws;
        QStringList order = paths;
        if (shuffle) {
            m.chkShuffle->setChecked(true);
            order = shuffleDeal(order, draws);
            QCOMPARE(m.playList().paths(), order);
        }
        // Each pass over the end of the list deals once more and starts at the top.
        for (int pass = 0; pass < 2; ++pass) {
            m.setSelIndex(entries - 1);
            m.OpenMid(QString());
            press(m, &Midi::MMControl1_PlayClick);
            tick(f, 2000);
            const qsizetype mark = f.device.log.size();
            press(m, &Midi::MMControl1_NextClick);
            if (shuffle)
                order = shuffleDeal(order, draws);
            QCOMPARE(m.playList().paths(), order);
            QCOMPARE(m.selIndex(), 0);
            QCOMPARE(f.device.openFile, order.first());
            f.clock.advance(3001);
            m.interludeCheck();
            if (loop) {
                QCOMPARE(stateOf(m), QStringLiteral("playing"));
                QCOMPARE(since(f, mark), QStringList{QStringLiteral("play 0")});
            } else {
                QCOMPARE(stateOf(m), QStringLiteral("stopped"));
                QCOMPARE(m.windowTitle(), QStringLiteral("Lyrabox (Stopped)"));
                QCOMPARE(m.Label2->text(), QStringLiteral("(Stopped)"));
                QCOMPARE(locks(m), QStringLiteral("free"));
                QVERIFY(since(f, mark).isEmpty());
            }
        }
    }

    void interludeLength_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("asTyped");   // false: put in the field without its rewrite
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("waitMs");
        QTest::newRow("empty") << "" << true << "0" << 0;
        QTest::newRow("no number") << "abc" << true << "0" << 0;
        QTest::newRow("2.5 typed") << "2.5" << true << "2" << 2000;
        QTest::newRow("2.5 held") << "2.5" << false << "2.5" << 2500;
        QTest::newRow("60") << "60" << true << "60" << 60000;
    }
    void interludeLength()
    {
        QFETCH(QString, text);
        QFETCH(bool, asTyped);
        QFETCH(QString, field);
        QFETCH(int, waitMs);
        PlayerFixture f;
        Midi &m = withSongs(f, {QStringLiteral("a.mid"), QStringLiteral("b.mid")});
        {
            const QSignalBlocker block(asTyped ? nullptr : m.txtPause);
            m.txtPause->setText(text);
        }
        QCOMPARE(m.txtPause->text(), field);
        press(m, &Midi::MMControl1_PlayClick);
        tick(f, 1000);
        const qsizetype mark = f.device.log.size();
        press(m, &Midi::MMControl1_NextClick);
        QCOMPARE(stateOf(m), QStringLiteral("interlude"));
        f.clock.advance(waitMs);
        m.interludeCheck();
        QCOMPARE(stateOf(m), QStringLiteral("interlude"));
        QVERIFY(since(f, mark).isEmpty());
        f.clock.advance(1);
        m.interludeCheck();
        m.interludeCheck();
        QCOMPARE(stateOf(m), QStringLiteral("playing"));
        QCOMPARE(openName(f), QStringLiteral("b.mid"));
        QCOMPARE(since(f, mark), QStringList{QStringLiteral("play 0")});
    }

    void interludeTimerPlaysByItself()
    {
        PlayerFixture f;
        Midi &m = withSongs(f, {QStringLiteral("a.mid"), QStringLiteral("b.mid")});
        press(m, &Midi::MMControl1_PlayClick);
        press(m, &Midi::MMControl1_NextClick);
        f.clock.advance(1);
        QTRY_COMPARE_WITH_TIMEOUT(stateOf(m), QStringLiteral("playing"), 2000);
        QCOMPARE(openName(f), QStringLiteral("b.mid"));
    }

    void interludeCancelled_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("play");   // the one play that may follow, else none
        QTest::newRow("Stop") << "Stop" << "";
        QTest::newRow("Prev") << "Prev" << "";
        QTest::newRow("new Next") << "Next" << "c.mid";
        QTest::newRow("ClearList") << "ClearList" << "";
        QTest::newRow("cmdClear") << "cmdClear" << "";
        QTest::newRow("preview") << "preview" << "";
        QTest::newRow("quit") << "quit" << "";
    }
    void interludeCancelled()
    {
        QFETCH(QString, action);
        QFETCH(QString, play);
        PlayerFixture f;
        QStringList paths;
        Midi &m = withSongs(f, {QStringLiteral("a.mid"), QStringLiteral("b.mid"), QStringLiteral("c.mid")}, &paths);
        const QString preview = f.songs({QStringLiteral("d.mid")}).first();
        m.txtPause->setText(QStringLiteral("3"));
        press(m, &Midi::MMControl1_PlayClick);
        tick(f, 1000);
        press(m, &Midi::MMControl1_NextClick);
        QVERIFY(m.inInterlude());
        QVERIFY(m.cmdClear->isEnabled());   // the open in the interlude released the commands
        const qsizetype mark = f.device.log.size();
        if (action == QLatin1String("Stop"))
            press(m, &Midi::MMControl1_StopClick);
        else if (action == QLatin1String("Prev"))
            press(m, &Midi::MMControl1_PrevClick);
        else if (action == QLatin1String("Next"))
            press(m, &Midi::MMControl1_NextClick);
        else if (action == QLatin1String("ClearList"))
            m.ClearList();
        else if (action == QLatin1String("cmdClear"))
            m.cmdClear->click();
        else if (action == QLatin1String("preview"))
            m.OpenMid(preview);
        else
            f.quit();
        f.clock.advance(10000);
        m.interludeCheck();
        QTest::qWait(5);
        m.interludeCheck();
        if (play.isEmpty()) {
            QVERIFY(!m.inInterlude());
            QCOMPARE(since(f, mark), QStringList());
            QVERIFY(m.MMControl1->mode() != SequencerDevice::Playing);
        } else {
            QCOMPARE(since(f, mark), QStringList{QStringLiteral("play 0")});
            QCOMPARE(openName(f), play);
        }
        if (action == QLatin1String("Stop") || action == QLatin1String("Prev"))
            QCOMPARE(stateOf(m), QStringLiteral("stopped"));
        if (action == QLatin1String("quit"))
            QVERIFY(m.unloaded());
    }

    void nextOpenOutcome_data()
    {
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("message");
        QTest::newRow("a song titled Failed to open") << "failed to open.mid" << 0 << "";
        QTest::newRow("an open that fails") << "b.mid" << int(MediaError::InvalidFilename) << "Invalid filename.";
    }
    void nextOpenOutcome()
    {
        QFETCH(QString, second);
        QFETCH(int, error);
        QFETCH(QString, message);
        PlayerFixture f;
        Midi &m = withSongs(f, {QStringLiteral("a.mid"), second, QStringLiteral("c.mid")});
        if (error)
            f.device.openErrors.insert(second, error);
        press(m, &Midi::MMControl1_PlayClick);
        tick(f, 1000);
        const qsizetype mark = f.device.log.size();
        press(m, &Midi::MMControl1_NextClick);
        QCOMPARE(m.Label1->text(), QStringLiteral("Failed to open"));
        f.clock.advance(1);
        m.interludeCheck();
        QVERIFY(m.playing());
        if (!error) {
            QCOMPARE(stateOf(m), QStringLiteral("playing"));
            QCOMPARE(since(f, mark), QStringList{QStringLiteral("play 0")});
            return;
        }
        QVERIFY(since(f, mark).isEmpty());
        QCOMPARE(m.MMControl1->mode(), int(SequencerDevice::NotOpen));
        QCOMPARE(f.dialogs.messages.last().text, message);
        QCOMPARE(locks(m), QStringLiteral("free"));
        // The list goes on with the next press.
        press(m, &Midi::MMControl1_NextClick);
        f.clock.advance(1);
        m.interludeCheck();
        QCOMPARE(stateOf(m), QStringLiteral("playing"));
        QCOMPARE(openName(f), QStringLiteral("c.mid"));
    }

    void wrapToMissingFirstEntry_data()
    {
        QTest::addColumn<bool>("loop");
        QTest::newRow("loop off stops") << false;
        QTest::newRow("loop on plays") << true;
    }
    void wrapToMissingFirstEntry()
    {
        QFETCH(bool, loop);
        PlayerFixture f;
        QStringList paths;
        Midi &m = withSongs(f, {QStringLiteral("a.mid"), QStringLiteral("b.mid"), QStringLiteral("c.mid")}, &paths);
        m.chkLoop->setChecked(loop);
        QVERIFY(QFile::remove(paths[0]));
        m.setSelIndex(2);
        m.OpenMid(QString());
        press(m, &Midi::MMControl1_PlayClick);
        tick(f, 1000);
        const qsizetype mark = f.device.log.size();
        press(m, &Midi::MMControl1_NextClick);
        QCOMPARE(m.selIndex(), 1);
        QCOMPARE(openName(f), QStringLiteral("b.mid"));
        f.clock.advance(1);
        m.interludeCheck();
        QCOMPARE(stateOf(m), loop ? QStringLiteral("playing") : QStringLiteral("stopped"));
        QCOMPARE(since(f, mark).size(), loop ? 1 : 0);
    }

    void everyFileGone_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("loop");
        QTest::addColumn<bool>("shuffle");
        QTest::newRow("mid list") << 0 << false << false;
        QTest::newRow("mid list, loop") << 0 << true << false;
        QTest::newRow("end, loop") << 2 << true << false;
        QTest::newRow("end, loop, shuffle") << 2 << true << true;
    }
    void everyFileGone()
    {
        QFETCH(int, start);
        QFETCH(bool, loop);
        QFETCH(bool, shuffle);
        PlayerFixture f;
        QStringList paths;
        Midi &m = withSongs(f, {QStringLiteral("a.mid"), QStringLiteral("b.mid"), QStringLiteral("c.mid")}, &paths);
        f.device.lengths.insert(QStringLiteral("a.mid"), 5000);
        f.device.lengths.insert(QStringLiteral("b.mid"), 5000);
        f.device.lengths.insert(QStringLiteral("c.mid"), 5000);
        m.chkLoop->setChecked(loop);
        m.chkShuffle->setChecked(shuffle);
        m.setSelIndex(start);
        m.OpenMid(QString());
        press(m, &Midi::MMControl1_PlayClick);
        for (const QString &p : paths)
            QVERIFY(QFile::remove(p));
        f.dialogs.clear();
        tick(f, 5000);   // the end of the song
        for (int i = 0; i < 5; ++i) {
            tick(f, 500);
            m.interludeCheck();
        }
        QCOMPARE(f.dialogs.texts(), QStringList{QStringLiteral("Library file not present")});
        QVERIFY(!m.playing());
        QCOMPARE(m.MMControl1->updateInterval(), 0);
        QCOMPARE(m.MMControl1->mode(), int(SequencerDevice::NotOpen));
        QCOMPARE(m.Label2->text(), QStringLiteral("(Stopped)"));
        QCOMPARE(m.windowTitle(), QStringLiteral("Lyrabox (Stopped)"));
        QCOMPARE(locks(m), QStringLiteral("free"));
    }

    void selectionPastTheEnd()
    {
        PlayerFixture f;
        Midi &m = withSongs(f, {QStringLiteral("a.mid"), QStringLiteral("b.mid")});
        m.setSelIndex(5);   // the current entry was removed
        press(m, &Midi::MMControl1_PlayClick);
        QCOMPARE(stateOf(m), QStringLiteral("playing"));
        tick(f, 1000);
        QCOMPARE(m.Label2->text(), QStringLiteral("Time: 0:01 *"));
        press(m, &Midi::MMControl1_NextClick);
        QCOMPARE(m.selIndex(), 0);
        press(m, &Midi::MMControl1_StopClick);
        m.setSelIndex(5);
        press(m, &Midi::MMControl1_PrevClick);
        QVERIFY(m.selIndex() >= 0 && m.selIndex() < 2);
        QCOMPARE(openName(f), m.playList().name(m.selIndex()));
    }

    void prevOnAnEmptiedList()
    {
        PlayerFixture f;
        Midi &m = withSongs(f, {QStringLiteral("a.mid")});
        m.List1->setCurrentRow(0);
        m.cmdRemove_Click();   // the device keeps the removed song open
        QCOMPARE(m.playList().count(), 0);
        press(m, &Midi::MMControl1_PrevClick);
        QCOMPARE(m.selIndex(), 0);
        QCOMPARE(f.dialogs.count(QStringLiteral("Library file not present")), 1);
    }

    void nothingOpen_data()
    {
        QTest::addColumn<bool>("failedOpen");
        QTest::addColumn<QString>("event");
        QTest::newRow("empty list, Play") << false << "Play";
        QTest::newRow("empty list, Pause") << false << "Pause";
        QTest::newRow("failed open, Play") << true << "Play";
        QTest::newRow("failed open, Pause") << true << "Pause";
    }
    void nothingOpen()
    {
        QFETCH(bool, failedOpen);
        QFETCH(QString, event);
        PlayerFixture f;
        if (failedOpen)
            f.device.openErrors.insert(QStringLiteral("a.mid"), MediaError::DriverLoad);
        Midi &m = failedOpen ? withSongs(f, {QStringLiteral("a.mid")}) : f.start();
        const QString caption = m.windowTitle();
        const QString label2 = m.Label2->text();
        press(m, event == QLatin1String("Play") ? &Midi::MMControl1_PlayClick : &Midi::MMControl1_PauseClick);
        tick(f, 1000);
        QVERIFY(!m.playing());
        QCOMPARE(m.MMControl1->updateInterval(), 0);
        QVERIFY(since(f, 0).isEmpty());
        QCOMPARE(locks(m), QStringLiteral("free"));
        QCOMPARE(m.windowTitle(), caption);
        QCOMPARE(m.Label2->text(), label2);
        press(m, &Midi::MMControl1_StopClick);   // nothing to stop: no harm either
        QCOMPARE(m.Label2->text(), QStringLiteral("(Stopped)"));
    }

    void buttonsReachTheHandlers()
    {
        PlayerFixture f;
        Midi &m = withSongs(f, {QStringLiteral("a.mid"), QStringLiteral("b.mid")});
        m.MMControl1->button(2)->click();
        QCOMPARE(stateOf(m), QStringLiteral("playing"));
        m.MMControl1->button(3)->click();
        QCOMPARE(stateOf(m), QStringLiteral("paused"));
        m.MMControl1->button(4)->click();
        QCOMPARE(stateOf(m), QStringLiteral("stopped"));
        m.MMControl1->button(1)->click();
        QCOMPARE(openName(f), QStringLiteral("b.mid"));
        m.MMControl1->button(0)->click();
        QCOMPARE(openName(f), QStringLiteral("a.mid"));
    }
};

QTEST_MAIN(TestPlayerTransport)
#include "test_player_transport.moc"
