#include "lyrics/core/plausibility.h"
#include "lyrics/core/textdecoding.h"
#include <QtTest>
#include <iconv.h>

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

QStringList decodeAll(const QList<QByteArray> &texts, const QByteArray &encoding)
{
    QStringList out;
    for (const QByteArray &t : texts)
        out.append(textdecoding::decode(t, encoding));
    return out;
}

QList<QByteArray> encodeAll(const QStringList &texts, const QByteArray &encoding)
{
    QList<QByteArray> out;
    for (const QString &t : texts)
        out.append(encode(t, encoding));
    return out;
}

}   // namespace

class TestCoreTextDecoding : public QObject {
    Q_OBJECT
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
            QTest::newRow(f[0]) << f[1] << QString::fromUtf8(song.readAll()).split('\n', Qt::SkipEmptyParts);
        }
    }
    // Every song of the set, as a karaoke file and with lyric events, reads back exactly; so does each two of its
    // lines alone (a short song).
    void labelledSongs()
    {
        QFETCH(QByteArray, encoding);
        QFETCH(QStringList, lines);
        QList<QStringList> songs{events(lines, true), events(lines, false)};
        for (qsizetype i = 0; i + 1 < lines.size(); ++i)
            songs << events({lines[i], lines[i + 1]}, false);
        for (const QStringList &want : songs) {
            const QList<QByteArray> texts = encodeAll(want, encoding);
            QVERIFY(!texts.contains(QByteArray()));
            QCOMPARE(decodeAll(texts, textdecoding::chooseEncoding(texts, "UTF-8")), want);
        }
    }

    void choice_data()
    {
        QTest::addColumn<QList<QByteArray>>("texts");
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QByteArray>("want");
        const auto row = [](const char *tag, const QList<QByteArray> &texts, const char *locale, const char *want) {
            QTest::newRow(tag) << texts << QByteArray(locale) << QByteArray(want);
        };
        const QByteArray big5Sea = encode(u"海"_qs, "BIG5"), eucRain = encode(u"雨が降る"_qs, "EUC-JP");
        row("no text", {}, "KOI8-R", "UTF-8");
        row("empty texts", {"", ""}, "KOI8-R", "UTF-8");
        row("ASCII", {"@THey", "la la"}, "KOI8-R", "UTF-8");
        row("UTF-8 with BOM", {"\xEF\xBB\xBF\xD0\x90"}, "", "UTF-8");
        row("UTF-8 beats a mark", {"{@JP}", "\xD0\x90"}, "", "UTF-8");
        row("mark beats the detector", {"{@CHT}", big5Sea}, "", "BIG5");
        row("mark names the family", {"{@JP}", eucRain}, "", "EUC-JP");
        row("Latin mark, Polish words", {"{@LATIN}", encode(u"Żegnaj"_qs, "WINDOWS-1250")}, "", "WINDOWS-1250");
        row("nothing detected: the locale", {"\xC0\xC1"}, "koi8-r", "KOI8-R");
    }
    void choice()
    {
        QFETCH(QList<QByteArray>, texts);
        QFETCH(QByteArray, locale);
        QTEST(textdecoding::chooseEncoding(texts, locale), "want");
    }

    // The readings detectors confuse: the right one reads as more plausible words.
    void plausibleReading_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("right");
        QTest::addColumn<QByteArray>("wrong");
        const auto row = [](const char *name, const char16_t *text, const char *right, const char *wrong) {
            QTest::newRow(name) << QString::fromUtf16(text) << QByteArray(right) << QByteArray(wrong);
        };
        row("Big5 is not GB", u"我們在雨中等待明天的太陽", "BIG5", "GB18030");
        row("GB is not Big5", u"我们在雨中等待明天的太阳", "GB18030", "BIG5");
        row("Spanish is not 1250", u"¿Por qué lloras, niña? ¡Mañana!", "WINDOWS-1252", "WINDOWS-1250");
        row("Spanish is not 8859-2", u"¿Por qué lloras, niña? ¡Mañana!", "WINDOWS-1252", "ISO-8859-2");
        row("Polish is not Western", u"Księżyc świeci nad łąką", "WINDOWS-1250", "WINDOWS-1252");
        row("French is not 8859-15", u"Mon cœur bat pour toi", "WINDOWS-1252", "ISO-8859-15");
        row("1251 is not KOI8-R", u"Солнце встаёт над морем", "WINDOWS-1251", "KOI8-R");
        row("KOI8-R is not 1251", u"Солнце встаёт над морем", "KOI8-R", "WINDOWS-1251");
        row("866 is not 1251", u"Солнце встаёт над морем", "IBM866", "WINDOWS-1251");
        row("1253 is not 8859-7", u"Άνοιξη στην καρδιά μου", "WINDOWS-1253", "ISO-8859-7");
        row("8859-7 is not 1253", u"Άνοιξη στην καρδιά μου", "ISO-8859-7", "WINDOWS-1253");
        row("Turkish is not Western", u"Işıklar söndü, ağlıyorum", "WINDOWS-1254", "WINDOWS-1252");
        row("Hebrew is not Greek", u"שלום לך ילדה", "ISO-8859-8", "ISO-8859-7");
        row("Shift_JIS is not EUC-JP", u"さくらの花が咲いた", "CP932", "EUC-JP");
        row("Korean is not GB", u"사랑해요 영원히", "CP949", "GB18030");
    }
    void plausibleReading()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, right);
        QFETCH(QByteArray, wrong);
        const QByteArray bytes = encode(text, right);
        QCOMPARE(textdecoding::decode(bytes, right), text);
        QCOMPARE_GT(textdecoding::plausibility(textdecoding::decode(bytes, right)),
                    textdecoding::plausibility(textdecoding::decode(bytes, wrong)));
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<QString>("want");
        const auto row = [](const char *tag, const QByteArray &bytes, const char *encoding, const QString &want) {
            QTest::newRow(tag) << bytes << QByteArray(encoding) << want;
        };
        row("empty", "", "WINDOWS-1251", "");
        row("UTF-8 drops its BOM", QByteArray("\xEF\xBB\xBF") + 'a', "UTF-8", "a");
        row("a second BOM is text", QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF") + 'a', "UTF-8", u"\uFEFFa"_qs);
        row("bad UTF-8", "a\xC3", "UTF-8", u"a\uFFFD"_qs);
        row("cut at the end", "a\x82", "SHIFT_JIS", u"a\uFFFD"_qs);
        row("no such byte", QByteArray("\xA0") + "a\xFF", "CP932", u"\uFFFDa\uFFFD"_qs);
        row("no such letter", "\xC0\xE0", "ISO-8859-8", u"\uFFFD\u05D0"_qs);
        row("last letter not held back", "\xF9\xE9\xF8", "windows-1255", u"שיר"_qs);
        row("unassigned Korean pair", QByteArray("\xA2\xE8") + "a\xA2\xE8", "CP949", u"\uFFFDa\uFFFD"_qs);
        row("EUC-KR reads as CP949", "\x81\x41", "EUC-KR", u"갂"_qs);
        row("shifted", "\x1B$B$3\x1B(B", "ISO-2022-JP", u"こ"_qs);
        row("unknown reads as UTF-8", "\xC3\xA9", "NO-SUCH", u"é"_qs);
        row("options are no name", "\xE9", "UTF-8//IGNORE", u"\uFFFD"_qs);
    }
    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, encoding);
        QTEST(textdecoding::decode(bytes, encoding), "want");
    }

    void offeredEncodingsAreKnown()
    {
        const QList<QByteArray> offered = textdecoding::offeredEncodings();
        QVERIFY(offered.size() >= 20);
        for (const QByteArray &e : offered) {
            QVERIFY2(textdecoding::decode("a", e) == "a", e);
            QVERIFY2(textdecoding::encodingLabel(e).contains(" ("), e);
        }
        QCOMPARE(textdecoding::encodingLabel("windows-1251"), "Cyrillic (Windows-1251)");
        QCOMPARE(textdecoding::encodingLabel("x-unknown"), "x-unknown");
    }
};

QTEST_GUILESS_MAIN(TestCoreTextDecoding)
#include "test_core_textdecoding.moc"
