#include "playback/core/mediaerrors.h"
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

void Midi::DisplayErrorMessageBox(int error)
{
    // The first line is the device's number in words, the second why it happened.
    QString text = mediaErrorText(error);
    const QString why = m_services.device->openError();
    if (!why.isEmpty())
        text += QLatin1Char('\n') + why;
    if (error == MediaError::DriverLoad) {
        // An output that will not start fails every open alike: say it once,
        // and again only when something changed.
        if (text == m_driverErrorShown)
            return;
        m_driverErrorShown = text;
    }
    m_services.dialogs->message(this, text, Dialogs::Style::Exclamation, QStringLiteral("Midi Player"));
}
