#include "components/core/soundsettings.h"
#include "playback/core/soundbank.h"
#include <QtTest>

namespace {
// The smallest file whose header says it is a whole SoundFont.
const QByteArray Bank("RIFF\x04\0\0\0sfbk", 12);

bool write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
}

// Which sound banks are played, and the sound settings as stored.
class TestCoreSoundSettings : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir, m_find;
    QString m_top, m_bottom;   // two files with a sound bank's header
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
        for (const QString &p : {m_top, m_bottom})
            QVERIFY(write(p, Bank));
        QVERIFY(write(m_dir.filePath(QStringLiteral("empty.sf2")), {}));
        QVERIFY(write(m_dir.filePath(QStringLiteral("cut.sf2")), QByteArray("RIFF\x10\0\0\0sfbk", 12)));
        // The default bank comes from here.
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("sf2"))));
        QVERIFY(QFile::copy(m_top, m_dir.filePath(QStringLiteral("sf2/default-GM.sf2"))));
        qputenv("LYRABOX_SF2_DIR", m_dir.filePath(QStringLiteral("sf2")).toUtf8());
    }

    // The bank played when none is stored. files: what the sf2 folder holds ("-" = unreadable, "/" = folder,
    // "!" = cut short).
    void find_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *tag, const QStringList &files, const char *expected) {
            QTest::newRow(tag) << files << QString(expected);
        };
        row("the default first", {"b.sf2", "a.sf2", "default-GM.sf2"}, "default-GM.sf2");
        row("damaged default skipped", {"!default-GM.sf2", "!a.sf2", "b.sf2"}, "b.sf2");
        row("first by name", {"b.sf2", "a.sf2"}, "a.sf2");
        row("upper-case extension", {"Z.SF2"}, "Z.SF2");
        row("unreadable skipped", {"-a.sf2", "b.sf2"}, "b.sf2");
        row("folder named sf2 skipped", {"/a.sf2", "c.sf2"}, "c.sf2");
        row("hidden skipped", {".a.sf2"}, "");
        row("other files only", {"readme.txt", "x.sf3"}, "");
        row("nothing", {}, "");
    }
    void find()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, expected);
        QDir root(m_find.path());
        QVERIFY(root.removeRecursively() && root.mkpath(QStringLiteral("sf2")));
        const QString folder = m_find.filePath(QStringLiteral("sf2"));
        for (QString name : files) {
            const QChar kind = name.at(0);
            if (kind == '-' || kind == '/' || kind == '!')
                name.remove(0, 1);
            const QString path = "sf2/" + name;
            if (kind == '/') {
                QVERIFY(root.mkpath(path));
                continue;
            }
            QVERIFY(write(m_find.filePath(path), Bank.chopped(kind == '!' ? 1 : 0)));
            if (kind == '-') {
                QFile::setPermissions(m_find.filePath(path), QFileDevice::WriteOwner);
                if (QFileInfo(m_find.filePath(path)).isReadable())
                    QSKIP("this account reads every file");
            }
        }
        QCOMPARE(findSoundBank(QString(), folder), expected.isEmpty() ? expected : folder + "/" + expected);
    }

    // What is written is read back the same, also by a new store on the same file.
    void survivesARestart()
    {
        const QStringList banks{m_top, m_bottom};   // every field away from its default
        const SoundConfig c(banks, false, 0.35, 0.7, 12.5, 0.25, false, 0.5, 3.0, 5, 96, SoundConfig::BankMode::XG,
                            SoundConfig::SongReset::GS, "alsa", "hw:1", 512);
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
        const auto row = [](const char *tag, const char *key, const char *value) {
            QTest::newRow(tag) << QString(key) << QString(value);
        };
        row("room above 1", "MidiReverbRoom", "1.5");
        row("level not a number", "MidiReverbLevel", "loud");
        row("width nan", "MidiReverbWidth", "nan");
        row("depth negative", "MidiChorusDepth", "-1");
        row("voices fraction", "MidiChorusVoices", "2.5");
        row("polyphony too low", "MidiPolyphony", "8");
        row("polyphony too high", "MidiPolyphony", "5000");
        row("reverb switch", "MidiReverb", "yes");
        row("bank mode", "MidiBankMode", "roland");
        row("song reset", "MidiSongReset", "gs2");
        row("buffer too small", "MidiAudioBuffer", "10");
    }
    void badValuesFallBack()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        auto s = store();
        s->SetValue(AppInfo::AppletSection(), key, value);
        QStringList problems;
        // The defaults the README gives, stated here so that a changed default fails.
        const SoundConfig expected(QStringList{m_dir.filePath("sf2/default-GM.sf2")}, true, 0.4, 0.3, 0.6, 0.5, true,
                                   1.2, 6.0, 3, 256, SoundConfig::BankMode::GS, SoundConfig::SongReset::Program, "", "",
                                   0);
        QCOMPARE(readSoundConfig(*s, &problems), expected);
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems[0].contains(key) && problems[0].contains(value) && !problems[0].contains('\n'),
                 qPrintable(problems[0]));
    }

    // The stack, "MidiSoundFont" set by hand or by an older version, missing files, and no bank anywhere.
    void banks_data()
    {
        QTest::addColumn<QString>("stack");
        QTest::addColumn<QString>("font");
        QTest::addColumn<QString>("expected");   // "default" for the system's default bank, "none": no sf2 folder
        QTest::addColumn<int>("problems");
        const auto row = [](const char *tag, const char *stack, const char *font, const char *expected, int problems) {
            QTest::newRow(tag) << QString(stack) << QString(font) << QString(expected) << problems;
        };
        row("nothing stored", "", "", "default", 0);
        row("older settings", "", "bottom.sf3", "bottom.sf3", 0);
        row("stack", "top.sf2|bottom.sf3", "top.sf2", "top.sf2|bottom.sf3", 0);
        row("font set by hand goes on top", "top.sf2|bottom.sf3", "bottom.sf3", "bottom.sf3|top.sf2", 0);
        row("missing one left out", "gone.sf2|bottom.sf3", "gone.sf2", "bottom.sf3", 1);
        row("all missing: the default", "gone.sf2", "gone.sf2", "default", 1);
        row("empty file left out", "empty.sf2|bottom.sf3", "empty.sf2", "bottom.sf3", 1);
        row("cut short: the default", "cut.sf2", "cut.sf2", "default", 1);
        row("no bank anywhere", "gone.sf2", "gone.sf2", "none", 1);
    }
    void banks()
    {
        QFETCH(QString, stack);
        QFETCH(QString, font);
        QFETCH(QString, expected);
        QFETCH(int, problems);
        const auto full = [this](const QString &names) {
            QStringList paths;
            for (const QString &name : names.split('|', Qt::SkipEmptyParts))
                paths << m_dir.filePath(name == "default" ? QStringLiteral("sf2/default-GM.sf2") : name);
            return paths;
        };
        const auto sf2 = qScopeGuard([old = qgetenv("LYRABOX_SF2_DIR")] { qputenv("LYRABOX_SF2_DIR", old); });
        if (expected == "none")
            qputenv("LYRABOX_SF2_DIR", m_dir.filePath(QStringLiteral("empty")).toUtf8());
        auto s = store();
        s->SetValue(Settings::MidiSoundBanks, full(stack).join('|'));
        s->SetValue(Settings::MidiSoundFont, full(font).join('|'));
        QStringList told;
        QCOMPARE(readSoundConfig(*s, &told).banks, expected == "none" ? QStringList() : full(expected));
        QVERIFY2(told.size() == problems, qPrintable(told.join('\n')));
        if (expected == "default" && problems)
            QVERIFY2(told.last().contains(full(expected).first()), qPrintable(told.last()));
    }
};

QTEST_GUILESS_MAIN(TestCoreSoundSettings)
#include "test_core_soundsettings.moc"
