#include "fakes/playerfixture.h"
#include "library/filebrowser.h"
#include "playback/core/mediaerrors.h"
#include "playback/mediacontrol.h"
#include "testenv.h"
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QtTest>
#include <climits>

namespace {

bool commandsFree(const Midi &m)
{
    for (QWidget *w : {(QWidget *)m.cmdAdd, (QWidget *)m.cmdClear, (QWidget *)m.chkShuffle, (QWidget *)m.cmdSave,
                       (QWidget *)m.cmdOpen, (QWidget *)m.cmdNew, (QWidget *)m.cmdRemove, (QWidget *)m.SliderTime})
        if (!w->isEnabled())
            return false;
    return true;
}

bool commandsLocked(const Midi &m)
{
    for (QWidget *w : {(QWidget *)m.cmdAdd, (QWidget *)m.cmdClear, (QWidget *)m.chkShuffle, (QWidget *)m.cmdSave,
                       (QWidget *)m.cmdOpen, (QWidget *)m.cmdNew, (QWidget *)m.cmdRemove, (QWidget *)m.SliderTime})
        if (w->isEnabled())
            return false;
    return true;
}

}

class TestPlayerOpenMid : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

    void opensEntry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("total");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("tick");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("message");
        const QString zero = QStringLiteral("Multimedia Error: zero length file");
        QTest::newRow("entertainer") << "entertainer.mid" << qint64(200400) << "Entertainer" << "Total: 3:20 " << 200 << 4 << 20 << "";
        QTest::newRow("60 000") << "a.mid" << qint64(60000) << "A" << "Total: 1:00 " << 60 << 1 << 6 << "";
        QTest::newRow("59 400") << "a.mid" << qint64(59400) << "A" << "Total: 0:59 " << 59 << 1 << 6 << "";
        QTest::newRow("2 500 to even") << "a.mid" << qint64(2500) << "A" << "Total: 0:02 " << 2 << 0 << 0 << "";
        QTest::newRow("187 s") << "a.mid" << qint64(187000) << "A" << "Total: 3:07 " << 187 << 4 << 19 << "";
        QTest::newRow("ticks to even") << "a.mid" << qint64(125000) << "A" << "Total: 2:05 " << 125 << 2 << 12 << "";
        QTest::newRow("zero length") << "a.mid" << qint64(0) << "A" << "Total: 0:00 " << 0 << 0 << 0 << zero;
        QTest::newRow("longest that fits") << "a.mid" << qint64(32767499) << "A" << "Total: 546:07 " << 32767 << 655 << 3277 << "";
        QTest::newRow("27 characters") << "abcdefghijklmnopqrstuvwxyz0.mid" << qint64(1000) << "Abcdefghijklmnopqrst..."
                                       << "Total: 0:01 " << 1 << 0 << 0 << "";
        QTest::newRow("four characters") << "Abcd" << qint64(1000) << "Abcd" << "Total: 0:01 " << 1 << 0 << 0 << "";
        QTest::newRow("three characters") << "A.m" << qint64(1000) << "A.m" << "Total: 0:01 " << 1 << 0 << 0 << "";
    }
    void opensEntry()
    {
        QFETCH(QString, name);
        QFETCH(qint64, length);
        QFETCH(QString, title);
        QFETCH(QString, total);
        QFETCH(int, max);
        QFETCH(int, tick);
        QFETCH(int, page);
        QFETCH(QString, message);
        PlayerFixture f;
        f.device.lengths.insert(name, length);
        Midi &m = f.start();
        m.addFiles(f.songs({QStringLiteral("z.mid"), name}));
        m.SliderTime->setMaximum(1000);
        m.SliderTime->setValue(500);
        f.dialogs.clear();
        m.setSelIndex(1);
        QCOMPARE(m.OpenMid(QString()), Midi::Opened::File);
        QCOMPARE(m.Label1->text(), title);
        QCOMPARE(m.windowTitle(), title);
        QCOMPARE(m.Label3->text(), total);
        QCOMPARE(m.SliderTime->maximum(), max);
        QCOMPARE(m.SliderTime->tickInterval(), tick);
        QCOMPARE(m.SliderTime->pageStep(), page);
        QCOMPARE(m.SliderTime->value(), 0);
        QCOMPARE(m.Label5->text(), m.libName() + QStringLiteral(": 2 files"));
        QCOMPARE(m.Label4->text(), QStringLiteral("Midi Library: ") + m.libName());
        QCOMPARE(m.List1->currentRow(), 1);
        QCOMPARE(m.MMControl1->mode(), int(SequencerDevice::Stopped));
        QCOMPARE(m.MMControl1->from(), qint64(0));
        QCOMPARE(m.MMControl1->updateInterval(), 0);
        QCOMPARE(m.MMControl1->mousePointer(), 99);
        QVERIFY(commandsFree(m));
        QCOMPARE(f.dialogs.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    }

    void refusedOpen_data()
    {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("message");
        QTest::newRow("bad file name") << qint64(1000) << int(MediaError::InvalidFilename) << "Invalid filename.";
        QTest::newRow("no driver") << qint64(1000) << int(MediaError::DriverLoad) << "Error load media device driver.";
        QTest::newRow("over 32767 s") << qint64(32767500) << 0 << "";
    }
    void refusedOpen()
    {
        QFETCH(qint64, length);
        QFETCH(int, error);
        QFETCH(QString, message);
        PlayerFixture f;
        Midi &m = f.start();
        m.addFiles(f.songs({QStringLiteral("a.mid"), QStringLiteral("b.mid")}));
        f.device.lengths.insert(QStringLiteral("b.mid"), length);
        if (error)
            f.device.openErrors.insert(QStringLiteral("b.mid"), error);
        else
            message = mediaErrorText(MediaError::TooLong);
        f.dialogs.clear();
        int pointerAtMessage = -1;
        f.dialogs.onMessage = [&](const FakeDialogs::Message &) { pointerAtMessage = m.MMControl1->mousePointer(); };
        m.setSelIndex(1);
        QCOMPARE(m.OpenMid(QString()), Midi::Opened::Failed);
        QCOMPARE(f.dialogs.texts(), QStringList{message});
        QCOMPARE(f.dialogs.messages.first().title, QStringLiteral("Midi Player"));
        QCOMPARE(f.dialogs.messages.first().style, 48);
        QCOMPARE(pointerAtMessage, 0);
        QCOMPARE(m.Label1->text(), QStringLiteral("Failed to open"));
        QCOMPARE(m.Label3->text(), QStringLiteral("Total: 0:00 "));
        QCOMPARE(m.MMControl1->mode(), int(SequencerDevice::NotOpen));
        QCOMPARE(f.device.log.last(), QStringLiteral("close"));
        QCOMPARE(m.selIndex(), 1);
        QVERIFY(commandsFree(m));
    }

    void lockedWhileOpening()
    {
        PlayerFixture f;
        Midi &m = f.start();
        m.addFiles(f.songs({QStringLiteral("a.mid")}));
        bool locked = false;
        int pointer = -1;
        QString label1, label3;
        f.device.onOpen = [&](const QString &) {
            locked = commandsLocked(m);
            pointer = m.MMControl1->mousePointer();
            label1 = m.Label1->text();
            label3 = m.Label3->text();
        };
        m.OpenMid(QString());
        QVERIFY(locked);
        QCOMPARE(pointer, 11);
        QCOMPARE(label1, QStringLiteral("Opening Selection..."));
        QCOMPARE(label3, QStringLiteral("Total: 0:00 "));
        QVERIFY(commandsFree(m));
    }

    void findsPresentEntry_data()
    {
        QTest::addColumn<QString>("present");   // one mark per entry: + present, - missing
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("sel");          // -1: none present
        QTest::newRow("A missing, B C") << "-++" << 0 << 1;
        QTest::newRow("last missing wraps") << "++-" << 2 << 0;
        QTest::newRow("past the end") << "+++" << 7 << 0;
        QTest::newRow("one entry missing") << "-" << 0 << -1;
        QTest::newRow("all missing") << "---" << 1 << -1;
        QTest::newRow("empty list") << "" << 0 << -1;
    }
    void findsPresentEntry()
    {
        QFETCH(QString, present);
        QFETCH(int, start);
        QFETCH(int, sel);
        PlayerFixture f;
        Midi &m = f.start();
        QStringList names;
        for (int i = 0; i < present.size(); ++i)
            names << QStringLiteral("%1.mid").arg(QChar(u'a' + i));
        const QStringList paths = f.songs(names);
        m.addFiles(paths);
        for (int i = 0; i < present.size(); ++i)
            if (present[i] == u'-')
                QFile::remove(paths[i]);
        f.dialogs.clear();
        m.setSelIndex(start);
        const Midi::Opened result = m.OpenMid(QString());
        if (sel >= 0) {
            QCOMPARE(result, Midi::Opened::File);
            QCOMPARE(m.selIndex(), sel);
            QCOMPARE(m.List1->currentRow(), sel);
            QCOMPARE(f.device.openFile, paths[sel]);
            QVERIFY(f.dialogs.texts().isEmpty());
            return;
        }
        QCOMPARE(result, Midi::Opened::NoEntry);
        QCOMPARE(f.dialogs.texts(), QStringList{QStringLiteral("Library file not present")});
        QCOMPARE(f.dialogs.messages.first().title, QStringLiteral("Veltrix Lyrabox"));
        QCOMPARE(m.selIndex(), 0);
        QCOMPARE(m.MMControl1->mode(), int(SequencerDevice::NotOpen));
        QCOMPARE(m.Label1->text(), QStringLiteral("Opening Selection..."));
        QCOMPARE(m.Label3->text(), QStringLiteral("Total: 0:00 "));
        QVERIFY(commandsFree(m));
    }

    void previewKeepsTheSelection()
    {
        PlayerFixture f;
        f.device.lengths.insert(QStringLiteral("tune.mid"), 61000);
        Midi &m = f.start();
        m.addFiles(f.songs({QStringLiteral("a.mid"), QStringLiteral("b.mid"), QStringLiteral("c.mid")}));
        f.songs({QStringLiteral("tune.mid")});
        m.setSelIndex(2);
        m.OpenMid(QString());
        m.Label5->setText(QStringLiteral("x"));
        m.File1->setPath(f.dir() + QStringLiteral("/data"));
        m.File1->setCurrentItem(m.File1->findItems(QStringLiteral("tune.mid"), Qt::MatchExactly).value(0));
        m.File1_DblClick();
        QCOMPARE(QFileInfo(f.device.openFile).fileName(), QStringLiteral("tune.mid"));
        QCOMPARE(m.Label1->text(), QStringLiteral("Tune"));
        QCOMPARE(m.Label3->text(), QStringLiteral("Total: 1:01 "));
        QCOMPARE(m.Label5->text(), m.libName() + QStringLiteral(": 3 files"));
        QCOMPARE(m.selIndex(), 2);
        QCOMPARE(m.List1->currentRow(), 2);
        // Opening a list entry ends the preview.
        m.OpenMid(QString());
        QVERIFY(m.previewFile().isEmpty());
        QCOMPARE(m.Label1->text(), QStringLiteral("C"));
    }

    void negativeSelectionDoesNothing()
    {
        PlayerFixture f;
        Midi &m = f.start();
        m.addFiles(f.songs({QStringLiteral("a.mid")}));
        const QStringList log = f.device.log;
        m.setSelIndex(-1);
        QCOMPARE(m.OpenMid(QString()), Midi::Opened::NoEntry);
        QCOMPARE(f.device.log, log);
        QCOMPARE(m.Label1->text(), QStringLiteral("A"));
        QCOMPARE(m.MMControl1->mode(), int(SequencerDevice::Stopped));
        QVERIFY(f.dialogs.texts().isEmpty());
    }

    void errorTexts_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("30257") << 30257 << "Invalid device id.";
        QTest::newRow("30263") << 30263 << "The device is not open or is not known.";
        QTest::newRow("30266") << 30266 << "Error load media device driver.";
        QTest::newRow("30274") << 30274 << "Action not available for this device.";
        QTest::newRow("30304") << 30304 << "Invalid filename.";
        QTest::newRow("between two") << 30260 << "Unknown error ( 30260).";
        QTest::newRow("next to one") << 30305 << "Unknown error ( 30305).";
        QTest::newRow("just below") << 30256 << "Unknown error ( 30256).";
        QTest::newRow("5") << 5 << "Unknown error ( 5).";
        QTest::newRow("0") << 0 << "Unknown error ( 0).";
        QTest::newRow("negative") << -30304 << "Unknown error (-30304).";
        QTest::newRow("smallest") << int(INT_MIN) << "Unknown error (-2147483648).";
    }
    void errorTexts()
    {
        QFETCH(int, number);
        QFETCH(QString, text);
        PlayerFixture f;
        Midi &m = f.start();
        m.DisplayErrorMessageBox(number);
        QCOMPARE(f.dialogs.messages.size(), 1);
        QCOMPARE(f.dialogs.messages[0].text, text);
        QCOMPARE(f.dialogs.messages[0].title, QStringLiteral("Midi Player"));
        QCOMPARE(f.dialogs.messages[0].style, 48);
    }

    void overtakenOpen_data()
    {
        QTest::addColumn<bool>("newerFails");
        QTest::newRow("newer opens") << false;
        QTest::newRow("newer fails") << true;
    }
    void overtakenOpen()
    {
        QFETCH(bool, newerFails);
        PlayerFixture f;
        f.device.lengths.insert(QStringLiteral("b.mid"), 5000);
        f.device.lengths.insert(QStringLiteral("c.mid"), 61000);
        if (newerFails)
            f.device.openErrors.insert(QStringLiteral("c.mid"), MediaError::InvalidFilename);
        Midi &m = f.start();
        m.addFiles(f.songs({QStringLiteral("a.mid"), QStringLiteral("b.mid"), QStringLiteral("c.mid")}));
        f.dialogs.clear();
        // A double click on c while b is slow to open.
        Midi::Opened newer = Midi::Opened::Overtaken;
        f.device.onOpen = [&](const QString &path) {
            if (!path.endsWith(QLatin1String("b.mid")))
                return;
            m.setSelIndex(2);
            newer = m.OpenMid(QString());
        };
        m.setSelIndex(1);
        QCOMPARE(m.OpenMid(QString()), Midi::Opened::Overtaken);
        QCOMPARE(m.selIndex(), 2);
        QVERIFY(commandsFree(m));
        if (newerFails) {
            QCOMPARE(newer, Midi::Opened::Failed);
            QCOMPARE(m.MMControl1->mode(), int(SequencerDevice::NotOpen));
            QCOMPARE(m.Label1->text(), QStringLiteral("Failed to open"));
            QCOMPARE(f.dialogs.texts(), QStringList{QStringLiteral("Invalid filename.")});
            return;
        }
        QCOMPARE(newer, Midi::Opened::File);
        QCOMPARE(QFileInfo(f.device.openFile).fileName(), QStringLiteral("c.mid"));
        QCOMPARE(m.MMControl1->mode(), int(SequencerDevice::Stopped));
        QCOMPARE(m.MMControl1->length(), qint64(61000));
        QCOMPARE(m.Label1->text(), QStringLiteral("C"));
        QCOMPARE(m.Label3->text(), QStringLiteral("Total: 1:01 "));
        QCOMPARE(m.SliderTime->maximum(), 61);
        QVERIFY(f.dialogs.texts().isEmpty());
        // What plays next is what the window shows.
        int cancel = 1;
        m.MMControl1_PlayClick(cancel);
        QCOMPARE(QFileInfo(f.device.openFile).fileName(), QStringLiteral("c.mid"));
    }
};

QTEST_MAIN(TestPlayerOpenMid)
#include "test_player_openmid.moc"
