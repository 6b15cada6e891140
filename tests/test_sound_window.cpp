#include "components/core/soundsettings.h"
#include "fakes/fakedialogs.h"
#include "sound/frmsound.h"
#include "testenv.h"
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

    SoundConfig config;
    QStringList banks, refused;
    QList<SoundConfig> applied;
};
}

class TestSoundWindow : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_settings;
    FakeSound m_sound;
    FakeDialogs m_dialogs;
    QPointer<FrmSound> m_win;
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
    void cleanup() { delete m_win; }

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
        open();
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
        open();
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

    // Beside the player, never over it, and whole on the screen wherever the player is.
    void placedBesideThePlayer_data()
    {
        QTest::addColumn<QPointF>("player");   // where on the screen, as parts of its free room
        QTest::addColumn<QString>("side");
        QTest::newRow("top left") << QPointF(0, 0) << "below";
        QTest::newRow("bottom right") << QPointF(1, 1) << "above";
        QTest::newRow("right edge, half way down") << QPointF(1, 0.5) << "left";
    }
    void placedBesideThePlayer()
    {
        QFETCH(QPointF, player);
        QFETCH(QString, side);
        const QRect desk = QGuiApplication::primaryScreen()->availableVirtualGeometry();
        QWidget strip;
        strip.setGeometry(QRect(
            desk.topLeft() + QPoint(int(player.x() * (desk.width() - 300)), int(player.y() * (desk.height() - 40))),
            QSize(300, 40)));
        strip.show();
        open(&strip);
        const QRect win = m_win->frameGeometry(), p = strip.frameGeometry();
        QVERIFY(desk.contains(win));
        QVERIFY(!win.intersects(p));
        const QString got = win.top() > p.bottom()   ? "below"
                            : win.bottom() < p.top() ? "above"
                            : win.right() < p.left() ? "left"
                                                     : "right";
        QCOMPARE(got, side);
    }
};

QTEST_MAIN(TestSoundWindow)
#include "test_sound_window.moc"
