// Play lists from other players, read into local paths; ours written as .m3u8. Random bytes: fuzz/fuzz_playlist.cpp.
#include "library/core/playlistfile.h"
#include <QtTest>

Q_DECLARE_METATYPE(PlayListFormat)

class TestCorePlayListFile : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_folder;

    QStringList inFolder(QStringList paths) const
    {
        for (QString &p : paths)   // only at the start: a temporary folder's name may end in F
            p.replace(QRegularExpression(QStringLiteral("^F/")), m_folder + QLatin1Char('/'));
        return paths;
    }

private slots:
    void initTestCase()
    {
        m_folder = m_dir.path() + QStringLiteral("/lists");
        QVERIFY(QDir().mkpath(m_folder + QStringLiteral("/Music")));
        for (const char *name : {"/Music/a.mid", "/c.mid"}) {
            QFile song(m_folder + QLatin1String(name));
            QVERIFY(song.open(QIODevice::WriteOnly));
        }
    }

    void read_data()
    {
        QTest::addColumn<PlayListFormat>("format");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QStringList>("paths");      // "F/": the list's folder
        QTest::addColumn<QStringList>("problems");   // words each problem holds, in order; "!": refused
        const auto m3u8 =
            [](const char *tag, const QByteArray &bytes, const QStringList &paths, const QStringList &problems = {}) {
            QTest::newRow(tag) << PlayListFormat::M3u8 << bytes << QByteArray() << paths << problems;
        };
        const auto m3u =
            [](const char *tag, const QByteArray &bytes, const QByteArray &locale, const QStringList &paths) {
            QTest::newRow(tag) << PlayListFormat::M3u << bytes << locale << paths << QStringList();
        };
        const auto pls =
            [](const char *tag, const QByteArray &bytes, const QStringList &paths, const QStringList &problems = {}) {
            QTest::newRow(tag) << PlayListFormat::Pls << bytes << QByteArray() << paths << problems;
        };
        m3u8("relative, absolute, comments, CRLF",
             "#EXTM3U\r\n#EXTINF:12,A\r\n a.mid \r\n\r\n/abs/b.mid\r\n# c.mid\r\nsub\\d.mid\r\n../up.mid\r\n",
             {"F/a.mid", "/abs/b.mid", "F/sub/d.mid", m_dir.path() + "/up.mid"});
        m3u8("CR only, BOM, UTF-8", "\xEF\xBB\xBFM\xC3\xBCsik/\xE6\x97\xA5.mid\rb.mid\r",
             {"F/Müsik/日.mid", "F/b.mid"});
        m3u8("stray byte order marks", "a.mid\n \xEF\xBB\xBF#EXTM3U\n\xEF\xBB\xBF b.mid \xEF\xBB\xBF\n",
             {"F/a.mid", "F/b.mid"});
        m3u8("file URLs and other links",
             "file:///x/a%20b%C3%A9.mid\nFILE://localhost/y.mid\nhttp://h/s.mid\nfile://server/"
             "z.mid\nfile:rel.mid\nfile:://x/a.mid\nSong: b.mid\n",
             {"/x/a bé.mid", "/y.mid", "F/Song: b.mid"},
             {"1 entry is a web address", "3 entries are not paths on this computer"});
        m3u8("not UTF-8", "\xE9t\xE9.mid\nok.mid\n", {"F/\uFFFDt\uFFFD.mid", "F/ok.mid"}, {"1 entry holds bytes"});
        m3u8("Windows drives: found beside the list or left out",
             "C:\\Music\\a.mid\nD:\\Songs\\c.mid\nE:\\x.mid\n\\\\h\\s\\y.mid\nfile:///C:/Music/a.mid\nfile:///E:/"
             "x.mid\n",
             {"F/Music/a.mid", "F/c.mid", "F/Music/a.mid"},
             {"3 entries are not paths on this computer and were left out (first: E:\\x.mid)"});
        m3u8("Windows paths: after 64 that are not beside the list, none is looked for",
             QByteArray("E:\\x.mid\n").repeated(64) + "C:\\Music\\a.mid\n", {}, {"65 entries are not paths"});
        m3u8("lists are not followed", "o.m3u\nlib.MFL\nx.pls\nself.m3u8\nfile:///l.M3U\na.mid\n", {"F/a.mid"},
             {"5 entries name other play lists"});
        m3u8("control characters",
             "a\x01"
             "b.mid\nok.mid\nfile:///c%0Ad.mid\n",
             {"F/ok.mid"}, {"2 entries hold control"});
        QByteArray many;
        QStringList kept;
        for (int i = 0; i < 1003; ++i) {
            many += "s" + QByteArray::number(i) + ".mid\n";
            kept << QStringLiteral("F/s%1.mid").arg(i);
        }
        m3u8("over a play list's capacity", many, kept.mid(0, 1001),
             {"2 entries are beyond the 1001 songs a play list holds and were left out (first: s1001.mid)"});
        m3u8("NUL bytes", QByteArray("a.mid\n\0b.mid\n", 13), {}, {"!", "NUL"});
        m3u8("mostly control codes", "a.mid\n" + QByteArray(20, '\x02'), {}, {"!", "mostly not text"});
        m3u8("over 16 MiB", QByteArray(16 * 1024 * 1024 + 1, 'a'), {}, {"!", "larger than 16 MiB"});
        const auto utf16 = [](QStringEncoder::Encoding e, const char *text) -> QByteArray {
            return QStringEncoder(e, QStringEncoder::Flag::WriteBom).encode(QString::fromUtf8(text));
        };
        m3u("m3u in UTF-16", utf16(QStringEncoder::Utf16LE, "c\u00E9.mid\r\n"), "KOI8-R", {"F/cé.mid"});
        m3u("m3u in UTF-8", "caf\xC3\xA9.mid\n", "KOI8-R", {"F/café.mid"});
        m3u("m3u in the locale's encoding", "\xF0\xC5\xD3\xCE\xD1.mid\n", "KOI8-R", {"F/Песня.mid"});
        m3u("m3u, locale UTF-8: Windows-1252", "caf\xE9 \x80.mid\n", "UTF-8", {"F/café €.mid"});
        pls("pls: keys in any case, by number, the last wins",
            "[playlist]\r\nNumberOfEntries=3\r\nFile2=b.mid\r\nfile1=a.mid\r\nTitle1=A\r\nFILE3=http://h/y.mid\r\n"
            "File2=c.mid\r\nFile10=z.mid\r\nFileX=n.mid\r\nVersion=2\r\n",
            {"F/a.mid", "F/c.mid", "F/z.mid"}, {"1 entry is a web address"});
        QByteArray descending = "[playlist]\n";
        for (int i = 6000; i > 0; --i)
            descending += "Title" + QByteArray::number(i) + "=t\nFile" + QByteArray::number(i) + "=s"
                          + QByteArray::number(i - 1) + ".mid\n";
        pls("pls: the lowest numbers are kept", descending, kept.mid(0, 1001),
            {"4999 entries are beyond the 1001 songs a play list holds and were left out (first: s1001.mid)"});
        pls("pls: other sections are not read", "[other]\nFile1=no.mid\n[PlayList]\nFile1=yes.mid\n", {"F/yes.mid"});
    }
    void read()
    {
        QFETCH(PlayListFormat, format);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, locale);
        QFETCH(QStringList, paths);
        QFETCH(QStringList, problems);
        const PlayListContents c = parsePlayList(bytes, m_folder, format, locale);
        const bool refused = problems.value(0) == QLatin1String("!");
        QVERIFY2(refused ? c.error.contains(problems[1]) && c.entries.isEmpty() : c.error.isEmpty(),
                 qPrintable(c.error));
        if (refused)
            return;
        QStringList got;
        for (const PlayListEntry &e : c.entries)
            got << e.path;
        QCOMPARE(got, inFolder(paths));
        QCOMPARE(c.problems.size(), problems.size());
        for (int i = 0; i < problems.size(); ++i)
            QVERIFY2(c.problems[i].contains(problems[i]), qPrintable(c.problems[i]));
    }

    // Titles and lengths as the lists give them; ours read back as written, from a real file.
    void titlesAndWriting()
    {
        const PlayListContents m = parsePlayList("#EXTINF:93.6 tvg=x,A, b\n/a.mid\n#EXTINF:x\n/b.mid\n/c.mid\n",
                                                 m_folder, PlayListFormat::M3u8, {});
        const PlayListContents p = parsePlayList(
            "[playlist]\nLength1=-1\nTitle1= T \nFile1=/a.mid\nLength2=7\nFile2=/b.mid\n", m_folder,
            PlayListFormat::Pls, {});
        const QList<PlayListEntry> m3uWant{{"/a.mid", "A, b", 94}, {"/b.mid", "", -1}, {"/c.mid", "", -1}};
        QCOMPARE(m.entries, m3uWant);
        QCOMPARE(p.entries, QList<PlayListEntry>({{"/a.mid", "T", -1}, {"/b.mid", "", 7}}));

        const QString list = m_folder + QStringLiteral("/ours.m3u8");
        const QList<PlayListEntry> ours{{m_folder + "/Music/a.mid", "Song\none", 61},
                                        {m_dir.path() + "/up.mid", "", -1},
                                        {m_folder + "/#1 hit.mid", "#", 0},
                                        {m_folder + "/ sp\\ace .mid", "", 3},
                                        {m_folder + "/http:x.mid", "", 3},
                                        {"/C:/a\\b.mid", "", 3}};
        QString error;
        QVERIFY2(writePlayListM3u8(list, ours, &error), qPrintable(error));
        const PlayListContents back = readPlayList(list);
        QVERIFY2(back.error.isEmpty() && back.problems.isEmpty(), qPrintable(back.error + back.problems.join(' ')));
        QList<PlayListEntry> want = ours;
        want[0].title = "Song one";
        QCOMPARE(back.entries, want);
        QFile f(list);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY2(bytes.startsWith("#EXTM3U\n#EXTINF:61,Song one\nMusic/a.mid\n#EXTINF:-1,\n/"), bytes.constData());
        QVERIFY(!writePlayListM3u8(m_folder + "/Music/a.mid/x.m3u8", ours, &error) && error.contains("x.m3u8"));
        QVERIFY(readPlayList(m_folder + "/none.m3u").error.contains("does not exist"));
        QVERIFY(readPlayList(m_folder + "/Music/a.mid").error.contains(".m3u8"));
    }
};

QTEST_GUILESS_MAIN(TestCorePlayListFile)
#include "test_core_playlistfile.moc"
