#pragma once
#include "app/services.h"
#include <QDialog>
#include <QPointer>

class QCheckBox;
class QEventLoop;
class QFrame;
class QLabel;
class QPushButton;
class QTimer;

// The about window. The first opening in a run is a compact splash that
// hides itself after about a second, runs the update reminder and closes;
// later openings show the whole window.
//
// Show it with exec() (or open()); every sequence that outlives the modal
// display (reminder question, update page, "Your Version") runs inside a
// handler of this window, so the window lives until that sequence ends.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(const Services &services, QWidget *mainForm);
    ~frmAbout() override;

    // Process-wide: false until the first about window of the run closes.
    static bool AboutSeen();
    static void ResetAboutSeen();

    // Heights of the client area in pixels.
    static int WholeHeight();
    static int CompactHeight();
    bool isCompact() const;
    bool isUnloaded() const { return m_unloaded; }

    // Handlers, public so that callers and tests can drive them directly.
    void Timer1_Timer();
    void cmdOK_Click();
    void cmdUp_Click();
    void cmdSysInfo_Click();
    void cmdSoft_Click();
    void chkUp_Click();
    void Form_Click();

    // How long cmdUp waits between opening the page and showing the version.
    static constexpr int UpdateWaitMs = 2000;

protected:
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void reject() override;

private:
    void buildControls();
    void Form_Load();
    void Form_Unload();
    void SetLabels();
    void placeWindow();
    void runReminder();
    void labelClicked(QWidget *w);
    void openWebSite();
    void openSupportMail();
    // Lets pending non-input events run; false when the window was closed
    // or destroyed meanwhile, and the caller must stop at once.
    bool runEvents();
    // Waits on a timer with events running; false as runEvents.
    bool waitMs(int ms);
    void storeToday();

    Services m_services;
    QPointer<QWidget> m_mainForm;

    QLabel *Picture1 = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDate = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *Label5 = nullptr;
    QPushButton *cmdOK = nullptr;
    QLabel *lblDisclaimer = nullptr;
    QCheckBox *chkUp = nullptr;
    QPushButton *cmdUp = nullptr;
    QPushButton *cmdSysInfo = nullptr;
    QPushButton *cmdSoft = nullptr;
    QLabel *lblDisclaimer1 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Image1 = nullptr;
    QFrame *Line1 = nullptr;
    QFrame *Line2 = nullptr;
    QTimer *Timer1 = nullptr;

    qint16 m_splashTicks = 0;
    bool m_timerArmed = false;
    bool m_unloaded = false;
    bool m_inReminder = false;
    bool m_updating = false;
    QEventLoop *m_wait = nullptr;
};
