#include "playback/mediacontrol.h"
#include <QToolButton>

namespace {
const char *const kNames[5] = {"Prev", "Next", "Play", "Pause", "Stop"};
const char *const kIcons[5] = {":/icons/prev.png", ":/icons/next.png", ":/icons/play.png", ":/icons/pause.png",
                               ":/icons/stop.png"};
}

MediaControl::MediaControl(PlaySession *session, QWidget *parent) : QWidget(parent), m_session(session)
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

void MediaControl::setMousePointer(MousePointer pointer)
{
    m_pointer = pointer;
    if (pointer == MousePointer::Hourglass)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}
