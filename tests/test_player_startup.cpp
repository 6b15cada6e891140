#include "app/core/appinfo.h"
#include "fakes/playerfixture.h"
#include "testenv.h"
#include "playback/core/mediaerrors.h"
#include "playback/mediacontrol.h"
#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {
void set(PlayerFixture &f, std::initializer_list<std::pair<const char *, QString>> values)
{
    for (const auto &[key, value] : values)
        f.settings->SetValue(AppInfo::AppletSection(), QString::fromLatin1(key), value);
}
QString get(const SettingsStore &s, const char *key, const QString &otherwise = {})
{
    return s.GetValue(AppInfo::AppletSection(), QString::fromLatin1(key), otherwise);
}

// Stored left and top, or moved there once started; where the window is then.
struct Place {
    bool moved;
    QString left, top;
    int wantLeft, wantTop;
};
// Stored colours and how they read.
struct Colours {
    QString back, fore;
    qint64 wantBack, wantFore;
};
}

Q_DECLARE_METATYPE(Place)
Q_DECLARE_METATYPE(Colours)

class TestPlayerStartup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

    void firstStartWithEmptyStore()
    {
        PlayerFixture f(false);
        Midi &m = f.start();
        const auto &c = m.controls();
        // Colours, light corners, height, Loop, Close, Shuffle, heading size.
        QCOMPARE(QList<qint64>({m.playerColor(), m.textColor(), m.lightCorners(), m.heightTw(), c.chkLoop->isChecked(),
                                c.chkClose->isChecked(), c.chkShuffle->isChecked(), c.Label5->font().pointSize()}),
                 QList<qint64>({0x808080, 0, 0, 2460, 0, 0, 0, 10}));
        const QString data = TestEnv::documents() + "/Veltrix/Quillon/";
        QCOMPARE(m.dataDir(), data);
        QVERIFY(QFileInfo(data).isDir() && QFileInfo::exists(data + "sample.mid"));
        QCOMPARE(f.settings->GetValue("Quillon\\Startup", "DataPath", QString()), data);
        QCOMPARE(
            QStringList({c.Label4->text(), c.Label5->text(), c.Label1->text(), c.Label2->text(), c.txtPause->text()}),
            QStringList({"Midi Library: (none)", "New Library (Empty)", "No Selection", "(Stopped)", "0"}));
        const QRect s = Midi::screenTw();
        QCOMPARE(m.leftTw() / 15, int((s.width() - 6315) / 2.0) / 15);
        QCOMPARE(m.topTw() / 15, int((s.height() - 7665) / 2.0) / 15);
        f.quit();
        QVERIFY(m.unloaded());
        QCOMPARE(get(*f.settings, "MidiLib", "unset"), "unset");   // nothing chosen, no library written
    }

    // Kept on the screen, whether stored so or moved there (then resized); partly off may stay.
    void position_data()
    {
        QTest::addColumn<Place>("p");
        const QRect s = Midi::screenTw();
        const auto n = [](int v) { return QString::number(v); };
        QTest::newRow("stored negative") << Place{false, "-10", "-3000", 0, 0};
        QTest::newRow("stored beyond the screen") << Place{false, "999999", "999999", 0, 0};
        QTest::newRow("stored not numbers") << Place{false, "1500abc", "left", 0, 0};
        QTest::newRow("stored inside") << Place{false, "1500", "900", 1500, 900};
        QTest::newRow("stored nan and inf") << Place{false, "nan", "inf", 0, 0};
        QTest::newRow("moved beyond the right") << Place{true, n(s.width() + 600), "300", s.width() - 6315, 300};
        QTest::newRow("moved negative") << Place{true, "-900", "-300", 0, 0};
        QTest::newRow("moved partly off") << Place{true, n(s.width() - 3000), "300", s.width() - 3000, 300};
        QTest::newRow("moved below the bottom") << Place{true, "300", n(s.height() + 600), 300, s.height() - 2460};
    }
    void position()
    {
        QFETCH(Place, p);
        PlayerFixture f;
        if (!p.moved)
            set(f, {{"MidiLeft", p.left}, {"MidiTop", p.top}});
        Midi &m = f.start();
        if (p.moved) {
            m.moveTw(p.left.toInt(), p.top.toInt());
            m.Form_Resize();
        }
        QCOMPARE(m.leftTw() / 15, p.wantLeft / 15);
        QCOMPARE(m.topTw() / 15, p.wantTop / 15);
    }

    // Read as stored (only 1 ticks a box) and saved at the end; minimized, the place and the colours stay as stored.
    void optionsRoundTripWhileMinimized()
    {
        PlayerFixture f;
        set(f, {{"MidiLeft", "1500"}, {"MidiBack", "255"}, {"MidiFore", "16777215"}});
        set(f, {{"MidiPause", "12.5"}, {"MidiLoop", "1"}, {"MidiShuffle", "2"}});
        Midi &m = f.start();
        QVERIFY(m.lightCorners() && m.controls().chkLoop->isChecked() && !m.controls().chkShuffle->isChecked());
        QCOMPARE(m.controls().txtPause->text(), "12");
        f.dialogs.answers << Dialogs::Answer::Yes;   // the system colours
        m.controls().cmdColor->click();
        QCOMPARE(m.playerColor(), qint64(qint32(0x8000000F)));
        m.moveTw(3000, 1500);
        m.setWindowState(Qt::WindowMinimized);
        f.quit();
        QCOMPARE(QStringList({get(*f.settings, "MidiLeft"), get(*f.settings, "MidiBack"), get(*f.settings, "MidiLoop"),
                              get(*f.settings, "MidiPause"), get(*f.settings, "MidiShuffle")}),
                 QStringList({"1500", "255", "1", "12", "0"}));
    }

    void unloadRunsOnceAndWaitsForARunningHandler()
    {
        PlayerFixture f;
        const QStringList songs = f.songs({"a.mid"});
        Midi &m = f.start();
        int closes = 0;
        f.device.onOpen = [&](const QString &) {
            if (closes++ == 0)
                m.close();   // a quit arriving while the file opens
        };
        m.library()->addFiles(songs);
        QTRY_VERIFY(m.unloaded());   // carried out once the handler returned
        QCOMPARE(f.device.log.filter("open").size(), 1);
        QCOMPARE(f.device.log.last(), "close");
        m.close();
        QCOMPARE(f.device.log.filter("close").size(), 2);   // the open's own and the unload's, no more
    }

    // Only a write that failed is reported, not a file that was damaged when read.
    // A full disk while the samples are copied leaves the copy there was, never a cut-short one.
    void sampleCopyOnAFullDisk()
    {
        PlayerFixture f;
        const QString copy = f.dir() + "/data/sample.mid";
        QVERIFY(QDir().mkpath(f.dir() + "/data") && TestEnv::writeFile(copy, "earlier copy"));
        {
            TestEnv::FileSizeLimit full(8);
            f.start();
        }
        QCOMPARE(TestEnv::readFile(copy), QByteArray("earlier copy"));
    }

    void settingsSaveIsReportedOnlyWhenItFailed_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<bool>("folderInTheWay");   // and so reported
        const QByteArray damaged("[Quillon]\nApplets\\MidiLoop=1\n[bad\n\xff\xfe=\n=x\n");
        QTest::newRow("clean, written") << QByteArray("[Quillon]\n") << false;
        QTest::newRow("damaged, written") << damaged << false;
        QTest::newRow("clean, cannot be written") << QByteArray("[Quillon]\n") << true;
        QTest::newRow("damaged, cannot be written") << damaged << true;
    }
    void settingsSaveIsReportedOnlyWhenItFailed()
    {
        QFETCH(QByteArray, before);
        QFETCH(bool, folderInTheWay);
        PlayerFixture f;
        const QString file = f.settings->fileName();
        f.settings.reset();
        QVERIFY(TestEnv::writeFile(file, before));
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
        QCOMPARE(f.dialogs.shown("could not all be saved"), folderInTheWay);
        QVERIFY(folderInTheWay || get(SettingsStore(file), "MidiLoop") == "0");
    }

    // Typed, arrow presses (down when negative), what the field shows; the arrows' own value stays 0.
    void interludeField()
    {
        PlayerFixture f;
        Midi &m = f.start();
        const std::tuple<const char *, int, const char *> rows[]{
            {"75", 0, "60"}, {"-4", 0, "0"}, {"2.5", 0, "2"}, {"3.5", 0, "4"}, {"12abc", 0, "12"},
            {"", 0, "0"},    {"2.", 0, "2"}, {"60", 1, "60"}, {"0", -1, "0"},  {"7", 2, "9"}};
        for (const auto &[typed, presses, want] : rows) {
            m.controls().txtPause->setText(typed);
            for (int i = 0; i < qAbs(presses); ++i)
                m.controls().UpDown1->stepBy(presses > 0 ? 1 : -1);
            QCOMPARE(u"%1 -> %2 %3"_s.arg(typed, m.controls().txtPause->text()).arg(m.controls().UpDown1->value()),
                     u"%1 -> %2 0"_s.arg(typed, want));
        }
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

    // The close comes while the n-th ask of the handler is open; no ask may follow it.
    void endWhileWaiting_data()
    {
        QTest::addColumn<QString>("handler");
        QTest::addColumn<int>("closeAtAsk");
        QTest::addColumn<QList<Dialogs::Answer>>("answers");
        QTest::newRow("open error box") << u"open"_s << 1 << QList<Dialogs::Answer>{};
        QTest::newRow("default colour question") << u"color"_s << 1 << QList<Dialogs::Answer>{};
        QTest::newRow("colour dialog") << u"color"_s << 2 << QList<Dialogs::Answer>{Dialogs::Answer::No};
        QTest::newRow("white text question") << u"color"_s << 3 << QList<Dialogs::Answer>{Dialogs::Answer::No};
        QTest::newRow("open library dialog") << u"library"_s << 1 << QList<Dialogs::Answer>{};
        QTest::newRow("save library dialog") << u"save"_s << 1 << QList<Dialogs::Answer>{};
        QTest::newRow("about window") << u"about"_s << 0 << QList<Dialogs::Answer>{};
    }
    void endWhileWaiting()
    {
        QFETCH(QString, handler);
        QFETCH(int, closeAtAsk);
        QFETCH(QList<Dialogs::Answer>, answers);
        PlayerFixture f;
        f.device.openErrors.insert(u"b.mid"_s, MediaError::InvalidFilename);
        Midi &m = f.startWith({u"a.mid"_s, u"b.mid"_s});
        f.dialogs.answers.append(answers);
        f.dialogs.colorResults << QColor(Qt::red);
        int asks = 0, asksAfterEnd = 0;
        bool ended = false;
        const auto end = [&] {
            ended = true;
            m.endBySystem();
        };
        f.dialogs.onAsk = [&](const QString &) {
            asksAfterEnd += ended ? 1 : 0;
            if (++asks == closeAtAsk)
                end();
        };
        QElapsedTimer t;
        t.start();
        if (handler == u"open") {
            m.playSession()->setSelIndex(1);
            m.playSession()->openEntry();
        } else if (handler == u"color") {
            m.controls().cmdColor->click();
        } else if (handler == u"library") {
            m.controls().cmdOpen->click();
        } else if (handler == u"save") {
            m.controls().cmdSave->click();
        } else {
            QTimer::singleShot(300, &m, end);
            m.controls().cmdAbout->click();
        }
        QTRY_VERIFY_WITH_TIMEOUT(m.unloaded(), 1000);
        QVERIFY2(t.elapsed() < 1500, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(asksAfterEnd, 0);
        QVERIFY(!m.isVisible());
        // Saved once, as the quit button saves.
        QCOMPARE(f.settings->GetValue(u"Quillon\\Applets"_s, u"MidiPause"_s, u"unset"_s), u"0"_s);
    }

    // Paths that come while a handler waits on a box run once it has returned;
    // when the player ends first they are dropped. Whoever gave them hears which.
    void waitsForTheRunningHandler_data()
    {
        using Fate = Midi::PathsFate;
        QTest::addColumn<QString>("end");   // "", "while waiting" or "before"
        QTest::addColumn<QList<Fate>>("told");
        QTest::newRow("box closed") << QString() << QList<Fate>{Fate::Waiting, Fate::Taken};
        QTest::newRow("ended while waiting") << u"while waiting"_s << QList<Fate>{Fate::Waiting, Fate::Dropped};
        QTest::newRow("given to an ended player") << u"before"_s << QList<Fate>{Fate::Dropped};
    }
    void waitsForTheRunningHandler()
    {
        QFETCH(QString, end);
        QFETCH(QList<Midi::PathsFate>, told);
        PlayerFixture f;
        const QString song = TestEnv::writeMidi(f.dir() + "/song.mid");
        Midi &m = f.start();
        QList<Midi::PathsFate> heard;
        const auto give = [&] { m.openPaths({song, song}, [&heard](Midi::PathsFate fate) { heard << fate; }); };
        bool ranInside = false;
        f.dialogs.onMessage = [&](const FakeDialogs::Message &) {
            give();
            ranInside = !f.device.openFile.isEmpty();
            if (end == "while waiting")
                m.endBySystem();
        };
        if (end == "before") {
            m.endBySystem();
            give();
        } else {
            m.controls().cmdSave->click();   // "No entries in playlist to save"
        }
        f.dialogs.onMessage = nullptr;
        QVERIFY(!ranInside);
        QTRY_COMPARE(heard, told);
        QCOMPARE(f.device.openFile, end.isEmpty() ? song : QString());
        QCOMPARE(m.library()->list().count(), end.isEmpty() ? 2 : 0);   // every path given
        QCOMPARE(m.unloaded(), !end.isEmpty());
    }
};

QTEST_MAIN(TestPlayerStartup)
#include "test_player_startup.moc"
