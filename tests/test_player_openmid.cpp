#include "fakes/playerfixture.h"
#include "library/filebrowser.h"
#include "playback/core/mediaerrors.h"
#include "playback/mediacontrol.h"
#include "testenv.h"
#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QtTest>
#include <climits>

using namespace Qt::StringLiterals;

namespace {

// The list commands go on and off together; the slider on its own.
int commandsOn(const Midi &m)
{
    return int(m.controls().cmdAdd->isEnabled()) + int(m.controls().SliderTime->isEnabled());
}

const QStringList kABC{u"a.mid"_s, u"b.mid"_s, u"c.mid"_s};

// label1 "Failed to open" marks a refused open; max, tick and page are the slider's after it;
// message: what was shown, with its title, style and the mouse pointer meanwhile.
struct Open {
    qint64 length;
    int error;
    QString label1, total;
    int max, tick, page;
    QString message;
};
// Entries a, b, c…: "+" present, "-" its file gone; open: what OpenMid leaves open, empty for none.
struct Missing {
    QString present;
    int start, sel;
    QString open;
};

}

class TestPlayerOpenMid : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

    void opensEntry_data()
    {
        QTest::addColumn<Open>("o");
        const QString fail = u"Failed to open"_s, none = u"Total: 0:00 "_s;
        auto refused = [&](const char *tag, int error, const QString &text) {
            QTest::newRow(tag) << Open{1000, error, fail, none, 0, 0, 0, text + u"|Midi Player|48|0"_s};
        };
        QTest::newRow("200.4 s") << Open{200400, 0, "Entertainer", "Total: 3:20 ", 200, 4, 20, ""};
        QTest::newRow("ticks to even") << Open{125000, 0, "Entertainer", "Total: 2:05 ", 125, 2, 12, ""};
        QTest::newRow("ticks up") << Open{187000, 0, "Entertainer", "Total: 3:07 ", 187, 4, 19, ""};
        QTest::newRow("zero length") << Open{
            0, 0, "Entertainer", none, 0, 0, 0, "Multimedia Error: zero length file|Veltrix Lyrabox|0|11"};
        QTest::newRow("longest that fits") << Open{32767499, 0, "Entertainer", "Total: 546:07 ", 32767, 655, 3277, ""};
        refused("last known error", MediaError::InvalidFilename, u"Invalid filename."_s);
        refused("neighbour above", 30305, u"Unknown error ( 30305)."_s);
        refused("neighbour below", 30256, u"Unknown error ( 30256)."_s);
        refused("negative", -30304, u"Unknown error (-30304)."_s);
        refused("smallest", INT_MIN, u"Unknown error (-2147483648)."_s);
        QTest::newRow("over 32767 s") << Open{
            32767500, 0, fail, none, 0, 0, 0, mediaErrorText(MediaError::TooLong) + "|Midi Player|48|0"};
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
            whileOpening = u"%1|%2|%3|%4"_s.arg(commandsOn(m))
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
        QCOMPARE(whileOpening, u"0|11|Opening Selection...|Total: 0:00 "_s);
        QCOMPARE(shown, o.message);
        QCOMPARE(m.controls().Label1->text(), o.label1);
        QCOMPARE(m.controls().Label3->text(), o.total);
        QCOMPARE(m.controls().MMControl1->mode(),
                 failed ? SequencerDevice::Mode::NotOpen : SequencerDevice::Mode::Stopped);
        QCOMPARE(commandsOn(m), 2);
        QCOMPARE(m.controls().SliderTime->value(), 0);
        const QSlider *slider = m.controls().SliderTime;
        if (!failed)
            QCOMPARE(QList<int>({slider->maximum(), slider->tickInterval(), slider->pageStep()}),
                     QList<int>({o.max, o.tick, o.page}));
    }

    void missingEntries_data()
    {
        QTest::addColumn<Missing>("c");
        QTest::newRow("first missing") << Missing{"-++", 0, 1, "b.mid"};
        QTest::newRow("last missing wraps") << Missing{"++-", 2, 0, "a.mid"};
        QTest::newRow("past the end") << Missing{"+++", 7, 0, "a.mid"};
        QTest::newRow("all missing") << Missing{"---", 1, 0, ""};
        QTest::newRow("empty list") << Missing{"", 0, 0, ""};
        QTest::newRow("negative: nothing happens") << Missing{"++", -1, -1, "a.mid"};
    }
    void missingEntries()
    {
        QFETCH(Missing, c);
        PlayerFixture f;
        Midi &m = f.startWith(kABC.mid(0, c.present.size()));
        for (int i = 0; i < c.present.size(); ++i)
            if (c.present[i] == u'-')
                QVERIFY(QFile::remove(m.library()->list().path(i)));
        m.playSession()->setSelIndex(c.start);
        QCOMPARE(m.playSession()->openEntry(), c.sel >= 0 && !c.open.isEmpty() ? PlaySession::Opened::File : PlaySession::Opened::NoEntry);
        QCOMPARE(m.playSession()->selIndex(), c.sel);
        QCOMPARE(QFileInfo(f.device.openFile).fileName(), c.open);
        QCOMPARE(f.dialogs.texts(), c.open.isEmpty() ? QStringList{u"Library file not present"_s} : QStringList());
        QCOMPARE(m.controls().Label1->text(), c.open.isEmpty() ? u"Opening Selection..."_s : c.open.left(1).toUpper());
        QCOMPARE(commandsOn(m), 2);
        if (!c.open.isEmpty())
            QCOMPARE(m.controls().List1->currentRow(), qMax(0, c.sel));
    }

    void overtakenOpen()
    {
        PlayerFixture f;
        f.device.lengths.insert(u"c.mid"_s, 61000);
        Midi &m = f.startWith(kABC);
        // A double click on c while b is slow to open.
        PlaySession::Opened newer = PlaySession::Opened::Overtaken;
        f.device.onOpen = [&](const QString &path) {
            if (!path.endsWith(u"b.mid"))
                return;
            m.playSession()->setSelIndex(2);
            newer = m.playSession()->openEntry();
        };
        m.playSession()->setSelIndex(1);
        QCOMPARE(m.playSession()->openEntry(), PlaySession::Opened::Overtaken);
        QCOMPARE(newer, PlaySession::Opened::File);
        QCOMPARE(commandsOn(m), 2);
        QCOMPARE(QFileInfo(f.device.openFile).fileName(), u"c.mid"_s);
        QCOMPARE(m.controls().Label1->text() + m.controls().Label3->text(), u"CTotal: 1:01 "_s);
    }
};

QTEST_MAIN(TestPlayerOpenMid)
#include "test_player_openmid.moc"
