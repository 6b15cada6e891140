#include "fakes/playerfixture.h"
#include "library/filebrowser.h"
#include "playback/mediacontrol.h"
#include "testenv.h"
#include <QLabel>
#include <QSlider>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Plays entry (a preview when asked), moving the clock by each step; -1 presses Pause.
struct Look {
    QString entry;
    bool preview;
    QList<int> steps;
    QString label2;
    int slider;
    QString title;
};

// from: stopped, playing or paused when the slider is taken; deviceStops: it reports
// stopped at the end; label2 right after the release, after a second into play from there.
struct Release {
    QString from;
    bool deviceStops = false;
    int heldMs = 0, value;
    QString label2, after;
};

}

Q_DECLARE_METATYPE(Look)
Q_DECLARE_METATYPE(Release)

class TestPlayerMonitor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

    void texts_data()
    {
        QTest::addColumn<Look>("l");
        QTest::newRow("marker blinks by look") << Look{"a.mid", false, {1000, 1000, 1000, 200}, "Time: 0:03", 3, "A"};
        QTest::newRow("no look while paused")
            << Look{"a.mid", false, {1000, 1000, 1000, 200, -1, 5000, -1, 1000}, "Time: 0:04 *", 4, "A"};
        QTest::newRow("59 500") << Look{"a.mid", false, {59500}, "Time: 1:00 *", 60, "A"};
        QTest::newRow("2 500 to even") << Look{"a.mid", false, {2500}, "Time: 0:02 *", 2, "A"};
        QTest::newRow("rest unchanged") << Look{"éTUDE no 2.RMI", false, {1000}, "Time: 0:01 *", 1, "ÉTUDE no 2"};
        QTest::newRow("preview") << Look{"preview tune.mid", true, {3000}, "(Preview)", 3, "Preview tune"};
    }
    void texts()
    {
        QFETCH(Look, l);
        PlayerFixture f;
        Midi &m = f.startWith({l.preview ? u"a.mid"_s : l.entry}, 900000);
        if (l.preview) {
            f.songs({l.entry});
            f.preview(l.entry);
        }
        f.press(u"Play"_s);
        m.controls().Label1->clear();
        m.setWindowTitle(QString());
        for (int ms : l.steps)
            ms < 0 ? f.press(u"Pause"_s) : f.tick(ms);
        QCOMPARE(m.controls().Label2->text(), l.label2);
        QCOMPARE(m.controls().SliderTime->value(), l.slider);
        QCOMPARE(m.controls().Label1->text(), l.title);
        QCOMPARE(m.windowTitle(), l.title);
    }

    void songEnds_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("sliderAt");   // released there while stopped
        QTest::newRow("at its length") << 5000 << 0;
        QTest::newRow("zero length, first look") << 0 << 0;
        QTest::newRow("From past the end") << 200600 << 201;
    }
    void songEnds()
    {
        QFETCH(int, length);
        QFETCH(int, sliderAt);
        PlayerFixture f;
        f.device.lengths.insert(u"a.mid"_s, length);
        Midi &m = f.startWith({u"a.mid"_s, u"b.mid"_s});
        m.playSession()->holdPosition();
        m.controls().SliderTime->setValue(sliderAt);
        m.playSession()->releasePosition(m.controls().SliderTime->value());
        f.press(u"Play"_s);
        const int playFor = sliderAt ? 0 : length;
        f.tick(qMax(0, playFor - 1));
        QCOMPARE(m.playSession()->selIndex(), playFor > 0 ? 0 : 1);
        for (int ms : {playFor > 0 ? 1 : 0, 1, 1000})   // the end, the interlude, a look at what follows
            f.tick(ms);
        QCOMPARE(QFileInfo(f.device.openFile).fileName(), u"b.mid"_s);
        QCOMPARE(m.controls().Label2->text(), u"Time: 0:01 *"_s);
    }

    void sliderRelease_data()
    {
        QTest::addColumn<Release>("r");
        QTest::newRow("stopped at 75") << Release{
            .from = "stopped", .value = 75, .label2 = "Time: 1:15", .after = "Time: 1:16 *"};
        QTest::newRow("playing at 0") << Release{
            .from = "playing", .value = 0, .label2 = "Time: 0:05 *", .after = "Time: 0:01"};
        QTest::newRow("paused at 60") << Release{
            .from = "paused", .value = 60, .label2 = "Time: 1:00", .after = "Time: 1:01 *"};
        QTest::newRow("song ended while held") << Release{
            .from = "playing", .heldMs = 200000, .value = 3, .label2 = "Time: 0:05 *", .after = "Time: 0:04"};
        QTest::newRow("device stopped while held") << Release{.from = "playing",
                                                              .deviceStops = true,
                                                              .heldMs = 200000,
                                                              .value = 3,
                                                              .label2 = "Time: 0:05 *",
                                                              .after = "Time: 0:04"};
    }
    void sliderRelease()
    {
        QFETCH(Release, r);
        PlayerFixture f;
        f.device.stopsAtEnd = r.deviceStops;
        Midi &m = f.startWith({u"a.mid"_s, u"b.mid"_s});
        if (r.from != u"stopped") {
            f.press(u"Play"_s);
            f.tick(5000);
        }
        if (r.from != u"playing")
            f.press(r.from == u"paused" ? u"Pause"_s : u"Stop"_s);
        m.playSession()->holdPosition();
        f.clock.advance(r.heldMs);
        m.controls().SliderTime->setValue(r.value);
        m.playSession()->releasePosition(m.controls().SliderTime->value());
        QCOMPARE(m.controls().Label2->text(), r.label2);
        QCOMPARE(m.controls().MMControl1->updateInterval(), r.from == u"playing" ? 500 : 0);
        if (r.from != u"playing")   // nothing plays until asked, then from the chosen second
            f.press(r.from == u"paused" ? u"Pause"_s : u"Play"_s);
        f.tick(1000);
        QCOMPARE(m.controls().Label2->text(), r.after);
        QCOMPARE(m.playSession()->selIndex(), 0);
    }
};

QTEST_MAIN(TestPlayerMonitor)
#include "test_player_monitor.moc"
