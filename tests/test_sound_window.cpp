#include "about/core/aboutdate.h"
#include "about/frmabout.h"
#include "app/core/appinfo.h"
#include "app/showhelp.h"
#include "components/core/soundsettings.h"
#include "components/core/wildcard.h"
#include "fakes/fakeclock.h"
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

struct RecordingSounds : WindowSounds {
    QStringList played;
    void play(WindowSound sound, SoundFlags flags) override
    {
        played << windowSoundName(sound) + u'/' + QString::number(int(flags));
    }
};

// How the splash is closed (empty: it times out), the update setting and date
// stored (empty: nothing written), the answer to the reminder (0: not asked),
// whether the date is kept (else today is stored).
struct Opening {
    QString close, update, date;
    int answer;
    bool dateKept;
};

const QString Version = AboutDate::VersionNumber(AppInfo::VersionMajor, AppInfo::VersionMinor,
                                                 AppInfo::VersionRevision);

}
Q_DECLARE_METATYPE(Load)
Q_DECLARE_METATYPE(Opening)

// The windows beside the player: sound, volume and about.
class TestSoundWindow : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_settings;
    FakeSound m_sound;
    FakeDialogs m_dialogs;
    QPointer<FrmSound> m_win;
    QPointer<MidiVol> m_vol;
    QString m_a, m_b, m_c;   // banks: a and b on the system, c elsewhere
    FakeClock m_clock;
    RecordingSounds m_sounds;
    QList<QUrl> m_urls;
    std::unique_ptr<QWidget> m_main;

    // The about window's player, shown from its first use (it would stand in the way of the mouse in the others).
    QWidget *main()
    {
        if (!m_main) {
            m_main = std::make_unique<QWidget>();
            m_main->show();
        }
        return m_main.get();
    }
    std::unique_ptr<frmAbout> openAbout()
    {
        Services s;
        s.settings = m_settings.get();
        s.dialogs = &m_dialogs;
        s.sounds = &m_sounds;
        s.clock = &m_clock;
        s.programFile = QCoreApplication::applicationFilePath();
        auto dlg = std::make_unique<frmAbout>(s, main());
        dlg->show();
        return dlg;
    }
    void store(const QString &update, const QString &date)
    {
        m_settings->SetValue(QStringLiteral("Quillon"), QStringLiteral("Update"), update);
        m_settings->SetValue(QStringLiteral("Quillon"), QStringLiteral("UpdateDate"), date);
    }
    QString setting(const char *key) const
    {
        return m_settings->GetValue(QStringLiteral("Quillon"), QLatin1String(key), {});
    }

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

public slots:
    void openUrl(const QUrl &url) { m_urls << url; }

private slots:
    void initTestCase()
    {
        TestEnv::setUp();
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
        for (QString *bank : {&m_a, &m_b, &m_c}) {
            *bank = m_dir.filePath(bank == &m_c ? "c.sf3" : bank == &m_b ? "b.sf2" : "a.sf2");
            // A SoundFont's header and size, as the stored settings are read back.
            QByteArray bytes = QByteArray("RIFF\xF8\xFF\x2F\0sfbk", 12) + QByteArray(3 * 1024 * 1024 - 12, 'x');
            QVERIFY(TestEnv::writeFile(*bank, bytes));
        }
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    void init()
    {
        m_settings = std::make_unique<SettingsStore>(m_dir.filePath(QUuid::createUuid().toString() + ".conf"));
        m_sound.config = SoundConfig();
        m_sound.config.banks = QStringList{m_a};
        m_sound.banks = QStringList{m_a, m_b};
        m_sound.refused.clear();
        m_sound.applied.clear();
        m_dialogs.clear();
        m_sounds.played.clear();
        m_urls.clear();
        m_clock.date = QDate(2026, 3, 15);
        frmAbout::ResetAboutSeen();
        m_main.reset();
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
        QCOMPARE(TestEnv::namelessControls(m_win).join(", "), QString());
        // A driver that does not open now is offered all the same, marked, with the reason; sdl2 has two devices.
        const auto *driver = child<QComboBox>("cmbDriver");
        QCOMPARE(
            QStringList({m_win->windowTitle(), shownBanks().join(u','), child<QComboBox>("cmbSystemBanks")->itemText(1),
                         driver->currentText(), driver->itemText(2), driver->itemData(2, Qt::ToolTipRole).toString()}),
            QStringList({"Lyrabox Sound", "b.sf2,a.sf2", "b.sf2 (3.0 MB)", "sdl2", "jack (does not open now)",
                         "Failed to connect to Jack server."}));
        QCOMPARE(child<QDoubleSpinBox>("spnRoom")->value(), 0.45);
        QVERIFY(!child<QCheckBox>("chkChorus")->isChecked() && !child<QDoubleSpinBox>("spnChorusLevel")->isEnabled());
        QVERIFY(child<QSpinBox>("spnPolyphony")->value() == 128 && child<QComboBox>("cmbDevice")->count() == 2);
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

    // Rows with a locale show a file's date there; the others test the cut alone.
    void dateText_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char *tag, const char *locale, const char *text, const char *shown) {
            QTest::newRow(tag) << QString(locale) << QString(text) << QString(shown);
        };
        row("one-digit month and day", "", "1/2/2003 10:15:00 AM", "1/2/2003");
        row("two-digit month", "", "12/2/2003 10:15:00 AM", "12/2/2003");
        row("both two digits", "", "12/22/2003 10:15:00", "12/22/2003");
        row("two-digit day", "", "1/22/2003 9:05 PM", "1/22/2003");
        row("short text", "", "1/2", "1/2");
        row("US file", "en_US", "", "3/5/2026");
        row("German file", "de_DE", "", "05.03.2026");
    }
    void dateText()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        const QDateTime modified(QDate(2026, 3, 5), QTime(22, 15));
        QTEST(locale.isEmpty() ? AboutDate::CutFileDate(text) : AboutDate::FileDateText(modified, QLocale(locale)),
              "shown");
        QCOMPARE(AboutDate::VersionText(2, 5, 12) + AboutDate::VersionNumber(1, 0, 1), "Version: 2.05.0012*1.00.0001");
    }

    void firstOpening_data()
    {
        QTest::addColumn<Opening>("o");
        const int yes = int(Dialogs::Answer::Yes), no = int(Dialogs::Answer::No);
        QTest::newRow("update never written") << Opening{"", "", "", 0, false};
        QTest::newRow("update not 0 or 1") << Opening{"", "2", "01-01-2020", 0, false};
        QTest::newRow("31 days, yes") << Opening{"", "1", "02-12-2026", yes, false};
        QTest::newRow("31 days, no") << Opening{"", "1", "02-12-2026", no, true};
        QTest::newRow("exactly 30 days") << Opening{"", "1", "02-13-2026", 0, true};
        QTest::newRow("future date") << Opening{"", "1", "12-01-2026", 0, true};
        QTest::newRow("empty date") << Opening{"", "1", "", 0, false};
        QTest::newRow("other order") << Opening{"", "1", "2026/01/01", 0, false};
        QTest::newRow("one-digit month") << Opening{"", "1", "2-12-2026", 0, false};
        QTest::newRow("trailing text") << Opening{"", "1", "02-12-2026x", 0, false};
        QTest::newRow("no such day") << Opening{"", "1", "02-31-2025", 0, false};
        // Closing the splash early skips the reminder; a click on its background runs it.
        QTest::newRow("label click") << Opening{"label", "1", "01-01-2026", 0, true};
        QTest::newRow("escape") << Opening{"escape", "1", "01-01-2026", 0, true};
        QTest::newRow("destroyed by its owner") << Opening{"owner", "1", "01-01-2026", 0, true};
        QTest::newRow("background click") << Opening{"background", "1", "01-01-2026", no, true};
    }
    void firstOpening()
    {
        QFETCH(Opening, o);
        const auto &[close, update, date, answer, dateKept] = o;
        if (!update.isEmpty())
            store(update, date);
        m_dialogs.answers << Dialogs::Answer(answer);
        const bool on = update == QLatin1String("1"), opened = Dialogs::Answer(answer) == Dialogs::Answer::Yes;

        auto dlg = openAbout();
        QVERIFY(dlg->height() == frmAbout::CompactHeight()
                && dlg->findChild<QPushButton *>("cmdOK")->y() >= dlg->height());
        QCOMPARE(dlg->findChild<QLabel *>("lblVersion")->text(), "Version: " + Version + u'*');
        auto *timer = dlg->findChild<QTimer *>("Timer1");
        QVERIFY(timer->isActive() && timer->interval() == 100);
        timer->stop();   // ticks are driven by hand
        QCOMPARE(dlg->findChild<QCheckBox *>("chkUp")->isChecked(), on);
        QCOMPARE(setting("Update"), on ? "1" : "0");
        for (int i = 0; i < (close.isEmpty() ? 10 : 1); ++i)
            dlg->Timer1_Timer();
        QVERIFY(dlg->isVisible() && m_dialogs.messages.isEmpty());

        const QDeadlineTimer wait(frmAbout::UpdateWaitMs * 95 / 100);   // a coarse timer may end 5% early
        if (close == QLatin1String("label"))
            QTest::mouseClick(dlg->findChild<QLabel *>("lblTitle"), Qt::LeftButton);
        else if (close == QLatin1String("escape"))
            QTest::keyClick(dlg.get(), Qt::Key_Escape);
        else if (close == QLatin1String("background"))
            QTest::mouseClick(dlg.get(), Qt::LeftButton, {}, QPoint(378, 100));
        else if (close == QLatin1String("owner"))
            dlg.reset();
        for (int i = 0; dlg && i < (close.isEmpty() ? 1 : 20); ++i)
            dlg->Timer1_Timer();
        QVERIFY(frmAbout::AboutSeen() && m_sounds.played.isEmpty()
                && (!dlg || (dlg->isUnloaded() && !dlg->isVisible())));
        QCOMPARE(setting("UpdateDate"), dateKept ? date : QStringLiteral("03-15-2026"));
        QCOMPARE(m_urls, opened ? QList<QUrl>{QUrl(AppInfo::UpdatePage + "Quillon.htm")} : QList<QUrl>{});
        QCOMPARE(main()->isMinimized(), opened);
        QStringList texts;
        if (answer)
            texts << "Its been over 30 days since you last checked for an update.\nDo you wish to do it now?";
        if (opened) {
            QVERIFY(wait.hasExpired());
            texts << "Your Version: " + Version;
        }
        QCOMPARE(m_dialogs.texts(), texts);
        QVERIFY(!answer
                || (m_dialogs.messages[0].style == (Dialogs::Style::YesNo | Dialogs::Style::Question)
                    && m_dialogs.messages[0].title == AppInfo::AppName));
    }

    void secondOpening()
    {
        openAbout()->cmdOK_Click();
        store(QStringLiteral("1"), QStringLiteral("01-01-2020"));
        auto dlg = openAbout();
        QCOMPARE(dlg->size(), QSize(383, frmAbout::WholeHeight()));
        QCOMPARE(m_sounds.played, QStringList{"RestoreUp/1"});
        QVERIFY(!dlg->findChild<QTimer *>("Timer1")->isActive());   // no splash
        QVERIFY(dlg->isVisible() && m_dialogs.messages.isEmpty());

        // Switching the reminder off writes at once; closing then stores today.
        dlg->findChild<QCheckBox *>("chkUp")->click();
        QCOMPARE(setting("Update"), QStringLiteral("0"));
        m_clock.date = QDate(2026, 4, 2);
        dlg->findChild<QPushButton *>("cmdOK")->click();
        QCOMPARE(m_sounds.played, (QStringList{"RestoreUp/1", "RestoreDown/16"}));
        QCOMPARE(setting("UpdateDate"), QStringLiteral("04-02-2026"));
    }

    // On the test screen (800 x 800), a dialog of 383 x 199: centred on the player and kept on the
    // screen; with the player hidden, centred across and an eighth down.
    void position_data()
    {
        QTest::addColumn<QRect>("player");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QPoint>("at");
        QTest::newRow("past top left") << QRect(-100, -50, 421, 164) << true << QPoint(0, 0);
        QTest::newRow("past bottom right") << QRect(499, 699, 421, 164) << true << QPoint(417, 601);
        QTest::newRow("centred") << QRect(150, 150, 421, 164) << true << QPoint(169, 133);
        QTest::newRow("main hidden") << QRect(0, 0, 421, 164) << false << QPoint(208, 75);
    }
    void position()
    {
        QFETCH(QRect, player);
        QFETCH(bool, visible);
        QCOMPARE(QGuiApplication::primaryScreen()->virtualGeometry(), QRect(0, 0, 800, 800));
        main()->setGeometry(player);
        main()->setVisible(visible);
        const auto dlg = openAbout();
        QCOMPARE(dlg->size(), QSize(383, 199));
        QTEST(dlg->pos(), "at");
    }

    void help()
    {
        SetHelpFile(QString());
        ShowHelp(main(), HelpCommand::ShowTopic, 16, m_dialogs);
        ShowHelp(main(), HelpCommand::Quit, 0, m_dialogs);
        QCOMPARE(m_dialogs.count(QStringLiteral("There is no Help associated with this project.")), 2);
        QCOMPARE(m_dialogs.messages.first().style, Dialogs::Style::Information);
        QVERIFY(!main()->findChild<QTextBrowser *>());
        SetHelpFile(QFINDTESTDATA("../help/Quillon.html"));
        ShowHelp(main(), HelpCommand::ShowTopic, 16, m_dialogs);
        ShowHelp(main(), HelpCommand::ShowTopic, 16, m_dialogs);
        const auto windows = main()->findChildren<QTextBrowser *>();
        QCOMPARE(windows.size(), 1);
        QPointer<QTextBrowser> help = windows.first();
        const QString text = help->document()->toPlainText().simplified();
        QVERIFY(help->isVisible() && text.contains(QLatin1String("The player")));
        QVERIFY(text.contains(QLatin1String("Previous (while a song plays, it starts that song again from its "
                                            "beginning; while stopped, it goes to the song before")));
        QCOMPARE(help->source().fragment(), QStringLiteral("topic16"));
        ShowHelp(main(), HelpCommand::Quit, 0, m_dialogs);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(help.isNull());
        ShowHelp(main(), HelpCommand::Quit, 0, m_dialogs);   // nothing left to close
        QCOMPARE(m_dialogs.messages.size(), 2);
        ShowHelp(main(), HelpCommand::ShowTopic, 16, m_dialogs);
        help = main()->findChild<QTextBrowser *>();
        QTest::keyClick(help, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(help.isNull());
    }
};

QTEST_MAIN(TestSoundWindow)
#include "test_sound_window.moc"
