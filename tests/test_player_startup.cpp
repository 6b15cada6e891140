#include "app/core/appinfo.h"
#include "fakes/playerfixture.h"
#include "testenv.h"
#include "playback/mediacontrol.h"
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using AppInfo::AppletSection;

class TestPlayerStartup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

    void firstStartWithEmptyStore()
    {
        PlayerFixture f(false);
        Midi &m = f.start();
        QCOMPARE(m.playerColor(), qint64(0x808080));
        QCOMPARE(m.textColor(), qint64(0));
        QVERIFY(!m.lightCorners());
        QCOMPARE(m.heightTw(), 2460);
        QVERIFY(!m.controls().chkLoop->isChecked() && !m.controls().chkClose->isChecked() && !m.controls().chkShuffle->isChecked());
        QCOMPARE(m.controls().txtPause->text(), QStringLiteral("0"));
        const QString data = TestEnv::documents() + QStringLiteral("/Veltrix/Quillon/");
        QCOMPARE(m.dataDir(), data);
        QVERIFY(QFileInfo(data).isDir());
        QCOMPARE(f.settings->GetValue(QStringLiteral("Quillon\\Startup"), QStringLiteral("DataPath"), QString()), data);
        QVERIFY(QFileInfo::exists(data + QStringLiteral("sample.mid")));
        QCOMPARE(m.controls().Label4->text(), QStringLiteral("Midi Library: (none)"));
        QCOMPARE(m.controls().Label5->text(), QStringLiteral("New Library (Empty)"));
        QCOMPARE(m.controls().Label5->font().pointSize(), 10);
        QCOMPARE(m.controls().Label1->text(), QStringLiteral("No Selection"));
        QCOMPARE(m.controls().Label2->text(), QStringLiteral("(Stopped)"));
        const QRect s = Midi::screenTw();
        QCOMPARE(m.leftTw() / 15, int((s.width() - 6315) / 2.0) / 15);
        QCOMPARE(m.topTw() / 15, int((s.height() - 7665) / 2.0) / 15);
        f.quit();
        QVERIFY(m.unloaded());
        // Nothing chosen: no library path, no library written.
        QCOMPARE(f.settings->GetValue(AppletSection(), QStringLiteral("MidiLib"), QStringLiteral("unset")),
                 QStringLiteral("unset"));
    }

    // Kept on the screen, whether stored so or moved there (then resized); partly off may stay.
    void position_data()
    {
        QTest::addColumn<bool>("moved");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("top");
        QTest::addColumn<int>("wantLeft");
        QTest::addColumn<int>("wantTop");
        const QRect s = Midi::screenTw();
        const auto n = [](int v) { return QString::number(v); };
        QTest::newRow("stored negative") << false << "-10" << "-3000" << 0 << 0;
        QTest::newRow("stored beyond the screen") << false << "999999" << "999999" << 0 << 0;
        QTest::newRow("stored not numbers") << false << "12abc" << "left" << 0 << 0;
        QTest::newRow("stored inside") << false << "1500" << "900" << 1500 << 900;
        QTest::newRow("stored nan and inf") << false << "nan" << "inf" << 0 << 0;
        QTest::newRow("moved beyond the right") << true << n(s.width() + 600) << "300" << s.width() - 6315 << 300;
        QTest::newRow("moved negative") << true << "-900" << "-300" << 0 << 0;
        QTest::newRow("moved partly off") << true << n(s.width() - 3000) << "300" << s.width() - 3000 << 300;
        QTest::newRow("moved below the bottom") << true << "300" << n(s.height() + 600) << 300 << s.height() - 2460;
    }
    void position()
    {
        QFETCH(bool, moved);
        QFETCH(QString, left);
        QFETCH(QString, top);
        QFETCH(int, wantLeft);
        QFETCH(int, wantTop);
        PlayerFixture f;
        if (!moved) {
            f.settings->SetValue(AppletSection(), QStringLiteral("MidiLeft"), left);
            f.settings->SetValue(AppletSection(), QStringLiteral("MidiTop"), top);
        }
        Midi &m = f.start();
        if (moved) {
            m.moveTw(left.toInt(), top.toInt());
            m.Form_Resize();
        }
        QCOMPARE(m.leftTw() / 15, wantLeft / 15);
        QCOMPARE(m.topTw() / 15, wantTop / 15);
    }

    void optionsAndColoursRoundTrip()
    {
        PlayerFixture f;
        f.settings->SetValue(AppletSection(), QStringLiteral("MidiFore"), QStringLiteral("16777215"));
        f.settings->SetValue(AppletSection(), QStringLiteral("MidiPause"), QStringLiteral("12.5"));
        f.settings->SetValue(AppletSection(), QStringLiteral("MidiLoop"), QStringLiteral("1"));
        f.settings->SetValue(AppletSection(), QStringLiteral("MidiShuffle"), QStringLiteral("2"));
        Midi &m = f.start();
        QVERIFY(m.lightCorners());
        QCOMPARE(m.controls().txtPause->text(), QStringLiteral("12"));
        QVERIFY(m.controls().chkLoop->isChecked());
        QVERIFY(!m.controls().chkShuffle->isChecked());   // only 1 means checked
        f.dialogs.answers << Dialogs::Answer::Yes;       // the system colours
        m.cmdColor_Click();
        f.quit();
        QCOMPARE(f.settings->GetValue(AppletSection(), QStringLiteral("MidiBack"), QString()),
                 QString::number(qint32(0x8000000F)));
        QCOMPARE(f.settings->GetValue(AppletSection(), QStringLiteral("MidiLoop"), QString()), QStringLiteral("1"));
        QCOMPARE(f.settings->GetValue(AppletSection(), QStringLiteral("MidiPause"), QString()), QStringLiteral("12"));
    }

    // Stored colours no colour can have read as the defaults; the rest as stored,
    // the system pair exactly, not through single precision.
    void storedColours_data()
    {
        QTest::addColumn<QString>("back");
        QTest::addColumn<QString>("fore");
        QTest::addColumn<qint64>("wantBack");
        QTest::addColumn<qint64>("wantFore");
        QTest::newRow("plain") << "255" << "16777215" << qint64(255) << qint64(0xFFFFFF);
        QTest::newRow("system pair") << "&H8000000F&" << "-2147483630" << qint64(qint32(0x8000000F)) << qint64(qint32(0x80000012));
        QTest::newRow("above white") << "16777216" << "&H1000000&" << qint64(0x808080) << qint64(0);
        QTest::newRow("negative") << "-1" << "-5" << qint64(0x808080) << qint64(0);
        QTest::newRow("other system colour") << "&H80000005&" << "99999999999" << qint64(0x808080) << qint64(0);
    }
    void storedColours()
    {
        QFETCH(QString, back);
        QFETCH(QString, fore);
        QFETCH(qint64, wantBack);
        QFETCH(qint64, wantFore);
        PlayerFixture f;
        f.settings->SetValue(AppletSection(), QStringLiteral("MidiBack"), back);
        f.settings->SetValue(AppletSection(), QStringLiteral("MidiFore"), fore);
        Midi &m = f.start();
        QCOMPARE(m.playerColor(), wantBack);
        QCOMPARE(m.textColor(), wantFore);
        f.quit();
        QCOMPARE(f.settings->GetValue(AppletSection(), QStringLiteral("MidiBack"), QString()), QString::number(wantBack));
    }

    void quitWhileMinimizedKeepsPositionAndColours()
    {
        PlayerFixture f;
        f.settings->SetValue(AppletSection(), QStringLiteral("MidiLeft"), QStringLiteral("1500"));
        f.settings->SetValue(AppletSection(), QStringLiteral("MidiBack"), QStringLiteral("255"));
        Midi &m = f.start();
        m.controls().chkLoop->setChecked(true);
        m.moveTw(3000, 1500);
        m.setWindowState(Qt::WindowMinimized);
        f.quit();
        QCOMPARE(f.settings->GetValue(AppletSection(), QStringLiteral("MidiLeft"), QString()), QStringLiteral("1500"));
        QCOMPARE(f.settings->GetValue(AppletSection(), QStringLiteral("MidiBack"), QString()), QStringLiteral("255"));
        QCOMPARE(f.settings->GetValue(AppletSection(), QStringLiteral("MidiLoop"), QString()), QStringLiteral("1"));
    }

    void unloadRunsOnceAndWaitsForARunningHandler()
    {
        PlayerFixture f;
        const QStringList songs = f.songs({QStringLiteral("a.mid")});
        Midi &m = f.start();
        int closes = 0;
        f.device.onOpen = [&](const QString &) {
            if (closes++ == 0)
                m.close();   // a quit arriving while the file opens
        };
        m.addFiles(songs);
        QTRY_VERIFY(m.unloaded());   // carried out once the handler returned
        QCOMPARE(f.device.log.filter(QStringLiteral("open")).size(), 1);
        QCOMPARE(f.device.log.last(), QStringLiteral("close"));
        m.close();
        QCOMPARE(f.device.log.filter(QStringLiteral("close")).size(), 2);  // the open's own and the unload's, no more
    }

    // Only a write that failed is reported, not a file that was damaged when read.
    void settingsSaveIsReportedOnlyWhenItFailed_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<bool>("folderInTheWay");
        QTest::addColumn<bool>("reported");
        const QByteArray damaged("[Quillon]\nApplets\\MidiLoop=1\n[bad\n\xff\xfe=\n=x\n");
        QTest::newRow("clean, written") << QByteArray("[Quillon]\n") << false << false;
        QTest::newRow("damaged, written") << damaged << false << false;
        QTest::newRow("clean, cannot be written") << QByteArray("[Quillon]\n") << true << true;
        QTest::newRow("damaged, cannot be written") << damaged << true << true;
    }
    void settingsSaveIsReportedOnlyWhenItFailed()
    {
        QFETCH(QByteArray, before);
        QFETCH(bool, folderInTheWay);
        QFETCH(bool, reported);
        PlayerFixture f;
        const QString file = f.settings->fileName();
        f.settings.reset();
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(before);
        out.close();
        f.settings = std::make_unique<SettingsStore>(file);
        f.services.settings = f.settings.get();
        Midi &m = f.start();
        m.controls().chkLoop->setChecked(false);
        if (folderInTheWay) {
            QFile::remove(file);
            QDir().mkpath(file);
        }
        f.quit();
        QVERIFY(m.unloaded());
        QCOMPARE(f.dialogs.shown(QStringLiteral("could not all be saved")), reported);
        if (!reported)
            QCOMPARE(SettingsStore(file).GetValue(AppletSection(), QStringLiteral("MidiLoop"), QString()), QStringLiteral("0"));
    }
};

QTEST_MAIN(TestPlayerStartup)
#include "test_player_startup.moc"
