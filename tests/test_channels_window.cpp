// The channels window on a player of fakes: its command, the rows of the song's channels, the
// meter and keys from the device's activity, choices given to the device and kept per song.
#include "channels/channelswindow.h"
#include "channels/core/channelchoices.h"
#include "components/core/songstore.h"
#include "fakes/playerfixture.h"
#include "testenv.h"
#include <QCheckBox>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

class TestChannelsWindow : public QObject {
    Q_OBJECT
private slots:
    void wiring()
    {
        PlayerFixture f;
        QTemporaryDir dir;
        SongStore store(dir.filePath("songs.sqlite"));
        Midi &m = f.startWith({"a.mid", "b.mid"}, 60000);
        TestEnv::writeMidi(f.dir() + "/data/b.mid", 3000);   // songs are known by their bytes
        ChannelChoices choices(m.playSession(), &f.device, &store);
        m.commands()->bindWindow(Commands::Channels,
                                 [&] { return new ChannelsWindow(m.playSession(), &f.device, &choices, &m); });
        QVERIFY(m.menu()->actions().contains(m.commands()->action(Commands::Channels)));
        QCOMPARE(m.commands()->action(Commands::Channels)->shortcut(), QKeySequence("Ctrl+K"));
        f.press("Play");
        QVERIFY(m.commands()->run(Commands::Channels));
        auto &w = *m.findChild<ChannelsWindow *>();
        QVERIFY(w.following() && w.rowShown(0) && !w.rowShown(1));
        w.resize(740, 800);   // room to spare goes to the keys; the rows stay under their heads
        w.show();
        QVERIFY(w.findChild<QCheckBox *>("Mute1")->y() < 150);
        w.findChild<QCheckBox *>("Mute1")->setChecked(true);
        QVERIFY(f.device.mix.muted[0]);
        QCOMPARE(store.value(m.playSession()->openSong(), "mute"), "1");

        f.device.activity.noteOns[0] = 1;
        f.device.activity.velocity[0] = 100;
        f.device.activity.keys[0][0] = quint64(1) << 60;
        f.device.sounds[0] = {"Grand", true};
        w.frame();
        QCOMPARE(w.meter(0), 103);   // in sixteenths of 127
        QCOMPARE(w.keyboard()->channelAt(60), 0);
        w.frame();   // no new note: the meter falls
        QVERIFY(w.meter(0) < 100 && w.meter(0) > 50);
        f.press("Pause");
        QVERIFY(!w.following());
        QCOMPARE(w.plays(0), "Grand (stand-in)");

        f.press("Next");   // another song: its own choices, none
        QVERIFY(!f.device.mix.muted[0]);
        f.press("Prev");
        QVERIFY(f.device.mix.muted[0]);
        w.close();
        QTRY_VERIFY(!m.findChild<ChannelsWindow *>());
    }
};

QTEST_MAIN(TestChannelsWindow)
#include "test_channels_window.moc"
