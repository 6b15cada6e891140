#include "library/core/libraryfile.h"
#include "library/core/playlist.h"
#include "library/core/shuffle.h"
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

namespace {
QStringList numbered(int count, const QString &folder = QStringLiteral("/Music/Song "))
{
    QStringList paths;
    for (int i = 0; i < count; ++i)
        paths << folder + QString::number(i) + QStringLiteral(".mid");
    return paths;
}

QByteArray fileOf(int index, const QStringList &paths)
{
    QByteArray bytes = QByteArray::number(index) + "\r\n";
    for (const QString &p : paths)
        bytes += '"' + p.toUtf8() + "\"\r\n";
    return bytes;
}

QByteArray contentsOf(const QString &fileName)
{
    QFile f(fileName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

class TestCoreLibrary : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void writesExactBytes()
    {
        const QString name = m_dir.filePath(QStringLiteral("two.mfl"));
        QString error;
        QVERIFY(LibraryFile::write(name, 1, {"/A/x.mid", "/B/y.rmi"}, &error));
        QCOMPARE(contentsOf(name), QByteArray("1\r\n\"/A/x.mid\"\r\n\"/B/y.rmi\"\r\n"));
        const LibraryContents back = LibraryFile::read(name);
        QCOMPARE(back.error, QString());
        QCOMPARE(back.selIndex, 1);
        QCOMPARE(back.paths, QStringList({"/A/x.mid", "/B/y.rmi"}));
        // An index the reader would refuse is written as 0, so the file stays readable.
        QCOMPARE(LibraryFile::parse(LibraryFile::serialize(-1, {"/a"})).selIndex, 0);
        QCOMPARE(LibraryFile::parse(LibraryFile::serialize(1001, {"/a"})).error, QString());
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("index");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("error"); // a word the reason must hold; empty: no error
        const auto row = [](const char *tag, const QByteArray &bytes, int index, const QStringList &paths,
                            const char *error = "") { QTest::newRow(tag) << bytes << index << paths << error; };
        row("first line only", "3\r\n", 3, {});
        row("0 bytes", "", 0, {});
        row("LF only", "1\n\"/a.mid\"\n\"/b.mid\"\n", 1, {"/a.mid", "/b.mid"});
        row("BOM", "\xEF\xBB\xBF" "2\r\n\"/a.mid\"\r\n", 2, {"/a.mid"});
        row("Windows-1252", "0\r\n\"/M\xFCsik/Caf\xE9 \x80.mid\"\r\n", 0, {"/Müsik/Café €.mid"});
        row("UTF-8 and 1252 lines", "0\r\n\"/\xC3\xA9.mid\"\r\n\"/\xE9.mid\"\r\n", 0, {"/é.mid", "/é.mid"});
        row("unquoted commas", "0\r\n/a,b.mid \r\n\"/c,d.mid\"\r\n", 0, {"/a", "b.mid", "/c,d.mid"});
        row("index and path on one line", "1,\"/a.mid\"", 1, {"/a.mid"});
        row("unclosed quote", "0\r\n\"/a.mid\r\n\"/b.mid\"x\r\n", 0, {"/a.mid", "/b.mid"});
        row("blank lines", "0\r\n\r\n  \r\n\"/a.mid\"", 0, {"/a.mid"});
        row("index not a number", "abc\r\n\"/a.mid\"\r\n", 0, {}, "not a number");
        row("index too long", "99999999999999999999\r\n\"/a\"\r\n", 0, {}, "not a number");
        row("index 1001", "1001\r\n\"/a.mid\"\r\n", 0, {}, "outside");
        row("index -1", "-1\r\n\"/a.mid\"\r\n", 0, {}, "outside");
        row("only blank lines", " \r\n\r\n", 0, {}, "blank");
        row("1001 entries", fileOf(1000, numbered(1001)), 1000, numbered(1001));
        row("1002 entries", fileOf(5, numbered(1002)), 5, numbered(1001), "more entries");
        row("over the cap", QByteArray(LibraryFile::MaxFileSize + 1, '1'), 0, {}, "larger");
    }
    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const LibraryContents c = LibraryFile::parse(bytes);
        QVERIFY2(error.isEmpty() ? c.error.isEmpty() : c.error.contains(error), qPrintable(c.error));
        QTEST(c.selIndex, "index");
        QTEST(c.paths, "paths");
        QCOMPARE(c.empty, bytes.isEmpty());
    }

    // What start-up asks first, and the whole read, from real files.
    void readFromDisk_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // "<folder>", "<missing>", "<oversize>": no such file
        QTest::addColumn<int>("index");        // -1: readIndex refuses
        QTest::newRow("two entries") << fileOf(1, {"/a", "/b"}) << 1;
        QTest::newRow("later values broken") << fileOf(7, numbered(1002)) << 7;
        QTest::newRow("0 bytes") << QByteArray() << -1;
        QTest::newRow("bad first line") << QByteArray("x1\r\n") << -1;
        QTest::newRow("long first line") << QByteArray(100000, '1') << -1;
        QTest::newRow("missing") << QByteArray("<missing>") << -1;
        QTest::newRow("folder") << QByteArray("<folder>") << -1;
        QTest::newRow("over the cap") << QByteArray("<oversize>") << -1;
    }
    void readFromDisk()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, index);
        const QString name = m_dir.filePath(QTest::currentDataTag());
        const bool special = bytes.startsWith('<');
        if (bytes == "<folder>")
            QVERIFY(QDir().mkpath(name));
        QFile f(name);
        if (!special || bytes == "<oversize>")
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(special ? "0\r\n" : bytes) >= 0);
        if (bytes == "<oversize>")
            QVERIFY(f.resize(LibraryFile::MaxFileSize + 1));
        f.close();
        int got = -1;
        QString why;
        QCOMPARE(LibraryFile::readIndex(name, &got, &why), index >= 0);
        QCOMPARE(got, index);
        QCOMPARE(why.isEmpty(), index >= 0);
        const LibraryContents c = LibraryFile::read(name);
        QCOMPARE(c.error.isEmpty(), !special && LibraryFile::parse(bytes).error.isEmpty());
        QCOMPARE(c.paths, special ? QStringList() : LibraryFile::parse(bytes).paths);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::newRow("spaces and commas") << QStringList({" /My Music/a, b .mid ", "/x/,,.rmi"});
        QTest::newRow("non-ASCII") << QStringList({"/Müsik/日本の歌.mid", "/€/😀.MID", "/\u00A0x/\u0081.mid"});
        QTest::newRow("very long") << QStringList({"/" + QString(3000, QChar(u'é')) + ".mid"});
        QTest::newRow("full list") << numbered(1001, QStringLiteral("/home/user/Music/Collection, Vol. 2/Track "));
        QTest::newRow("empty path kept") << QStringList({"/a.mid", "", "/b.mid"});
    }
    void roundTrip()
    {
        QFETCH(QStringList, paths);
        const QString name = m_dir.filePath(QStringLiteral("trip.mfl"));
        QString error;
        QVERIFY2(LibraryFile::write(name, 2, paths, &error), qPrintable(error));
        const LibraryContents back = LibraryFile::read(name);
        QCOMPARE(back.error, QString());
        QCOMPARE(back.paths, paths);
        QCOMPARE(back.selIndex, 2);
    }

    void failedWriteKeepsOldFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("paths");
        const QStringList two{"/a.mid", "/b.mid"};
        QTest::newRow("read-only folder") << "readonly" << two;
        QTest::newRow("vanished folder") << "vanished" << two;
        QTest::newRow("folder is a file") << "notdir" << two;
        QTest::newRow("path with a quote") << "" << QStringList({"/a.mid", "/b\".mid"});
        QTest::newRow("empty list") << "" << QStringList();
    }
    void failedWriteKeepsOldFile()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, paths);
        QTemporaryDir dir;
        QString name = dir.filePath(QStringLiteral("lib.mfl"));
        const QByteArray old = fileOf(0, {"/old.mid"});
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
        f.close();
        QString error;
        if (how == "readonly") {
            if (geteuid() == 0)
                QSKIP("permissions do not bind root");
            QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        }
        if (how == "vanished")
            name = dir.filePath(QStringLiteral("gone/lib.mfl"));
        if (how == "notdir")
            name += QStringLiteral("/lib.mfl");
        QVERIFY(!LibraryFile::write(name, 1, paths, &error));
        QVERIFY2(error.startsWith("Cannot write " + name + ": ") && error.size() > name.size() + 16, qPrintable(error));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(contentsOf(dir.filePath(QStringLiteral("lib.mfl"))), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"lib.mfl"}));
    }

    void canStore()
    {
        QVERIFY(LibraryFile::canStore("/a/b c,d é.mid"));
        for (const char *bad : {"/a/\"b\".mid", "/a/b\r.mid", "/a/b\n.mid"})
            QVERIFY2(!LibraryFile::canStore(QString::fromUtf8(bad)), bad);
    }

    void firstDraws()
    {
        ShuffleRandom rnd;
        for (qint64 expected : {7055475, 5334240, 5795186})
            QCOMPARE(qRound64(double(rnd.next()) * 1e7), expected);
    }

    void deal_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("dealt");
        QTest::newRow("A B C") << QStringList({"A", "B", "C"}) << QStringList({"C", "B", "A"});
        QTest::newRow("one entry") << QStringList({"A"}) << QStringList({"A"});
        QTest::newRow("empty") << QStringList() << QStringList();
    }
    void deal()
    {
        QFETCH(QStringList, paths);
        ShuffleRandom rnd, counter;
        QTEST(shuffleDeal(paths, rnd), "dealt");
        for (int i = 0; i < paths.size(); ++i)
            counter.next();
        QCOMPARE(rnd.state(), counter.state()); // one draw per entry
    }

    // The k-th deal of a run, against the generator stepped by hand.
    void laterDeals()
    {
        quint64 x = 327680;
        const auto draw = [&x] {
            x = (x * 1140671485ull + 12820163ull) & 0xFFFFFF;
            return float(x) * (1.0f / 16777216.0f);
        };
        ShuffleRandom rnd;
        QStringList order{"A", "B", "C", "D", "E"};
        for (int k = 1; k <= 4; ++k) {
            std::vector<QString> pool(order.begin(), order.end());
            QStringList expected;
            for (int n = int(pool.size()) - 1; n >= 0; --n) {
                const int r = std::min(n, int(float(n + 1) * draw()));
                expected << pool[size_t(r)];
                pool.erase(pool.begin() + r);
            }
            order = shuffleDeal(order, rnd);
            QCOMPARE(order, expected);
            if (k == 2)
                QCOMPARE(order.join(""), QStringLiteral("ADEBC"));
        }
    }
};

QTEST_GUILESS_MAIN(TestCoreLibrary)
#include "test_core_library.moc"
