#include "bench/densesong.h"
#include "components/engine/systemmixer.h"
#include "playback/engine/fluidsequencer.h"
#include "playback/engine/mappedevents.h"
#include "playback/engine/soundsetup.h"
#include "testenv.h"
#include <QtTest>
#include <cmath>
#include <unistd.h>

namespace {
constexpr int Rate = 44100;
const QString FullBank = QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2");

// Mono frames of interleaved stereo, from frame `from` for `count` (all when -1).
QVector<double> mono(const QVector<qint16> &s, qsizetype from = 0, qsizetype count = -1)
{
    QVector<double> m;
    for (qsizetype f = from; 2 * f + 1 < s.size() && (count < 0 || f < from + count); ++f)
        m << (double(s[2 * f]) + s[2 * f + 1]) / 2.0;
    return m;
}

qsizetype firstAbove(const QVector<double> &m, double level, qsizetype from = 0)
{
    for (qsizetype i = from; i < m.size(); ++i)
        if (std::abs(m[i]) > level)
            return i;
    return -1;
}

qsizetype lastAbove(const QVector<double> &m, double level)
{
    for (qsizetype i = m.size() - 1; i >= 0; --i)
        if (std::abs(m[i]) > level)
            return i;
    return -1;
}

// Magnitudes from 100 Hz to 4 kHz in 10 Hz steps.
QVector<double> spectrum(const QVector<double> &m)
{
    QVector<double> mags;
    for (int hz = 100; hz <= 4000; hz += 10) {
        double re = 0, im = 0;
        for (qsizetype i = 0; i < m.size(); ++i) {
            const double w = 0.5 - 0.5 * std::cos(2 * M_PI * double(i) / double(m.size()));
            re += w * m[i] * std::cos(2 * M_PI * hz * double(i) / Rate);
            im -= w * m[i] * std::sin(2 * M_PI * hz * double(i) / Rate);
        }
        mags << std::hypot(re, im);
    }
    return mags;
}

double distance(const QVector<double> &a, const QVector<double> &b)
{
    double diff = 0, sum = 0;
    for (qsizetype i = 0; i < a.size(); ++i) {
        diff += std::abs(a[i] - b[i]);
        sum += a[i] + b[i];
    }
    return diff / std::max(sum, 1e-9);
}

int indexOf(SystemMixer &m, const QString &name)
{
    for (int i = 1; i <= m.SourceCount(); ++i)
        if (m.SetNameIndex(i) && m.SourceName() == name)
            return i - 1;
    return -1;
}
}

class TestEngineSound : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_staccato;   // one short piano note, then 1.5 s of nothing
    QString m_flute;      // one held flute note, full chorus send
    QString m_organ;      // an organ note every 250 ms for 5 s

    std::unique_ptr<FluidSequencer> device(const QString &wav, SoundConfig sound = SoundConfig())
    {
        if (sound.banks.isEmpty())
            sound.banks = QStringList{TestEnv::soundFont()};
        return std::make_unique<FluidSequencer>(
            FluidSequencer::Config{QString(), QStringLiteral("file"), wav, FluidSequencer::DefaultGain, true, sound});
    }
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        TestEnv::setUp();
        QVERIFY(QFile::exists(TestEnv::soundFont()) && QFile::exists(FullBank));
        m_staccato = TestEnv::writeTracks(
            path("staccato.mid"), {QByteArray("\x00\xC0\x00\x00\x90\x48\x7F\x60\x80\x48\x00\x8B\x60\xB0\x07\x64", 16)});
        m_flute = TestEnv::writeTracks(
            path("flute.mid"), {QByteArray("\x00\xC0\x49\x00\xB0\x5D\x7F\x00\x90\x45\x70\x8F\x00\x80\x45\x00", 16)});
        QByteArray organ("\x00\xC0\x13", 3);
        for (int i = 0; i < 20; ++i)
            organ += QByteArray("\x00\x90\x3C\x70\x81\x40\x80\x3C\x00\x30\xB0\x07\x64", 13);   // 200 + 50 ms
        m_organ = TestEnv::writeTracks(path("organ.mid"), {organ});
        QVERIFY(!m_staccato.isEmpty() && !m_flute.isEmpty() && !m_organ.isEmpty());
    }

    // The note is played twice on one device: the change in between is made while it lives.
    void effectsChangeTheSound_data()
    {
        QTest::addColumn<bool>("reverb");
        QTest::newRow("reverb") << true;
        QTest::newRow("chorus") << false;
    }
    void effectsChangeTheSound()
    {
        QFETCH(bool, reverb);
        const QString wav = path("effects.wav");
        auto dev = device(wav);
        SoundConfig plain = dev->sound(), wet = plain;
        plain.reverb = plain.chorus = false;
        wet.reverb = reverb;
        wet.chorus = !reverb;
        wet.reverbRoom = 0.8;
        wet.reverbLevel = 1.0;
        wet.chorusLevel = 4.0;
        wet.chorusDepth = 20.0;
        QCOMPARE(dev->open(reverb ? m_staccato : m_flute), 0);
        qsizetype takes[3] = {};   // frames written when each take starts
        for (int i = 0; i < 3; ++i) {
            // Plain, wet, plain again: the two plain ones tell how alike two takes are.
            QString error;
            QVERIFY2(dev->setSound(i == 1 ? wet : plain, &error), qPrintable(error));
            takes[i] = TestEnv::readWav(wav).size() / 2;
            QCOMPARE(dev->play(0), 0);
            QTRY_VERIFY_WITH_TIMEOUT(dev->position() >= 1500, 20000);
            QCOMPARE(dev->stop(), 0);
            QThread::msleep(100);
        }
        dev.reset();
        const QVector<qint16> s = TestEnv::readWav(wav);
        QVector<QVector<double>> takeSound;
        for (int i = 0; i < 3; ++i) {
            const QVector<double> take = mono(s, takes[i], i < 2 ? takes[i + 1] - takes[i] : -1);
            const qsizetype onset = firstAbove(take, 300);
            QVERIFY2(onset >= 0, "no sound");
            takeSound << take.mid(onset);
        }
        if (reverb) {
            // From the onset until the sound stays below -60 dBFS.
            double tail[3];
            for (int i = 0; i < 3; ++i)
                tail[i] = double(lastAbove(takeSound[i], 30)) * 1000 / Rate;
            const QString got = QStringLiteral("tails %1 / %2 / %3 ms").arg(tail[0]).arg(tail[1]).arg(tail[2]);
            QVERIFY2(tail[1] > tail[0] + 300 && tail[1] > tail[2] + 300, qPrintable(got));
            QVERIFY2(std::abs(tail[0] - tail[2]) < 100, qPrintable(got));
        } else {
            QVector<QVector<double>> spectra;
            for (const QVector<double> &take : std::as_const(takeSound))
                spectra << spectrum(take.mid(Rate / 5, 8192));
            const double same = distance(spectra[0], spectra[2]), changed = distance(spectra[0], spectra[1]);
            const QString got = QStringLiteral("plain vs plain %1, plain vs chorus %2").arg(same).arg(changed);
            QVERIFY2(changed > 0.15 && changed > 4 * same, qPrintable(got));
        }
    }

    // Each bank has every GM preset, so the channel's preset tells which one won.
    void bankChangeWhilePlaying()
    {
        const QStringList before{TestEnv::soundFont(), FullBank}, after{FullBank, TestEnv::soundFont()};
        const QString wav = path("change.wav");
        SoundConfig sound;
        sound.banks = before;
        auto dev = device(wav, sound);
        QCOMPARE(dev->open(m_organ), 0);
        QElapsedTimer sincePlay;
        sincePlay.start();
        QCOMPARE(dev->play(0), 0);
        QTRY_VERIFY_WITH_TIMEOUT(dev->position() >= 1000, 20000);
        QCOMPARE(dev->channelPreset(0).bankFile, before[0]);
        sound = dev->sound();
        sound.banks = after;
        const qint64 was = dev->position();
        QString error;
        QVERIFY2(dev->setSound(sound, &error), qPrintable(error));
        // The song goes on where it was: a late output catches up, but never runs ahead of the clock.
        const qint64 now = dev->position(), elapsed = sincePlay.elapsed();
        const qsizetype changedAt = TestEnv::readWav(wav).size() / 2;
        QVERIFY2(now >= was && now <= elapsed + 60,
                 qPrintable(QStringLiteral("%1 ms before, %2 ms after, %3 ms played").arg(was).arg(now).arg(elapsed)));
        QCOMPARE(dev->mode(), SequencerDevice::Mode::Playing);
        QTRY_VERIFY_WITH_TIMEOUT(dev->activeVoices() > 0, 20000);
        // The program was set by the song, before the change.
        QCOMPARE(std::pair(dev->channelPreset(0).bankFile, dev->channelPreset(0).program), std::pair(after[0], 19));
        QTRY_VERIFY_WITH_TIMEOUT(dev->position() >= now + 500, 20000);
        dev.reset();
        QVERIFY2(firstAbove(mono(TestEnv::readWav(wav)), 1000, changedAt) > 0, "silent after the change");
    }

    // The preset each channel plays, named by the bank, marked when it stands in for a missing one
    // (bank 8 piano); what the channels play as it happens; a lock keeps strings through a change.
    void channelSounds()
    {
        const QStringList names{"Piano 1", "Strings CLP", "TR 808"};
        const QString song = TestEnv::writeTracks(
            path("parts.mid"), {QByteArray("\x00\xB0\x00\x08\x00\xC0\x00\x00\x90\x3C\x64\x00\xC1\x30\x00\x91\x40\x40"
                                           "\x00\xC9\x19\x00\x99\x24\x64\x87\x40\xC1\x31\x87\x40\x80\x3C\x00",
                                           34)});
        auto dev = device(path("parts.wav"));
        QVERIFY(dev->open(song) == 0 && dev->play(0) == 0);
        const ChannelActivity *a = dev->channelActivity();
        QTRY_VERIFY_WITH_TIMEOUT(a->noteOns[1] == 1, 20000);
        QVERIFY(a->sounding(0, 0x3C) && a->sounding(1, 0x40) && a->velocity[1] == 0x40 && a->noteOns[9] == 1);
        ChannelMix::Settings mix;
        mix.muted[0] = mix.lock[1].on = true;
        dev->setChannelMix(mix);
        QVERIFY(!a->sounding(0, 0x3C) && a->sounding(1, 0x40));
        QCOMPARE(dev->channelMix().lock[1].program, 48);
        QTRY_VERIFY_WITH_TIMEOUT(dev->position() > 1200, 20000);
        const auto plays = [&dev](int ch) {
            return std::pair{dev->channelSound(ch).preset, dev->channelSound(ch).substituted};
        };
        QCOMPARE((QList{plays(0), plays(1), plays(9)}),
                 (QList{std::pair(names[0], true), std::pair(names[1], false), std::pair(names[2], false)}));
        dev->setChannelMix({});
        QVERIFY(plays(1).first != names[1]);   // the song's own change, let through
    }

    // A bank that will not load leaves the stack and the song as they were, before any song and while one plays.
    void badBankRefused()
    {
        const QString garbage = path("garbage.sf2");
        QVERIFY(TestEnv::writeFile(garbage, "RIFF....sfbk not really"));
        auto dev = device(QStringLiteral("/dev/null"));
        for (const bool playing : {false, true}) {
            if (playing) {
                QVERIFY(dev->open(m_organ) == 0 && dev->play(0) == 0);
            }
            const SoundConfig was = dev->sound();
            for (const QStringList &banks :
                 {QStringList{garbage, TestEnv::soundFont()}, QStringList{TestEnv::soundFont(), path("missing.sf2")}}) {
                SoundConfig wanted = was;
                wanted.banks = banks;
                wanted.reverb = !was.reverb;
                QString error;
                QVERIFY(!dev->setSound(wanted, &error));
                QVERIFY2(error.contains(banks.contains(garbage) ? garbage : path("missing.sf2")), qPrintable(error));
                QCOMPARE(dev->sound(), was);
            }
        }
        QThread::msleep(300);
        QCOMPARE(dev->mode(), SequencerDevice::Mode::Playing);
        QCOMPARE(dev->channelPreset(0).bankFile, TestEnv::soundFont());
    }

    // The sound window's list: every driver FluidSynth has, the file driver only when in use; those that do not
    // open now say why, and trying them writes nothing on the terminal.
    void driversListedQuietly()
    {
        auto dev = device(QStringLiteral("/dev/null"));
        QCOMPARE(dev->open(m_staccato), 0);
        QTemporaryFile err;
        QVERIFY(err.open());
        std::fflush(stderr);
        const int terminal = ::dup(STDERR_FILENO);
        ::dup2(err.handle(), STDERR_FILENO);
        const QList<SoundControl::AudioDriver> drivers = dev->audioDrivers();
        std::fflush(stderr);
        ::dup2(terminal, STDERR_FILENO);
        ::close(terminal);
        QCOMPARE(TestEnv::readFile(err.fileName()), QByteArray());
        QStringList names;
        for (const SoundControl::AudioDriver &d : drivers) {
            names << d.name;
            QVERIFY2(!d.problem.contains('\n') && (d.name != "file" || d.problem.isEmpty()), qPrintable(d.problem));
        }
        QCOMPARE(names, compiledAudioDrivers());
    }

    void polyphonyLimitsVoices_data()
    {
        QTest::addColumn<int>("polyphony");
        QTest::newRow("16") << 16;
        QTest::newRow("256") << 256;
    }
    void polyphonyLimitsVoices()
    {
        QFETCH(int, polyphony);
        QVERIFY(TestEnv::writeFile(path("dense.mid"), dense::song(3, 3)));
        auto dev = device(QStringLiteral("/dev/null"));
        QVERIFY(dev->open(path("dense.mid")) == 0 && dev->play(0) == 0);
        SoundConfig sound = dev->sound();
        sound.polyphony = polyphony;
        QString error;
        QVERIFY2(dev->setSound(sound, &error), qPrintable(error));
        // Voices above the new limit are let go, and take their release time.
        const qint64 changedAt = dev->position();
        QTRY_VERIFY_WITH_TIMEOUT(dev->position() >= changedAt + 500, 20000);
        QVector<int> counts;
        for (int i = 0; i < 60; ++i, QThread::msleep(20))
            counts << dev->activeVoices();
        // A voice taken over for a new note is still counted for a block.
        std::sort(counts.begin(), counts.end());
        const int usual = counts[counts.size() * 9 / 10];
        QVERIFY2(polyphony == 16 ? usual <= 16 && usual > 8 : usual > 16, qPrintable(QString::number(usual)));
    }

    // The bank-select mode is given only as the synth is made (the rest is set again on the live synth): a name
    // FluidSynth does not know would be dropped without a word.
    void bankModeReachesTheSynth()
    {
        SoundConfig c;
        c.bankMode = SoundConfig::BankMode::XG;
        fluid_settings_t *s = new_fluid_settings();
        applySoundSettings(s, c);
        char mode[8] = {};
        fluid_settings_copystr(s, "synth.midi-bank-select", mode, sizeof mode);
        delete_fluid_settings(s);
        QCOMPARE(QByteArray(mode), "xg");
    }

    // A loop's jump puts back what the song set only after A, and the channel's level still scales the volume.
    void loopJumpPutsBackControls()
    {
        fluid_settings_t *s = new_fluid_settings();
        fluid_synth_t *synth = new_fluid_synth(s);
        ControlDefaults defaults;
        defaults.read(synth);
        for (int cc : {7, 10, 91, 93})
            fluid_synth_cc(synth, 2, cc, 3);
        ChannelMix mix;
        ChannelMix::Settings half;
        half.level[2] = 50;
        mix.apply(half);
        defaults.send(synth, mix);
        QList<int> now;
        for (int cc : {7, 10, 91, 93})
            QCOMPARE(fluid_synth_get_cc(synth, 2, cc, &now.emplaceBack()), FLUID_OK);
        int reverb = 0;
        fluid_synth_get_cc(synth, 0, 91, &reverb);
        delete_fluid_synth(synth);
        delete_fluid_settings(s);
        QCOMPARE(now, (QList<int>{50, 64, reverb, 0}));
    }

    // Without a card the synth is the whole mixer, and finding that out is quick. Its level is what a sounding
    // note plays at, and a mute does not end it.
    void synthLevelChangesSound()
    {
        // Organ (no decay): one chord held for 5 s.
        const QString song = TestEnv::writeTracks(
            path("held.mid"),
            {QByteArray("\x00\xC0\x13\x00\x90\x3C\x70\x00\x90\x43\x70\xA5\x60\x80\x3C\x00\x00\x80\x43\x00", 20)});
        const QString wav = path("level.wav");
        QVERIFY(!song.isEmpty());
        // Each setting holds for StepMs of the song; the level is measured in the middle half of what was written
        // meanwhile.
        constexpr int StepMs = 600;
        const std::pair<int, int> steps[] = {{65535, 0}, {32768, 0}, {32768, 1}, {0, 0}, {65535, 0}};   // volume, mute
        QVector<qsizetype> at;   // samples in the file when each step began, and at the end
        {
            FluidSequencer engine({TestEnv::soundFont(), QStringLiteral("file"), wav});
            QElapsedTimer t;
            t.start();
            SystemMixer mixer(&engine, QByteArrayLiteral("hw:97"));
            QVERIFY2(t.elapsed() < 500, "opening the mixer blocked");
            QCOMPARE(mixer.SourceCount(), 1);
            QCOMPARE(indexOf(mixer, QStringLiteral("Lyrabox Synth")), 0);
            QVERIFY(mixer.SetSourceIndex(0) && !mixer.SetVolume(65536) && !mixer.SetMute(2) && mixer.TakeError());
            QVERIFY(engine.open(song) == 0 && engine.play(0) == 0);
            for (const auto &[volume, mute] : steps) {
                QVERIFY(mixer.SetVolume(volume) && mixer.SetMute(mute) && engine.level() == volume);
                at << TestEnv::readWav(wav).size();
                const qint64 from = engine.position();
                QTRY_VERIFY_WITH_TIMEOUT(engine.position() >= from + StepMs, 20000);
            }
            at << TestEnv::readWav(wav).size();
        }
        SystemMixer none(nullptr, QByteArrayLiteral("hw:97"));
        QCOMPARE(none.SourceCount(), 0);
        none.Volume();
        QVERIFY(none.TakeError());   // no source: reads fail, and say so
        const QVector<qint16> s = TestEnv::readWav(wav);
        auto level = [&](int i) {
            const qsizetype quarter = (at[i + 1] - at[i]) / 4;
            return TestEnv::peak(s, at[i] + quarter, at[i + 1] - quarter);
        };
        const int full = level(0), half = level(1), muted = level(2), zero = level(3), again = level(4);
        const QString seen = QStringLiteral("%1 %2 %3 %4 %5").arg(full).arg(half).arg(muted).arg(zero).arg(again);
        QVERIFY2(full > 1000 && half < full * 0.6 && half > full * 0.1, qPrintable(seen));
        // The chord's two notes beat: where a 300 ms window falls moves its peak by up to 30 %, while half the
        // volume is a fifth of the level.
        QVERIFY2(muted < full / 100 && zero < full / 100 && again > full / 2, qPrintable(seen));
    }

    // A real card's controls, where one answers. They are put back as found.
    void alsaSources()
    {
        SystemMixer mixer(nullptr);
        if (mixer.SourceCount() == 0)
            QSKIP("no ALSA mixer answers on \"default\" here (no sound card or sound server)");
        QVERIFY(indexOf(mixer, QStringLiteral("Master")) < 0);   // offered as "Main Volume"
        for (int i = 0; i < mixer.SourceCount(); ++i) {
            QVERIFY(mixer.SetSourceIndex(i));
            const int volume = mixer.Volume(), mute = mixer.Mute();
            const int other = volume > 32768 ? volume / 4 : 65535 - volume / 4;
            // A card has far fewer steps than 65535: a step's width is allowed.
            if (mixer.VolumeEnabled()) {
                QVERIFY(mixer.SetVolume(other));
                const int back = mixer.Volume();
                QVERIFY(mixer.SetVolume(volume));
                QVERIFY2(qAbs(back - other) < 65535 / 16, qPrintable(QString::number(back)));
            }
            if (mixer.MuteEnabled())
                QVERIFY(mixer.SetMute(1 - mute) && mixer.Mute() == 1 - mute && mixer.SetMute(mute));
            QVERIFY(!mixer.TakeError());
        }
    }
};

QTEST_MAIN(TestEngineSound)
#include "test_engine_sound.moc"
