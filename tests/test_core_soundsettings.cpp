#include "components/core/soundsettings.h"
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestCoreSoundSettings : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_top, m_bottom;   // two readable "banks"
    int m_stores = 0;

    std::unique_ptr<SettingsStore> store()
    {
        return std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("s%1.conf").arg(++m_stores)));
    }

private slots:
    void initTestCase()
    {
        m_top = m_dir.filePath(QStringLiteral("top.sf2"));
        m_bottom = m_dir.filePath(QStringLiteral("bottom.sf3"));
        for (const QString &p : {m_top, m_bottom}) {
            QFile f(p);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("RIFF") == 4);
        }
        // The default bank comes from here.
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("sf2"))));
        QVERIFY(QFile::copy(m_top, m_dir.filePath(QStringLiteral("sf2/default-GM.sf2"))));
        qputenv("LYRABOX_SF2_DIR", m_dir.filePath(QStringLiteral("sf2")).toUtf8());
    }

    // What is written is read back the same, also by a new store on the same file.
    void survivesARestart()
    {
        SoundConfig c;
        c.banks = QStringList{m_top, m_bottom};
        c.reverb = false;
        c.reverbRoom = 0.35;
        c.reverbDamp = 0.7;
        c.reverbWidth = 12.5;
        c.reverbLevel = 0.25;
        c.chorus = false;
        c.chorusLevel = 0.5;
        c.chorusDepth = 3.0;
        c.chorusVoices = 5;
        c.polyphony = 96;
        c.bankMode = SoundConfig::BankMode::XG;
        c.songReset = SoundConfig::SongReset::GS;
        c.audioDriver = QStringLiteral("alsa");
        c.audioDevice = QStringLiteral("hw:1");
        c.bufferFrames = 512;
        const QString file = m_dir.filePath(QStringLiteral("restart.conf"));
        {
            SettingsStore s(file);
            writeSoundConfig(s, c);
            QVERIFY(s.Flush());
            QCOMPARE(s.GetValue(Settings::MidiSoundFont), m_top);
        }
        SettingsStore again(file);
        QStringList problems;
        QCOMPARE(readSoundConfig(again, &problems), c);
        QCOMPARE(problems, QStringList());
    }

    void badValuesFallBack_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("room above 1") << "MidiReverbRoom"
                                      << "1.5";
        QTest::newRow("level not a number") << "MidiReverbLevel"
                                            << "loud";
        QTest::newRow("width nan") << "MidiReverbWidth"
                                   << "nan";
        QTest::newRow("depth negative") << "MidiChorusDepth"
                                        << "-1";
        QTest::newRow("voices fraction") << "MidiChorusVoices"
                                         << "2.5";
        QTest::newRow("polyphony too low") << "MidiPolyphony"
                                           << "8";
        QTest::newRow("polyphony too high") << "MidiPolyphony"
                                            << "5000";
        QTest::newRow("reverb switch") << "MidiReverb"
                                       << "yes";
        QTest::newRow("bank mode") << "MidiBankMode"
                                   << "roland";
        QTest::newRow("song reset") << "MidiSongReset"
                                    << "gs2";
        QTest::newRow("buffer too small") << "MidiAudioBuffer"
                                          << "10";
    }
    void badValuesFallBack()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        auto s = store();
        s->SetValue(AppInfo::AppletSection(), key, value);
        QStringList problems;
        SoundConfig expected;
        expected.banks = QStringList{m_dir.filePath(QStringLiteral("sf2/default-GM.sf2"))};
        QCOMPARE(readSoundConfig(*s, &problems), expected);
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems[0].contains(key) && problems[0].contains(value) && !problems[0].contains('\n'),
                 qPrintable(problems[0]));
    }

    // The stack, "MidiSoundFont" set by hand or by an older version, and missing files.
    void banks_data()
    {
        QTest::addColumn<QString>("stack");
        QTest::addColumn<QString>("font");
        QTest::addColumn<QStringList>("expected");   // "default" for the system's default bank
        QTest::addColumn<int>("problems");
        QTest::newRow("nothing stored") << ""
                                        << "" << QStringList{"default"} << 0;
        QTest::newRow("older settings") << ""
                                        << "bottom.sf3" << QStringList{"bottom.sf3"} << 0;
        QTest::newRow("stack") << "top.sf2|bottom.sf3"
                               << "top.sf2" << QStringList{"top.sf2", "bottom.sf3"} << 0;
        QTest::newRow("font set by hand goes on top") << "top.sf2|bottom.sf3"
                                                      << "bottom.sf3" << QStringList{"bottom.sf3", "top.sf2"} << 0;
        QTest::newRow("missing one left out") << "gone.sf2|bottom.sf3"
                                              << "gone.sf2" << QStringList{"bottom.sf3"} << 1;
        QTest::newRow("all missing: the default") << "gone.sf2"
                                                  << "gone.sf2" << QStringList{"default"} << 2;
    }
    void banks()
    {
        QFETCH(QString, stack);
        QFETCH(QString, font);
        QFETCH(QStringList, expected);
        QFETCH(int, problems);
        auto full = [this](const QString &name) {
            return name == "default" ? m_dir.filePath(QStringLiteral("sf2/default-GM.sf2")) : m_dir.filePath(name);
        };
        QStringList stored;
        for (const QString &name : stack.split('|', Qt::SkipEmptyParts))
            stored << full(name);
        auto s = store();
        s->SetValue(Settings::MidiSoundBanks, stored.join('|'));
        s->SetValue(Settings::MidiSoundFont, font.isEmpty() ? QString() : full(font));
        QStringList told;
        QStringList want;
        for (const QString &name : expected)
            want << full(name);
        QCOMPARE(readSoundConfig(*s, &told).banks, want);
        QVERIFY2(told.size() == problems, qPrintable(told.join('\n')));
    }

    void noBankAtAll()
    {
        const QByteArray saved = qgetenv("LYRABOX_SF2_DIR");
        qputenv("LYRABOX_SF2_DIR", m_dir.filePath(QStringLiteral("empty")).toUtf8());
        auto s = store();
        const SoundConfig c = readSoundConfig(*s, nullptr);
        qputenv("LYRABOX_SF2_DIR", saved);
        QVERIFY(c.banks.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCoreSoundSettings)
#include "test_core_soundsettings.moc"
