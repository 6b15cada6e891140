#include "app/core/appinfo.h"
#include "components/core/wildcard.h"
#include "fakes/fakemixer.h"
#include "testenv.h"
#include "volume/midivol.h"
#include <QtTest>
#include <QtWidgets>

namespace {
// Saved source, the mixer's sources, the one chosen and its values; mute -2: the
// source has no mute switch, and is muted.
struct Load {
    QString saved;
    QStringList names;
    int expected, volume, mute, slider;
};
}
Q_DECLARE_METATYPE(Load)

class TestVolume : public QObject {
    Q_OBJECT

    std::unique_ptr<SettingsStore> m_settings;
    QPointer<MidiVol> m_win;

    // Opens a window on the mixer (null: the factory gives none); an empty name saves nothing.
    void open(FakeMixer *mixer, const QString &saved = {})
    {
        if (!saved.isEmpty())
            m_settings->SetValue(AppInfo::AppletSection(), QStringLiteral("MixerSource"), saved);
        Services s;
        s.settings = m_settings.get();
        s.makeMixer = [mixer] { return std::unique_ptr<MixerControl>(mixer); };
        m_win = new MidiVol(s, nullptr, QPoint(300, 10));
        m_win->show();
    }
    QComboBox *combo() { return m_win->findChild<QComboBox *>("cmbMixer"); }
    QSlider *slider() { return m_win->findChild<QSlider *>("sldrVol"); }
    QCheckBox *mute() { return m_win->findChild<QCheckBox *>("chkMute"); }
    bool timerOn() { return m_win->findChild<QTimer *>("tmrMix")->isActive(); }
    int enabledControls() { return combo()->isEnabled() + slider()->isEnabled() + mute()->isEnabled(); }
    QString saved() { return m_settings->GetValue(AppInfo::AppletSection(), QStringLiteral("MixerSource"), {}); }

private slots:
    void initTestCase() { TestEnv::setUp(); }
    void init()
    {
        m_settings = std::make_unique<SettingsStore>(TestEnv::root() + u'/' + QUuid::createUuid().toString());
    }
    void cleanup() { delete m_win; }

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
        open(m, l.saved);
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
        open(new FakeMixer({"Main Volume", "Wave"}));
        for (int i = 0; i < events.size(); ++i)   // each move goes somewhere new, or no event is sent
            if (events[i] == u'T')
                m_win->tmrMix_Timer();
            else if (events[i] == u'D')
                QTest::keyClick(combo(), Qt::Key_Down);
            else
                QTest::mouseMove(events[i] == u'M' ? static_cast<QWidget *>(m_win) : slider(), QPoint(2 + i, 10));
        QCOMPARE(m_win->isVisible(), saved.isEmpty());
        QCOMPARE(this->saved(), saved);
    }

    void timerOffWhileBrowsing()
    {
        auto *m = new FakeMixer({"Main Volume", "Wave"});
        open(m);
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
        open(m, QStringLiteral("Wave"));
        if (failing)
            m->failing << op;
        if (op == "SourceCount" || op == "SourceName")
            m->device = QStringLiteral("New Card");   // so the list is read again
        if (op == "SetVolume")
            QTest::mouseClick(slider(), Qt::LeftButton, {}, QPoint(5, 5));
        else if (op == "SetMute")
            mute()->click();
        else
            m_win->tmrMix_Timer();
        QCOMPARE(enabledControls(), 0);
        QVERIFY(m_win->isVisible() && m_win->findChild<QPushButton *>("cmdClose")->isEnabled());
        QCOMPARE(timerOn(), failing);
        if (failing) {
            m->failing.clear();
            m_win->tmrMix_Timer();
            QVERIFY(enabledControls() == 3 && combo()->count() == 2 && combo()->currentText() == "Wave");
        } else {
            m_win->close();
            QCOMPARE(saved(), QStringLiteral("Wave"));   // nothing chosen, nothing overwritten
        }
    }
};

QTEST_MAIN(TestVolume)
#include "test_volume.moc"
