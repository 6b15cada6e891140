// The windows that follow the song, on a player of fakes. The lyrics window: its command, which syllable is sung at
// which moment through play, pause, seeks, song changes and the interlude, and the encoding picked by hand.
#include "channels/channelswindow.h"
#include "channels/core/channelchoices.h"
#include "components/core/songstore.h"
#include "fakes/playerfixture.h"
#include "lyrics/lyricswindow.h"
#include "playback/tempowindow.h"
#include "testenv.h"
#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestLyricsWindow : public QObject {
    Q_OBJECT
private slots:
    void followsPlay()
    {
        PlayerFixture f;
        // "Low |the |lamps/by |the |shore\and |the |tide", each sung at its ms.
        SongText tide{u"Evening Tide"_s, {u"Ana Ruiz"_s, u"Tom Vale"_s}, {}, "UTF-8", {}};
        const QStringList words = u"Low ,the ,lamps,/by ,the ,shore,\\and ,the ,tide"_s.split(u',');
        const int at[]{1000, 1500, 2000, 3000, 3400, 3800, 5000, 5500, 6000};
        for (int i = 0; i < words.size(); ++i) {
            using B = LyricSyllable::Break;
            const B b = words[i][0] == u'/' ? B::Line : words[i][0] == u'\\' ? B::Paragraph : B::None;
            tide.lyrics.append({at[i], b == B::None ? words[i] : words[i].mid(1), b});
        }
        f.songText.texts.insert(u"k.kar"_s, tide);
        f.songText.texts.insert(u"b.mid"_s, SongText{u"Quiet Road"_s, {}, {}, {}, {}});
        Midi &m = f.startWith({u"k.kar"_s, u"b.mid"_s}, 60000);
        m.controls().txtPause->setText(u"5"_s);
        int made = 0;
        m.commands()->bindWindow(Commands::Lyrics, [&] {
            ++made;
            return new LyricsWindow(
                m.playSession(), &f.songText, [&m] { return m.playerColours(); }, &m);
        });
        QVERIFY(m.menu()->actions().contains(m.commands()->action(Commands::Lyrics)));
        QCOMPARE(m.commands()->action(Commands::Lyrics)->shortcut(), QKeySequence(u"Ctrl+L"_s));
        QVERIFY(m.commands()->run(Commands::Lyrics) && m.commands()->run(Commands::Lyrics));
        QCOMPARE(made, 1);
        LyricsWindow &w = *m.findChild<LyricsWindow *>();
        QVERIFY(w.isVisible());
        const QString k = u"Evening Tide \u2014 Ana Ruiz, Tom Vale"_s, all = u"by the shore|and the tide"_s;
        const QString low = u"Low the lamps"_s, tideLine = u"and the tide"_s, none = u"No lyrics in this song"_s;
        struct Step {
            const char *act;
            qint64 ms;
            QString heading, current, sung, next;
            bool following;
        };
        const Step steps[]{
            {"Play", 500, k, low, u""_s, all, true},
            {"", 500, k, low, u"Low "_s, all, true},
            {"", 700, k, low, u"Low the "_s, all, true},
            {"", 1800, k, u"by the shore"_s, u"by the "_s, tideLine, true},
            {"Pause", 2000, k, u"by the shore"_s, u"by the "_s, tideLine, false},
            {"seek 5000", 0, k, tideLine, u"and "_s, u""_s, false},   // seeks go by whole seconds
            {"Pause", 600, k, tideLine, u"and the "_s, u""_s, true},
            {"seek 2000", 0, k, low, low, all, true},
            {"Stop", 0, k, low, u""_s, all, false},
            {"Play", 0, k, low, u""_s, all, true},
            {"Next", 0, u"Quiet Road"_s, u""_s, u""_s, u""_s, false},   // the interlude names the next song
            {"", 5001, u"Quiet Road"_s, none, u""_s, u""_s, false},
            {"Stop", 0, u"Quiet Road"_s, none, u""_s, u""_s, false},
            {"Prev", 0, k, low, u""_s, all, false},
        };
        for (const Step &s : steps) {
            const QString act = QString::fromLatin1(s.act);
            if (act.startsWith(u"seek "_s))
                QVERIFY(m.playSession()->seekTo(act.mid(5).toLongLong()));
            else if (!act.isEmpty())
                f.press(act);
            f.tick(s.ms);
            w.follow();   // as its timer does
            QCOMPARE(QStringList({act, w.heading(), w.currentLine(), w.sungPart(), w.nextLines().join(u'|')}),
                     QStringList({act, s.heading, s.current, s.sung, s.next}));
            QCOMPARE(w.following(), s.following);
        }
        QCOMPARE(w.findChild<QLabel *>(u"CurrentLine"_s)->accessibleName(), low);
        f.press(u"Play"_s);
        for (const qint64 ms : {0, 990}) {
            f.tick(ms);
            w.follow();
        }
        QCOMPARE(w.nextLookMs(), 10);   // it looks again as "Low " is sung, not a whole tick later
        QCOMPARE(m.controls().Label1->toolTip(), u"Midi selection\n"_s + k);
        // An encoding picked by hand is kept for the song, and its words and title read again.
        f.songText.texts[u"k.kar"_s].title = u"Abend"_s;
        w.chooseEncoding("KOI8-R");
        QCOMPARE(f.songText.chosen.value(m.playSession()->openSong()), "KOI8-R");
        QCOMPARE(w.heading(), u"Abend \u2014 Ana Ruiz, Tom Vale"_s);
        QCOMPARE(m.controls().Label1->toolTip(), u"Midi selection\nAbend \u2014 Ana Ruiz, Tom Vale"_s);
        w.hide();   // closed: nothing looks at the position
        QVERIFY(!w.following());
    }

    // Tempo, key and loop set in the window reach the device and follow the song that is open.
    void tempoWindow()
    {
        PlayerFixture f;
        Midi &m = f.startWith({u"a.mid"_s, u"b.mid"_s}, 60000);
        m.commands()->bindWindow(Commands::TempoKey, [&m] { return new TempoWindow(m.playSession(), &m); });
        QVERIFY(m.menu()->actions().contains(m.commands()->action(Commands::TempoKey)));
        QCOMPARE(m.commands()->action(Commands::TempoKey)->shortcut(), QKeySequence(u"Ctrl+T"_s));
        QVERIFY(m.commands()->run(Commands::TempoKey));
        TempoWindow &w = *m.findChild<TempoWindow *>();
        auto click = [&w](const char *name) { w.findChild<QPushButton *>(QLatin1String(name))->click(); };
        f.press(u"Play"_s);
        f.tick(2000);
        w.findChild<QSpinBox *>(u"Tempo"_s)->setValue(80);
        w.findChild<QSpinBox *>(u"Key"_s)->setValue(-2);
        click("SetA");
        f.tick(3000);
        click("SetB");
        QCOMPARE(QList<int>({f.device.tempo, f.device.key}), QList<int>({80, -2}));
        QCOMPARE(f.device.loop, qMakePair(qint64(2000), qint64(5000)));
        QCOMPARE(w.loopText(), u"0:02.0 to 0:05.0"_s);
        f.press(u"Next"_s);   // nothing kept without a store: the next song plays as it is
        QCOMPARE(w.findChild<QSpinBox *>(u"Tempo"_s)->value(), 100);
        QCOMPARE(w.loopText(), u"none"_s);
        QCOMPARE(TestEnv::namelessControls(&w), QStringList());
    }

    // The channels window: the rows of the song's channels, the meter and keys from the device's activity, choices
    // given to the device and kept per song.
    void channelsWindow()
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

QTEST_MAIN(TestLyricsWindow)
#include "test_lyrics_window.moc"
