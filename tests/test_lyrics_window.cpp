// The lyrics window follows the player on fakes: which syllable is sung at which moment, through
// play, pause, seeks, song changes and the interlude; its encoding menu and its command.
#include "fakes/playerfixture.h"
#include "lyrics/core/lyriclines.h"
#include "lyrics/lyricswindow.h"
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// "Low |the |lamps/by |the |shore\and |the |tide", the bar before each syllable's time.
SongText eveningTide()
{
    SongText t{u"Evening Tide"_s, {u"Ana Ruiz"_s, u"Tom Vale"_s}, {}, "UTF-8", {}};
    using B = LyricSyllable::Break;
    const struct {
        qint64 ms;
        const char *text;
        B before;
    } words[]{{1000, "Low ", B::None},      {1500, "the ", B::None}, {2000, "lamps", B::None},
              {3000, "by ", B::Line},       {3400, "the ", B::None}, {3800, "shore", B::None},
              {5000, "and ", B::Paragraph}, {5500, "the ", B::None}, {6000, "tide", B::None}};
    for (const auto &w : words)
        t.lyrics.append({w.ms, QString::fromLatin1(w.text), w.before});
    return t;
}

}   // namespace

class TestLyricsWindow : public QObject {
    Q_OBJECT
private slots:
    void followsPlay()
    {
        PlayerFixture f;
        f.songText.texts.insert(u"k.kar"_s, eveningTide());
        f.songText.texts.insert(u"b.mid"_s, SongText{u"Quiet Road"_s, {}, {}, {}, {}});
        Midi &m = f.startWith({u"k.kar"_s, u"b.mid"_s}, 60000);
        m.controls().txtPause->setText(u"5"_s);
        LyricsWindow w(m.playSession(), &f.songText, [&m] { return m.playerColours(); });
        w.show();
        const QString k = u"Evening Tide \u2014 Ana Ruiz, Tom Vale"_s;
        struct Step {
            const char *act;
            qint64 ms;
            QString heading, current, sung, next;
            bool following;
        };
        const Step steps[]{
            {"Play", 500, k, u"Low the lamps"_s, u""_s, u"by the shore|and the tide"_s, true},
            {"", 500, k, u"Low the lamps"_s, u"Low "_s, u"by the shore|and the tide"_s, true},
            {"", 700, k, u"Low the lamps"_s, u"Low the "_s, u"by the shore|and the tide"_s, true},
            {"", 1800, k, u"by the shore"_s, u"by the "_s, u"and the tide"_s, true},
            {"Pause", 2000, k, u"by the shore"_s, u"by the "_s, u"and the tide"_s, false},
            {"seek 5000", 0, k, u"and the tide"_s, u"and "_s, u""_s, false},   // seeks go by whole seconds
            {"Pause", 600, k, u"and the tide"_s, u"and the "_s, u""_s, true},
            {"seek 2000", 0, k, u"Low the lamps"_s, u"Low the lamps"_s, u"by the shore|and the tide"_s, true},
            {"Stop", 0, k, u"Low the lamps"_s, u""_s, u"by the shore|and the tide"_s, false},
            {"Play", 0, k, u"Low the lamps"_s, u""_s, u"by the shore|and the tide"_s, true},
            {"Next", 0, u"Quiet Road"_s, u""_s, u""_s, u""_s, false},   // the interlude names the next song
            {"", 5001, u"Quiet Road"_s, u"No lyrics in this song"_s, u""_s, u""_s, false},
            {"Stop", 0, u"Quiet Road"_s, u"No lyrics in this song"_s, u""_s, u""_s, false},
            {"Prev", 0, k, u"Low the lamps"_s, u""_s, u"by the shore|and the tide"_s, false},
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
        QCOMPARE(w.findChild<QLabel *>(u"CurrentLine"_s)->accessibleName(), u"Low the lamps"_s);
        QCOMPARE(m.controls().Label1->toolTip(), u"Midi selection\n"_s + k);
        w.hide();   // closed: nothing looks at the position
        QVERIFY(!w.following());
    }

    void encodingChosenByHandIsReadAgain()
    {
        PlayerFixture f;
        f.songText.texts.insert(u"k.kar"_s, eveningTide());
        Midi &m = f.startWith({u"k.kar"_s});
        f.press(u"Play"_s);
        LyricsWindow w(m.playSession(), &f.songText, {});
        const qsizetype reads = f.songText.reads.size();
        w.chooseEncoding("KOI8-R");
        QCOMPARE(f.songText.chosen.value(m.playSession()->openSong()), "KOI8-R");
        QCOMPARE(f.songText.reads.size(), reads + 1);
        w.zoom(3);
        QCOMPARE(w.points(), LyricsWindow::DefaultPoints + 6);
        w.zoom(0);
        QCOMPARE(w.points(), LyricsWindow::DefaultPoints);
    }

    void commandOpensOneWindow()
    {
        PlayerFixture f;
        Midi &m = f.start();
        int made = 0;
        m.commands()->bindWindow(Commands::Lyrics, [&] {
            ++made;
            return new LyricsWindow(m.playSession(), &f.songText, {}, &m);
        });
        QVERIFY(m.menu()->actions().contains(m.commands()->action(Commands::Lyrics)));
        QCOMPARE(m.commands()->action(Commands::Lyrics)->shortcut(), QKeySequence(u"Ctrl+L"_s));
        QVERIFY(m.commands()->run(Commands::Lyrics) && m.commands()->run(Commands::Lyrics));
        QCOMPARE(made, 1);
        QVERIFY(m.findChild<LyricsWindow *>()->isVisible());
    }

    void plainTextHasLinesAndVerses()
    {
        QCOMPARE(lyriclines::plainText(eveningTide().lyrics), u"Low the lamps\nby the shore\n\nand the tide\n"_s);
        QCOMPARE(lyriclines::plainText({}), QString());
    }
};

QTEST_MAIN(TestLyricsWindow)
#include "test_lyrics_window.moc"
