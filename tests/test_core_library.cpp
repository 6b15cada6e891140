// The ".mfl" library file, the shuffle deal and the play list the views show. Random bytes: fuzz/fuzz_libraryfile.cpp.
#include "library/core/libraryfile.h"
#include "library/core/playlistfilter.h"
#include "library/core/playlistmodel.h"
#include "library/core/songindex.h"
#include "library/core/shuffle.h"
#include <QAbstractItemModelTester>
#include <QtTest>

namespace {
QStringList numbered(int count)
{
    QStringList paths;
    for (int i = 0; i < count; ++i)
        paths << QStringLiteral("/Music/Collection, Vol. 2/Song %1.mid").arg(i);
    return paths;
}

QByteArray fileOf(int index, const QStringList &paths)
{
    QByteArray bytes = QByteArray::number(index) + "\r\n";   // as the format says, without the writer
    for (const QString &p : paths)
        bytes += '"' + p.toUtf8() + "\"\r\n";
    return bytes;
}
}   // namespace

class TestCoreLibrary : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("index");   // -1: refused (readIndex fails, read gives 0)
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("error");   // a word the reason must hold; empty: no error
        const auto row = [](const char *tag, const QByteArray &bytes, int index, const QStringList &paths,
                            const char *error = "") { QTest::newRow(tag) << bytes << index << paths << error; };
        row("first line only", "3\r\n", 3, {});
        row("index only, no line end", "7", 7, {});
        row("0 bytes", "", -1, {});
        row("LF only", "1\n\"/a.mid\"\n\"/b.mid\"\n", 1, {"/a.mid", "/b.mid"});
        row("BOM", QByteArray("\xEF\xBB\xBF") + "2\r\n\"/a.mid\"\r\n", 2, {"/a.mid"});
        row("Windows-1252", "0\r\n\"/M\xFCsik/Caf\xE9 \x80.mid\"\r\n", 0, {"/Müsik/Café €.mid"});
        row("UTF-8 and 1252 lines", "0\r\n\"/\xC3\xA9.mid\"\r\n\"/\xE9.mid\"\r\n", 0, {"/é.mid", "/é.mid"});
        row("unquoted commas, blank lines", "0\r\n\r\n/a,b.mid \r\n\"/c,d.mid\"\r\n", 0, {"/a", "b.mid", "/c,d.mid"});
        row("unclosed quote", "0\r\n\"/a.mid\r\n\"/b.mid\"x\r\n", 0, {"/a.mid", "/b.mid"});
        row("index not a number", "abc\r\n\"/a.mid\"\r\n", -1, {}, "not a number");
        row("index 1001", "1001\r\n\"/a.mid\"\r\n", -1, {}, "outside");
        row("index -1", "-1\r\n\"/a.mid\"\r\n", -1, {}, "outside");
        row("only blank lines", " \r\n\r\n", -1, {}, "blank");
        row("1001 entries", fileOf(1000, numbered(1001)), 1000, numbered(1001));
        row("1002 entries", fileOf(5, numbered(1002)), 5, numbered(1001), "more entries");
        row("over the cap", "0\r\n" + QByteArray(LibraryFile::MaxFileSize, ' '), -1, {}, "larger");
    }
    void read()   // from a real file: the whole read, and the index alone as start-up asks it first
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, index);
        QFETCH(QString, error);
        const QString name = m_dir.filePath(QTest::currentDataTag());
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        const LibraryContents c = LibraryFile::read(name);
        QVERIFY2(error.isEmpty() ? c.error.isEmpty() : c.error.contains(error), qPrintable(c.error));
        QCOMPARE(c.selIndex, qMax(index, 0));
        QTEST(c.paths, "paths");
        QCOMPARE(c.empty, bytes.isEmpty());
        int got = -1;
        QCOMPARE(LibraryFile::readIndex(name, &got), index >= 0);
        QCOMPARE(got, index);
    }

    void indexOutOfRangeIsWrittenAs0()   // so the file stays readable
    {
        QCOMPARE(LibraryFile::serialize(-1, {}) + LibraryFile::serialize(1001, {}), QByteArray("0\r\n0\r\n"));
    }

    // Writing over an old library: the new bytes, or on failure the old file intact.
    void write_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("under");      // appended to the file name: a path through a file
        QTest::addColumn<QByteArray>("bytes");   // the file afterwards
        const auto good = [](const char *tag, const QStringList &paths) {
            QTest::newRow(tag) << paths << QString() << fileOf(2, paths);
        };
        const auto bad = [](const char *tag, const QStringList &paths, const char *under = "") {
            QTest::newRow(tag) << paths << QString(under) << fileOf(0, {"/old.mid"});
        };
        good("two entries", {"/A/x.mid", "/B/y.rmi"});
        good("spaces and commas", {" /My Music/a, b .mid ", "/x/,,.rmi"});
        good("non-ASCII", {"/Müsik/日本の歌.mid", "/€/😀.MID", "/\u00A0x/\u0081.mid"});
        good("empty path kept", {"/a.mid", "", "/b.mid"});
        good("1001 entries", numbered(1001));
        bad("folder is a file", {"/a.mid"}, "/lib.mfl");
        bad("path with a quote", {"/a.mid", "/b\".mid"});
        bad("empty list", {});
        bad("path with a CR", {"/a\r.mid"});   // canStore() refuses these
        bad("path with a LF", {"/a\n.mid"});
    }
    void write()
    {
        QFETCH(QStringList, paths);
        QFETCH(QString, under);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("lib.mfl")), name = file + under;
        QVERIFY(LibraryFile::write(file, 0, {"/old.mid"}, nullptr));
        QString error;
        const bool written = LibraryFile::write(name, 2, paths, &error);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QTEST(f.readAll(), "bytes");
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"lib.mfl"}));
        if (!written)
            QVERIFY2(error.startsWith("Cannot write " + name + ": ") && error.size() > name.size() + 16,
                     qPrintable(error));
        else
            QCOMPARE(LibraryFile::read(file).paths, paths);   // read back, with no error and index 2 (the bytes say so)
    }

    void shuffle()
    {
        ShuffleRandom rnd, a, b, c, later;
        for (qint64 expected : {7055475, 5334240, 5795186})   // the three first draws
            QCOMPARE(qRound64(double(rnd.next()) * 1e7), expected);
        QCOMPARE(shuffleDeal({"A", "B", "C"}, a), QStringList({"C", "B", "A"}));
        QCOMPARE(shuffleDeal({"A"}, b) + shuffleDeal({}, c), QStringList({"A"}));
        QStringList deals{"ABCDE"};   // a run's deals, each of the one before
        for (int k = 1; k <= 4; ++k)
            deals << shuffleDeal(deals.last().split("", Qt::SkipEmptyParts), later).join("");
        QCOMPARE(deals, QStringList({"ABCDE", "DCBAE", "ADEBC", "AECBD", "DBACE"}));
    }

    // A view learns of every change: rows in and out, a new order or an empty list as a reset.
    void playListModel()
    {
        PlayListModel list;
        QAbstractItemModelTester contract(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy in(&list, &QAbstractItemModel::rowsInserted), out(&list, &QAbstractItemModel::rowsRemoved),
            reset(&list, &QAbstractItemModel::modelReset);
        for (const QString &p : numbered(PlayListModel::Capacity))
            QVERIFY(list.append(p));
        QVERIFY(!list.append("/over.mid") && list.isFull());
        QCOMPARE(list.index(1000).data().toString(), "Song 1000.mid");
        for (int row : {-1, 1001, 1})
            list.removeAt(row);
        QCOMPARE(list.rowCount(), 1000);
        QCOMPARE(list.index(1).data().toString() + list.name(1), "Song 2.midSong 2.mid");
        list.setPaths({"/a/x.mid", "/b/y.rmi"});
        QCOMPARE(list.names(), QStringList({"x.mid", "y.rmi"}));
        list.clear();
        QVERIFY(list.isEmpty() && list.rowCount() == 0 && list.name(0).isEmpty());
        QCOMPARE(reset.size() + in.size() + out.size(), 2 + PlayListModel::Capacity + 1);
    }

    // Find: every word of the query in the file name, title, artists or words of one entry, case and
    // accents aside; a song not read yet is found by its file name only.
    void find_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QStringList>("found");
        const QStringList all{"Café.mid", "b.mid", "c.kar", "ﬁve.MID"};
        QTest::newRow("empty shows all") << " " << true << all;
        QTest::newRow("name, case and accent") << "CAFE" << true << QStringList{"Café.mid"};
        QTest::newRow("title, two words") << "linden ÜNTER" << true << QStringList{"b.mid"};
        QTest::newRow("artist") << "zoe" << true << QStringList{"b.mid"};
        QTest::newRow("words, sharp s") << "STRASSE liebe" << true << QStringList{"c.kar"};
        QTest::newRow("ligature") << "five" << true << QStringList{"ﬁve.MID"};
        QTest::newRow("mark beyond the BMP") << "kai" << true << QStringList{"b.mid"};
        QTest::newRow("words of two songs") << "liebe zoe" << true << QStringList{};
        QTest::newRow("not read: by name") << "b.m" << false << QStringList{"b.mid"};
        QTest::newRow("not read: no title") << "linden" << false << QStringList{};
    }
    void find()
    {
        QFETCH(QString, query);
        QFETCH(bool, read);
        PlayListModel list;
        for (const char *p : {"/m/Café.mid", "/m/b.mid", "/m/c.kar", "/m/ﬁve.MID"})
            list.append(QString::fromUtf8(p));
        SongIndex index([](const QString &path) {
            SongText t;
            if (path.endsWith("b.mid")) {
                t.title = "Unter den Linden";
                t.artists = {"Anna", "Zoë", "Ka\U00011000i"};
            } else if (path.endsWith("c.kar")) {
                t.lyrics = {{0, "Die Stra", {}},
                            {9, "ße der Lie", {}},
                            {20, "be", {}},
                            {30, "Nacht", LyricSyllable::Break::Line}};
            }
            return t;
        });
        index.follow(list.paths());
        if (read)
            index.readFor(0);
        PlayListFilter filter(&index);
        filter.setSourceModel(&list);
        QAbstractItemModelTester contract(&filter, QAbstractItemModelTester::FailureReportingMode::QtTest);
        filter.setQuery(query);
        QStringList shown;
        for (int row = 0; row < filter.rowCount(); ++row)
            shown << list.name(filter.sourceRow(row));
        QTEST(shown, "found");
    }
};

QTEST_GUILESS_MAIN(TestCoreLibrary)
#include "test_core_library.moc"
