#include "player/midi.h"
#include "playback/mediacontrol.h"
#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

void Midi::ComDisable()
{
    for (QWidget *w :
         std::initializer_list<QWidget *>{cmdAdd, cmdClear, chkShuffle, cmdSave, cmdOpen, cmdNew, cmdRemove})
        w->setEnabled(false);
}

void Midi::ComInable()
{
    for (QWidget *w : std::initializer_list<QWidget *>{cmdAdd, cmdClear, chkShuffle, cmdSave, cmdOpen, cmdNew,
                                                       cmdRemove, SliderTime})
        w->setEnabled(true);
    unsetCursor();
    MMControl1->setMousePointer(MediaControl::MousePointer::Custom);
}
