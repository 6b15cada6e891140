#include "playback/core/mediaerrors.h"
#include "player/midi.h"
#include "app/commands.h"
#include "playback/mediacontrol.h"
#include <QAction>
#include <QSlider>
#include <QToolButton>

namespace {
// What cannot change while a song plays.
constexpr Commands::Id kLocked[] = {Commands::Add,         Commands::Clear,       Commands::Shuffle,
                                    Commands::SaveLibrary, Commands::OpenLibrary, Commands::NewLibrary,
                                    Commands::Remove};
}

void Midi::ComDisable()
{
    for (const Commands::Id id : kLocked)
        m_commands->action(id)->setEnabled(false);
}

void Midi::ComInable()
{
    for (const Commands::Id id : kLocked)
        m_commands->action(id)->setEnabled(true);
    SliderTime->setEnabled(true);
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
