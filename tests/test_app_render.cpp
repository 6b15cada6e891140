#include "testenv.h"
#include <QtTest>
#include <csignal>
#include <sys/stat.h>

// lyrabox-render started as a user would, with the small bank.
class TestAppRender : public QObject {
    Q_OBJECT

    struct Run {
        int code = -1;
        QString err;
    };

    Run render(const QStringList &args, const QString &cwd = {})
    {
        QProcess p;
        p.setWorkingDirectory(cwd);   // empty: this one
        p.start(qEnvironmentVariable("LYRABOX_RENDER"), QStringList{"-s", TestEnv::soundFont()} + args);
        if (!p.waitForFinished(60000))
            return {};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromLocal8Bit(p.readAllStandardError())};
    }

    QString song(const QString &name, int ms) { return TestEnv::writeMidi(m_songs.filePath(name), ms); }

    static QStringList entries(const QString &dir) { return QDir(dir).entryList(QDir::Files | QDir::Hidden); }

private slots:
    void initTestCase()
    {
        TestEnv::setUp();
        if (qEnvironmentVariable("LYRABOX_RENDER").isEmpty() || !QFileInfo::exists(TestEnv::soundFont()))
            QSKIP("needs lyrabox-render and the small GM bank");
        song("a.mid", 1500);
        song("b.mid", 900);
        song("c.mid", 2200);
        QVERIFY(QDir(m_songs.path()).mkpath("sung"));
        QVERIFY(!TestEnv::writeTracks(m_songs.filePath("sung/words.mid"), {QByteArray("\x00\x90\x3c\x50\x00\xff\x05\x03"
                                                                                      "One\x83\x60\xff\x05\x03"
                                                                                      "two\x83\x60\x80\x3c\x00",
                                                                                      24)})
                     .isEmpty());
        // Not sound banks: a FIFO would hold a reader for ever, an empty file does not load.
        QVERIFY(QDir(m_songs.path()).mkpath("banks"));
        QVERIFY(::mkfifo(QFile::encodeName(m_songs.filePath("banks/pipe.sf2")).constData(), 0600) == 0);
        QVERIFY(TestEnv::writeFile(m_songs.filePath("banks/empty.sf2"), {}));
    }

    // Where the files go and in which format.
    void outputs_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("into");
        QTest::addColumn<QStringList>("written");
        QTest::newRow("one song, named file, format by its name")
            << QStringList{"-o", "out/x.flac", "a.mid"} << "out" << QStringList{"x.flac"};
        QTest::newRow("several into a new folder")
            << QStringList{"-o", "new/sub", "a.mid", "b.mid"} << "new/sub" << QStringList{"a.wav", "b.wav"};
        QTest::newRow("no output: here, format asked")
            << QStringList{"-f", "ogg", "a.mid"} << "." << QStringList{"a.ogg", "a.mid", "b.mid", "c.mid"};
        QTest::newRow("--lrc: the words beside the song that has them")
            << QStringList{"--lrc", "-o", "sung/out", "sung/words.mid", "a.mid"} << "sung/out"
            << QStringList{"a.wav", "words.lrc", "words.wav"};
    }

    void outputs()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, into);
        QFETCH(QStringList, written);
        QDir(m_songs.path()).mkpath("out");
        const Run r = render(args, m_songs.path());
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QString dir = m_songs.filePath(into);
        written.sort();
        QCOMPARE(entries(dir), written);
        for (const QString &f : std::as_const(written)) {
            if (f.endsWith(".lrc"))
                QCOMPARE(TestEnv::readFile(dir + "/" + f), "[00:00.00]<00:00.00>One<00:00.50>two\n");
            else if (!f.endsWith(".mid"))
                QVERIFY(QFileInfo(dir + "/" + f).size() > 1000);
        }
        QFile::remove(m_songs.filePath("a.ogg"));
    }

    // Words already beside the audio are kept unless --overwrite; the audio is written all the same.
    void lrcKeptUnlessOverwrite()
    {
        QTemporaryDir out;
        QVERIFY(TestEnv::writeFile(out.filePath("words.lrc"), "mine"));
        const QStringList args{"--lrc", "-o", out.filePath("words.wav"), m_songs.filePath("sung/words.mid")};
        const Run kept = render(args);
        QVERIFY2(kept.code == 1 && kept.err.contains("words.lrc is already there"), qPrintable(kept.err));
        QCOMPARE(TestEnv::readFile(out.filePath("words.lrc")), "mine");
        QCOMPARE(render(QStringList{"--overwrite"} + args).code, 0);
        QVERIFY(TestEnv::readFile(out.filePath("words.lrc")).startsWith("[00:00.00]"));
        QCOMPARE(entries(out.path()), (QStringList{"words.lrc", "words.wav"}));
    }

    // Each bad input fails on its own line with the reader's reason; the good ones are written.
    // A second song of the same name does not write over the first one's file.
    void badInputsAmongGoodOnes()
    {
        QTemporaryDir out;
        const QString fifo = m_songs.filePath("pipe.mid");
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        const QString text = m_songs.filePath("text.mid");
        QVERIFY(TestEnv::writeFile(text, "not a song"));
        QTemporaryDir other;
        const QString twin = TestEnv::writeMidi(other.filePath("a.mid"), 300);
        const QStringList args{
            "--overwrite", "-o",           out.path(), m_songs.filePath("a.mid"), m_songs.filePath("missing.mid"),
            fifo,          m_songs.path(), text,       m_songs.filePath("b.mid"), twin};
        const Run r = render(args);
        QFile::remove(fifo);
        QFile::remove(text);
        QCOMPARE(r.code, 1);
        QCOMPARE(entries(out.path()), (QStringList{"a.wav", "b.wav"}));
        const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() == 5, qPrintable(r.err));
        for (const QString &says :
             QStringList{twin + ": Another song of this export is written to", "missing.mid: The file does not exist.",
                         "pipe.mid: This is not a regular file.", ": This is a folder, not a file.", "text.mid: "})
            QVERIFY2(r.err.contains(says), qPrintable(r.err));
    }

    // Ended by a signal in the middle of a song: nothing is left, not even the temporary file, even when killed.
    void signalLeavesNothing_data()
    {
        QTest::addColumn<int>("sig");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGKILL") << int(SIGKILL);
    }

    void signalLeavesNothing()
    {
        QFETCH(int, sig);
        QTemporaryDir out;
        const QString longSong = song("long.mid", 1800000);
        QProcess p;
        p.start(qEnvironmentVariable("LYRABOX_RENDER"),
                {"-s", TestEnv::soundFont(), "-j", "1", "-o", out.path(), longSong, m_songs.filePath("a.mid")});
        QVERIFY(p.waitForStarted());
        const pid_t pid = pid_t(p.processId());
        QTRY_VERIFY_WITH_TIMEOUT(TestEnv::writesInto(pid, out.path()), 20000);
        QTest::qWait(100);
        QCOMPARE(p.state(), QProcess::Running);
        ::kill(pid, sig);
        QVERIFY(p.waitForFinished(10000));
        QFile::remove(longSong);
        QCOMPARE(p.exitStatus(), QProcess::CrashExit);   // ended by the signal, as its default would
        QCOMPARE(entries(out.path()), QStringList());
    }

    // Songs in parallel come out exactly as one after the other.
    void sameAudioWithTwoJobs()
    {
        QTemporaryDir one, two;
        const QStringList songs{m_songs.filePath("a.mid"), m_songs.filePath("b.mid"), m_songs.filePath("c.mid")};
        QCOMPARE(render(QStringList{"-j", "1", "-o", one.path()} + songs).code, 0);
        QCOMPARE(entries(one.path()), (QStringList{"a.wav", "b.wav", "c.wav"}));
        // Files there stay unless --overwrite is given, as each run below gives it.
        QVERIFY(TestEnv::writeFile(two.filePath("b.wav"), "mine"));
        const Run kept = render(QStringList{"-o", two.path()} + songs);
        QVERIFY2(kept.code == 1 && kept.err.contains("b.wav already exists"), qPrintable(kept.err));
        QCOMPARE(TestEnv::readFile(two.filePath("b.wav")), "mine");
        QCOMPARE(entries(two.path()), entries(one.path()));
        // Each run is a new process: the first synths of a process are made at the same instant.
        for (int run = 0; run < 16; ++run) {
            const Run r = render(QStringList{"-j", "2", "--overwrite", "-o", two.path()} + songs);
            QVERIFY2(r.code == 0, qPrintable(r.err));
            for (const QString &f : entries(one.path()))
                QVERIFY2(TestEnv::readFile(one.filePath(f)) == TestEnv::readFile(two.filePath(f)), qPrintable(f));
        }
    }

    void badUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("says");
        QTest::newRow("no song") << QStringList{} << QStringList{};
        QTest::newRow("unknown format") << QStringList{"-f", "mp3", "a.mid"} << QStringList{"mp3"};
        QTest::newRow("format not told by the name") << QStringList{"-o", "x.mp3", "a.mid"} << QStringList{"x.mp3"};
        QTest::newRow("format against the name")
            << QStringList{"-f", "ogg", "-o", "x.flac", "a.mid"} << QStringList{"ogg", "x.flac"};
        QTest::newRow("bank is a FIFO") << QStringList{"-s", "banks/pipe.sf2", "a.mid"} << QStringList{"pipe.sf2"};
        QTest::newRow("bank is empty") << QStringList{"-s", "banks/empty.sf2", "a.mid"}
                                       << QStringList{"empty.sf2", "empty"};
        QTest::newRow("no jobs") << QStringList{"-j", "0", "a.mid"} << QStringList{};
        QTest::newRow("rate") << QStringList{"-r", "44k", "a.mid"} << QStringList{};
        QTest::newRow("unknown option") << QStringList{"--loud", "a.mid"} << QStringList{};
    }

    void badUsage()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, says);
        const Run r = render(args, m_songs.path());
        QCOMPARE(r.code, 2);
        for (const QString &word : says << "lyrabox-render: ")
            QVERIFY2(r.err.contains(word), qPrintable(r.err));
        QCOMPARE(entries(m_songs.path()), (QStringList{"a.mid", "b.mid", "c.mid"}));
    }

private:
    QTemporaryDir m_songs;
};

QTEST_GUILESS_MAIN(TestAppRender)
#include "test_app_render.moc"
