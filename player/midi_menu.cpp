#include "player/keyboardfocus.h"
#include "player/midi.h"
#include "app/commands.h"
#include "playback/mediacontrol.h"
#include "library/filebrowser.h"
#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QToolButton>

void Midi::buildMenu()
{
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("PlayerMenu"));
    using C = Commands;
    const QList<QList<C::Id>> groups = {{C::PlayPause, C::Stop, C::Next, C::Previous},
                                        {C::OpenFiles, C::OpenLibrary, C::SavePlayList, C::Find},
                                        {C::Loop, C::Shuffle, C::Roll},
                                        {C::Lyrics, C::TempoKey, C::Channels, C::Volume, C::Help, C::About},
                                        {C::Quit}};
    for (const auto &group : groups) {
        if (!m_menu->isEmpty())
            m_menu->addSeparator();
        for (const C::Id id : group)
            m_menu->addAction(m_commands->action(id));
    }
    // Other windows' entries go before Volume....
    connect(m_commands, &Commands::windowAdded, this,
            [this](QAction *a) { m_menu->insertAction(m_commands->action(Commands::Volume), a); });
}

void Midi::showMenu(const QPoint &globalPos)
{
    if (!acceptsCommands())
        return;
    m_menu->popup(globalPos);
}

void Midi::contextMenuEvent(QContextMenuEvent *event)
{
    showMenu(event->globalPos());
}

void Midi::installShortcuts()
{
    auto *keyboard = new KeyboardFocus(this);
    for (int i = 0; i < Commands::Count; ++i) {
        const auto id = Commands::Id(i);
        for (const QKeySequence &keys : m_commands->action(id)->shortcuts()) {
            auto *s = new QShortcut(keys, this);
            connect(s, &QShortcut::activated, this, [this, keyboard, id, space = keys == Qt::Key_Space] {
                // Typing a pause length is typing, not commanding the player.
                if (focusWidget() == txtPause)
                    return;
                // A button or box the user moved to with Tab takes Space, as keyboard users
                // expect; the focus a click or the window system left behind does not.
                auto *focused = qobject_cast<QAbstractButton *>(focusWidget());
                if (space && focused && keyboard->moved())
                    focused->click();
                else
                    m_commands->run(id);
            });
        }
    }
    // The strip's buttons, in its order, and the command whose first key each answers to.
    const Commands::Id keyOf[5] = {Commands::Previous, Commands::Next, Commands::PlayPause, Commands::PlayPause,
                                   Commands::Stop};
    for (int i = 0; i < 5; ++i) {
        QToolButton *b = MMControl1->button(i);
        b->setToolTip(QStringLiteral("%1 (%2)").arg(b->toolTip(), m_commands->action(keyOf[i])->shortcut().toString()));
    }
    SliderTime->setToolTip(SliderTime->toolTip() + QStringLiteral(" (Left/Right: 5 seconds)"));
}

// Left and Right on the slider move play as a drag of five seconds would.
bool Midi::sliderKey(QKeyEvent *event)
{
    const int key = event->key();
    if ((key != Qt::Key_Left && key != Qt::Key_Right) || event->modifiers() != Qt::NoModifier)
        return false;
    seekBy(key == Qt::Key_Right ? 5000 : -5000);
    return true;
}

void Midi::openFilesFromMenu()
{
    if (!acceptsCommands())
        return;
    const QStringList files = m_services.dialogs->openFiles(
        this, QStringLiteral("Open files"), Dir1->path(),
        QStringLiteral("Midi files (*.mid *.midi *.kar *.rmi *.smf);;Library files (*.mfl);;"
                       "Play lists (*.m3u *.m3u8 *.pls)"));
    if (!files.isEmpty())
        openPaths(files);
}
