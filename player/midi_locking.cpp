#include "player/midi.h"
#include "playback/mediacontrol.h"
#include "app/commands.h"
#include <QAction>
#include <QSlider>
#include <QToolButton>

namespace {
// What cannot change while a song plays.
constexpr Commands::Id kLocked[] = {Commands::Add,         Commands::Clear,       Commands::Shuffle,
                                    Commands::SaveLibrary, Commands::OpenLibrary, Commands::NewLibrary,
                                    Commands::Remove};
}

// One place decides whether the list commands are free: the play session.
void Midi::ComDisable()
{
    m_play->lockCommands(true);
}

void Midi::ComInable()
{
    m_play->lockCommands(false);
}

// The buttons and the menu follow the actions.
void Midi::showLocked(bool locked)
{
    for (const Commands::Id id : kLocked)
        m_commands->action(id)->setEnabled(!locked);
    if (locked)
        return;
    SliderTime->setEnabled(true);
    unsetCursor();
    MMControl1->setMousePointer(MediaControl::MousePointer::Custom);
}
