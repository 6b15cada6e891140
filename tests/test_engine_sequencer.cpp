#include "bench/densesong.h"
#include "playback/core/mediaerrors.h"
#include "playback/engine/fluidsequencer.h"
#include "testenv.h"
#include <QtTest>
#include <memory>
#include <unistd.h>

namespace {
using TestEnv::peak;
using TestEnv::readWav;
using TestEnv::writeTracks;

// A song, the bank and driver it is opened with; the error, and words of the reason given split by |.
struct OpenCase {
    QString file, bank, driver;
    int expected;
    QString reason;
};

qint64 lengthMs(const QVector<qint16> &s)
{
    return s.size() / 2 * 1000 / 44100;
}

double rmsDb(const QVector<qint16> &s)
{
    double sum = 0;
    for (qint16 v : s)
        sum += double(v) * v;
    return 10.0 * std::log10(sum / qMax<qsizetype>(1, s.size()));
}
}

Q_DECLARE_METATYPE(OpenCase)

class TestEngineSequencer : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_short;   // 600 ms
    QString m_sustained;

    std::unique_ptr<FluidSequencer> device(const QString &wav, const QString &bank = {},
                                           const QString &driver = QStringLiteral("file"))
    {
        return std::make_unique<FluidSequencer>(
            FluidSequencer::Config{bank.isEmpty() ? TestEnv::soundFont() : bank, driver, wav});
    }
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        TestEnv::setUp();
        QVERIFY(QFile::exists(TestEnv::soundFont()));
        m_short = TestEnv::writeMidi(path("short.mid"), 600);
        // Organ (no decay) held by the sustain pedal: note off at 2 s, end at 8 s.
        m_sustained = writeTracks(
            path("sustained.mid"),
            {QByteArray("\x00\xC0\x13\x00\xB0\x40\x7F\x00\x90\x3C\x7F\x8F\x00\x80\x3C\x00\xAD\x00\xB0\x07\x64", 21)});
        QVERIFY(TestEnv::writeFile(path("garbage.mid"), "Plain text, not a song.\n"));
        QVERIFY(!m_short.isEmpty() && !m_sustained.isEmpty());
        QVERIFY(!writeTracks(path("128.mid"), QVector<QByteArray>(128)).isEmpty());
        QVERIFY(!writeTracks(path("129.mid"), QVector<QByteArray>(129)).isEmpty());
        // Nine of the longest deltas: 9 * 0x0FFFFFFF ticks.
        QVERIFY(!writeTracks(path("ticks.mid"), {QByteArray("\xFF\xFF\xFF\x7F\xB0\x07\x64", 7).repeated(9)}).isEmpty());
    }

    void openErrors_data()
    {
        QTest::addColumn<OpenCase>("c");
        QTest::newRow("missing file") << OpenCase{"nothere.mid", "", "file", MediaError::InvalidFilename, ""};
        QTest::newRow("folder") << OpenCase{".", "", "file", MediaError::InvalidFilename, ""};
        QTest::newRow("garbage") << OpenCase{"garbage.mid", "", "file", MediaError::NotMidiFile, "MIDI"};
        QTest::newRow("128 tracks") << OpenCase{"128.mid", "", "file", 0, ""};
        QTest::newRow("129 tracks") << OpenCase{"129.mid", "", "file", MediaError::NotMidiFile, "129 tracks"};
        QTest::newRow("tick past int") << OpenCase{"ticks.mid", "", "file", MediaError::NotMidiFile, "2415919095"};
        QTest::newRow("missing bank") << OpenCase{"short.mid", "nothere.sf2", "file", MediaError::DriverLoad,
                                                  "nothere.sf2|No such file"};
        QTest::newRow("not a bank") << OpenCase{"short.mid", "garbage.mid", "file", MediaError::DriverLoad,
                                                "garbage.mid|not a sound bank"};
        QTest::newRow("no such driver") << OpenCase{"short.mid", "", "nosuchdriver", MediaError::DriverLoad,
                                                    "\"nosuchdriver\"|requested audio driver"};
    }
    void openErrors()
    {
        QFETCH(OpenCase, c);
        auto dev = device(path("errors.wav"), c.bank.isEmpty() ? c.bank : m_dir.filePath(c.bank), c.driver);
        QCOMPARE(dev->open(m_dir.filePath(c.file)), c.expected);
        const QStringList words = c.reason.split(u'|', Qt::SkipEmptyParts);
        QVERIFY2(words.isEmpty() == dev->openError().isEmpty(), qPrintable(dev->openError()));
        for (const QString &word : words)
            QVERIFY2(dev->openError().contains(word), qPrintable(dev->openError()));
        QCOMPARE(dev->mode(), c.expected ? SequencerDevice::Mode::NotOpen : SequencerDevice::Mode::Stopped);
        QVERIFY(!c.expected || dev->play(0) == MediaError::DeviceNotOpen);
    }

    // The pedal is down and the organ never decays, so only the engine can end the note.
    void noHangingNotes_data()
    {
        QTest::addColumn<QString>("action");
        for (const char *a : {"stop", "pause", "seek", "seek twice", "close"})
            QTest::newRow(a) << QString::fromLatin1(a);
    }
    void noHangingNotes()
    {
        QFETCH(QString, action);
        const QString out = path("hanging.wav");
        QElapsedTimer clock;
        {
            auto dev = device(out);
            QCOMPARE(dev->open(m_sustained), 0);
            clock.start();
            QCOMPARE(dev->play(0), 0);
            QThread::msleep(400);
            if (action == "close")
                dev->close();
            else if (action.startsWith("seek"))
                QVERIFY((action == "seek" || dev->play(4000) == 0) && dev->play(5000) == 0 && dev->position() >= 5000);
            else
                QCOMPARE(action == "stop" ? dev->stop() : dev->pause(), 0);
            QThread::msleep(500);
            QCOMPARE(dev->activeVoices(), 0);
            if (!action.startsWith("seek"))
                QTRY_VERIFY_WITH_TIMEOUT(!dev->outputRendering(), 2000);
        }
        const qint64 lived = clock.elapsed();
        const QVector<qint16> s = readWav(out);
        // Silence skips the synth but must still be written in real time: half a second of it missing shows,
        // a busy machine's lag does not.
        QVERIFY2(lengthMs(s) >= lived - 250, qPrintable(QStringLiteral("%1 ms in %2 ms").arg(lengthMs(s)).arg(lived)));
        QVERIFY2(peak(s) > 1000, "no sound while playing");
        const int tail = peak(s, s.size() - 2 * 44100 * 400 / 1000);   // the last 400 ms
        QVERIFY2(tail < 40, qPrintable(QStringLiteral("tail peak %1").arg(tail)));
    }

    // FluidSynth reads a new instrument's samples from the bank file when it
    // first plays: a deleted file must still serve them, a changed one must
    // stop the song with a report, told at once on this thread, and neither may crash.
    void bankFileChanges_data()
    {
        QTest::addColumn<bool>("deleted");   // else cut to half its size
        QTest::newRow("deleted") << true;
        QTest::newRow("cut short") << false;
    }
    void bankFileChanges()
    {
        QFETCH(bool, deleted);
        const QString bank = path("copy.sf2");
        QFile::remove(bank);
        QVERIFY(QFile::copy(TestEnv::soundFont(), bank));
        const QString out = path("bank.wav");
        qsizetype secondSong = 0;   // samples written before it
        int faults = 0, elsewhere = 0;
        {
            auto dev = device(out, bank);
            dev->setFaultListener([&] { ++(QThread::currentThread() == thread() ? faults : elsewhere); });
            QVERIFY(dev->open(m_short) == 0 && dev->play(0) == 0);   // piano
            QThread::msleep(300);
            QVERIFY(deleted ? QFile::remove(bank) : QFile::resize(bank, QFileInfo(bank).size() / 2));
            QCOMPARE(dev->open(m_sustained), 0);   // organ: not loaded yet
            secondSong = readWav(out).size();
            QCOMPARE(dev->play(0), 0);
            if (deleted) {
                QTRY_VERIFY_WITH_TIMEOUT(dev->position() >= 800, 20000);
                QCoreApplication::processEvents();
                QCOMPARE(faults + elsewhere, 0);
                QCOMPARE(dev->takeFault(), QString());
                QCOMPARE(dev->mode(), SequencerDevice::Mode::Playing);
            } else {
                // Nothing asks the device until it has told of the fault.
                QTRY_COMPARE_WITH_TIMEOUT(faults + elsewhere, 1, 20000);
                QCOMPARE(elsewhere, 0);
                const QString fault = dev->takeFault();
                QVERIFY2(fault.contains(bank) && fault.contains("no longer be read"), qPrintable(fault));
                QCOMPARE(dev->takeFault(), QString());
                QVERIFY(dev->mode() == SequencerDevice::Mode::Stopped && dev->activeVoices() == 0);
                // Put right, the bank is loaded afresh with the next song.
                QVERIFY(QFile::remove(bank) && QFile::copy(TestEnv::soundFont(), bank));
                QVERIFY(dev->open(m_sustained) == 0 && dev->play(0) == 0);
                QTRY_VERIFY_WITH_TIMEOUT(dev->activeVoices() > 0, 20000);
                QCOMPARE(faults, 1);
                return;
            }
        }
        QVERIFY(peak(readWav(out), secondSong + 2 * 4410) > 1000);   // from 100 ms on
    }

    // A busy song must not reach full scale, and a quiet one must stay about
    // as loud as at the plain gain without the limiter. The three play at once.
    void loudness()
    {
        QVERIFY(TestEnv::writeFile(path("dense.mid"), dense::song(0, 4)));
        const QString quiet = QDir(TestEnv::samplesDir()).filePath("busy-bench.mid");
        const QString songs[] = {path("dense.mid"), quiet, quiet},
                      wavs[] = {path("dense.wav"), path("quiet.wav"), path("plain.wav")};
        std::unique_ptr<FluidSequencer> devs[3];
        for (int i = 0; i < 3; ++i) {
            FluidSequencer::Config config{TestEnv::soundFont(), "file", wavs[i]};
            if (i == 2) {
                config.gain = FluidSequencer::PlainGain;
                config.limiter = false;
            }
            devs[i] = std::make_unique<FluidSequencer>(config);
            QCOMPARE(devs[i]->open(songs[i]), 0);
        }
        for (auto &dev : devs)
            QCOMPARE(dev->play(0), 0);
        for (auto &dev : devs)
            QTRY_VERIFY_WITH_TIMEOUT(dev->position() >= 3000, 20000);
        for (auto &dev : devs)
            dev.reset();
        const QVector<qint16> busy = readWav(wavs[0]), withLimiter = readWav(wavs[1]), plain = readWav(wavs[2]);
        QVERIFY2(peak(busy) > 16000 && peak(busy) < 32767, qPrintable(QString::number(peak(busy))));
        const double drop = rmsDb(plain) - rmsDb(withLimiter);
        QVERIFY2(qAbs(drop) <= 3.0, qPrintable(QStringLiteral("%1 dB quieter").arg(drop)));
    }

    // The output renders in real time, as fast as a busy machine lets it: the
    // test waits for what the position must reach, never a fixed time.
    void positionAdvancesAndClamps()
    {
        auto dev = device(path("position.wav"));
        QCOMPARE(dev->open(m_short), 0);
        QVERIFY(qAbs(dev->length() - 600) <= 2);
        QElapsedTimer since;
        since.start();
        QCOMPARE(dev->play(0), 0);
        QTRY_VERIFY_WITH_TIMEOUT(dev->position() > 100, 20000);
        QCOMPARE(dev->pause(), 0);
        const qint64 held = dev->position();
        QVERIFY2(held <= since.elapsed() + 50, qPrintable(QString::number(held)));   // never ahead of time
        QThread::msleep(150);
        QCOMPARE(dev->position(), held);
        QCOMPARE(dev->play(-1), 0);
        QVERIFY(dev->position() >= held);
        QTRY_COMPARE_WITH_TIMEOUT(dev->position(), dev->length(), 20000);
        QCOMPARE(dev->play(300), 0);
        QVERIFY2(dev->position() >= 300 && dev->position() < 600, qPrintable(QString::number(dev->position())));
        QTRY_VERIFY_WITH_TIMEOUT(dev->position() > 350, 20000);
        QCOMPARE(dev->play(100000), 0);
        QCOMPARE(dev->position(), dev->length());
    }

    // A bank beside a song is on top while it plays and goes at the next song; one that is not a bank is
    // told once, and the song plays with the user's. A bank put beside a song later is found.
    void songBankBeside()
    {
        const QString dir = path("beside/");
        QVERIFY(QDir().mkpath(dir + "e.sf2"));
        for (const char *name : {"a.sf2", "c.SF3", ".f.sf2"})
            QVERIFY(QFile::copy(TestEnv::soundFont(), dir + name));
        QVERIFY(TestEnv::writeFile(dir + "d.sf2", "junk") && TestEnv::writeFile(dir + "d.sf3", ""));
        const std::pair<const char *, const char *> steps[] = {
            {"a.mid", "a.sf2"}, {"b.mid", ""},        {"c.kar", "c.SF3"}, {"d.mid", ""},     {"d.mid", ""},
            {"e.mid", ""},      {".f.mid", ".f.sf2"}, {"a.mid", "a.sf2"}, {"b.mid", "b.sf2"}};
        auto dev = device(QStringLiteral("/dev/null"));
        QTemporaryFile err;
        QVERIFY(err.open());
        const int terminal = ::dup(STDERR_FILENO);
        ::dup2(err.handle(), STDERR_FILENO);
        for (const auto &[song, name] : steps) {
            QVERIFY(!TestEnv::writeMidi(dir + song, 300).isEmpty());
            if (name == QLatin1String("b.sf2"))
                QVERIFY(QFile::copy(TestEnv::soundFont(), dir + name));
            QVERIFY(dev->open(dir + song) == 0 && dev->play(0) == 0);
            const QString bank = *name ? dir + name : QString();
            QCOMPARE(dev->songBank(), bank);
            for (int channel : {0, 9})
                QCOMPARE(dev->channelPreset(channel).bankFile, *name ? bank : TestEnv::soundFont());
        }
        // Kept on top of a stack made anew while the song plays.
        SoundConfig other = dev->sound();
        other.bankMode = SoundConfig::BankMode::XG;
        QString error;
        QVERIFY2(dev->setSound(other, &error) && dev->songBank() == dir + "b.sf2", qPrintable(error));
        QCOMPARE(dev->channelPreset(0).bankFile, dir + "b.sf2");
        ::dup2(terminal, STDERR_FILENO);
        ::close(terminal);
        const QByteArray told = TestEnv::readFile(err.fileName());
        QVERIFY2(told.count('\n') == 2
                     && told.contains("d.sf2 beside the song is not used: the file is not a sound bank.")
                     && told.contains("e.sf2 beside the song is not used: it is not a regular file."),
                 told.data());
        dev->close();
        QCOMPARE(dev->songBank(), QString());
    }

    // The organ's note starts before A and the pedal holds it: only the jump can end it.
    void loopSeams_data()
    {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<bool>("late");   // B set as play passes it
        QTest::newRow("set before play") << qint64(0) << false;
        QTest::newRow("B set as play passes it") << qint64(0) << true;
        QTest::newRow("play from past B runs on") << qint64(1500) << false;
    }
    void loopSeams()
    {
        QFETCH(qint64, from);
        QFETCH(bool, late);
        auto dev = device(QStringLiteral("/dev/null"));
        QCOMPARE(dev->open(m_sustained), 0);
        dev->setLoop(late ? -1 : 300, 1000);
        QCOMPARE(dev->play(from), 0);
        if (late) {
            QTRY_VERIFY_WITH_TIMEOUT(dev->position() >= 1000, 20000);
            dev->setLoop(300, 1000);
        }
        int jumps = 0;
        qint64 last = dev->position(), low = 1000, high = 0;
        QElapsedTimer t;
        t.start();
        while (jumps < 3 && t.elapsed() < 20000 && last < 2500) {
            QThread::msleep(20);
            const qint64 now = dev->position();
            jumps += now < last;
            // The jump ends the held note: its voice is gone within a few blocks, or never.
            if (jumps == 1 && now < last)
                QTRY_VERIFY_WITH_TIMEOUT(dev->activeVoices() == 0, 300);
            if (jumps > 0) {
                low = qMin(low, now);
                high = qMax(high, now);
            }
            last = now;
        }
        QCOMPARE(jumps, from > 1000 ? 0 : 3);
        QVERIFY2(!jumps || (low >= 300 && high <= 1000), qPrintable(QStringLiteral("%1..%2").arg(low).arg(high)));
        QCOMPARE(dev->stop(), 0);
        QCOMPARE(dev->activeVoices(), 0);
    }

    void openCloseLoop()
    {
        QStringList songs{m_short, m_sustained};
        for (const QFileInfo &song : QDir(TestEnv::samplesDir()).entryInfoList({"*.mid", "*.rmi"}, QDir::Files))
            songs << song.filePath();
        auto dev = device(QStringLiteral("/dev/null"));
        for (int i = 0; i < 20; ++i) {
            QCOMPARE(dev->open(songs.at(i % songs.size())), 0);
            QVERIFY(dev->length() > 0);
            QCOMPARE(dev->play(i % 3 ? 0 : dev->length() / 2), 0);
            QThread::msleep(5);
            dev->close();
            QCOMPARE(dev->position(), 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestEngineSequencer)
#include "test_engine_sequencer.moc"
