#include "bench/densesong.h"
#include "playback/core/midifile.h"
#include "playback/core/renderqueue.h"
#include "playback/engine/audiofilewriter.h"
#include "playback/engine/fluidsequencer.h"
#include "playback/engine/offlinerender.h"
#include "testenv.h"
#include <QtTest>
#include <csignal>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
struct Audio {
    int rate = 0, channels = 0, format = 0;
    QVector<short> samples;   // interleaved
    qint64 frames() const { return channels ? samples.size() / channels : 0; }
};

Audio readAudio(const QString &path)
{
    Audio a;
    SF_INFO info{};
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f)
        return a;
    a.rate = info.samplerate;
    a.channels = info.channels;
    a.format = info.format & SF_FORMAT_TYPEMASK;
    a.samples.resize(qsizetype(info.frames * info.channels));
    a.samples.resize(qsizetype(sf_readf_short(f, a.samples.data(), info.frames) * info.channels));
    sf_close(f);
    return a;
}

OfflineRender::Options options()
{
    OfflineRender::Options o{SoundConfig(), FluidSequencer::DefaultGain};
    o.sound.banks = QStringList{TestEnv::soundFont()};
    return o;
}

// What the renderer wrote; nothing, with its reason told, when it failed.
Audio rendered(OfflineRender &r, const QString &in, const QString &out, AudioFormat format = AudioFormat::Wav)
{
    const std::atomic<bool> cancel{false};
    QString error;
    if (!r.render({in, out, format, true}, cancel, {}, &error)) {
        qWarning() << error;
        return {};
    }
    return readAudio(out);
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// A song that takes no notice of a cancel (a file system that hangs) until let go.
struct Stuck : SongRender {
    std::mutex lock;
    std::condition_variable changed;
    bool started = false, released = false;
    bool render(const RenderJob &, const std::atomic<bool> &, const Progress &, QString *) override
    {
        std::unique_lock l(lock);
        started = true;
        changed.notify_all();
        changed.wait(l, [this] { return released; });
        return false;
    }
};
}

// Songs rendered to audio files by the engine the tool and the export window use, and
// lyrabox-render started as a user would, with the small bank.
class TestEngineRender : public QObject {
    Q_OBJECT
    struct Run {
        int code = -1;
        QString err;
    };

    Run tool(const QStringList &args, const QString &cwd = {})
    {
        QProcess p;
        p.setWorkingDirectory(cwd);   // empty: this one
        p.start(qEnvironmentVariable("LYRABOX_RENDER"), QStringList{"-s", TestEnv::soundFont()} + args);
        if (!p.waitForFinished(60000))
            return {};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromLocal8Bit(p.readAllStandardError())};
    }

    QString writeSong(const QString &name, int ms) { return TestEnv::writeMidi(m_songs.filePath(name), ms); }

private slots:
    void initTestCase()
    {
        TestEnv::setUp();
        if (qEnvironmentVariable("LYRABOX_RENDER").isEmpty() || !QFileInfo::exists(TestEnv::soundFont()))
            QSKIP("needs lyrabox-render and the small GM bank");
        // Dense: every part at full force, far past full scale without the limiter.
        QVERIFY(TestEnv::writeFile(m_dir.filePath("dense.mid"), dense::song(0, 3)));
        for (const auto &[name, ms] : {std::pair{"a.mid", 1500}, {"b.mid", 900}, {"c.mid", 2200}})
            writeSong(name, ms);
        QVERIFY(QDir(m_songs.path()).mkpath("sung"));
        const QByteArray words("\x00\x90\x3c\x50\x00\xff\x05\x03One\x83\x60\xff\x05\x03two\x83\x60\x80\x3c\x00", 24);
        QVERIFY(!TestEnv::writeTracks(m_songs.filePath("sung/words.mid"), {words}).isEmpty());
        // Not sound banks: a FIFO would hold a reader for ever, an empty file does not load.
        QVERIFY(QDir(m_songs.path()).mkpath("banks"));
        QVERIFY(::mkfifo(QFile::encodeName(m_songs.filePath("banks/pipe.sf2")).constData(), 0600) == 0);
        QVERIFY(TestEnv::writeFile(m_songs.filePath("banks/empty.sf2"), {}));
    }

    // The whole song from its first tick, its tail after it, no sample at full scale.
    void songToFile_data()
    {
        QTest::addColumn<AudioFormat>("format");
        QTest::addColumn<int>("sfType");
        QTest::newRow("wav") << AudioFormat::Wav << int(SF_FORMAT_WAV);
        QTest::newRow("flac") << AudioFormat::Flac << int(SF_FORMAT_FLAC);
    }

    void songToFile()
    {
        QFETCH(AudioFormat, format);
        QFETCH(int, sfType);
        const QString in = m_dir.filePath("dense.mid");
        OfflineRender r(options());
        const Audio a = rendered(r, in, m_dir.filePath("dense." + QString(QTest::currentDataTag())), format);
        QCOMPARE(QList<int>({a.format, a.rate, a.channels}), QList<int>({sfType, 44100, 2}));
        const qint64 song = qRound64(MidiFile::load(in).lengthMs() * 44.1);
        QVERIFY2(a.frames() > song && a.frames() <= song + 5 * 44100, qPrintable(QString::number(a.frames() - song)));
        const int peak = TestEnv::peak(a.samples);
        QVERIFY2(peak > 16000 && peak < 32767, qPrintable(QString::number(peak)));
        // The first notes start at tick 0: sound within 10 ms (above -60 dBFS).
        const qsizetype first = std::find_if(a.samples.begin(), a.samples.end(), [](short v) { return qAbs(v) > 33; })
                                - a.samples.begin();
        QVERIFY2(first / 2 < 441, qPrintable(QString::number(first / 2)));
    }

    // A song sounds the same whatever the same renderer rendered before it.
    void sameAudioAfterAnotherSong()
    {
        const QString song = TestEnv::writeMidi(m_dir.filePath("note.mid"), 1500);
        OfflineRender fresh(options()), used(options());
        const Audio a = rendered(fresh, song, m_dir.filePath("fresh.wav"));
        QVERIFY(rendered(used, m_dir.filePath("dense.mid"), m_dir.filePath("before.wav")).frames() > 0);
        QVERIFY(a.frames() > 0 && a.samples == rendered(used, song, m_dir.filePath("used.wav")).samples);
    }

    // An organ note never let go sounds to the end of the tail and fades there: the file ends quiet, not in a click.
    void heldNoteFadesAtTheCut()
    {
        const QString song = TestEnv::writeTracks(
            m_dir.filePath("held.mid"), {QByteArray("\x00\xC0\x13\x00\x90\x3C\x64\x83\x60\xFF\x01\x01x", 13)});
        OfflineRender r(options());
        const Audio a = rendered(r, song, m_dir.filePath("held.wav"));
        QCOMPARE(a.frames(), qint64(44100 / 2 + 5 * 44100));
        QVERIFY(TestEnv::peak(a.samples, a.samples.size() - 44100, a.samples.size() - 4410) > 1000);
        QVERIFY2(TestEnv::peak(a.samples, a.samples.size() - 20) < 100,
                 qPrintable(QString::number(TestEnv::peak(a.samples, a.samples.size() - 20))));
    }

    // Refused at once, before any audio: a song longer than the player opens (32767 s) would be hours of
    // audio; an output that is not a regular file (a pipe, a device, a link to one) is never replaced.
    void refused_data()
    {
        QTest::addColumn<int>("lengthMs");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("why");
        QTest::newRow("over 32767 s") << 32767500 << "n.wav"
                                      << "The song is too long to be played: it lasts 9:06:08";
        QTest::newRow("pipe") << 1000 << "pipe.wav"
                              << "pipe.wav is not a regular file";
        QTest::newRow("link to a pipe") << 1000 << "link.wav"
                                        << "link.wav is not a regular file";
    }
    void refused()
    {
        QFETCH(int, lengthMs);
        QFETCH(QString, output);
        QFETCH(QString, why);
        QTemporaryDir out;
        QCOMPARE(::mkfifo(QFile::encodeName(out.filePath("pipe.wav")).constData(), 0600), 0);
        QVERIFY(QFile::link(out.filePath("pipe.wav"), out.filePath("link.wav")));
        const QString song = TestEnv::writeMidi(m_dir.filePath("refused.mid"), lengthMs);
        OfflineRender r(options());
        std::atomic<bool> cancel{false};
        QString error;
        QVERIFY(!r.render(
            {song, out.filePath(output), AudioFormat::Wav, true}, cancel, [&](double, double) { cancel = true; },
            &error));
        QVERIFY2(error.contains(why), qPrintable(error));
        QCOMPARE(entries(out.path()), QStringList({"link.wav", "pipe.wav"}));
        QVERIFY(QFileInfo(out.filePath("pipe.wav")).isSymLink() == false
                && !QFileInfo(out.filePath("pipe.wav")).isFile());
    }

    // Where the file system cannot make unnamed files: the temporary file names its owner, and one of an owner
    // that is gone is removed by the next writer in that folder; those of a live owner and other files stay.
    void staleTemporaryFilesRemoved()
    {
        QTemporaryDir out;
        QProcess gone;
        gone.start("true");
        QVERIFY(gone.waitForStarted());
        const QString dead = QString::number(gone.processId()), alive = QString::number(::getppid());
        QVERIFY(gone.waitForFinished());
        const QStringList stale{".a.wav." + dead + "-Ab3xYz.part", ".b.flac." + dead + "-000000.part"};
        const QStringList kept{".a.wav." + alive + "-Ab3xYz.part", ".a.wav.Ab3xYz.part", "x." + dead + "-Ab3xYz.part"};
        for (const QString &name : stale + kept)
            QVERIFY(TestEnv::writeFile(out.filePath(name), "part"));
        QString error;
        auto w = AudioFileWriter::create(out.filePath("c.wav"), AudioFormat::Wav, 44100, &error,
                                         AudioFileWriter::Temporary::Named);
        QVERIFY2(w, qPrintable(error));
        const QString own = QFileInfo(w->temporaryPath()).fileName();
        QVERIFY2(own.startsWith(".c.wav." + QString::number(::getpid()) + "-") && own.endsWith(".part"),
                 qPrintable(own));
        QStringList expected = kept + QStringList{own};
        expected.sort();
        QCOMPARE(entries(out.path()), expected);
        w.reset();
        expected.removeOne(own);
        QCOMPARE(entries(out.path()), expected);
    }

    // After a cancel, waiting for a song that does not stop ends when the caller says, and the queue still ends.
    void waitForStuckSongIsBounded()
    {
        auto stuck = std::make_unique<Stuck>();
        Stuck *song = stuck.get();
        RenderQueue queue({RenderJob{}}, [&stuck] { return std::move(stuck); }, {});
        queue.start(1);
        {
            std::unique_lock l(song->lock);
            song->changed.wait(l, [song] { return song->started; });
        }
        queue.cancel();
        QVERIFY(!queue.waitFor(std::chrono::milliseconds(50)));
        {
            std::lock_guard l(song->lock);
            song->released = true;
            // Under the lock: once let go, the worker deletes the song.
            song->changed.notify_all();
        }
        QVERIFY(queue.waitFor(std::chrono::seconds(30)));
        queue.wait();
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
        QTest::newRow("--lrc at --tempo 50: the words' times as heard")
            << QStringList{"--lrc", "--tempo", "50", "-o", "sung/slow", "sung/words.mid", "a.mid"} << "sung/slow"
            << QStringList{"a.wav", "words.lrc", "words.wav"};
    }

    void outputs()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, into);
        QFETCH(QStringList, written);
        QDir(m_songs.path()).mkpath("out");
        const Run r = tool(args, m_songs.path());
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QString dir = m_songs.filePath(into);
        written.sort();
        QCOMPARE(entries(dir), written);
        for (const QString &f : std::as_const(written)) {
            if (f.endsWith(".lrc"))
                QCOMPARE(TestEnv::readFile(dir + "/" + f), args.contains("50")
                                                               ? "[00:00.00]<00:00.00>One<00:01.00>two\n"
                                                               : "[00:00.00]<00:00.00>One<00:00.50>two\n");
            else
                QVERIFY(f.endsWith(".mid") || QFileInfo(dir + "/" + f).size() > 1000);
        }
        QFile::remove(m_songs.filePath("a.ogg"));
    }

    // Tempo and key as asked, against the song rendered plainly: at 50 % one more song length (an
    // organ note, its release the same), at +12 the sound of the note an octave up, drums as they were.
    void tempoAndKey_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("song");
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<int>("longer");   // frames; -1: the same samples
        const QByteArray organ("\x00\xC0\x13\x00\x90\x3C\x64\x87\x40\x80\x3C\x00", 12);
        QByteArray octave = organ;
        octave[5] = octave[10] = 0x48;
        // Part 2 made drums by GS: F0 41 10 42 12 40 12 15 02 17 F7.
        QByteArray gs("\x00\xF0\x0A\x41\x10\x42\x12\x40\x12\x15\x02\x17\xF7\x00\x91\x24\x64\x87\x40\x81\x24\x00", 22);
        QTest::newRow("--tempo 50") << QStringList{"--tempo", "50"} << organ << organ << 44100;
        QTest::newRow("--transpose 12") << QStringList{"--transpose", "12"} << organ << octave << -1;
        QTest::newRow("GS drum part at -7") << QStringList{"--transpose", "-7"} << gs << gs << -1;
        QTest::newRow("GS drums: channel 10")
            << QStringList{} << gs << QByteArray("\x00\x99\x24\x64\x87\x40\x89\x24\x00", 9) << -1;
        const QByteArray reset = gs.left(13) + gs.left(8) + QByteArray("\x00\x7F\x00\x41\xF7", 5) + gs.mid(13);
        QTest::newRow("GS reset") << QStringList{} << reset << gs.mid(13) << -1;
        const QByteArray duet = organ.left(7) + QByteArray("\x00\x91\x40\x64", 4) + organ.mid(7)
                                + QByteArray("\x00\x81\x40\x00", 4);
        QTest::newRow("--mute 2") << QStringList{"--mute", "2"} << duet << organ << -1;
        QTest::newRow("--solo 3,1") << QStringList{"--solo", "3,1"} << duet << organ << -1;
    }

    void tempoAndKey()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, song);
        QFETCH(QByteArray, plain);
        QFETCH(int, longer);
        const QString in = TestEnv::writeTracks(m_dir.filePath("asked.mid"), {song});
        const QString ref = TestEnv::writeTracks(m_dir.filePath("plain.mid"), {plain});
        QVERIFY(!in.isEmpty() && !ref.isEmpty());
        const QString out = m_dir.filePath("asked.wav"), plainOut = m_dir.filePath("plain.wav");
        QCOMPARE(tool(args + QStringList{"--overwrite", "-q", "-o", out, in}).code, 0);
        QCOMPARE(tool({"--overwrite", "-q", "-o", plainOut, ref}).code, 0);
        const Audio a = readAudio(out), b = readAudio(plainOut);
        QVERIFY(TestEnv::peak(b.samples, 0) > 1000);
        if (longer < 0)
            QVERIFY(a.samples == b.samples);
        else   // within one rendered block
            QVERIFY2(qAbs(a.frames() - b.frames() - longer) <= 4096,
                     qPrintable(QString::number(a.frames() - b.frames())));
    }

    // A bank beside a song is on top for it, as in playback: beside the full GM bank a song sounds other than with
    // the small one alone; a bank that is not one is told, and the song written as without it.
    void songBankOnTop()
    {
        const QString full = QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2");
        if (!QFileInfo::exists(full))
            QSKIP("needs the full GM bank");
        QTemporaryDir dir;
        for (const char *song : {"full.mid", "junk.mid", "plain.mid"})
            QVERIFY(!TestEnv::writeMidi(dir.filePath(song), 900).isEmpty());
        QVERIFY(QFile::link(full, dir.filePath("full.sf2")) && TestEnv::writeFile(dir.filePath("junk.SF3"), "junk"));
        const Run r = tool(
            {"-q", "-o", dir.path(), dir.filePath("full.mid"), dir.filePath("junk.mid"), dir.filePath("plain.mid")});
        QCOMPARE(r.err, "lyrabox-render: The sound bank " + dir.filePath("junk.SF3")
                            + " beside the song is not used: the file is not a sound bank.\n");
        const Audio plain = readAudio(dir.filePath("plain.wav"));
        QVERIFY(r.code == 0 && plain.frames() > 0 && readAudio(dir.filePath("junk.wav")).samples == plain.samples);
        QVERIFY(readAudio(dir.filePath("full.wav")).samples != plain.samples);
    }

    // Words already beside the audio are kept unless --overwrite; the audio is written all the same.
    void lrcKeptUnlessOverwrite()
    {
        QTemporaryDir out;
        QVERIFY(TestEnv::writeFile(out.filePath("words.lrc"), "mine"));
        const QStringList args{"--lrc", "-o", out.filePath("words.wav"), m_songs.filePath("sung/words.mid")};
        const Run kept = tool(args, m_songs.path());
        QVERIFY2(kept.code == 1 && kept.err.contains("words.lrc is already there"), qPrintable(kept.err));
        QCOMPARE(TestEnv::readFile(out.filePath("words.lrc")), "mine");
        QCOMPARE(tool(QStringList{"--overwrite"} + args, m_songs.path()).code, 0);
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
        const Run r = tool(args);
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
        QTest::newRow("SIGKILL") << int(SIGKILL);
    }

    void signalLeavesNothing()
    {
        QFETCH(int, sig);
        QTemporaryDir out;
        const QString longSong = writeSong("long.mid", 1800000);
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
        QCOMPARE(tool(QStringList{"-j", "1", "-o", one.path()} + songs).code, 0);
        QCOMPARE(entries(one.path()), (QStringList{"a.wav", "b.wav", "c.wav"}));
        // Files there stay unless --overwrite is given, as each run below gives it.
        QVERIFY(TestEnv::writeFile(two.filePath("b.wav"), "mine"));
        const Run kept = tool(QStringList{"-o", two.path()} + songs);
        QVERIFY2(kept.code == 1 && kept.err.contains("b.wav already exists"), qPrintable(kept.err));
        QCOMPARE(TestEnv::readFile(two.filePath("b.wav")), "mine");
        QCOMPARE(entries(two.path()), entries(one.path()));
        // Each run is a new process: the first synths of a process are made at the same instant.
        for (int run = 0; run < 16; ++run) {
            const Run r = tool(QStringList{"-j", "2", "--overwrite", "-o", two.path()} + songs);
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
        QTest::newRow("tempo too slow") << QStringList{"--tempo", "24", "a.mid"} << QStringList{"tempo"};
        QTest::newRow("tempo not a number") << QStringList{"--tempo", "fast", "a.mid"} << QStringList{"tempo"};
        QTest::newRow("transpose too far") << QStringList{"--transpose", "-25", "a.mid"} << QStringList{"transpose"};
        QTest::newRow("transpose a fraction") << QStringList{"--transpose", "1.5", "a.mid"} << QStringList{"transpose"};
        QTest::newRow("mute channel 0") << QStringList{"--mute", "0", "a.mid"} << QStringList{"--mute", "\"0\""};
        QTest::newRow("solo channel 17") << QStringList{"--solo", "1,17", "a.mid"} << QStringList{"--solo", "1,17"};
        QTest::newRow("mute a name") << QStringList{"--mute", "bass", "a.mid"} << QStringList{"bass"};
    }

    void badUsage()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, says);
        const Run r = tool(args, m_songs.path());
        QCOMPARE(r.code, 2);
        for (const QString &word : says << "lyrabox-render: ")
            QVERIFY2(r.err.contains(word), qPrintable(r.err));
        QCOMPARE(entries(m_songs.path()), (QStringList{"a.mid", "b.mid", "c.mid"}));
    }

private:
    QTemporaryDir m_dir, m_songs;
};

QTEST_GUILESS_MAIN(TestEngineRender)
#include "test_engine_render.moc"
