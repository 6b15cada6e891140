#include "player/midi.h"
#include "playback/mediacontrol.h"
#include <QApplication>
#include <QCheckBox>
#include <QSlider>
#include <QToolButton>

// Commands from the keyboard, the menu and the desktop: each goes the way a
// click on the same control goes, so the handlers see nothing new.

bool Midi::acceptsCommands() const
{
    // A click cannot reach the window while a handler runs or a box is open;
    // a command from outside must not either.
    return m_play->busy() == 0 && !m_closePending && !m_unloaded && !QApplication::activeModalWidget();
}

bool Midi::press(Button button)
{
    QToolButton *b = MMControl1->button(int(button));
    if (!acceptsCommands() || !b->isEnabled())
        return false;
    b->click();
    return true;
}

bool Midi::playPause()
{
    return press(playState() == PlayState::Playing ? Button::Pause : Button::Play);
}

bool Midi::canSeek() const
{
    return m_play->canSeek();
}

bool Midi::seekTo(qint64 ms)
{
    return acceptsCommands() && m_play->seekTo(ms);
}

bool Midi::seekBy(qint64 ms)
{
    return seekTo(positionMs() + ms);
}

qint64 Midi::positionMs() const
{
    return m_play->positionMs();
}

qint64 Midi::lengthMs() const
{
    return m_play->lengthMs();
}

QString Midi::openSong() const
{
    return m_play->openSong();
}

QString Midi::refusal(const QWidget *control) const
{
    if (m_closePending || m_unloaded)
        return QStringLiteral("Lyrabox is closing.");
    if (QApplication::activeModalWidget())
        return QStringLiteral("Lyrabox waits for an answer in an open box.");
    if (m_play->busy() > 0)
        return QStringLiteral("Lyrabox is busy; try again when it is done.");
    if (control == chkShuffle && !control->isEnabled())
        return QStringLiteral("Shuffle is locked while a song plays; stop it first.");
    if (control && !control->isEnabled())
        return QStringLiteral("%1 is not available now.").arg(control->accessibleName());
    return {};
}

bool Midi::setOption(QCheckBox *box, bool on)
{
    // Ticking the box runs its handler, as a click would.
    if (!acceptsCommands() || !box->isEnabled())
        return false;
    box->setChecked(on);
    return true;
}

bool Midi::setLoop(bool on)
{
    return setOption(chkLoop, on);
}

bool Midi::setShuffle(bool on)
{
    return setOption(chkShuffle, on);
}
