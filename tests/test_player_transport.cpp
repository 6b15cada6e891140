#include "fakes/playerfixture.h"
#include "library/filebrowser.h"
#include "playback/core/mediaerrors.h"
#include "playback/mediacontrol.h"
#include "testenv.h"
#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

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
}

Q_DECLARE_METATYPE(Open)

// The transport strip and the texts as views of the play session; what it decides is tested on its own.
class TestPlayerTransport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

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
};

QTEST_MAIN(TestPlayerTransport)
#include "test_player_transport.moc"
