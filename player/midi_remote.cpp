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
    return m_busy == 0 && !m_closePending && !m_unloaded && !QApplication::activeModalWidget();
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
    return MMControl1->mode() != SequencerDevice::Mode::NotOpen && SliderTime->isEnabled() && SliderTime->maximum() > 0;
}

bool Midi::seekTo(qint64 ms)
{
    if (!acceptsCommands() || !canSeek())
        return false;
    // The slider's own way: held, moved, let go.
    SliderTime_MouseDown();
    SliderTime->setValue(int(qBound<qint64>(0, (ms + 500) / 1000, qint64(SliderTime->maximum()))));
    SliderTime_MouseUp();
    return true;
}

bool Midi::seekBy(qint64 ms)
{
    return seekTo(positionMs() + ms);
}

qint64 Midi::positionMs() const
{
    if (MMControl1->mode() == SequencerDevice::Mode::NotOpen)
        return 0;
    // Stopped or paused after a slider move, play starts where the slider points.
    if (MMControl1->mode() != SequencerDevice::Mode::Playing)
        return MMControl1->from();
    return MMControl1->position();
}

qint64 Midi::lengthMs() const
{
    return MMControl1->mode() == SequencerDevice::Mode::NotOpen ? 0 : MMControl1->length();
}

QString Midi::openSong() const
{
    return MMControl1->mode() == SequencerDevice::Mode::NotOpen ? QString() : MMControl1->fileName();
}

QString Midi::refusal(const QWidget *control) const
{
    if (m_closePending || m_unloaded)
        return QStringLiteral("Lyrabox is closing.");
    if (QApplication::activeModalWidget())
        return QStringLiteral("Lyrabox waits for an answer in an open box.");
    if (m_busy > 0)
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
