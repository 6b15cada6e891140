#include "volume/midivol.h"
#include "app/core/appinfo.h"
#include "app/core/twips.h"
#include "components/core/wildcard.h"
#include <QAbstractItemView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int FullScale = 65535;
// A mixer that claims more sources than this is not believed.
constexpr int MaxSources = 1024;

}   // namespace

void MixerCombo::showPopup()
{
    if (!m_watching) {
        // The list can also vanish without hidePopup (the window system
        // takes it away); its hide event ends the browsing then.
        view()->window()->installEventFilter(this);
        m_watching = true;
    }
    m_shown = true;
    emit dropDown();
    QComboBox::showPopup();
}

void MixerCombo::hidePopup()
{
    QComboBox::hidePopup();
    listClosed();
}

void MixerCombo::listClosed()
{
    if (m_shown) {
        m_shown = false;
        emit closeUp();
    }
}

bool MixerCombo::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Hide && watched == view()->window())
        listClosed();
    return QComboBox::eventFilter(watched, event);
}

MidiVol::MidiVol(const Services &services, QWidget *player, const QPoint &volumeButtonPos)
    : QWidget(player, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_services(services)
{
    setObjectName(QStringLiteral("MidiVol"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString());
    setFixedSize(Twips::toPixels(5835), Twips::toPixels(630));
    setMouseTracking(true);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(Twips::toPixels(60, 200, 735, 255));

    cmbMixer = new MixerCombo(this);
    cmbMixer->setObjectName(QStringLiteral("cmbMixer"));
    cmbMixer->setAccessibleName(QStringLiteral("Volume source"));
    cmbMixer->setToolTip(QStringLiteral("Choose source"));
    cmbMixer->setGeometry(Twips::toPixels(900, 160, 1515, 315));

    chkMute = new QCheckBox(QStringLiteral("Mute"), this);
    chkMute->setObjectName(QStringLiteral("chkMute"));
    chkMute->setToolTip(QStringLiteral("MuteSource"));
    chkMute->setGeometry(Twips::toPixels(2460, 220, 675, 195));

    sldrVol = new QSlider(Qt::Horizontal, this);
    sldrVol->setObjectName(QStringLiteral("sldrVol"));
    sldrVol->setAccessibleName(QStringLiteral("Volume"));
    sldrVol->setToolTip(QStringLiteral("Set volume"));
    // The check box's caption may need more room in this font than the table
    // gives it, and this slider's groove starts at its very edge: the slider
    // starts where the box ends, so neither covers the other.
    const QRect box = chkMute->geometry();
    chkMute->resize(std::max(box.width(), chkMute->sizeHint().width()), box.height());
    const QRect written = Twips::toPixels(3060, 60, 2800, 510);
    const int left = std::max(written.left(), chkMute->geometry().right() + 2);
    // The table lets it run past the window's edge, which would cut off the
    // handle at the top of the range.
    const int right = std::min(written.right(), width() - 2);
    sldrVol->setGeometry(left, written.top(), right + 1 - left, written.height());
    sldrVol->setRange(0, FullScale);
    sldrVol->setSingleStep(2048);
    sldrVol->setPageStep(8192);
    sldrVol->setTickPosition(QSlider::TicksBothSides);
    sldrVol->setTickInterval(4096);
    sldrVol->setValue(0);
    sldrVol->setMouseTracking(true);
    sldrVol->installEventFilter(this);

    tmrMix = new QTimer(this);
    tmrMix->setObjectName(QStringLiteral("tmrMix"));
    tmrMix->setInterval(1000);

    connect(cmdClose, &QPushButton::clicked, this, &MidiVol::cmdClose_Click);
    connect(cmbMixer, &QComboBox::activated, this, &MidiVol::cmbMixer_Click);
    connect(cmbMixer, &MixerCombo::dropDown, this, &MidiVol::cmbMixer_DropDown);
    connect(cmbMixer, &MixerCombo::closeUp, this, &MidiVol::cmbMixer_CloseUp);
    connect(cmbMixer->view()->verticalScrollBar(), &QScrollBar::valueChanged, this, &MidiVol::cmbMixer_Scroll);
    connect(chkMute, &QCheckBox::toggled, this, &MidiVol::chkMute_Click);
    connect(tmrMix, &QTimer::timeout, this, &MidiVol::tmrMix_Timer);

    tmrMix->start();
    Form_Load(player, volumeButtonPos);
}

MidiVol::~MidiVol() = default;

void MidiVol::Form_Load(QWidget *player, const QPoint &volumeButtonPos)
{
    move((player ? player->pos() : QPoint()) + volumeButtonPos);
    if (m_services.sounds)
        m_services.sounds->play(WindowSound::RestoreUp, SoundFlags::ReturnAtOnce | SoundFlags::NotOverAPlayingSound);

    try {
        if (m_services.makeMixer)
            m_mixer = m_services.makeMixer();
    } catch (...) {
        m_mixer.reset();   // the window then shows "no mixer"
    }
    m_idleTicks = 0;
    m_lastDeviceName.clear();

    m_mixerSource = m_services.settings ? m_services.settings->GetValue(Settings::MixerSource)
                                        : Settings::MixerSource.defaultText();

    if (m_mixer && m_mixer->IsOpen() && m_mixer->IsReady())
        MixerGet();
}

void MidiVol::Form_Unload()
{
    if (m_services.sounds)
        m_services.sounds->play(WindowSound::RestoreDown, SoundFlags::ReturnAtOnce | SoundFlags::NotOverAPlayingSound);
    setTimerEnabled(false);
    // Without a selection there is nothing to remember, and an empty name
    // would match every source next time.
    if (m_services.settings && cmbMixer->currentIndex() >= 0)
        m_services.settings->SetValue(Settings::MixerSource, cmbMixer->currentText());
    m_mixer.reset();
}

void MidiVol::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        Form_Unload();
    }
    event->accept();
}

void MidiVol::setTimerEnabled(bool on)
{
    // Like an "Enabled" switch: turning on a running timer leaves its beat alone.
    if (!on)
        tmrMix->stop();
    else if (!tmrMix->isActive() && !m_unloaded)
        tmrMix->start();
}

void MidiVol::mixerFailed()
{
    cmbMixer->setEnabled(false);
    sldrVol->setEnabled(false);
    chkMute->setEnabled(false);
    // Read the whole list again once the mixer answers.
    m_lastDeviceName.clear();
    setTimerEnabled(true);
}

void MidiVol::MixerGet()
{
    m_currentDeviceName = m_mixer ? m_mixer->DeviceName() : QString();
    if (m_mixer && m_mixer->TakeError())
        return mixerFailed();
    if (m_currentDeviceName.isEmpty()) {
        setTimerEnabled(false);
        cmbMixer->setEnabled(false);
        sldrVol->setEnabled(false);
        chkMute->setEnabled(false);
        return;
    }
    setTimerEnabled(true);
    cmbMixer->setEnabled(true);
    sldrVol->setEnabled(true);
    chkMute->setEnabled(true);

    if (m_currentDeviceName != m_lastDeviceName) {
        m_lastDeviceName = m_currentDeviceName;
        const QSignalBlocker block(cmbMixer);
        cmbMixer->clear();
        const int count = std::min(m_mixer->SourceCount(), MaxSources);
        for (int i = 1; i <= count; ++i) {
            m_mixer->SetNameIndex(i);
            cmbMixer->addItem(m_mixer->SourceName());
        }
        if (m_mixer->TakeError())
            return mixerFailed();
    }

    const QString pattern = QLatin1Char('*') + m_mixerSource + QLatin1Char('*');
    for (int p = 0; p < cmbMixer->count(); ++p)
        if (WildcardMatch(cmbMixer->itemText(p), pattern))
            m_mixer->SetSourceIndex(p);
    {
        const QSignalBlocker block(cmbMixer);
        cmbMixer->setCurrentIndex(m_mixer->SourceIndex());
    }

    const int volume = m_mixer->Volume();
    const bool volumeOn = m_mixer->VolumeEnabled();
    const int mute = m_mixer->Mute();
    const bool muteOn = m_mixer->MuteEnabled();
    if (m_mixer->TakeError())
        return mixerFailed();
    sldrVol->setValue(std::clamp(volume, 0, FullScale));
    sldrVol->setEnabled(volumeOn);
    // Enabled state first: the box's Click handler writes only to a source
    // that has a mute switch.
    chkMute->setEnabled(muteOn);
    chkMute->setChecked(std::clamp(mute, 0, 1) == 1);
}

void MidiVol::tmrMix_Timer()
{
    MixerGet();
    cmdClose->setFocus();
    ++m_idleTicks;
    if (m_idleTicks > 3)
        close();
}

void MidiVol::Form_MouseMove()
{
    m_idleTicks = 0;
}
void MidiVol::sldrVol_MouseMove()
{
    m_idleTicks = 0;
}

void MidiVol::sldrVol_MouseDown()
{
    setTimerEnabled(false);
    m_idleTicks = 0;
}

void MidiVol::sldrVol_MouseUp()
{
    if (m_mixer && !m_mixer->SetVolume(sldrVol->value())) {
        m_mixer->TakeError();
        mixerFailed();
    }
    setTimerEnabled(true);
}

void MidiVol::chkMute_Click()
{
    setTimerEnabled(false);
    if (m_mixer && chkMute->isEnabled() && !m_mixer->SetMute(chkMute->isChecked() ? 1 : 0)) {
        m_mixer->TakeError();
        mixerFailed();
    }
    setTimerEnabled(true);
}

void MidiVol::cmbMixer_DropDown()
{
    setTimerEnabled(false);
}

void MidiVol::cmbMixer_Scroll()
{
    if (cmbMixer->listShown())
        setTimerEnabled(false);
}

void MidiVol::cmbMixer_CloseUp()
{
    setTimerEnabled(true);
}

void MidiVol::cmbMixer_Click()
{
    m_mixerSource = cmbMixer->currentText();
    setTimerEnabled(true);
}

void MidiVol::cmdClose_Click()
{
    close();
}

void MidiVol::mouseMoveEvent(QMouseEvent *event)
{
    Form_MouseMove();
    QWidget::mouseMoveEvent(event);
}

bool MidiVol::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == sldrVol) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (sldrVol->isEnabled())
                sldrVol_MouseDown();
            break;
        case QEvent::MouseMove: sldrVol_MouseMove(); break;
        case QEvent::MouseButtonRelease:
            if (sldrVol->isEnabled())
                sldrVol_MouseUp();
            break;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MidiVol::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    // Without a frame from the window manager the strip needs its own edge.
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
