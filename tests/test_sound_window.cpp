#include "app/core/appinfo.h"
#include "components/core/soundsettings.h"
#include "components/core/wildcard.h"
#include "fakes/fakedialogs.h"
#include "fakes/fakemixer.h"
#include "sound/frmsound.h"
#include "testenv.h"
#include "volume/midivol.h"
#include <QtTest>
#include <QtWidgets>

namespace {
// Takes every change except banks named in `refused`.
class FakeSound : public SoundControl {
public:
    SoundConfig sound() const override { return config; }
    bool setSound(const SoundConfig &c, QString *error) override
    {
        for (const QString &bank : c.banks) {
            if (refused.contains(bank)) {
                *error = QStringLiteral("The sound bank %1 could not be loaded: not a bank.").arg(bank);
                return false;
            }
        }
        applied << c;
        config = c;
        return true;
    }
    QStringList systemBanks() const override { return banks; }
    QList<AudioDriver> audioDrivers() override
    {
        return {{"alsa", ""}, {"jack", "Failed to connect to Jack server."}, {"sdl2", ""}};
    }
    QStringList audioDevices(const QString &driver) override
    {
        return driver == QLatin1String("sdl2") ? QStringList{QStringLiteral("default"), QStringLiteral("USB")}
                                               : QStringList();
    }
    QString songBank() const override { return song; }
    void watchSongBank(QObject *, std::function<void()> changed) override { watch = std::move(changed); }

    QString song;
    std::function<void()> watch = [] {};
    SoundConfig config;
    QStringList banks, refused;
    QList<SoundConfig> applied;
};

// Saved source, the mixer's sources, the one chosen and its values; mute -2: the
// source has no mute switch, and is muted.
struct Load {
    QString saved;
    QStringList names;
    int expected, volume, mute, slider;
};
}
Q_DECLARE_METATYPE(Load)

// The sound window and the volume window.
class TestSoundWindow : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_settings;
    FakeSound m_sound;
    FakeDialogs m_dialogs;
    QPointer<FrmSound> m_win;
    QPointer<MidiVol> m_vol;
    QString m_a, m_b, m_c;   // banks: a and b on the system, c elsewhere

    FrmSound *open(QWidget *player = nullptr)
    {
        Services s;
        s.settings = m_settings.get();
        s.dialogs = &m_dialogs;
        s.sound = &m_sound;
        m_win = new FrmSound(s, player);
        m_win->show();
        return m_win;
    }
    template <typename W> W *child(const char *name) { return m_win->findChild<W *>(QLatin1String(name)); }
    QStringList shownBanks()
    {
        QStringList names;
        auto *list = child<QListWidget>("lstBanks");
        for (int i = 0; i < list->count(); ++i)
            names << list->item(i)->text().section(' ', 0, 0);
        return names;
    }
    void choose(const char *combo, int index)
    {
        auto *c = child<QComboBox>(combo);
        c->setCurrentIndex(index);
        emit c->activated(index);
    }

    // Opens a window on the mixer (null: the factory gives none); an empty name saves nothing.
    void openVolume(FakeMixer *mixer, const QString &saved = {})
    {
        if (!saved.isEmpty())
            m_settings->SetValue(AppInfo::AppletSection(), QStringLiteral("MixerSource"), saved);
        Services s;
        s.settings = m_settings.get();
        s.makeMixer = [mixer] { return std::unique_ptr<MixerControl>(mixer); };
        m_vol = new MidiVol(s, nullptr, QPoint(300, 10));
        m_vol->show();
    }
    QComboBox *combo() { return m_vol->findChild<QComboBox *>("cmbMixer"); }
    QSlider *slider() { return m_vol->findChild<QSlider *>("sldrVol"); }
    QCheckBox *mute() { return m_vol->findChild<QCheckBox *>("chkMute"); }
    bool timerOn() { return m_vol->findChild<QTimer *>("tmrMix")->isActive(); }
    int enabledControls() { return combo()->isEnabled() + slider()->isEnabled() + mute()->isEnabled(); }
    QString saved() { return m_settings->GetValue(AppInfo::AppletSection(), QStringLiteral("MixerSource"), {}); }

private slots:
    void initTestCase()
    {
        TestEnv::setUp();
        for (QString *bank : {&m_a, &m_b, &m_c}) {
            *bank = m_dir.filePath(bank == &m_c ? "c.sf3" : bank == &m_b ? "b.sf2" : "a.sf2");
            // A SoundFont's header and size, as the stored settings are read back.
            QByteArray bytes = QByteArray("RIFF\xF8\xFF\x2F\0sfbk", 12) + QByteArray(3 * 1024 * 1024 - 12, 'x');
            QVERIFY(TestEnv::writeFile(*bank, bytes));
        }
    }
    void init()
    {
        m_settings = std::make_unique<SettingsStore>(m_dir.filePath(QUuid::createUuid().toString() + ".conf"));
        m_sound.config = SoundConfig();
        m_sound.config.banks = QStringList{m_a};
        m_sound.banks = QStringList{m_a, m_b};
        m_sound.refused.clear();
        m_sound.applied.clear();
        m_dialogs.clear();
    }
    void cleanup()
    {
        delete m_win;
        delete m_vol;
    }

    // Shown as it is; Defaults puts back the effects and voices, and keeps the banks, modes and output.
    void showsTheSoundInUseAndResets()
    {
        m_sound.config.banks = QStringList{m_b, m_a};
        m_sound.config.bankMode = SoundConfig::BankMode::XG;
        m_sound.config.audioDriver = "sdl2";
        const SoundConfig kept = m_sound.config;
        m_sound.config.reverbRoom = 0.45;
        m_sound.config.chorus = false;
        m_sound.config.chorusVoices = 9;
        m_sound.config.polyphony = 128;
        QWidget player;
        player.setGeometry(0, 0, 300, 40);
        player.show();
        open(&player);
        QVERIFY(!m_win->frameGeometry().intersects(player.frameGeometry()));   // placed beside it
        QCOMPARE(m_win->windowTitle(), QStringLiteral("Lyrabox Sound"));
        QCOMPARE(TestEnv::namelessControls(m_win).join(", "), QString());
        QCOMPARE(shownBanks(), (QStringList{"b.sf2", "a.sf2"}));
        QCOMPARE(child<QComboBox>("cmbSystemBanks")->itemText(1), QStringLiteral("b.sf2 (3.0 MB)"));
        QCOMPARE(child<QDoubleSpinBox>("spnRoom")->value(), 0.45);
        QVERIFY(!child<QCheckBox>("chkChorus")->isChecked());
        QVERIFY(!child<QDoubleSpinBox>("spnChorusLevel")->isEnabled());
        QCOMPARE(child<QSpinBox>("spnPolyphony")->value(), 128);
        QCOMPARE(child<QComboBox>("cmbDriver")->currentText(), QStringLiteral("sdl2"));
        // A driver that does not open now is offered all the same, marked, with the reason.
        QCOMPARE(child<QComboBox>("cmbDriver")->itemText(2), QStringLiteral("jack (does not open now)"));
        QCOMPARE(child<QComboBox>("cmbDriver")->itemData(2, Qt::ToolTipRole).toString(),
                 QStringLiteral("Failed to connect to Jack server."));
        QCOMPARE(child<QComboBox>("cmbDevice")->count(), 2);   // "(default)" and USB
        QVERIFY(m_sound.applied.isEmpty());
        child<QPushButton>("cmdDefaults")->click();
        QCOMPARE(m_sound.config, kept);
        QCOMPARE(child<QSpinBox>("spnPolyphony")->value(), 256);
        QCOMPARE(child<QDoubleSpinBox>("spnRoom")->value(), 0.4);
    }

    // Each control applies at once and is stored under its key.
    void controlsApplyAndStore_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        const auto row = [](const char *tag, const char *control, const char *key, const char *stored) {
            QTest::newRow(tag) << QString(control) << QString(key) << QString(stored);
        };
        row("reverb off", "chkReverb", "MidiReverb", "0");
        row("room", "spnRoom", "MidiReverbRoom", "0.55");
        row("chorus voices", "spnChorusVoices", "MidiChorusVoices", "7");
        row("polyphony", "spnPolyphony", "MidiPolyphony", "64");
        row("bank mode", "cmbBankMode", "MidiBankMode", "xg");
        row("song reset", "cmbSongReset", "MidiSongReset", "gm");
        row("driver", "cmbDriver", "MidiAudioDriver", "alsa");
        row("driver that does not open now", "cmbDriver", "MidiAudioDriver", "jack");
        row("buffer", "cmbBuffer", "MidiAudioBuffer", "512");
    }
    void controlsApplyAndStore()
    {
        QFETCH(QString, control);
        QFETCH(QString, key);
        QFETCH(QString, stored);
        open();
        QWidget *w = m_win->findChild<QWidget *>(control);
        if (auto *check = qobject_cast<QCheckBox *>(w))
            check->setChecked(false);
        else if (auto *number = qobject_cast<QDoubleSpinBox *>(w))
            number->setValue(stored.toDouble());
        else if (auto *whole = qobject_cast<QSpinBox *>(w))
            whole->setValue(stored.toInt());
        else if (auto *combo = qobject_cast<QComboBox *>(w))
            choose(qPrintable(control),
                   control == "cmbBuffer" ? combo->findData(512) : combo->findText(stored, Qt::MatchContains));
        QCOMPARE(m_sound.applied.size(), 1);
        QCOMPARE(m_settings->GetValue(AppInfo::AppletSection(), key, QString()), stored);
        QCOMPARE(readSoundConfig(*m_settings, nullptr), m_sound.config);
    }

    void banks()
    {
        m_sound.song = m_c;
        open();
        // The song's own bank shows while it plays, and goes with it.
        auto *song = child<QLabel>("lblSongBank");
        QVERIFY(song->isVisible() && song->text() == "For this song: c.sf3");
        m_sound.song.clear();
        m_sound.watch();
        QVERIFY(!song->isVisible());
        child<QPushButton>("cmdAddBank")->click();   // a is there already: nothing changes
        QVERIFY(m_sound.applied.isEmpty());
        choose("cmbSystemBanks", 1);
        child<QPushButton>("cmdAddBank")->click();
        QCOMPARE(shownBanks(), (QStringList{"b.sf2", "a.sf2"}));
        m_dialogs.openResults.enqueue(m_c);
        child<QPushButton>("cmdAddFile")->click();
        QCOMPARE(shownBanks(), (QStringList{"c.sf3", "b.sf2", "a.sf2"}));
        QVERIFY(m_dialogs.fileAsks.last().filter.contains("*.sf3"));
        child<QPushButton>("cmdBankDown")->click();
        QCOMPARE(shownBanks(), (QStringList{"b.sf2", "c.sf3", "a.sf2"}));
        QCOMPARE(child<QListWidget>("lstBanks")->currentRow(), 1);
        child<QPushButton>("cmdBankUp")->click();
        child<QPushButton>("cmdRemoveBank")->click();
        QCOMPARE(m_sound.config.banks, (QStringList{m_b, m_a}));
        QCOMPARE(m_settings->GetValue(Settings::MidiSoundFont), m_b);
        QCOMPARE(m_settings->GetValue(Settings::MidiSoundBanks), m_b + '|' + m_a);
        child<QPushButton>("cmdRemoveBank")->click();
        QVERIFY(!child<QPushButton>("cmdRemoveBank")->isEnabled());   // the last one stays
        QCOMPARE(m_sound.config.banks, QStringList{m_a});

        // Refused: told why, and the list is as it was.
        m_sound.refused = QStringList{m_c};
        m_dialogs.openResults.enqueue(m_c);
        child<QPushButton>("cmdAddFile")->click();
        QCOMPARE(shownBanks(), QStringList{"a.sf2"});
        QCOMPARE(m_dialogs.messages.size(), 1);
        QVERIFY(m_dialogs.messages[0].text.contains(m_c) && m_dialogs.messages[0].text.contains("not a bank"));
        QCOMPARE(m_settings->GetValue(Settings::MidiSoundBanks), m_a);
    }

    void wildcard_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("match");
        const auto row = [](const char *tag, const QString &text, const char *pattern, bool match) {
            QTest::newRow(tag) << text << QString(pattern) << match;
        };
        row("case-sensitive", "Main Volume", "*main*", false);
        row("whole text only", "Main Volume", "Main", false);
        row("hash digit", "PCM 2", "PCM #", true);
        row("hash not letter", "PCM x", "PCM #", false);
        row("negated range", "b", "[!a-c]", false);
        row("dash last is literal", "-", "[a-]", true);
        row("unclosed bracket literal", "[x", "[x", true);
        row("star must backtrack", "abcbcd", "a*bcd", true);
        row("non-BMP one char", QStringLiteral("a\U0001F3B5b"), "a?b", true);
        const QString many(200000, u'a');
        row("long text, many stars", many, "*a*a*a*a*a*a*a*a*a*a*a*a*b", false);
    }
    void wildcard()
    {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QTEST(WildcardMatch(text, pattern), "match");
    }

    // What the window shows on opening: the source chosen and its values, clamped.
    // The mixer starts on its last source.
    void load_data()
    {
        QTest::addColumn<Load>("l");
        const QStringList mainWave{"Main Volume", "Wave"};
        QTest::newRow("nothing saved finds Main Volume") << Load{"", mainWave, 0, 30000, 0, 30000};
        QTest::newRow("last match wins") << Load{"Wave", {"Wave", "Wave Out", "Line"}, 1, 0, 0, 0};
        QTest::newRow("no match keeps mixer's source") << Load{"Line", mainWave, 1, 0, 0, 0};
        QTest::newRow("saved name is a pattern") << Load{"W?ve", {"Wave", "Main Volume"}, 0, 0, 0, 0};
        QTest::newRow("too loud, mute 7") << Load{"", mainWave, 0, 70000, 7, 65535};
        QTest::newRow("negative, mute -1") << Load{"", mainWave, 0, -5, -1, 0};
        QTest::newRow("no mute switch") << Load{"", mainWave, 0, 10, -2, 10};
    }
    void load()
    {
        QFETCH(Load, l);
        auto *m = new FakeMixer(l.names);
        m->current = int(l.names.size()) - 1;
        const bool noSwitch = l.mute == -2;
        m->sources[size_t(l.expected)] = {l.names[l.expected], l.volume, noSwitch ? 1 : l.mute, !noSwitch};
        openVolume(m, l.saved);
        QCOMPARE(combo()->count(), l.names.size());
        QVERIFY(m->current == l.expected && combo()->currentText() == l.names[l.expected]);
        QCOMPARE(slider()->value(), l.slider);
        QCOMPARE(mute()->isChecked(), l.mute > 0 || noSwitch);
        QCOMPARE(enabledControls(), noSwitch ? 2 : 3);
        QVERIFY(mute()->isEnabled() == !noSwitch && (!noSwitch || m->muteWrites.isEmpty()));
    }

    void idleClose_data()
    {
        QTest::addColumn<QString>("events");   // T tick, M mouse over window, S mouse over slider, D next source picked
        QTest::addColumn<QString>("saved");    // empty: still open
        const auto row = [](const char *tag, const char *events, const char *saved) {
            QTest::newRow(tag) << QString(events) << QString(saved);
        };
        row("window move resets", "TTTMTTT", "");
        row("then left alone", "TTTMTTTT", "Main Volume");
        row("slider move resets", "TTSTTTSTTT", "");
        row("user's pick kept and saved", "DTTTT", "Wave");
    }
    void idleClose()
    {
        QFETCH(QString, events);
        QFETCH(QString, saved);
        openVolume(new FakeMixer({"Main Volume", "Wave"}));
        for (int i = 0; i < events.size(); ++i)   // each move goes somewhere new, or no event is sent
            if (events[i] == u'T')
                m_vol->tmrMix_Timer();
            else if (events[i] == u'D')
                QTest::keyClick(combo(), Qt::Key_Down);
            else
                QTest::mouseMove(events[i] == u'M' ? static_cast<QWidget *>(m_vol) : slider(), QPoint(2 + i, 10));
        QCOMPARE(m_vol->isVisible(), saved.isEmpty());
        QCOMPARE(this->saved(), saved);
    }

    void timerOffWhileBrowsing()
    {
        auto *m = new FakeMixer({"Main Volume", "Wave"});
        openVolume(m);
        combo()->showPopup();
        QVERIFY(!timerOn());
        combo()->hidePopup();   // closed without a choice
        QVERIFY(timerOn());
        combo()->showPopup();
        combo()->view()->window()->hide();   // taken away by the window system
        QVERIFY(timerOn());
        QTest::mousePress(slider(), Qt::LeftButton, {}, QPoint(slider()->width() - 5, slider()->height() / 2));
        QVERIFY(!timerOn() && m->volumeWrites.isEmpty());
        QTest::mouseRelease(slider(), Qt::LeftButton, {}, QPoint(slider()->width() - 5, slider()->height() / 2));
        QVERIFY(timerOn() && slider()->value() > 0);
        QCOMPARE(m->volumeWrites, QList<int>{slider()->value()});
    }

    // Without a mixer the controls stay off; a failing one is tried again each second.
    void disabled_data()
    {
        QTest::addColumn<QString>("op");
        for (const char *op : {"no component", "no device", "DeviceName", "SourceCount", "SourceName", "Volume",
                               "VolumeEnabled", "Mute", "MuteEnabled", "SetVolume", "SetMute"})
            QTest::newRow(op) << QString::fromLatin1(op);
    }
    void disabled()
    {
        QFETCH(QString, op);
        const bool failing = !op.startsWith(QLatin1String("no "));
        auto *m = op == "no component" ? nullptr : new FakeMixer({"Main Volume", "Wave"}, failing ? "Card" : "");
        openVolume(m, QStringLiteral("Wave"));
        if (failing)
            m->failing << op;
        if (op == "SourceCount" || op == "SourceName")
            m->device = QStringLiteral("New Card");   // so the list is read again
        if (op == "SetVolume")
            QTest::mouseClick(slider(), Qt::LeftButton, {}, QPoint(5, 5));
        else if (op == "SetMute")
            mute()->click();
        else
            m_vol->tmrMix_Timer();
        QCOMPARE(enabledControls(), 0);
        QVERIFY(m_vol->isVisible() && m_vol->findChild<QPushButton *>("cmdClose")->isEnabled());
        QCOMPARE(timerOn(), failing);
        if (failing) {
            m->failing.clear();
            m_vol->tmrMix_Timer();
            QVERIFY(enabledControls() == 3 && combo()->count() == 2 && combo()->currentText() == "Wave");
        } else {
            m_vol->close();
            QCOMPARE(saved(), QStringLiteral("Wave"));   // nothing chosen, nothing overwritten
        }
    }
};

QTEST_MAIN(TestSoundWindow)
#include "test_sound_window.moc"
