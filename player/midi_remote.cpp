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

void Midi::setOption(QCheckBox *box, bool on)
{
    // Ticking the box runs its handler, as a click would.
    if (acceptsCommands() && box->isEnabled())
        box->setChecked(on);
}

void Midi::setLoop(bool on)
{
    setOption(chkLoop, on);
}

void Midi::setShuffle(bool on)
{
    setOption(chkShuffle, on);
}
