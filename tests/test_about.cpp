#include "about/core/aboutdate.h"
#include "about/frmabout.h"
#include "app/core/appinfo.h"
#include "app/showhelp.h"
#include "fakes/fakeclock.h"
#include "fakes/fakedialogs.h"
#include "testenv.h"
#include <QtTest>
#include <QtWidgets>

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
Q_DECLARE_METATYPE(Opening)

const QString Version = AboutDate::VersionNumber(AppInfo::VersionMajor, AppInfo::VersionMinor,
                                                 AppInfo::VersionRevision);

class TestAbout : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;
    FakeDialogs m_dialogs;
    FakeClock m_clock;
    RecordingSounds m_sounds;
    QList<QUrl> m_urls;
    std::unique_ptr<QWidget> m_main;

    std::unique_ptr<frmAbout> openAbout()
    {
        Services s;
        s.settings = m_store.get();
        s.dialogs = &m_dialogs;
        s.sounds = &m_sounds;
        s.clock = &m_clock;
        s.programFile = QCoreApplication::applicationFilePath();
        auto dlg = std::make_unique<frmAbout>(s, m_main.get());
        dlg->show();
        return dlg;
    }
    void store(const QString &update, const QString &date)
    {
        m_store->SetValue(QStringLiteral("Quillon"), QStringLiteral("Update"), update);
        m_store->SetValue(QStringLiteral("Quillon"), QStringLiteral("UpdateDate"), date);
    }
    QString setting(const char *key) const
    {
        return m_store->GetValue(QStringLiteral("Quillon"), QLatin1String(key), {});
    }

public slots:
    void openUrl(const QUrl &url) { m_urls << url; }

private slots:
    void initTestCase()
    {
        TestEnv::setUp();
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    void init()
    {
        m_store = std::make_unique<SettingsStore>(m_dir.filePath(QUuid::createUuid().toString()));
        m_dialogs.clear();
        m_sounds.played.clear();
        m_urls.clear();
        m_clock.date = QDate(2026, 3, 15);
        frmAbout::ResetAboutSeen();
        m_main = std::make_unique<QWidget>();
        m_main->show();
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
    }

    void versionText()
    {
        QCOMPARE(AboutDate::VersionText(2, 5, 12), QStringLiteral("Version: 2.05.0012*"));
        QCOMPARE(AboutDate::VersionNumber(1, 0, 1), QStringLiteral("1.00.0001"));
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
        QCOMPARE(m_main->isMinimized(), opened);
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
        QTest::addColumn<QRect>("main");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QPoint>("at");
        QTest::newRow("past top left") << QRect(-100, -50, 421, 164) << true << QPoint(0, 0);
        QTest::newRow("past bottom right") << QRect(499, 699, 421, 164) << true << QPoint(417, 601);
        QTest::newRow("centred") << QRect(150, 150, 421, 164) << true << QPoint(169, 133);
        QTest::newRow("main hidden") << QRect(0, 0, 421, 164) << false << QPoint(208, 75);
    }
    void position()
    {
        QFETCH(QRect, main);
        QFETCH(bool, visible);
        QCOMPARE(QGuiApplication::primaryScreen()->virtualGeometry(), QRect(0, 0, 800, 800));
        m_main->setGeometry(main);
        m_main->setVisible(visible);
        const auto dlg = openAbout();
        QCOMPARE(dlg->size(), QSize(383, 199));
        QTEST(dlg->pos(), "at");
    }

    void help()
    {
        SetHelpFile(QString());
        ShowHelp(m_main.get(), HelpCommand::ShowTopic, 16, m_dialogs);
        ShowHelp(m_main.get(), HelpCommand::Quit, 0, m_dialogs);
        QCOMPARE(m_dialogs.count(QStringLiteral("There is no Help associated with this project.")), 2);
        QCOMPARE(m_dialogs.messages.first().style, Dialogs::Style::Information);
        QVERIFY(!m_main->findChild<QTextBrowser *>());
        SetHelpFile(QFINDTESTDATA("../help/Quillon.html"));
        ShowHelp(m_main.get(), HelpCommand::ShowTopic, 16, m_dialogs);
        ShowHelp(m_main.get(), HelpCommand::ShowTopic, 16, m_dialogs);
        const auto windows = m_main->findChildren<QTextBrowser *>();
        QCOMPARE(windows.size(), 1);
        QPointer<QTextBrowser> help = windows.first();
        const QString text = help->document()->toPlainText().simplified();
        QVERIFY(help->isVisible() && text.contains(QLatin1String("The player")));
        QVERIFY(text.contains(QLatin1String("Previous (while a song plays, it starts that song again from its "
                                            "beginning; while stopped, it goes to the song before")));
        QCOMPARE(help->source().fragment(), QStringLiteral("topic16"));
        ShowHelp(m_main.get(), HelpCommand::Quit, 0, m_dialogs);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(help.isNull());
        ShowHelp(m_main.get(), HelpCommand::Quit, 0, m_dialogs);   // nothing left to close
        QCOMPARE(m_dialogs.messages.size(), 2);
        ShowHelp(m_main.get(), HelpCommand::ShowTopic, 16, m_dialogs);
        help = m_main->findChild<QTextBrowser *>();
        QTest::keyClick(help, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(help.isNull());
    }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
