#include "playback/core/mediaerrors.h"
#include "playback/engine/fluidsequencer.h"
#include "testenv.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>
#include <cstring>
#include <memory>

namespace {
constexpr int Rate = 44100;

template <typename T>
T le(const QByteArray &b, qsizetype at)
{
    T v{};
    if (at >= 0 && at + qsizetype(sizeof v) <= b.size())
        std::memcpy(&v, b.constData() + at, sizeof v);
    return qFromLittleEndian(v);
}

// 16-bit stereo samples of a WAV file, interleaved; empty when unreadable.
QVector<qint16> readWav(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray b = f.readAll();
    if (b.size() < 12 || !b.startsWith("RIFF") || b.mid(8, 4) != "WAVE")
        return {};
    qsizetype at = 12;
    bool format = false;
    while (at + 8 <= b.size()) {
        const QByteArray id = b.mid(at, 4);
        const qsizetype len = le<quint32>(b, at + 4);
        const qsizetype body = at + 8;
        if (id == "fmt " && len >= 16) {
            format = le<quint16>(b, body + 2) == 2
                     && le<quint16>(b, body + 14) == 16;
        } else if (id == "data" && format) {
            const qsizetype n = qMin(len, b.size() - body) / 2;
            QVector<qint16> out(n);
            for (qsizetype i = 0; i < n; ++i)
                out[i] = le<qint16>(b, body + 2 * i);
            return out;
        }
        at = body + len + (len & 1);
    }
    return {};
}

int peak(const QVector<qint16> &s, qsizetype from = 0, qsizetype to = -1)
{
    int p = 0;
    for (qsizetype i = qMax<qsizetype>(from, 0); i < (to < 0 ? s.size() : qMin(to, s.size())); ++i)
        p = qMax(p, qAbs(int(s[i])));
    return p;
}

// Organ (no decay) held by the sustain pedal: note on at 0, note off at 2 s,
// then nothing until the end at 8 s. 480 ticks a quarter at 120 bpm.
QString writeSustainedMidi(const QString &path)
{
    const QByteArray trk("\x00\xC0\x13" "\x00\xB0\x40\x7F" "\x00\x90\x3C\x7F"
                         "\x8F\x00\x80\x3C\x00" "\xAD\x00\xFF\x2F\x00", 21);
    QByteArray out("MThd\0\0\0\x06\0\0\0\x01\x01\xE0MTrk", 18);
    out += char(0); out += char(0); out += char(0); out += char(trk.size());
    out += trk;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size() ? path : QString();
}

// A format 1 file of the given tracks (event bytes without End of Track).
QString writeTracks(const QString &path, const QVector<QByteArray> &tracks)
{
    QByteArray out("MThd\0\0\0\x06\0\x01", 10);
    out += char(tracks.size() >> 8); out += char(tracks.size()); out += "\x01\xE0";
    for (QByteArray trk : tracks) {
        trk += QByteArray("\x00\xFF\x2F\x00", 4);
        out += "MTrk";
        for (int shift : {24, 16, 8, 0})
            out += char(trk.size() >> shift);
        out += trk;
    }
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size() ? path : QString();
}
}

class TestEngineSequencer : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_short;      // 600 ms
    QString m_sustained;

    std::unique_ptr<FluidSequencer> device(const QString &wav, const QString &bank = {},
                                           const QString &driver = QStringLiteral("file"))
    {
        return std::make_unique<FluidSequencer>(FluidSequencer::Config{
            bank.isEmpty() ? TestEnv::soundFont() : bank, driver, wav});
    }
    QString wav(const char *name) const { return m_dir.filePath(QLatin1String(name) + ".wav"); }

private slots:
    void initTestCase()
    {
        TestEnv::setUp();
        QVERIFY(QFile::exists(TestEnv::soundFont()));
        m_short = TestEnv::writeMidi(m_dir.filePath("short.mid"), 600);
        m_sustained = writeSustainedMidi(m_dir.filePath("sustained.mid"));
        QVERIFY(!m_short.isEmpty() && !m_sustained.isEmpty());
    }

    void openErrors_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("bank");
        QTest::addColumn<QString>("driver");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("reason");   // a word of the reason given; empty: none
        const QString good = QStringLiteral("short.mid");
        QTest::newRow("missing file") << "nothere.mid" << "" << "file" << MediaError::InvalidFilename << "";
        QTest::newRow("folder") << "." << "" << "file" << MediaError::InvalidFilename << "";
        QTest::newRow("garbage") << "garbage.mid" << "" << "file" << MediaError::NotMidiFile << "MIDI";
        QTest::newRow("128 tracks") << "128.mid" << "" << "file" << 0 << "";
        QTest::newRow("129 tracks") << "129.mid" << "" << "file" << MediaError::NotMidiFile << "129 tracks";
        QTest::newRow("tick past int") << "ticks.mid" << "" << "file" << MediaError::NotMidiFile << "2415919095";
        QTest::newRow("missing bank") << good << "nothere.sf2" << "file" << MediaError::DriverLoad << "";
        QTest::newRow("bank not a bank") << good << "garbage.mid" << "file" << MediaError::DriverLoad << "";
        QTest::newRow("no such driver") << good << "" << "nonexistent" << MediaError::DriverLoad << "";
        QTest::newRow("good") << good << "" << "file" << 0 << "";
    }
    void openErrors()
    {
        QFETCH(QString, file);
        QFETCH(QString, bank);
        QFETCH(QString, driver);
        QFETCH(int, expected);
        QFETCH(QString, reason);
        QFile garbage(m_dir.filePath("garbage.mid"));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("This is a plain text file, not a song.\n");
        garbage.close();
        // Nine of the longest deltas: 9 * 0x0FFFFFFF ticks.
        const QByteArray far = QByteArray("\xFF\xFF\xFF\x7F\xB0\x07\x64", 7).repeated(9);
        QVERIFY(!writeTracks(m_dir.filePath("128.mid"), QVector<QByteArray>(128)).isEmpty());
        QVERIFY(!writeTracks(m_dir.filePath("129.mid"), QVector<QByteArray>(129)).isEmpty());
        QVERIFY(!writeTracks(m_dir.filePath("ticks.mid"), {far}).isEmpty());
        auto dev = device(wav("errors"), bank.isEmpty() ? bank : m_dir.filePath(bank), driver);
        QCOMPARE(dev->open(m_dir.filePath(file)), expected);
        QVERIFY2(reason.isEmpty() ? dev->openError().isEmpty() : dev->openError().contains(reason),
                 qPrintable(dev->openError()));
        QCOMPARE(dev->mode(), expected ? int(SequencerDevice::NotOpen) : int(SequencerDevice::Stopped));
        if (expected) {
            QCOMPARE(dev->play(0), MediaError::DeviceNotOpen);
            QCOMPARE(dev->length(), 0);
        }
    }

    // Whatever ends the sound, nothing may keep sounding: the pedal is down
    // and the organ never decays on its own.
    void noHangingNotes_data()
    {
        QTest::addColumn<QString>("action");
        for (const char *a : {"stop", "pause", "seek", "seek twice", "close"})
            QTest::newRow(a) << QString::fromLatin1(a);
    }
    void noHangingNotes()
    {
        QFETCH(QString, action);
        const QString out = wav("hanging");
        QElapsedTimer clock;
        qint64 lived = 0;   // ms the output surely ran for
        {
            auto dev = device(out);
            QCOMPARE(dev->open(m_sustained), 0);
            clock.start();
            QCOMPARE(dev->play(0), 0);
            QCOMPARE(dev->mode(), int(SequencerDevice::Playing));
            QThread::msleep(400);
            QVERIFY(dev->activeVoices() > 0);
            if (action == "stop") {
                QCOMPARE(dev->stop(), 0);
                QCOMPARE(dev->mode(), int(SequencerDevice::Stopped));
            } else if (action == "pause") {
                QCOMPARE(dev->pause(), 0);
                QCOMPARE(dev->mode(), int(SequencerDevice::Paused));
            } else if (action == "seek") {
                QCOMPARE(dev->play(5000), 0);
            } else if (action == "seek twice") {
                QCOMPARE(dev->play(4000), 0);
                QCOMPARE(dev->play(5000), 0);
                QVERIFY(dev->position() >= 5000);
            } else {
                dev->close();
                QCOMPARE(dev->mode(), int(SequencerDevice::NotOpen));
            }
            QThread::msleep(500);
            QCOMPARE(dev->activeVoices(), 0);
            // Silence no longer runs the synth, once the effects have died away.
            if (!action.startsWith("seek"))
                QTRY_VERIFY_WITH_TIMEOUT(!dev->outputRendering(), 2000);
            lived = clock.elapsed();
        }
        const QVector<qint16> s = readWav(out);
        // The silence is written in real time all the same.
        QVERIFY2(s.size() / 2 * 1000 / Rate >= lived - 20,
                 qPrintable(QStringLiteral("%1 ms written in %2 ms").arg(s.size() / 2 * 1000 / Rate).arg(lived)));
        QVERIFY2(peak(s) > 1000, "no sound while playing");
        const int tail = peak(s, s.size() - Rate * 2 / 5);
        QVERIFY2(tail < 40, qPrintable(QStringLiteral("tail peak %1").arg(tail)));
    }

    void positionAdvancesAndClamps()
    {
        auto dev = device(wav("position"));
        QCOMPARE(dev->open(m_short), 0);
        QVERIFY(qAbs(dev->length() - 600) <= 2);
        QCOMPARE(dev->position(), 0);
        QCOMPARE(dev->play(0), 0);
        QThread::msleep(250);
        const qint64 p1 = dev->position();
        QVERIFY2(p1 > 100 && p1 < 500, qPrintable(QString::number(p1)));
        QCOMPARE(dev->pause(), 0);
        const qint64 held = dev->position();
        QThread::msleep(150);
        QCOMPARE(dev->position(), held);
        QCOMPARE(dev->play(-1), 0);
        QThread::msleep(100);
        QVERIFY(dev->position() > held);
        QThread::msleep(700);
        QCOMPARE(dev->position(), dev->length());
        QCOMPARE(dev->play(300), 0);
        QVERIFY(dev->position() >= 300);
        QThread::msleep(100);
        QVERIFY2(dev->position() > 350 && dev->position() < 550, qPrintable(QString::number(dev->position())));
        QCOMPARE(dev->play(100000), 0);
        QCOMPARE(dev->position(), dev->length());
    }

    void levelAndMute_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("muted");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::newRow("half") << 32768 << false << 0.15 << 0.4;
        QTest::newRow("zero") << 0 << false << 0.0 << 0.001;
        QTest::newRow("muted") << 65535 << true << 0.0 << 0.001;
    }
    void levelAndMute()
    {
        QFETCH(int, level);
        QFETCH(bool, muted);
        QFETCH(double, low);
        QFETCH(double, high);
        auto loudness = [this](int lv, bool mute) {
            const QString out = wav("level");
            {
                auto dev = device(out);
                dev->setLevel(lv);
                dev->setMuted(mute);
                if (dev->open(m_sustained) != 0 || dev->play(0) != 0)
                    return -1;
                QThread::msleep(300);
                if (dev->level() != lv || dev->muted() != mute)
                    return -1;
            }
            return peak(readWav(out));
        };
        const int full = loudness(65535, false);
        QVERIFY(full > 1000);
        const double ratio = double(loudness(level, muted)) / full;
        QVERIFY2(ratio >= low && ratio <= high, qPrintable(QString::number(ratio)));
    }

    void openCloseLoop()
    {
        QStringList songs;
        const QDir samples(TestEnv::samplesDir());
        for (const QString &name : samples.entryList({QStringLiteral("*.mid"), QStringLiteral("*.rmi")}, QDir::Files))
            songs << samples.filePath(name);
        if (songs.isEmpty())
            songs << m_short;
        auto dev = device(QStringLiteral("/dev/null"));
        for (int i = 0; i < 50; ++i) {
            const QString song = songs.at(i % songs.size());
            QCOMPARE(dev->open(song), 0);
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
