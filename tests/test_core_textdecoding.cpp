#include "lyrics/core/textdecoding.h"
#include <QtTest>
#include <iconv.h>
#include <uchardet.h>

namespace {

// The bytes of text in encoding; empty when iconv cannot write it all.
QByteArray encode(const QString &text, const char *encoding)
{
    QByteArray in = text.toUtf8(), out(in.size() * 4 + 16, '\0');
    const iconv_t cd = iconv_open(encoding, "UTF-8");
    char *from = in.data(), *to = out.data();
    size_t fromLeft = size_t(in.size()), toLeft = size_t(out.size());
    const bool ok = cd != iconv_t(-1) && iconv(cd, &from, &fromLeft, &to, &toLeft) != size_t(-1)
        && iconv(cd, nullptr, nullptr, &to, &toLeft) != size_t(-1);
    if (cd != iconv_t(-1))
        iconv_close(cd);
    return ok ? out.left(out.size() - qsizetype(toLeft)) : QByteArray();
}

// A song's words as its text events carry them: a karaoke file word by word
// (or sign by sign in East Asian scripts) with "/" before a new line and an
// "@T" title; a song with lyric events ends each line with a CR.
QStringList events(const QStringList &lines, bool karaoke)
{
    QStringList out{karaoke ? "@T" + lines.first() : lines.first()};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const bool signs = lines[i].contains(QRegularExpression("[\\x{3040}-\\x{9fff}\\x{ac00}-\\x{d7af}]"));
        QStringList pieces;
        QString space;
        for (const QString &word : lines[i].split(' ', Qt::SkipEmptyParts)) {
            for (const QString &piece : signs ? word.split(QString(), Qt::SkipEmptyParts) : QStringList{word}) {
                pieces.append(space + piece);
                space.clear();
            }
            space = " ";
        }
        if (karaoke && i > 1)
            pieces.first().prepend('/');
        if (!karaoke)
            pieces.last().append('\r');
        out += pieces;
    }
    return out;
}

QByteArray detectorsGuess(const QByteArray &text)
{
    uchardet_t ud = uchardet_new();
    uchardet_handle_data(ud, text.constData(), size_t(text.size()));
    uchardet_data_end(ud);
    const QByteArray guess(uchardet_get_charset(ud));
    uchardet_delete(ud);
    return guess;
}

QStringList decodeAll(const QList<QByteArray> &texts, const QByteArray &encoding)
{
    QStringList out;
    for (const QByteArray &t : texts)
        out.append(textdecoding::decode(t, encoding));
    return out;
}

}   // namespace

class TestCoreTextDecoding : public QObject {
    Q_OBJECT
    struct Tally {
        int songs = 0, ours = 0, detector = 0;
    };
    QMap<QString, Tally> m_table;   // per encoding

private slots:
    void labelledSongs_data()
    {
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<QStringList>("lines");
        QFile manifest(QFINDTESTDATA("data/lyrics/manifest.txt"));
        QVERIFY(manifest.open(QIODevice::ReadOnly));
        while (!manifest.atEnd()) {
            const QList<QByteArray> f = manifest.readLine().simplified().split(' ');
            if (f.size() < 3 || f[0].startsWith('#'))
                continue;
            QFile song(QFINDTESTDATA("data/lyrics/" + QString::fromLatin1(f[0])));
            QVERIFY2(song.open(QIODevice::ReadOnly), f[0]);
            const QStringList lines = QString::fromUtf8(song.readAll()).split('\n', Qt::SkipEmptyParts);
            QTest::newRow(f[0]) << f[1] << lines;
        }
    }
    void labelledSongs()
    {
        QFETCH(QByteArray, encoding);
        QFETCH(QStringList, lines);
        for (bool karaoke : {true, false}) {
            const QStringList want = events(lines, karaoke);
            QList<QByteArray> texts;
            for (const QString &e : want)
                texts.append(encode(e, encoding));
            QVERIFY(!texts.contains(QByteArray()));
            const QByteArray chosen = textdecoding::chooseEncoding(texts, "UTF-8");
            const bool detectorRight = decodeAll(texts, detectorsGuess(texts.join('\n'))) == want;
            qInfo() << "DBG" << QTest::currentDataTag() << karaoke << detectorsGuess(texts.join('\n')) << chosen;
            Tally &t = m_table[QString::fromLatin1(encoding)];
            t.songs += 1;
            t.ours += decodeAll(texts, chosen) == want;
            t.detector += detectorRight;
            QCOMPARE(decodeAll(texts, chosen), want);
        }
    }

    void cleanupTestCase()
    {
        Tally all;
        qInfo("%-14s %5s %5s %9s", "encoding", "songs", "ours", "detector");
        for (auto it = m_table.cbegin(); it != m_table.cend(); ++it) {
            qInfo("%-14s %5d %5d %9d", qPrintable(it.key()), it->songs, it->ours, it->detector);
            all.songs += it->songs;
            all.ours += it->ours;
            all.detector += it->detector;
        }
        qInfo("%-14s %5d %5d %9d", "all", all.songs, all.ours, all.detector);
    }
};

QTEST_GUILESS_MAIN(TestCoreTextDecoding)
#include "test_core_textdecoding.moc"
