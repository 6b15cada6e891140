#include "about/frmabout.h"
#include "about/core/aboutdate.h"
#include "about/frmaboutsoft.h"
#include "app/core/appinfo.h"
#include "app/core/numbers.h"
#include "app/core/twips.h"
#include "app/sysinfo.h"
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>

namespace {

bool g_aboutSeen = false;

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, int l, int t, int w, int h,
                  const QString &tip = {})
{
    auto *lbl = new QLabel(text, parent);
    lbl->setObjectName(QLatin1String(name));
    lbl->setGeometry(Twips::toPixels(l, t, w, h));
    if (!tip.isEmpty())
        lbl->setToolTip(tip);
    return lbl;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &text, int l, int t, int w, int h,
                        const QString &tip)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(Twips::toPixels(l, t, w, h));
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

QFrame *makeLine(QWidget *parent, const char *name, int top)
{
    auto *f = new QFrame(parent);
    f->setObjectName(QLatin1String(name));
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    f->setGeometry(Twips::toPixels(120), Twips::toPixels(top), Twips::toPixels(5745 - 240), 2);
    return f;
}

void makeLink(QLabel *lbl)
{
    QPalette p = lbl->palette();
    p.setColor(QPalette::WindowText, QColor(0, 0, 0xff));
    lbl->setPalette(p);
}

// The maker's mark: a rounded badge with a stylised note over a "V".
QPixmap makerLogo(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, size, size);
    g.setColorAt(0, QColor(0x1f, 0x4e, 0x9a));
    g.setColorAt(1, QColor(0x0b, 0x22, 0x4f));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1, 1, size - 2, size - 2), size * 0.18, size * 0.18);
    const qreal s = size / 100.0;
    QPen pen(QColor(0xf2, 0xc1, 0x4e), 9 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QPainterPath v;
    v.moveTo(24 * s, 28 * s);
    v.lineTo(50 * s, 80 * s);
    v.lineTo(76 * s, 28 * s);
    p.drawPath(v);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(44 * s, 50 * s), 8 * s, 6 * s);
    p.fillRect(QRectF(49 * s, 18 * s, 4 * s, 32 * s), Qt::white);
    p.fillRect(QRectF(49 * s, 18 * s, 14 * s, 5 * s), Qt::white);
    return pm;
}

}   // namespace

bool frmAbout::AboutSeen()
{
    return g_aboutSeen;
}
void frmAbout::ResetAboutSeen()
{
    g_aboutSeen = false;
}
int frmAbout::WholeHeight()
{
    return Twips::toPixels(7680);
}
// 3360 twips is the outer height; without a classic frame (19 px title,
// 3 px borders) the client ends just above cmdOK.
int frmAbout::CompactHeight()
{
    return Twips::toPixels(3360) - 25;
}
bool frmAbout::isCompact() const
{
    return height() < Twips::toPixels(4000);
}

frmAbout::frmAbout(const Services &services, QWidget *mainForm)
    : QDialog(mainForm), m_services(services), m_mainForm(mainForm)
{
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    Form_Load();
}

frmAbout::~frmAbout()
{
    // Destroyed without being closed (the owner went first): unload now.
    Form_Unload();
}

void frmAbout::buildControls()
{
    QFont base = QApplication::font();
    base.setPointSizeF(8.25);
    setFont(base);

    Picture1 = makeLabel(this, "Picture1", {}, 120, 120, 540, 540);
    Picture1->setAlignment(Qt::AlignCenter);
    lblTitle = makeLabel(this, "lblTitle", {}, 840, 120, 3885, 348);
    QFont title = base;
    title.setPointSizeF(12);
    title.setBold(true);
    lblTitle->setFont(title);
    lblVersion = makeLabel(this, "lblVersion", {}, 840, 540, 1725, 225, QStringLiteral("Current Version"));
    lblDate = makeLabel(this, "lblDate", {}, 2640, 540, 2115, 195);
    Label2 = makeLabel(this, "Label2", {}, 870, 780, 4725, 255, QStringLiteral("Author"));
    makeLink(Label2);
    Label6 = makeLabel(this, "Label6", {}, 840, 1020, 4725, 195);
    lblDescription = makeLabel(this, "lblDescription", {}, 180, 1780, 5385, 810,
                               QStringLiteral("Application description"));
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label5 = makeLabel(this, "Label5", QStringLiteral("* Runs on Linux desktops (X11 and Wayland)"), 180, 2640, 5415,
                       255);
    cmdOK = makeButton(this, "cmdOK", QStringLiteral("OK"), 4140, 3120, 1440, 255,
                       QStringLiteral("Click to close this window and return to the program"));
    lblDisclaimer = makeLabel(this, "lblDisclaimer", {}, 180, 3120, 3870, 1605);
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    chkUp = new QCheckBox(this);
    chkUp->setObjectName(QStringLiteral("chkUp"));
    chkUp->setGeometry(Twips::toPixels(4140, 3720, 255, 255));
    chkUp->setToolTip(QStringLiteral("Check to automatically look for an update every 30 days"));
    chkUp->setAccessibleName(QStringLiteral("Look for an update every 30 days"));   // a box without a caption
    cmdUp = makeButton(this, "cmdUp", QStringLiteral("Update..."), 4380, 3720, 1215, 255,
                       QStringLiteral("Check web for update now"));
    cmdSysInfo = makeButton(this, "cmdSysInfo", QStringLiteral("&System Info..."), 4140, 4020, 1440, 255,
                            QStringLiteral("Click to get system information"));
    cmdSoft = makeButton(this, "cmdSoft", QStringLiteral("Software Notice"), 4140, 4320, 1455, 255,
                         QStringLiteral("View software user notice"));
    lblDisclaimer1 = makeLabel(this, "lblDisclaimer1", {}, 180, 4680, 5355, 1035, QStringLiteral("Disclaimer"));
    lblDisclaimer1->setWordWrap(true);
    lblDisclaimer1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label3 = makeLabel(this, "Label3", QStringLiteral("Veltrix"), 480, 7380, 4815, 255,
                       QStringLiteral("Click to open the Veltrix web page"));
    Label3->setAlignment(Qt::AlignCenter);
    makeLink(Label3);
    QFont link = base;
    link.setUnderline(true);
    Label3->setFont(link);
    Image1 = makeLabel(this, "Image1", {}, 2152, 5880, 1440, 1440,
                       QStringLiteral("Click to open the Veltrix web page"));
    Image1->setPixmap(makerLogo(Twips::toPixels(1440)));
    Line2 = makeLine(this, "Line2", 1680);
    Line1 = makeLine(this, "Line1", 2930);

    for (QWidget *w :
         {static_cast<QWidget *>(Picture1), static_cast<QWidget *>(Image1), static_cast<QWidget *>(lblTitle),
          static_cast<QWidget *>(lblVersion), static_cast<QWidget *>(lblDate), static_cast<QWidget *>(lblDescription),
          static_cast<QWidget *>(Label2), static_cast<QWidget *>(Label3), static_cast<QWidget *>(Label5),
          static_cast<QWidget *>(Label6)})
        w->installEventFilter(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &frmAbout::Timer1_Timer);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdUp, &QPushButton::clicked, this, &frmAbout::cmdUp_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    connect(cmdSoft, &QPushButton::clicked, this, &frmAbout::cmdSoft_Click);
    connect(chkUp, &QCheckBox::toggled, this, &frmAbout::chkUp_Click);
}

void frmAbout::Form_Load()
{
    Label2->setText(QStringLiteral("By Veltrix  -  ") + AppInfo::SupportMail);
    Label6->setText(QStringLiteral("Copyright (c) 2026 Veltrix. Free software, MIT licence."));
    lblDisclaimer->setText(
        QStringLiteral("%1 is free software: you may use, copy, change and pass it on under the terms of the "
                       "MIT licence. Click Software Notice for the full terms.")
            .arg(AppInfo::AppName));
    lblDisclaimer1->setText(
        QStringLiteral("The program is provided as is, without warranty of any kind. In no event shall the "
                       "authors be liable for any claim, damages or other liability arising from its use, "
                       "including any loss of files or settings."));

    QIcon icon = m_mainForm ? m_mainForm->windowIcon() : QApplication::windowIcon();
    if (icon.isNull())
        icon = QIcon(makerLogo(64));
    setWindowIcon(icon);
    Picture1->setPixmap(icon.pixmap(32, 32));

    SetLabels();
    lblTitle->setText(AppInfo::AppName);

    const QString exe = m_services.programFile;
    lblDate->setText(exe.isEmpty() ? QString() : AboutDate::FileDateText(QFileInfo(exe).lastModified(), QLocale()));
    lblDescription->setText(AppInfo::AppDescription);
    lblVersion->setText(AboutDate::VersionText(AppInfo::VersionMajor, AppInfo::VersionMinor, AppInfo::VersionRevision));

    if (m_services.settings) {
        // Only 0 and 1 are check-box values; anything else reads as clear.
        const float v = SettingToNumber(m_services.settings->GetValue(Settings::Update));
        chkUp->setChecked(v == 1.0f);
        chkUp_Click();
    }

    setFixedSize(Twips::toPixels(5745), g_aboutSeen ? WholeHeight() : CompactHeight());
    SetLabels();
    placeWindow();

    if (g_aboutSeen) {
        if (m_services.sounds)
            m_services.sounds->play(WindowSound::RestoreUp, SoundFlags::ReturnAtOnce);
    } else {
        m_timerArmed = true;
    }
}

void frmAbout::SetLabels()
{
    setWindowTitle(QStringLiteral("About ") + AppInfo::AppName);
}

void frmAbout::placeWindow()
{
    QScreen *scr = m_mainForm ? m_mainForm->screen() : QGuiApplication::primaryScreen();
    if (!scr)
        return;
    const QRect desk = scr->virtualGeometry();
    const int w = width(), h = height();
    int left, top;
    if (m_mainForm && m_mainForm->isVisible()) {
        const QRect mf = m_mainForm->frameGeometry();
        left = mf.left() + (mf.width() - w) / 2;
        top = mf.top() + (mf.height() - h) / 2;
        if (left < desk.left())
            left = desk.left();
        if (left + w > desk.left() + desk.width())
            left = desk.left() + desk.width() - w;
        if (top < desk.top())
            top = desk.top();
        if (top + h > desk.top() + desk.height())
            top = desk.top() + desk.height() - h;
    } else {
        left = desk.left() + (desk.width() - w) / 2;
        top = desk.top() + (desk.height() - h) / 8;
    }
    move(left, top);
}

void frmAbout::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (m_timerArmed && !m_unloaded) {
        m_timerArmed = false;
        Timer1->start();
    }
}

bool frmAbout::runEvents()
{
    QPointer<frmAbout> self(this);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return self && !self->m_unloaded;
}

bool frmAbout::waitMs(int ms)
{
    QPointer<frmAbout> self(this);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    m_wait = &loop;
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!self)
        return false;
    m_wait = nullptr;
    return !m_unloaded;
}

void frmAbout::storeToday()
{
    if (m_services.settings && m_services.clock)
        m_services.settings->SetValue(Settings::UpdateDate, AboutDate::FormatUpdateDate(m_services.clock->today()));
}

void frmAbout::Timer1_Timer()
{
    if (m_unloaded || m_inReminder)
        return;
    ++m_splashTicks;
    if (!runEvents())
        return;
    if (isVisible() && m_splashTicks <= 10)
        return;
    Timer1->stop();
    hide();
    if (!runEvents())
        return;
    runReminder();
}

void frmAbout::runReminder()
{
    m_inReminder = true;
    SettingsStore *st = m_services.settings;
    if (!st || st->GetValue(Settings::Update) != QLatin1String("1")) {
        close();
        return;
    }
    const QDate today = m_services.clock ? m_services.clock->today() : QDate::currentDate();
    QDate last = AboutDate::ParseUpdateDate(st->GetValue(Settings::UpdateDate));
    if (!last.isValid()) {
        // Missing or unreadable: the 30 days start today.
        last = today;
        st->SetValue(Settings::UpdateDate, AboutDate::FormatUpdateDate(today));
    }
    if (AboutDate::DaysBetween(last, today) > 30 && m_services.dialogs) {
        QPointer<frmAbout> self(this);
        const Dialogs::Answer answer = m_services.dialogs->message(
            this,
            QStringLiteral("Its been over 30 days since you last checked for an update.\n"
                           "Do you wish to do it now?"),
            Dialogs::Style::YesNo | Dialogs::Style::Question, AppInfo::AppName);
        if (!self || m_unloaded)
            return;
        if (answer == Dialogs::Answer::Yes) {
            cmdUp_Click();
            return;
        }
    }
    close();
}

void frmAbout::cmdUp_Click()
{
    if (m_unloaded || m_updating)
        return;
    m_updating = true;
    storeToday();
    const QUrl page(AppInfo::UpdatePage + AppInfo::FamilyName + QStringLiteral(".htm"));
    if (m_mainForm)
        m_mainForm->setWindowState(m_mainForm->windowState() | Qt::WindowMinimized);
    if (!runEvents())
        return;
    if (QDesktopServices::openUrl(page)) {
        if (!waitMs(UpdateWaitMs))
            return;
        if (m_services.dialogs) {
            QPointer<frmAbout> self(this);
            m_services.dialogs->message(
                this,
                QStringLiteral("Your Version: ")
                    + AboutDate::VersionNumber(AppInfo::VersionMajor, AppInfo::VersionMinor, AppInfo::VersionRevision),
                Dialogs::Style::OkOnly, AppInfo::AppName);
            if (!self || m_unloaded)
                return;
        }
    } else if (m_services.dialogs) {
        QPointer<frmAbout> self(this);
        m_services.dialogs->message(this, QStringLiteral("Internet browser program not available"),
                                    Dialogs::Style::Exclamation, AppInfo::AppName);
        if (!self || m_unloaded)
            return;
    }
    close();
}

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::cmdSysInfo_Click()
{
    if (m_services.dialogs)
        StartSysInfo(*m_services.dialogs, this);
}

void frmAbout::cmdSoft_Click()
{
    frmAboutSoft notice(m_services, this);
    notice.exec();
}

void frmAbout::chkUp_Click()
{
    if (m_services.settings)
        m_services.settings->SetValue(Settings::Update, chkUp->isChecked() ? 1 : 0);
}

void frmAbout::Form_Click()
{
    if (m_unloaded || !isCompact())
        return;
    hide();
    if (!runEvents())
        return;
    // Hiding ended the modal display; run the reminder now, while this
    // handler still holds the window, instead of on a later tick.
    Timer1_Timer();
}

void frmAbout::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) {
        e->accept();
        Form_Click();
        return;
    }
    QDialog::mouseReleaseEvent(e);
}

bool frmAbout::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::MouseButtonRelease) {
        auto *w = qobject_cast<QWidget *>(watched);
        auto *me = static_cast<QMouseEvent *>(e);
        if (w && me->button() == Qt::LeftButton && w->rect().contains(me->position().toPoint())) {
            labelClicked(w);
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void frmAbout::labelClicked(QWidget *w)
{
    if (m_unloaded)
        return;
    if (isCompact()) {
        close();
        return;
    }
    if (w == Image1 || w == Label3)
        openWebSite();
    else if (w == Label2)
        openSupportMail();
}

void frmAbout::openWebSite()
{
    if (!QDesktopServices::openUrl(QUrl(AppInfo::WebSite)) && m_services.dialogs)
        m_services.dialogs->message(this, QStringLiteral("Internet browser program not available"),
                                    Dialogs::Style::Exclamation, AppInfo::AppName);
}

void frmAbout::openSupportMail()
{
    QUrl mail(QStringLiteral("mailto:") + AppInfo::SupportMail);
    mail.setQuery(QStringLiteral("subject=") + AppInfo::AppName + QStringLiteral(" Help"));
    QDesktopServices::openUrl(mail);
}

void frmAbout::reject()
{
    // Escape closes like the title bar, through the unload.
    close();
}

void frmAbout::closeEvent(QCloseEvent *e)
{
    Form_Unload();
    setResult(QDialog::Rejected);
    e->accept();
}

void frmAbout::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_timerArmed = false;
    if (Timer1)
        Timer1->stop();
    if (m_wait)
        m_wait->quit();
    if (g_aboutSeen && m_services.sounds)
        m_services.sounds->play(WindowSound::RestoreDown, SoundFlags::NotOverAPlayingSound);
    g_aboutSeen = true;
    if (chkUp && !chkUp->isChecked())
        storeToday();
}
