#include "player/midi.h"
#include "playback/mediacontrol.h"
#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

// One place decides whether the list commands are free: the play session.
void Midi::ComDisable()
{
    m_play->lockCommands(true);
}

void Midi::ComInable()
{
    m_play->lockCommands(false);
}

void Midi::showLocked(bool locked)
{
    if (!locked) {
        for (QWidget *w : std::initializer_list<QWidget *>{cmdAdd, cmdClear, chkShuffle, cmdSave, cmdOpen, cmdNew,
                                                           cmdRemove, SliderTime})
            w->setEnabled(true);
        unsetCursor();
        MMControl1->setMousePointer(MediaControl::MousePointer::Custom);
        return;
    }
    for (QWidget *w :
         std::initializer_list<QWidget *>{cmdAdd, cmdClear, chkShuffle, cmdSave, cmdOpen, cmdNew, cmdRemove})
        w->setEnabled(false);
}
