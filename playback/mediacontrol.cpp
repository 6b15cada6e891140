#include "playback/mediacontrol.h"
#include "playback/core/mediaerrors.h"
#include <QToolButton>

namespace {
const char *const kNames[5] = {"Prev", "Next", "Play", "Pause", "Stop"};
const char *const kIcons[5] = {":/icons/prev.png", ":/icons/next.png", ":/icons/play.png", ":/icons/pause.png",
                               ":/icons/stop.png"};
}

MediaControl::MediaControl(SequencerDevice *device, QWidget *parent) : QWidget(parent), m_device(device)
{
    for (int i = 0; i < 5; ++i) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(kNames[i]));
        b->setAccessibleName(QString::fromLatin1(kNames[i]));
        b->setToolTip(QString::fromLatin1(kNames[i]));
        b->setIcon(QIcon(QString::fromLatin1(kIcons[i])));
        b->setFocusPolicy(Qt::TabFocus);
        connect(b, &QToolButton::clicked, this, [this, i] { buttonPressed(i); });
        m_buttons[i] = b;
    }
    m_status.setObjectName(QStringLiteral("StatusTimer"));
    connect(&m_status, &QTimer::timeout, this, &MediaControl::StatusUpdate);
}

void MediaControl::resizeEvent(QResizeEvent *)
{
    const int w = width();
    for (int i = 0; i < 5; ++i) {
        const int x0 = w * i / 5, x1 = w * (i + 1) / 5;
        m_buttons[i]->setGeometry(x0, 0, x1 - x0, height());
        m_buttons[i]->setIconSize(QSize(height() - 8, height() - 8));
    }
}

void MediaControl::buttonPressed(int i)
{
    int cancel = 0;
    switch (i) {
    case 0: emit PrevClick(cancel); break;
    case 1: emit NextClick(cancel); break;
    case 2: emit PlayClick(cancel); break;
    case 3: emit PauseClick(cancel); break;
    default: emit StopClick(cancel); break;
    }
    if (cancel)
        return;
    // Nobody took the press: do the plain thing.
    const Command commands[5] = {Command::Stop, Command::Stop, Command::Play, Command::Pause, Command::Stop};
    setCommand(commands[i]);
}

int MediaControl::setCommand(Command command)
{
    const int rc = runCommand(command);
    emit commandDone();
    return rc;
}

int MediaControl::runCommand(Command command)
{
    if (command == Command::Open) {
        // A copy: a newer Open may set another name while the device works.
        const QString file = m_fileName;
        const quint64 mine = ++m_opens;
        const int rc = m_device->open(file);
        if (mine == m_opens) {
            m_leftOpen = rc == 0;
            return rc;
        }
        // A newer Open ran while the device let events run, and this one finished
        // last: give the device back the state the newer one left.
        m_device->close();
        if (m_leftOpen) {
            const QString newest = m_fileName;
            m_leftOpen = m_device->open(newest) == 0;
        }
        return rc;
    }
    if (command == Command::Close) {
        m_device->close();
        m_leftOpen = false;
        return 0;
    }
    if (m_device->mode() == SequencerDevice::Mode::NotOpen)
        return MediaError::DeviceNotOpen;
    if (command == Command::Play) {
        const qint64 from = m_fromSet ? m_from : -1;
        m_fromSet = false;
        return m_device->play(from);
    }
    if (command == Command::Pause)
        return m_device->pause();
    if (command == Command::Stop)
        return m_device->stop();
    return MediaError::NotAvailable;
}

void MediaControl::setFrom(qint64 ms)
{
    m_from = ms;
    m_fromSet = true;
}

qint64 MediaControl::position() const
{
    return m_device->position();
}
qint64 MediaControl::length() const
{
    return m_device->length();
}
SequencerDevice::Mode MediaControl::mode() const
{
    return m_device->mode();
}

void MediaControl::setUpdateInterval(int ms)
{
    m_interval = qMax(0, ms);
    if (m_interval > 0)
        m_status.start(m_interval);
    else
        m_status.stop();
}

void MediaControl::setMousePointer(MousePointer pointer)
{
    m_pointer = pointer;
    if (pointer == MousePointer::Hourglass)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}
