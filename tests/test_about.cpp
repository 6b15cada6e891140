#include "about/core/aboutdate.h"
#include "about/frmabout.h"
#include "about/frmaboutsoft.h"
#include "app/core/appinfo.h"
#include "app/showhelp.h"
#include "app/sysinfo.h"
#include "fakes/fakeclock.h"
#include "fakes/fakedialogs.h"
#include "testenv.h"
#include <QCheckBox>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

namespace {

class RecordingSounds : public WindowSounds {
public:
    void play(const QString &sound, int flags) override
    {
        played << QStringLiteral("%1/%2").arg(sound).arg(flags);
    }
    QStringList played;
};

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

const QString Family = QStringLiteral("Quillon");

} // namespace

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void dateCut_data();
    void dateCut();
    void fileDate_data();
    void fileDate();
    void updateDateForm_data();
    void updateDateForm();
    void versionText();

    void firstOpening_data();
    void firstOpening();
    void closedSplashAsksNothing_data();
    void closedSplashAsksNothing();
    void secondOpening();
    void position_data();
    void position();
    void browserMissing();

    void help();
    void sysInfo();
    void softNotice();

private:
    std::unique_ptr<frmAbout> openAbout();
    QString setting(const QString &key) const
    {
        return m_store->GetValue(Family, key, QStringLiteral("<none>"));
    }

    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;
    FakeDialogs m_dialogs;
    FakeClock m_clock{QDate(2026, 3, 15)};
    RecordingSounds m_sounds;
    UrlCatcher m_urls;
    std::unique_ptr<QWidget> m_main;
    Services m_services;
};

void TestAbout::initTestCase()
{
    TestEnv::setUp();
    QVERIFY(m_dir.isValid());
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_urls, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &m_urls, "open");
}

void TestAbout::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
}

void TestAbout::init()
{
    static int n = 0;
    m_store = std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("s%1.ini").arg(++n)));
    m_dialogs.clear();
    m_sounds.played.clear();
    m_urls.urls.clear();
    m_clock.date = QDate(2026, 3, 15);
    frmAbout::ResetAboutSeen();
    m_main = std::make_unique<QWidget>();
    m_main->setGeometry(200, 200, 421, 164);
    m_main->show();
    m_services = Services{};
    m_services.settings = m_store.get();
    m_services.dialogs = &m_dialogs;
    m_services.sounds = &m_sounds;
    m_services.clock = &m_clock;
    m_services.programFile = QCoreApplication::applicationFilePath();
}

void TestAbout::cleanup()
{
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_urls, "open");
    m_main.reset();
}

std::unique_ptr<frmAbout> TestAbout::openAbout()
{
    auto dlg = std::make_unique<frmAbout>(m_services, m_main.get());
    dlg->show();
    return dlg;
}

void TestAbout::dateCut_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("one-digit month and day") << "1/2/2003 10:15:00 AM" << "1/2/2003";
    QTest::newRow("two-digit month") << "12/2/2003 10:15:00 AM" << "12/2/2003";
    QTest::newRow("both two digits") << "12/22/2003 10:15:00" << "12/22/2003";
    QTest::newRow("two-digit day") << "1/22/2003 9:05 PM" << "1/22/2003";
    QTest::newRow("short text") << "1/2" << "1/2";
}

void TestAbout::dateCut()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(AboutDate::CutFileDate(text), shown);
}

void TestAbout::fileDate_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("shown");
    const QDateTime t(QDate(2026, 3, 5), QTime(22, 15));
    QTest::newRow("US") << QLocale(QLocale::English, QLocale::UnitedStates) << "3/5/2026";
    QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "05.03.2026";
    QTest::newRow("Swedish ISO") << QLocale(QLocale::Swedish, QLocale::Sweden) << "2026-03-05";
    QTest::newRow("this platform") << QLocale() << QLocale().toString(t.date(), [] {
        QString f = QLocale().dateFormat(QLocale::ShortFormat);
        return f.contains(QLatin1String("yyyy")) ? f : f.replace(QLatin1String("yy"),
                                                                  QLatin1String("yyyy"));
    }());
}

void TestAbout::fileDate()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, shown);
    const QDateTime t(QDate(2026, 3, 5), QTime(22, 15));
    const QString text = AboutDate::FileDateText(t, locale);
    QCOMPARE(text, shown);
    // Never a piece of the time.
    QVERIFY(!text.contains(QLatin1String("22")));
}

void TestAbout::updateDateForm_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    QTest::newRow("written example") << "07-04-2003" << QDate(2003, 7, 4);
    QTest::newRow("leap day") << "02-29-2024" << QDate(2024, 2, 29);
    QTest::newRow("no such day") << "02-30-2026" << QDate();
    QTest::newRow("month 13") << "13-01-2026" << QDate();
    QTest::newRow("one digit") << "7-4-2003" << QDate();
    QTest::newRow("other order") << "2003-07-04" << QDate();
    QTest::newRow("trailing text") << "07-04-2003x" << QDate();
    QTest::newRow("empty") << "" << QDate();
}

void TestAbout::updateDateForm()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(AboutDate::ParseUpdateDate(text), date);
    if (date.isValid())
        QCOMPARE(AboutDate::FormatUpdateDate(date), text);
}

void TestAbout::versionText()
{
    QCOMPARE(AboutDate::VersionText(2, 5, 12), QStringLiteral("Version: 2.05.0012*"));
    QCOMPARE(AboutDate::VersionNumber(1, 0, 1), QStringLiteral("1.00.0001"));
    auto dlg = openAbout();
    QCOMPARE(dlg->findChild<QLabel *>(QStringLiteral("lblVersion"))->text(),
             AboutDate::VersionText(AppInfo::VersionMajor, AppInfo::VersionMinor,
                                    AppInfo::VersionRevision));
    const QString date = dlg->findChild<QLabel *>(QStringLiteral("lblDate"))->text();
    QVERIFY(!date.isEmpty());
    QCOMPARE(date, AboutDate::FileDateText(
                       QFileInfo(QCoreApplication::applicationFilePath()).lastModified(),
                       QLocale()));
}

void TestAbout::firstOpening_data()
{
    QTest::addColumn<QString>("update");     // "<none>": never written
    QTest::addColumn<QString>("updateDate"); // "<none>": never written
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("dateAfter");  // "today", or the text expected
    QTest::addColumn<bool>("pageOpened");

    const QString today = QStringLiteral("03-15-2026");
    QTest::newRow("update never written") << "<none>" << "<none>" << 0 << false << today << false;
    QTest::newRow("31 days, yes") << "1" << "02-12-2026" << int(Dialogs::Yes) << true << today
                                  << true;
    QTest::newRow("31 days, no") << "1" << "02-12-2026" << int(Dialogs::No) << true
                                 << "02-12-2026" << false;
    QTest::newRow("exactly 30 days") << "1" << "02-13-2026" << 0 << false << "02-13-2026"
                                     << false;
    QTest::newRow("a year ago") << "1" << "03-15-2025" << int(Dialogs::No)
                                                 << true << "03-15-2025" << false;
    QTest::newRow("empty date") << "1" << "" << 0 << false << today << false;
    QTest::newRow("invalid date") << "1" << "2026/01/01" << 0 << false << today << false;
    QTest::newRow("impossible date") << "1" << "02-31-2025" << 0 << false << today << false;
    QTest::newRow("future date") << "1" << "12-01-2026" << 0 << false << "12-01-2026" << false;
    QTest::newRow("update not 0 or 1") << "2" << "01-01-2020" << 0 << false << today << false;
}

void TestAbout::firstOpening()
{
    QFETCH(QString, update);
    QFETCH(QString, updateDate);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(QString, dateAfter);
    QFETCH(bool, pageOpened);
    if (update != QLatin1String("<none>"))
        m_store->SetValue(Family, QStringLiteral("Update"), update);
    if (updateDate != QLatin1String("<none>"))
        m_store->SetValue(Family, QStringLiteral("UpdateDate"), updateDate);
    if (answer)
        m_dialogs.answers.enqueue(answer);

    auto dlg = openAbout();
    QCOMPARE(dlg->height(), frmAbout::CompactHeight());
    QVERIFY(dlg->findChild<QPushButton *>(QStringLiteral("cmdOK"))->y() >= dlg->height());
    auto *timer = dlg->findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 100);
    timer->stop(); // ticks are driven by hand below
    QCOMPARE(dlg->findChild<QCheckBox *>(QStringLiteral("chkUp"))->isChecked(),
             update == QLatin1String("1"));
    QCOMPARE(setting(QStringLiteral("Update")), update == QLatin1String("1") ? "1" : "0");

    for (int i = 0; i < 10; ++i)
        dlg->Timer1_Timer();
    QVERIFY(dlg->isVisible());
    QVERIFY(m_dialogs.messages.isEmpty());

    QElapsedTimer took;
    took.start();
    dlg->Timer1_Timer();
    QVERIFY(!dlg->isVisible());
    QVERIFY(dlg->isUnloaded());
    QVERIFY(frmAbout::AboutSeen());
    QVERIFY(m_sounds.played.isEmpty());

    QCOMPARE(m_dialogs.shown(QStringLiteral("Its been over 30 days")), asked);
    if (asked) {
        const FakeDialogs::Message &q = m_dialogs.messages.first();
        QCOMPARE(q.style, 36);
        QCOMPARE(q.title, AppInfo::AppName);
        QVERIFY(q.text.contains(QLatin1String("\nDo you wish to do it now?")));
    }
    QCOMPARE(setting(QStringLiteral("UpdateDate")), dateAfter);
    QCOMPARE(m_urls.urls.size(), pageOpened ? 1 : 0);
    QCOMPARE(m_main->isMinimized(), pageOpened);
    if (pageOpened) {
        QCOMPARE(m_urls.urls.first(),
                 QUrl(AppInfo::UpdatePage + QStringLiteral("Quillon.htm")));
        QVERIFY(took.elapsed() >= frmAbout::UpdateWaitMs - 50);
        QCOMPARE(m_dialogs.messages.last().text,
                 QStringLiteral("Your Version: ") +
                     AboutDate::VersionNumber(AppInfo::VersionMajor, AppInfo::VersionMinor,
                                              AppInfo::VersionRevision));
    }
    QCOMPARE(m_dialogs.messages.size(), (asked ? 1 : 0) + (pageOpened ? 1 : 0));
}

void TestAbout::closedSplashAsksNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("label click") << "label";
    QTest::newRow("escape") << "escape";
    QTest::newRow("destroyed by its owner") << "owner";
}

void TestAbout::closedSplashAsksNothing()
{
    QFETCH(QString, how);
    m_store->SetValue(Family, QStringLiteral("Update"), QStringLiteral("1"));
    m_store->SetValue(Family, QStringLiteral("UpdateDate"), QStringLiteral("01-01-2026"));
    auto dlg = openAbout();
    auto *timer = dlg->findChild<QTimer *>(QStringLiteral("Timer1"));
    dlg->Timer1_Timer();
    if (how == QLatin1String("label")) {
        QTest::mouseClick(dlg->findChild<QLabel *>(QStringLiteral("lblTitle")), Qt::LeftButton);
    } else if (how == QLatin1String("escape")) {
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
    } else {
        dlg.reset();
        QVERIFY(frmAbout::AboutSeen());
        QVERIFY(m_dialogs.messages.isEmpty());
        return;
    }
    QVERIFY(dlg->isUnloaded());
    QVERIFY(!timer->isActive());
    for (int i = 0; i < 20; ++i)
        dlg->Timer1_Timer();
    QVERIFY(m_dialogs.messages.isEmpty());
    QVERIFY(frmAbout::AboutSeen());
    QCOMPARE(setting(QStringLiteral("UpdateDate")), QStringLiteral("01-01-2026"));

    // The background of the compact window instead runs the reminder at once.
    frmAbout::ResetAboutSeen();
    auto again = openAbout();
    QTest::mouseClick(again.get(), Qt::LeftButton, {}, QPoint(378, 100));
    QVERIFY(again->isUnloaded());
    QCOMPARE(m_dialogs.count(QStringLiteral("Its been over 30 days")), 1);
}

void TestAbout::secondOpening()
{
    {
        auto first = openAbout();
        first->cmdOK_Click();
    }
    QVERIFY(frmAbout::AboutSeen());
    QVERIFY(m_sounds.played.isEmpty());
    QCOMPARE(setting(QStringLiteral("UpdateDate")), QStringLiteral("03-15-2026"));

    m_store->SetValue(Family, QStringLiteral("Update"), QStringLiteral("1"));
    m_store->SetValue(Family, QStringLiteral("UpdateDate"), QStringLiteral("01-01-2020"));
    auto dlg = openAbout();
    QCOMPARE(dlg->size(), QSize(383, frmAbout::WholeHeight()));
    QCOMPARE(dlg->minimumSize(), dlg->maximumSize());
    QCOMPARE(m_sounds.played, QStringList{QStringLiteral("RestoreUp/1")});
    QVERIFY(!dlg->findChild<QTimer *>(QStringLiteral("Timer1"))->isActive());
    QTest::qWait(1500);
    QVERIFY(dlg->isVisible());
    QVERIFY(m_dialogs.messages.isEmpty());

    // Switching the reminder off writes at once; closing then stores today.
    auto *chk = dlg->findChild<QCheckBox *>(QStringLiteral("chkUp"));
    QVERIFY(chk->isChecked());
    chk->click();
    QCOMPARE(setting(QStringLiteral("Update")), QStringLiteral("0"));
    m_clock.date = QDate(2026, 4, 2);
    dlg->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
    dlg->close();
    dlg.reset();
    QCOMPARE(m_sounds.played,
             (QStringList{QStringLiteral("RestoreUp/1"), QStringLiteral("RestoreDown/16")}));
    QCOMPARE(setting(QStringLiteral("UpdateDate")), QStringLiteral("04-02-2026"));
}

void TestAbout::position_data()
{
    QTest::addColumn<QRect>("mainGeometry");
    QTest::addColumn<bool>("mainVisible");
    QTest::addColumn<bool>("whole");
    const QRect desk = QGuiApplication::primaryScreen()->virtualGeometry();
    QTest::newRow("right edge") << QRect(desk.right() - 300, 100, 421, 164) << true << true;
    QTest::newRow("left edge") << QRect(desk.left() - 100, 100, 421, 164) << true << false;
    QTest::newRow("bottom edge") << QRect(100, desk.bottom() - 100, 421, 164) << true << true;
    QTest::newRow("top edge") << QRect(100, desk.top() - 50, 421, 164) << true << true;
    QTest::newRow("centred") << QRect(150, 150, 421, 164) << true << false;
    QTest::newRow("main hidden") << QRect(0, 0, 421, 164) << false << false;
}

void TestAbout::position()
{
    QFETCH(QRect, mainGeometry);
    QFETCH(bool, mainVisible);
    QFETCH(bool, whole);
    const QRect desk = QGuiApplication::primaryScreen()->virtualGeometry();
    m_main->setGeometry(mainGeometry);
    m_main->setVisible(mainVisible);
    if (whole) {
        auto first = openAbout();
        first->close();
    }
    frmAbout dlg(m_services, m_main.get());
    const int w = dlg.width(), h = dlg.height();
    int left = mainGeometry.left() + (mainGeometry.width() - w) / 2;
    int top = mainGeometry.top() + (mainGeometry.height() - h) / 2;
    if (!mainVisible) {
        left = desk.left() + (desk.width() - w) / 2;
        top = desk.top() + (desk.height() - h) / 8;
    }
    left = qBound(desk.left(), left, desk.left() + desk.width() - w);
    top = qBound(desk.top(), top, desk.top() + desk.height() - h);
    QCOMPARE(dlg.pos(), QPoint(left, top));
    QVERIFY(desk.contains(QRect(dlg.pos(), dlg.size())));
    if (QTest::currentDataTag() == QByteArray("right edge"))
        QCOMPARE(dlg.x() + w, desk.left() + desk.width());
}

void TestAbout::browserMissing()
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QSKIP("needs a platform that cannot open web pages");
    { openAbout()->close(); }
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    auto dlg = openAbout();
    QTest::mouseClick(dlg->findChild<QLabel *>(QStringLiteral("Label3")), Qt::LeftButton);
    QCOMPARE(m_dialogs.count(QStringLiteral("Internet browser program not available")), 1);
    QCOMPARE(m_dialogs.messages.last().style, 48);
    QVERIFY(dlg->isVisible());

    QTest::mouseClick(dlg->findChild<QLabel *>(QStringLiteral("Label2")), Qt::LeftButton);
    QCOMPARE(m_urls.urls.size(), 1);
    QCOMPARE(m_urls.urls.first().scheme(), QStringLiteral("mailto"));
    QCOMPARE(m_urls.urls.first().path(), AppInfo::SupportMail);
    QCOMPARE(QUrlQuery(m_urls.urls.first()).queryItemValue(QStringLiteral("subject")),
             AppInfo::AppName + QStringLiteral(" Help"));

    m_dialogs.messages.clear();
    dlg->cmdUp_Click();
    QVERIFY(dlg->isUnloaded());
    QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("Internet browser program not available")});
    QCOMPARE(setting(QStringLiteral("UpdateDate")), QStringLiteral("03-15-2026"));
}

void TestAbout::help()
{
    SetHelpFile(QString());
    ShowHelp(m_main.get(), 1, 16, m_dialogs);
    ShowHelp(m_main.get(), 2, 0, m_dialogs);
    QCOMPARE(m_dialogs.count(QStringLiteral("There is no Help associated with this project.")), 2);
    QCOMPARE(m_dialogs.messages.first().style, 64);
    QVERIFY(!m_main->findChild<QTextBrowser *>(QStringLiteral("HelpWindow")));

    const QString missing = m_dir.filePath(QStringLiteral("gone.html"));
    SetHelpFile(missing);
    ShowHelp(m_main.get(), 1, 16, m_dialogs);
    QVERIFY(m_dialogs.messages.last().text.contains(missing));

    const QString shipped = QFINDTESTDATA("../help/Quillon.html");
    QVERIFY(!shipped.isEmpty());
    SetHelpFile(shipped);
    QCOMPARE(HelpFile(), shipped);
    ShowHelp(m_main.get(), 1, 16, m_dialogs);
    ShowHelp(m_main.get(), 1, 16, m_dialogs);
    const auto windows = m_main->findChildren<QTextBrowser *>(QStringLiteral("HelpWindow"));
    QCOMPARE(windows.size(), 1);
    QPointer<QTextBrowser> help = windows.first();
    QVERIFY(help->isVisible());
    QCOMPARE(help->source().fragment(), QStringLiteral("topic16"));
    QVERIFY(help->document()->toPlainText().contains(QLatin1String("The player")));

    ShowHelp(m_main.get(), 2, 0, m_dialogs);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(help.isNull());
    ShowHelp(m_main.get(), 2, 0, m_dialogs);
}

void TestAbout::sysInfo()
{
    const QByteArray oldPath = qgetenv("PATH");
    QTemporaryDir bin;
    qputenv("PATH", bin.path().toLocal8Bit());
    StartSysInfo(m_dialogs);
    QCOMPARE(m_dialogs.texts(),
             QStringList{QStringLiteral("System Information Is Unavailable At This Time")});

    const QString marker = bin.filePath(QStringLiteral("started"));
    QFile tool(bin.filePath(SysInfoTools().last()));
    QVERIFY(tool.open(QIODevice::WriteOnly));
    tool.write(QStringLiteral("#!/bin/sh\necho > '%1'\n").arg(marker).toLocal8Bit());
    tool.close();
    tool.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::WriteOwner);
    m_dialogs.messages.clear();
    StartSysInfo(m_dialogs);
    qputenv("PATH", oldPath);
    QTRY_VERIFY(QFile::exists(marker));
    QVERIFY(m_dialogs.messages.isEmpty());
}

void TestAbout::softNotice()
{
    QVERIFY(frmAboutSoft::NoticeText().contains(QLatin1String("WITHOUT WARRANTY")));
    QVERIFY(frmAboutSoft::NoticeText().contains(QLatin1String("Copyright (c) 2026 Veltrix")));
    {
        frmAboutSoft notice(m_services, m_main.get());
        QVERIFY(notice.isModal());
        notice.show();
        QCOMPARE(m_sounds.played,
                 (QStringList{QStringLiteral("RestoreUp/17"), QStringLiteral("Maximize/17")}));
        notice.findChild<QPushButton *>(QStringLiteral("cmdClose"))->click();
        QVERIFY(!notice.isVisible());
    }
    QCOMPARE(m_sounds.played,
             (QStringList{QStringLiteral("RestoreUp/17"), QStringLiteral("Maximize/17"),
                          QStringLiteral("Minimize/17"), QStringLiteral("RestoreDown/16")}));
}

QTEST_MAIN(TestAbout)
#include "test_about.moc"
