#include "fakes/playerfixture.h"
#include "library/filebrowser.h"
#include "playback/mediacontrol.h"
#include "testenv.h"
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QtTest>

namespace {

Midi &withSongs(PlayerFixture &f, const QStringList &names)
{
    Midi &m = f.start();
    m.addFiles(f.songs(names));
    return m;
}

void play(Midi &m)
{
    int cancel = 1;
    m.MMControl1_PlayClick(cancel);
}

void pause(Midi &m)
{
    int cancel = 1;
    m.MMControl1_PauseClick(cancel);
}

void tick(PlayerFixture &f, qint64 ms)
{
    f.clock.advance(ms);
    f.midi->MMControl1_StatusUpdate();
}

QStringList plays(const PlayerFixture &f, qsizetype from)
{
    return f.device.log.mid(from).filter(QRegularExpression(QStringLiteral("^play ")));
}

}

class TestPlayerMonitor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

    void markerBlinks()
    {
        PlayerFixture f;
        Midi &m = withSongs(f, {QStringLiteral("a.mid")});
        play(m);
        // The marker blinks by tick, not by second: the last step shows 0:03 again.
        const QList<std::pair<int, QString>> steps{{1000, QStringLiteral("Time: 0:01 *")}, {1000, QStringLiteral("Time: 0:02")},
                                                   {1000, QStringLiteral("Time: 0:03 *")}, {200, QStringLiteral("Time: 0:03")}};
        for (const auto &[ms, text] : steps) {
            tick(f, ms);
            QCOMPARE(m.Label2->text(), text);
            QCOMPARE(m.Label1->text(), QStringLiteral("A"));
            QCOMPARE(m.windowTitle(), QStringLiteral("A"));
            QCOMPARE(m.SliderTime->value(), int(f.clock.ms / 1000));
        }
        pause(m);
        tick(f, 5000);   // no tick reaches a paused player
        QCOMPARE(m.Label2->text(), QStringLiteral("(Paused)"));
        pause(m);
        tick(f, 1000);
        QCOMPARE(m.Label2->text(), QStringLiteral("Time: 0:04 *"));   // 3.2 s + 1 s
    }

    void timeRounding_data()
    {
        QTest::addColumn<int>("ms");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("slider");
        QTest::newRow("59 400") << 59400 << "Time: 0:59 *" << 59;
        QTest::newRow("59 500") << 59500 << "Time: 1:00 *" << 60;
        QTest::newRow("60 000") << 60000 << "Time: 1:00 *" << 60;
        QTest::newRow("125 000") << 125000 << "Time: 2:05 *" << 125;
        QTest::newRow("2 500 to even") << 2500 << "Time: 0:02 *" << 2;
        QTest::newRow("3 500 to even") << 3500 << "Time: 0:04 *" << 4;
        QTest::newRow("12 min 40 s") << 760000 << "Time: 12:40 *" << 760;
    }
    void timeRounding()
    {
        QFETCH(int, ms);
        QFETCH(QString, text);
        QFETCH(int, slider);
        PlayerFixture f;
        f.device.lengths.insert(QStringLiteral("a.mid"), 900000);
        Midi &m = withSongs(f, {QStringLiteral("a.mid")});
        play(m);
        tick(f, ms);
        QCOMPARE(m.Label2->text(), text);
        QCOMPARE(m.SliderTime->value(), slider);
    }

    void titles_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("title");
        QTest::newRow("my song") << "my song.mid" << "My song";
        QTest::newRow("23 characters whole") << "abcdefghijklmnopqrstuvw.mid" << "Abcdefghijklmnopqrstuvw";
        QTest::newRow("24 characters cut") << "abcdefghijklmnopqrstuvwx.mid" << "Abcdefghijklmnopqrst...";
        QTest::newRow("rest unchanged") << "éTUDE no 2.RMI" << "ÉTUDE no 2";
    }
    void titles()
    {
        QFETCH(QString, entry);
        QFETCH(QString, title);
        PlayerFixture f;
        Midi &m = withSongs(f, {entry});
        play(m);
        m.Label1->setText(QString());
        m.setWindowTitle(QString());
        tick(f, 1000);
        QCOMPARE(m.Label1->text(), title);
        QCOMPARE(m.windowTitle(), title);
    }

    void previewThenTheList()
    {
        PlayerFixture f;
        f.device.lengths.insert(QStringLiteral("preview tune.mid"), 4000);
        Midi &m = withSongs(f, {QStringLiteral("a.mid"), QStringLiteral("b.mid")});
        f.songs({QStringLiteral("preview tune.mid")});
        m.File1->setPath(f.dir() + QStringLiteral("/data"));
        const auto items = m.File1->findItems(QStringLiteral("preview tune.mid"), Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        m.File1->setCurrentItem(items.first());
        m.File1_DblClick();
        QCOMPARE(m.previewFile(), QStringLiteral("preview tune.mid"));
        play(m);
        for (int s = 1; s <= 3; ++s) {
            tick(f, 1000);
            QCOMPARE(m.Label2->text(), QStringLiteral("(Preview)"));
            QCOMPARE(m.Label1->text(), QStringLiteral("Preview tune"));
            QCOMPARE(m.windowTitle(), QStringLiteral("Preview tune"));
            QCOMPARE(m.SliderTime->value(), s);
        }
        // Its end moves the list on, as any song's does.
        tick(f, 1000);
        QCOMPARE(m.selIndex(), 1);
        QCOMPARE(m.Label2->text(), QStringLiteral("(Interlude)"));
        f.clock.advance(1);
        m.interludeCheck();
        tick(f, 1000);
        QCOMPARE(QFileInfo(f.device.openFile).fileName(), QStringLiteral("b.mid"));
        QCOMPARE(m.Label2->text(), QStringLiteral("Time: 0:01 *"));
        QCOMPARE(m.Label1->text(), QStringLiteral("B"));
    }

    void songEnds_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("sliderAt");   // released there while stopped; -1: not moved
        QTest::addColumn<int>("playFor");
        QTest::newRow("at its length") << 5000 << -1 << 5000;
        QTest::newRow("zero length, first tick") << 0 << -1 << 0;
        QTest::newRow("start beyond the length") << 200600 << 201 << 0;
    }
    void songEnds()
    {
        QFETCH(int, length);
        QFETCH(int, sliderAt);
        QFETCH(int, playFor);
        PlayerFixture f;
        f.device.lengths.insert(QStringLiteral("a.mid"), length);
        Midi &m = withSongs(f, {QStringLiteral("a.mid"), QStringLiteral("b.mid")});
        if (sliderAt >= 0) {
            QCOMPARE(m.SliderTime->maximum(), sliderAt);
            m.SliderTime_MouseDown();
            m.SliderTime->setValue(sliderAt);
            m.SliderTime_MouseUp();
        }
        play(m);
        if (playFor > 0) {
            tick(f, playFor - 1);
            QCOMPARE(m.selIndex(), 0);
        }
        tick(f, playFor > 0 ? 1 : 0);
        QCOMPARE(m.selIndex(), 1);
        QCOMPARE(m.Label2->text(), QStringLiteral("(Interlude)"));
        const qsizetype mark = f.device.log.size();
        f.clock.advance(1);
        m.interludeCheck();
        QCOMPARE(plays(f, mark), QStringList{QStringLiteral("play 0")});
        QCOMPARE(QFileInfo(f.device.openFile).fileName(), QStringLiteral("b.mid"));
        tick(f, 1000);
        QCOMPARE(m.Label2->text(), QStringLiteral("Time: 0:01 *"));
    }

    void slider_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("deviceStops");   // the device reports stopped at the end
        QTest::addColumn<int>("heldMs");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("label2");     // right after the release
        QTest::addColumn<QString>("resume");     // pressed after the release
        QTest::addColumn<QStringList>("plays");
        QTest::addColumn<QString>("afterTick");
        QTest::addColumn<int>("sel");
        QTest::newRow("stopped at 75") << "stopped" << 200000 << false << 0 << 75 << "Time: 1:15" << "Play"
                                       << QStringList{"play 75000"} << "Time: 1:16 *" << 0;
        QTest::newRow("playing at 0") << "playing" << 200000 << false << 0 << 0 << "" << ""
                                      << QStringList{"play 0"} << "Time: 0:01" << 0;
        QTest::newRow("paused at 60") << "paused" << 200000 << false << 0 << 60 << "Time: 1:00" << "Pause"
                                      << QStringList{"play 60000"} << "Time: 1:01 *" << 0;
        QTest::newRow("ended while held, back to 3") << "playing" << 10000 << false << 10000 << 3 << "" << ""
                                                    << QStringList{"play 3000"} << "Time: 0:04" << 0;
        QTest::newRow("ended while held, left at the end") << "playing" << 10000 << false << 10000 << 10 << "" << ""
                                                          << QStringList{"play 10000"} << "(Interlude)" << 1;
        QTest::newRow("device stopped while held") << "playing" << 10000 << true << 10000 << 3 << "" << ""
                                                  << QStringList{"play 3000"} << "Time: 0:04" << 0;
    }
    void slider()
    {
        QFETCH(QString, from);
        QFETCH(int, length);
        QFETCH(bool, deviceStops);
        QFETCH(int, heldMs);
        QFETCH(int, value);
        QFETCH(QString, label2);
        QFETCH(QString, resume);
        QFETCH(QStringList, plays);
        QFETCH(QString, afterTick);
        QFETCH(int, sel);
        PlayerFixture f;
        f.device.lengths.insert(QStringLiteral("a.mid"), length);
        f.device.stopsAtEnd = deviceStops;
        Midi &m = withSongs(f, {QStringLiteral("a.mid"), QStringLiteral("b.mid")});
        if (from == QLatin1String("stopped")) {
            int cancel = 1;
            m.MMControl1_StopClick(cancel);
        } else {
            play(m);
            tick(f, 5000);
            QCOMPARE(m.Label2->text(), QStringLiteral("Time: 0:05 *"));
            if (from == QLatin1String("paused"))
                pause(m);
        }
        const int modeBefore = m.MMControl1->mode();
        const qsizetype mark = f.device.log.size();
        m.SliderTime_MouseDown();
        QCOMPARE(m.MMControl1->updateInterval(), 0);
        f.clock.advance(heldMs);
        m.SliderTime->setValue(value);
        m.SliderTime_MouseUp();
        if (!label2.isEmpty())
            QCOMPARE(m.Label2->text(), label2);
        if (from != QLatin1String("playing")) {
            QCOMPARE(m.MMControl1->mode(), modeBefore);
            QCOMPARE(m.MMControl1->from(), qint64(value) * 1000);
            QCOMPARE(m.MMControl1->updateInterval(), 0);
        } else {
            // Play goes on from the chosen second, with the monitor and the locks back.
            QCOMPARE(m.MMControl1->updateInterval(), 500);
            QVERIFY(!m.cmdAdd->isEnabled() && !m.cmdClear->isEnabled());
            QVERIFY(m.SliderTime->isEnabled());
        }
        if (resume == QLatin1String("Play"))
            play(m);
        else if (resume == QLatin1String("Pause"))
            pause(m);
        QCOMPARE(::plays(f, mark), plays);
        tick(f, 1000);
        QCOMPARE(m.Label2->text(), afterTick);
        QCOMPARE(m.selIndex(), sel);
    }
};

QTEST_MAIN(TestPlayerMonitor)
#include "test_player_monitor.moc"
