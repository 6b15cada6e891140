// Song text: the text events read from a song, the words and names made of
// them (karaoke and lyric events), and the .lrc text. Random bytes: fuzz/fuzz_songtext.cpp.
#include "lyrics/core/lrc.h"
#include "lyrics/core/textdecoding.h"
#include "lyrics/core/songtextreader.h"
#include "lyrics/core/songtextstructure.h"
#include "playback/core/midifile.h"
#include "tools/smfwriter.h"

#include <QtTest>

namespace {

// "track ms kind text;...": kind T text, C copyright, N track name, L lyric, M marker; \r and \n as such.
QVector<SongTextEvent> events(const QString &rows)
{
    QVector<SongTextEvent> out;
    for (const QString &row : rows.split(u';')) {
        const QStringList f = row.split(u' ');
        const auto kind = SongTextEvent::Kind(QStringLiteral("-TCN-LM").indexOf(f[2]));
        out.push_back({f[1].toLongLong(), f[0].toInt(), kind, row.section(u' ', 3).toLatin1()});
    }
    return out;
}

// Syllables as "text@ms", a line break before as "/", a paragraph as "//".
QString shown(const QVector<LyricSyllable> &lyrics)
{
    static const char *const marks[] = {"", "/", "//"};
    QStringList out;
    for (const LyricSyllable &s : lyrics)
        out << marks[int(s.before)] + s.text + '@' + QString::number(s.ms);
    return out.join(u',');
}

}   // namespace

class TestCoreSongText : public QObject {
    Q_OBJECT
private slots:
    // out: "title|artists|words".
    void structure_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<bool>("kar");   // the file is named .kar
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<QString>("out");
        QTest::newRow("karaoke: @T title and artist, / line, \\ paragraph, a lone mark carries")
            << "0 0 N Soft Karaoke;1 0 T @KMIDI KARAOKE FILE;1 0 T @V0100;2 0 N Words;2 0 T @LENGL;"
               "2 0 T @T Lanterns Low;2 0 T @T Mira Hale;2 0 T @T (c) nobody;2 0 T @IWritten for a test;"
               "2 100 T \\Slow;2 200 T  rain;2 300 T /on the;2 400 T  roof;2 500 T \\Bright;2 600 T /;2 700 T dawn"
            << false << QByteArray()
            << "Lanterns Low|Mira Hale|Slow@100, rain@200,/on the@300, roof@400,//Bright@500,/dawn@700";
        QTest::newRow("lyric CR/LF: at the end ends the line, two ends or an empty one a paragraph, at the start")
            << "0 0 N Tide Song;0 10 L Hel;0 20 L lo\r;0 30 L world\n;0 40 L \n;0 50 L again;0 60 L \r\nstart;"
               "0 70 L mid\rdle"
            << false << QByteArray() << "Tide Song||Hel@10,lo@20,/world@30,//again@50,/start@60,mid@70,/dle@70";
        QTest::newRow("a language marker is not sung") << "0 0 L {@LATIN}Ho;0 5 L la;0 9 L {@JP};0 20 L \\{@X}y" << true
                                                       << QByteArray() << "||Ho@0,la@5,\\{@X}y@20";
        QTest::newRow("both kinds: more syllables win") << "1 0 T @T Two;1 10 T \\a;1 20 T b;2 10 L x;2 20 L y;2 30 L z"
                                                        << false << QByteArray() << "Two||x@10,y@20,z@30";
        QTest::newRow("both kinds: karaoke text on a tie")
            << "1 0 T @T Two;1 10 T \\a;1 20 T b;2 10 L x;2 20 L y" << false << QByteArray() << "Two||a@10,b@20";
        QTest::newRow("words on several tracks: the busiest track's, not a mix")
            << "1 10 L one;1 20 L two;2 15 L uno;2 25 L dos;2 35 L tres" << false << QByteArray()
            << "||uno@15,dos@25,tres@35";
        QTest::newRow("no words: names and markers only; plain text is not words without the convention")
            << "0 0 N Harbour Lights;0 0 C (c) 1999 A. Nobody;0 0 T made with a sequencer;0 0 T a comment;0 500 M Verse"
            << false << QByteArray() << "Harbour Lights||";
        QTest::newRow("a .kar file's text events are words even without headers")
            << "1 10 T Hel;1 20 T lo;1 30 T /there" << true << QByteArray() << "||Hel@10,lo@20,/there@30";
        QTest::newRow("an empty first @T line: the first track's name")
            << "0 0 N Dry Creek;1 0 T @T;1 0 T @TAl Rey" << false << QByteArray() << "Dry Creek|Al Rey|";
        QTest::newRow("forced encoding decodes names and words")
            << QStringLiteral("0 0 N Café Song;0 5 L été") << false << QByteArray("ISO-8859-1")
            << QStringLiteral("Café Song||été@5");
        for (const char *generic : {"Track 1", "untitled-2", "  ", "01", "Tempo Track", "PIANO", "(Drums)", "Sequence"})
            QTest::addRow("generic name: %s", generic) << "0 0 N " + QString(generic) << false << QByteArray() << "||";
    }
    void structure()
    {
        QFETCH(QString, in);
        QFETCH(bool, kar);
        QFETCH(QByteArray, encoding);
        const SongText t = songtext::fromEvents(events(in), encoding, "ISO-8859-1", kar);
        QTEST(QStringList({t.title, t.artists.join(", "), shown(t.lyrics)}).join(u'|'), "out");
        if (!encoding.isEmpty())
            QCOMPARE(t.encoding, encoding);
    }

    void lrcText_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("lrc");
        QTest::newRow("title, artist, a line per line, a blank line between paragraphs, minutes past the hour")
            << "1 0 T @TLow Tide;1 0 T @TIo Brand;1 1234 T \\Wa;1 1500 T ter;1 61009 T /high;1 62000 T \\Moon;"
               "1 3600000 T /late"
            << "[ti:Low Tide]\n[ar:Io Brand]\n[00:01.23]<00:01.23>Wa<00:01.50>ter\n[01:01.00]<01:01.00>high\n\n"
               "[01:02.00]<01:02.00>Moon\n[60:00.00]<60:00.00>late\n";
        QTest::newRow("no names: no tags") << "0 5 L one;0 25 L two"
                                           << "[00:00.00]<00:00.00>one<00:00.02>two\n";
        QTest::newRow("no words: nothing") << "0 0 N Only A Name"
                                           << "";
    }
    void lrcText()
    {
        QFETCH(QString, in);
        QTEST(lrc::text(songtext::fromEvents(events(in), {}, {}, false)), "lrc");
    }

    // Times through the tempo map of all tracks, kinds, tracks, and a .kar read whole.
    void readFromFile()
    {
        smf::Track conductor, words, notes;
        conductor.name("Evening Bells");
        conductor.tempoBpm(0, 120);
        conductor.tempoBpm(960, 60);   // 1 s, then a quarter note a second
        conductor.copyright("(c) Test");
        words.text(0, "@TEvening Bells");
        words.text(0, "@TAda Quill");
        words.text(480, "\\Ring");
        words.meta(1440, 0x05, "out");
        words.text(1920, "/far");
        notes.note(0, 0, 60, 90, 2400);
        const MidiFile f = MidiFile::parse(smf::file(1, {conductor, words, notes}));
        QVERIFY(f.isValid());
        QStringList got;
        for (const SongTextEvent &e : readSongTextEvents(f))
            got << QStringLiteral("%1 %2 %3 %4").arg(e.track).arg(e.ms).arg(int(e.kind)).arg(QString(e.bytes));
        QCOMPARE(got, QStringList({"0 0 3 Evening Bells", "0 0 2 (c) Test", "1 0 1 @TEvening Bells",
                                   "1 0 1 @TAda Quill", "1 500 1 \\Ring", "1 2000 5 out", "1 3000 1 /far"}));
        const SongText t = readSongText(f, "bells.KAR");
        QCOMPARE(QStringList({t.title, t.artists.join(','), t.copyright, shown(t.lyrics)}),
                 QStringList({"Evening Bells", "Ada Quill", "(c) Test", "Ring@500,/far@3000"}));
        QTemporaryDir dir;
        QVERIFY(!loadSongText(dir.filePath("none.mid")).hasLyrics());

        // Words beside exported audio are read with the encoding chosen for the song.
        const QByteArray river("\xf0\xe5\xf7\xea\xe0");
        smf::Track sung;
        sung.meta(0, 0x05, river);
        QFile song(dir.filePath("river.mid"));
        QVERIFY(song.open(QIODevice::WriteOnly) && song.write(smf::file(0, {sung})) > 0);
        song.close();
        QString error;
        QVERIFY2(lrc::writeBeside({song.fileName(), dir.filePath("river.wav"), {}, false, true, "KOI8-R"}, &error),
                 qPrintable(error));
        QFile written(dir.filePath("river.lrc"));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(written.readAll()),
                 "[00:00.00]<00:00.00>" + textdecoding::decode(river, "KOI8-R") + "\n");
    }
};

QTEST_GUILESS_MAIN(TestCoreSongText)
#include "test_core_songtext.moc"
