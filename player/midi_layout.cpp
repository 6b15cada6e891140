#include "about/frmabout.h"
#include "app/core/appinfo.h"
#include "app/core/twips.h"
#include "app/showhelp.h"
#include "player/midi.h"
#include "player/midigeometry.h"
#include "playback/mediacontrol.h"
#include "volume/midivol.h"
#include <QCheckBox>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QSpinBox>
#include <QToolButton>
#include <QWindow>

namespace {
using namespace MidiGeometry;

QColor toQColor(qint64 c, const QPalette &pal)
{
    const quint32 v = quint32(c);
    if (v & 0x80000000u)
        return (v & 0xff) == 0x12 ? pal.color(QPalette::ButtonText) : pal.color(QPalette::Button);
    return QColor(int(v & 0xff), int((v >> 8) & 0xff), int((v >> 16) & 0xff));
}

// The arrow buttons of the interlude field wear the player's colours.
void paintArrows(QSpinBox *arrows, const QColor &back, const QColor &text)
{
    QPalette p(back);
    p.setColor(QPalette::ButtonText, text);
    arrows->setPalette(p);
}

qint64 fromQColor(const QColor &c)
{
    return qint64(c.red()) | (qint64(c.green()) << 8) | (qint64(c.blue()) << 16);
}
}

QRect Midi::screenTw()
{
    const QScreen *s = QGuiApplication::primaryScreen();
    const QRect g = s ? s->virtualGeometry() : QRect(0, 0, 800, 600);
    return QRect(Twips::fromPixels(g.x()), Twips::fromPixels(g.y()), Twips::fromPixels(g.width()),
                 Twips::fromPixels(g.height()));
}

int Midi::leftTw() const
{
    return Twips::fromPixels(x());
}
int Midi::topTw() const
{
    return Twips::fromPixels(y());
}

void Midi::moveTw(double left, double top)
{
    move(Twips::screenToPixels(left), Twips::screenToPixels(top));
}

void Midi::setHeightTw(int tw)
{
    m_heightTw = tw;
    setFixedHeight(Twips::toPixels(tw));
    Form_Resize();
}

void Midi::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Midi::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void Midi::Form_Resize()
{
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    const QRect s = screenTw();
    double left = leftTw(), top = topTw();
    if (left > s.width())
        left = s.width() - WidthTw;
    if (left < 0)
        left = 0;
    if (top > s.height())
        top = s.height() - m_heightTw;
    if (top < 0)
        top = 0;
    if (left != leftTw() || top != topTw())
        moveTw(left, top);
}

void Midi::cmdExpand_Click()
{
    m_rollingOut = m_heightTw <= RolledUpAtMostTw;
    if (m_rollingOut)
        SSPanel2->resize(SSPanel2->width(), Twips::toPixels(RolledOutPanelTw));
    m_rollTimer.start();
}

void Midi::rollOut()
{
    if (m_heightTw >= RolledOutHeightTw || (rolling() && m_rollingOut))
        return;
    m_rollingOut = true;
    SSPanel2->resize(SSPanel2->width(), Twips::toPixels(RolledOutPanelTw));
    m_rollTimer.start();
}

void Midi::rollStep()
{
    if (m_rollingOut && m_heightTw < RolledOutHeightTw)
        setHeightTw(m_heightTw + RollStepTw);
    else if (!m_rollingOut && m_heightTw > RollUpStopTw)
        setHeightTw(m_heightTw - RollStepTw);
    else
        endRoll();
}

void Midi::endRoll()
{
    m_rollTimer.stop();
    if (m_rollingOut) {
        setHeightTw(RolledOutHeightTw);
        cmdExpand->setIcon(QIcon(QStringLiteral(":/icons/collapse.png")));
    } else {
        setHeightTw(RolledUpHeightTw);
        SSPanel2->resize(SSPanel2->width(), Twips::toPixels(RolledUpPanelTw));
        cmdExpand->setIcon(QIcon(QStringLiteral(":/icons/expand.png")));
    }
}

void Midi::finishRoll()
{
    while (m_rollTimer.isActive())
        rollStep();
}

void Midi::chkClose_Click()
{
    if (MMControl1->mode() == SequencerDevice::Mode::Playing && chkClose->isChecked())
        cmdExpand_Click();
}

void Midi::dragMouseDown(Qt::MouseButton button, const QPoint &globalPos)
{
    if (button != Qt::LeftButton)
        return;
    QWindow *w = windowHandle();
    m_manualDrag = !(w && w->startSystemMove());
    m_dragOffset = globalPos - pos();
}

void Midi::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
    Form_MouseMove();
}

void Midi::Form_MouseMove()
{
    if (m_mouseActivate)
        activateWindow();
}

void Midi::cmdHide_Click()
{
    m_services.sounds->play(WindowSound::Minimize, SoundFlags::ReturnAtOnce | SoundFlags::NotOverAPlayingSound);
    setWindowState(windowState() | Qt::WindowMinimized);
}

void Midi::setPlayerColor(qint64 color)
{
    m_backColor = color;
    QPalette p = SSPanel2->palette();
    p.setColor(QPalette::Window, toQColor(color, QGuiApplication::palette()));
    SSPanel2->setPalette(p);
    paintArrows(UpDown1, p.color(QPalette::Window), Label4->palette().color(QPalette::WindowText));
}

QPalette Midi::playerColours() const
{
    QPalette p = palette();
    p.setColor(QPalette::Window, SSPanel2->palette().color(QPalette::Window));
    p.setColor(QPalette::WindowText, Label4->palette().color(QPalette::WindowText));
    return p;
}

void Midi::setTextColor(qint64 color)
{
    m_foreColor = color;
    QPalette p = Label4->palette();
    p.setColor(QPalette::WindowText, toQColor(color, QGuiApplication::palette()));
    Label4->setPalette(p);
    paintArrows(UpDown1, SSPanel2->palette().color(QPalette::Window), p.color(QPalette::WindowText));
}

void Midi::setCorners(bool light)
{
    m_lightCorners = light;
    const QIcon icon(light ? QStringLiteral(":/icons/corner-light.png") : QStringLiteral(":/icons/corner-dark.png"));
    // The picture as drawn for this screen's scale (an icon finds the @2x twin, a pixmap does not).
    const QPixmap pix = icon.pixmap(QSize(32, 32), devicePixelRatio());
    Image1->setPixmap(pix);
    Image2->setPixmap(pix);
}

void Midi::cmdColor_Click()
{
    BusyGuard busy(m_play);
    Dialogs &d = *m_services.dialogs;
    const QString title = QStringLiteral("QuillMidi");
    if (d.message(this, QStringLiteral("Do you want the Windows default color?"),
                  Dialogs::Style::YesNo | Dialogs::Style::Question, title)
        == Dialogs::Answer::Yes) {
        setPlayerColor(qint64(qint32(0x8000000F)));
        setTextColor(qint64(qint32(0x80000012)));
        return;
    }
    const auto chosen = d.color(this, toQColor(m_backColor, QGuiApplication::palette()));
    if (!chosen)
        return;
    setPlayerColor(fromQColor(*chosen));
    const bool white = d.message(this, QStringLiteral("White text color <No = black>?"),
                                 Dialogs::Style::YesNo | Dialogs::Style::Question, title)
                       == Dialogs::Answer::Yes;
    setTextColor(white ? 0xFFFFFF : 0);
    setCorners(white);
}

void Midi::cmdHelp_Click()
{
    BusyGuard busy(m_play);
    ShowHelp(this, HelpCommand::ShowTopic, 16, *m_services.dialogs);
}

void Midi::cmdAbout_Click()
{
    BusyGuard busy(m_play);
    frmAbout about(m_services, this);
    about.exec();
}

void Midi::cmdVolume_Click()
{
    if (m_volume) {
        m_volume->raise();
        return;
    }
    const QPoint buttonPos = cmdVolume->mapTo(this, QPoint(0, 0));
    auto *vol = new MidiVol(m_services, this, buttonPos);
    m_volume = vol;
    vol->show();
}
