#include "player/midi.h"
#include "app/commands.h"
#include "playback/mediacontrol.h"
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

// Commands from the keyboard, the menu and the desktop: each goes the way a
// click on the same control goes, so the handlers see nothing new.

bool Midi::acceptsCommands() const
{
    // A click cannot reach the window while a handler runs or a box is open;
    // a command from outside must not either.
    return m_play->busy() == 0 && !m_play->closePending() && !m_unloaded && !QApplication::activeModalWidget();
}

void Midi::bindCommands()
{
    using C = Commands;
    Commands *c = m_commands;
    c->setGate([this] { return refusal(); });
    // The strip's buttons, in its order: Prev, Next, Play, Pause, Stop.
    c->bind(C::Previous, MMControl1->button(0));
    c->bind(C::Next, MMControl1->button(1));
    c->bind(C::Play, MMControl1->button(2));
    // A click on Pause while paused resumes: the command only ever pauses.
    c->bind(C::Pause, MMControl1->button(3), [this] { return m_play->playState() == PlayState::Playing; });
    c->bind(C::Stop, MMControl1->button(4));
    c->bind(C::PlayPause, [this, c] { c->run(m_play->playState() == PlayState::Playing ? C::Pause : C::Play); });
    c->bind(C::OpenFiles, [this] { openFilesFromMenu(); });
    c->bind(C::Find, [this] { findInList(); });
    c->bind(C::SavePlayList, [this] { savePlayListAs(); });
    const std::pair<C::Id, QAbstractButton *> controls[] = {
        {C::OpenLibrary, cmdOpen}, {C::SaveLibrary, cmdSave}, {C::NewLibrary, cmdNew},  {C::Add, cmdAdd},
        {C::Remove, cmdRemove},    {C::Clear, cmdClear},      {C::Shuffle, chkShuffle}, {C::Loop, chkLoop},
        {C::Roll, cmdExpand},      {C::Volume, cmdVolume},    {C::Colour, cmdColor},    {C::Help, cmdHelp},
        {C::About, cmdAbout},      {C::Minimize, cmdHide},    {C::Quit, cmdQuit}};
    for (const auto &[id, control] : controls)
        c->bind(id, control);
}

void Midi::seekBy(qint64 ms)
{
    if (acceptsCommands())
        m_play->seekTo(m_play->positionMs() + ms);
}

QString Midi::refusal() const
{
    if (m_play->closePending() || m_unloaded)
        return QStringLiteral("Lyrabox is closing.");
    if (QApplication::activeModalWidget())
        return QStringLiteral("Lyrabox waits for an answer in an open box.");
    if (m_play->busy() > 0)
        return QStringLiteral("Lyrabox is busy; try again when it is done.");
    return {};
}
