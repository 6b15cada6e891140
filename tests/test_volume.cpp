#include "app/core/appinfo.h"
#include "components/core/settingsstore.h"
#include "components/core/wildcard.h"
#include "fakes/fakemixer.h"
#include "testenv.h"
#include "volume/midivol.h"
#include <QAbstractItemView>
#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

class RecordingSounds : public WindowSounds {
public:
    QStringList played;
    void play(const QString &sound, int flags) override { played << sound + QLatin1Char(':') + QString::number(flags); }
};

const QString NotSaved = QStringLiteral("<not saved>");

} // namespace

class TestVolume : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_settings;
    RecordingSounds m_sounds;
    std::unique_ptr<QWidget> m_player;
    QPointer<MidiVol> m_win;
    bool m_mixerAlive = false;

    // Opens a window on the given mixer (null: the factory gives none).
    MidiVol *open(FakeMixer *mixer, const QString &saved = NotSaved)
    {
        if (saved != NotSaved)
            m_settings->SetValue(AppInfo::AppletSection(), QStringLiteral("MixerSource"), saved);
        m_mixerAlive = mixer != nullptr;
        if (mixer)
            mixer->alive = &m_mixerAlive;
        Services s;
        s.settings = m_settings.get();
        s.sounds = &m_sounds;
        s.makeMixer = [mixer] { return std::unique_ptr<MixerControl>(mixer); };
        m_win = new MidiVol(s, m_player.get(), QPoint(300, 10));
        m_win->show();
        return m_win;
    }
    template <class T> T *child(const char *name) { return m_win->findChild<T *>(QLatin1String(name)); }
    QComboBox *combo() { return child<QComboBox>("cmbMixer"); }
    QSlider *slider() { return child<QSlider>("sldrVol"); }
    QCheckBox *mute() { return child<QCheckBox>("chkMute"); }
    QTimer *timer() { return child<QTimer>("tmrMix"); }

    QString saved() { return m_settings->GetValue(AppInfo::AppletSection(), QStringLiteral("MixerSource"), NotSaved); }
    QStringList entries()
    {
        QStringList l;
        for (int i = 0; i < combo()->count(); ++i)
            l << combo()->itemText(i);
        return l;
    }
    bool controlsEnabled() { return combo()->isEnabled() && slider()->isEnabled() && mute()->isEnabled(); }
    bool controlsDisabled() { return !combo()->isEnabled() && !slider()->isEnabled() && !mute()->isEnabled(); }

private slots:
    void initTestCase()
    {
        TestEnv::setUp();
        QVERIFY(m_dir.isValid());
    }
    void init()
    {
        QFile::remove(m_dir.filePath(QStringLiteral("settings.ini")));
        m_settings = std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("settings.ini")));
        m_sounds.played.clear();
        m_player = std::make_unique<QWidget>();
        m_player->move(100, 50);
    }
    void cleanup()
    {
        delete m_win;
        m_player.reset();
        m_settings.reset();
    }

    void wildcard_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("match");
        QTest::newRow("contains") << "Main Volume" << "*Main*" << true;
        QTest::newRow("case-sensitive") << "Main Volume" << "*main*" << false;
        QTest::newRow("whole text only") << "Main Volume" << "Main" << false;
        QTest::newRow("question one") << "Wave" << "W?ve" << true;
        QTest::newRow("hash digit") << "PCM 2" << "PCM #" << true;
        QTest::newRow("list") << "b" << "[abc]" << true;
        QTest::newRow("range") << "q" << "[a-z]" << true;
        QTest::newRow("negated") << "d" << "[!abc]" << true;
        QTest::newRow("negated range") << "b" << "[!a-c]" << false;
        QTest::newRow("hash not letter") << "PCM x" << "PCM #" << false;
        QTest::newRow("dash last is literal") << "-" << "[a-]" << true;
        QTest::newRow("unclosed bracket literal") << "[x" << "[x" << true;
        QTest::newRow("star must backtrack") << "abcbcd" << "a*bcd" << true;
        QTest::newRow("non-BMP one char") << QString::fromUtf8("a\xF0\x9F\x8E\xB5" "b") << "a?b" << true;
        QTest::newRow("empty pattern") << "" << "" << true;
        const QString many(200000, QLatin1Char('a'));
        QTest::newRow("long text, many stars") << many << "*a*a*a*a*a*a*a*a*a*a*a*a*b" << false;
        QTest::newRow("long text, match at end") << many + "b" << "*a*a*a*a*a*a*a*a*a*a*a*a*b" << true;
    }
    void wildcard()
    {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(bool, match);
        QCOMPARE(WildcardMatch(text, pattern), match);
    }

    void sourceChoice_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("expected");
        const QStringList mainWave{"Main Volume", "Wave"};
        QTest::newRow("nothing saved finds Main Volume") << NotSaved << mainWave << 1 << 0;
        QTest::newRow("Main saved") << "Main" << mainWave << 1 << 0;
        QTest::newRow("last match wins") << "Wave" << QStringList{"Wave", "Wave Out"} << 0 << 1;
        QTest::newRow("no match keeps mixer's source") << "Line" << mainWave << 1 << 1;
        QTest::newRow("case differs: no match") << "wave" << mainWave << 0 << 0;
        QTest::newRow("saved name is a pattern") << "W?ve" << mainWave << 0 << 1;
    }
    void sourceChoice()
    {
        QFETCH(QString, saved);
        QFETCH(QStringList, names);
        QFETCH(int, start);
        QFETCH(int, expected);
        auto *m = new FakeMixer(names);
        m->current = start;
        open(m, saved);
        QCOMPARE(entries(), names);
        QCOMPARE(m->current, expected);
        QCOMPARE(combo()->currentIndex(), expected);
        QVERIFY(controlsEnabled());
    }

    void userChoiceAppliedAndKept()
    {
        auto *m = new FakeMixer({"Main Volume", "Wave", "Line"});
        open(m);
        QCOMPARE(m->current, 0);
        combo()->setFocus();
        QTest::keyClick(combo(), Qt::Key_Down);   // the user picks "Wave"
        QCOMPARE(m_win->mixerSource(), QStringLiteral("Wave"));
        m_win->tmrMix_Timer();
        QCOMPARE(m->current, 1);
        // A new card rebuilds the list from code; the choice stays.
        m->device = QStringLiteral("Other Card");
        m->sources.insert(m->sources.begin(), FakeMixer::Source{"Headphone"});
        m_win->tmrMix_Timer();
        QCOMPARE(entries(), (QStringList{"Headphone", "Main Volume", "Wave", "Line"}));
        QCOMPARE(m->current, 2);
        QCOMPARE(combo()->currentText(), QStringLiteral("Wave"));
        m_win->close();
        QCOMPARE(saved(), QStringLiteral("Wave"));
    }

    void idleClose_data()
    {
        QTest::addColumn<QString>("events");   // T tick, M mouse over window, S mouse over slider
        QTest::addColumn<bool>("open");
        QTest::newRow("three ticks") << "TTT" << true;
        QTest::newRow("fourth tick closes") << "TTTT" << false;
        QTest::newRow("window move resets") << "TTTMTTT" << true;
        QTest::newRow("then left alone") << "TTTMTTTT" << false;
        QTest::newRow("slider move resets") << "TTSTTTSTTT" << true;
    }
    void idleClose()
    {
        QFETCH(QString, events);
        QFETCH(bool, open);
        this->open(new FakeMixer({"Main Volume"}));
        int moves = 0;
        for (QChar c : events) {
            ++moves;   // each move goes somewhere new, or no event is sent
            if (c == 'T')
                m_win->tmrMix_Timer();
            else if (c == 'M')
                QTest::mouseMove(m_win, QPoint(2, moves));
            else
                QTest::mouseMove(slider(), QPoint(20 + moves, 10));
        }
        QCOMPARE(m_win->isVisible(), open);
        QCOMPARE(m_mixerAlive, open);
    }

    void timerOffWhileBrowsing()
    {
        auto *m = new FakeMixer({"Main Volume", "Wave"});
        m->sources[0].volume = 1000;
        open(m);
        QVERIFY(timer()->isActive());
        combo()->showPopup();
        QVERIFY(!timer()->isActive());
        combo()->hidePopup();   // closed without a choice
        QVERIFY(timer()->isActive());
        combo()->showPopup();
        combo()->view()->window()->hide();   // taken away by the window system
        QVERIFY(timer()->isActive());

        QTest::mousePress(slider(), Qt::LeftButton, {}, QPoint(slider()->width() - 5, slider()->height() / 2));
        QVERIFY(!timer()->isActive());
        QVERIFY(m->volumeWrites.isEmpty());
        QTest::mouseRelease(slider(), Qt::LeftButton, {}, QPoint(slider()->width() - 5, slider()->height() / 2));
        QVERIFY(timer()->isActive());
        QCOMPARE(m->volumeWrites, QList<int>{slider()->value()});
        QVERIFY(slider()->value() > 1000);

        slider()->setFocus();
        QTest::keyClick(slider(), Qt::Key_PageDown);   // keys move the slider only
        QCOMPARE(m->volumeWrites.size(), 1);

        mute()->click();
        QCOMPARE(m->sources[0].mute, 1);
        QVERIFY(timer()->isActive());
    }

    void sourceWithoutMute()
    {
        auto *m = new FakeMixer({"Main Volume"});
        m->sources[0].hasMute = false;
        m->sources[0].mute = 1;
        open(m);
        QVERIFY(!mute()->isEnabled());
        QVERIFY(mute()->isChecked());
        QVERIFY(combo()->isEnabled() && slider()->isEnabled());
        QVERIFY(m->muteWrites.isEmpty());
    }

    void noMixer_data()
    {
        QTest::addColumn<bool>("component");
        QTest::newRow("mixer without device") << true;
        QTest::newRow("no mixer component") << false;
    }
    void noMixer()
    {
        QFETCH(bool, component);
        auto *m = component ? new FakeMixer({"Main Volume"}, QString()) : nullptr;
        open(m, QStringLiteral("Wave"));
        m_win->tmrMix_Timer();
        QVERIFY(controlsDisabled());
        QVERIFY(child<QPushButton>("cmdClose")->isEnabled());
        QVERIFY(!timer()->isActive());
        QVERIFY(m_win->isVisible());
        m_win->close();
        QCOMPARE(saved(), QStringLiteral("Wave"));   // the saved name survives
    }

    void unloadOnce()
    {
        open(new FakeMixer({"Main Volume", "Wave"}), QStringLiteral("Wave"));
        QCOMPARE(m_win->pos(), QPoint(400, 60));
        m_settings->SetValue(AppInfo::AppletSection(), QStringLiteral("MixerSource"), QStringLiteral("x"));
        m_win->close();
        m_win->close();
        QCOMPARE(saved(), QStringLiteral("Wave"));
        QVERIFY(!m_mixerAlive);
        QCOMPARE(m_sounds.played, (QStringList{"RestoreUp:17", "RestoreDown:17"}));
    }

    void failingMixer_data()
    {
        QTest::addColumn<QString>("op");
        for (const char *op : {"DeviceName", "SourceCount", "SourceName", "Volume", "VolumeEnabled",
                               "Mute", "MuteEnabled", "SetVolume", "SetMute"})
            QTest::newRow(op) << QString::fromLatin1(op);
    }
    void failingMixer()
    {
        QFETCH(QString, op);
        auto *m = new FakeMixer({"Main Volume", "Wave"});
        open(m);
        m->failing << op;
        if (op == "SourceCount" || op == "SourceName")
            m->device = QStringLiteral("New Card");   // so the list is read again
        if (op == "SetVolume") {
            QTest::mousePress(slider(), Qt::LeftButton, {}, QPoint(5, 5));
            QTest::mouseRelease(slider(), Qt::LeftButton, {}, QPoint(5, 5));
        } else if (op == "SetMute") {
            mute()->click();
        } else {
            m_win->tmrMix_Timer();
        }
        QVERIFY(m_win->isVisible());
        QVERIFY(controlsDisabled());
        QVERIFY(timer()->isActive());   // keeps trying, and still closes when left alone

        m->failing.clear();
        m_win->tmrMix_Timer();
        QVERIFY(controlsEnabled());
        QCOMPARE(entries(), (QStringList{"Main Volume", "Wave"}));
        QCOMPARE(combo()->currentIndex(), 0);
    }

    void valuesClamped_data()
    {
        QTest::addColumn<int>("volume");
        QTest::addColumn<int>("muteValue");
        QTest::addColumn<int>("slider");
        QTest::addColumn<bool>("checked");
        QTest::newRow("in range") << 30000 << 1 << 30000 << true;
        QTest::newRow("too loud") << 70000 << 0 << 65535 << false;
        QTest::newRow("negative") << -5 << 7 << 0 << true;
        QTest::newRow("mute negative") << 10 << -1 << 10 << false;
    }
    void valuesClamped()
    {
        QFETCH(int, volume);
        QFETCH(int, muteValue);
        QFETCH(int, slider);
        QFETCH(bool, checked);
        auto *m = new FakeMixer({"Main Volume"});
        m->sources[0].volume = volume;
        m->sources[0].mute = muteValue;
        open(m);
        QCOMPARE(this->slider()->value(), slider);
        QCOMPARE(mute()->isChecked(), checked);
        for (int w : m->muteWrites)
            QVERIFY(w == 0 || w == 1);
    }
};

QTEST_MAIN(TestVolume)
#include "test_volume.moc"
