#include "fakes/playerfixture.h"
#include "library/filebrowser.h"
#include "testenv.h"
#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QtTest>

class TestPlayerOptions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

    void interludeField_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("presses");
        QTest::addColumn<QString>("want");
        QTest::newRow("75") << "75" << 0 << "60";
        QTest::newRow("-4") << "-4" << 0 << "0";
        QTest::newRow("2.5") << "2.5" << 0 << "2";
        QTest::newRow("3.5") << "3.5" << 0 << "4";
        QTest::newRow("12abc") << "12abc" << 0 << "12";
        QTest::newRow("empty") << "" << 0 << "0";
        QTest::newRow("100000") << "100000" << 0 << "60";
        QTest::newRow("1e300") << "1e300" << 0 << "0";
        QTest::newRow("up at 60") << "60" << 1 << "60";
        QTest::newRow("down at 0") << "0" << -1 << "0";
        QTest::newRow("7 and two up") << "7" << 2 << "9";
    }
    void interludeField()
    {
        QFETCH(QString, typed);
        QFETCH(int, presses);
        QFETCH(QString, want);
        PlayerFixture f;
        Midi &m = f.start();
        m.controls().txtPause->setText(typed);
        for (int i = 0; i < qAbs(presses); ++i)
            m.controls().UpDown1->stepBy(presses > 0 ? 1 : -1);
        QCOMPARE(m.controls().txtPause->text(), want);
        QCOMPARE(m.controls().UpDown1->value(), 0);
    }

    void typingAPointDropsIt()
    {
        PlayerFixture f;
        Midi &m = f.start();
        m.controls().txtPause->clear();
        QTest::keyClicks(m.controls().txtPause, "2.");
        QCOMPARE(m.controls().txtPause->text(), QStringLiteral("2"));
    }

    // The first deal of the run, though Shuffle was ticked on an empty list before.
    void shuffleThroughTheWindow()
    {
        PlayerFixture f;
        const QStringList songs = f.songs({"A.mid", "B.mid", "C.mid"});
        Midi &m = f.start();
        m.controls().chkShuffle->setChecked(true);
        m.controls().chkShuffle->setChecked(false);
        m.library()->addFiles(songs);
        m.controls().chkShuffle->setChecked(true);
        QCOMPARE(m.library()->list().names(), QStringList({"C.mid", "B.mid", "A.mid"}));
        QCOMPARE(m.library()->list().path(0), songs[2]);
        QCOMPARE(f.device.openFile, songs[2]);   // the entry now at SelIndex 0
        m.controls().chkShuffle->setChecked(false);
        QCOMPARE(m.library()->list().names(), QStringList({"C.mid", "B.mid", "A.mid"}));
    }
};

QTEST_MAIN(TestPlayerOptions)
#include "test_player_options.moc"
