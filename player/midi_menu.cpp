#include "player/keyboardfocus.h"
#include "player/midi.h"
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

namespace {

QAction *entry(QMenu *menu, const QString &text, const QKeySequence &keys = {})
{
    QAction *a = menu->addAction(text);
    a->setShortcut(keys);
    // Shown beside the entry; the window's own shortcuts do the work.
    a->setShortcutContext(Qt::WidgetShortcut);
    return a;
}

}   // namespace

void Midi::buildMenu()
{
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("PlayerMenu"));
    QAction *play = entry(m_menu, QStringLiteral("Play/Pause"), Qt::Key_Space);
    connect(play, &QAction::triggered, this, &Midi::playPause);
    connect(entry(m_menu, QStringLiteral("Stop"), QKeySequence(Qt::CTRL | Qt::Key_Period)), &QAction::triggered, this,
            [this] { press(Button::Stop); });
    connect(entry(m_menu, QStringLiteral("Next"), QKeySequence(Qt::CTRL | Qt::Key_Right)), &QAction::triggered, this,
            [this] { press(Button::Next); });
    connect(entry(m_menu, QStringLiteral("Previous"), QKeySequence(Qt::CTRL | Qt::Key_Left)), &QAction::triggered, this,
            [this] { press(Button::Prev); });
    m_menu->addSeparator();
    connect(entry(m_menu, QStringLiteral("Open files...")), &QAction::triggered, this, &Midi::openFilesFromMenu);
    connect(entry(m_menu, QStringLiteral("Open Library..."), QKeySequence(Qt::CTRL | Qt::Key_O)), &QAction::triggered,
            this, [this] { clickWhenFree(cmdOpen); });
    m_menu->addSeparator();
    m_loopAction = entry(m_menu, QStringLiteral("Loop"));
    m_shuffleAction = entry(m_menu, QStringLiteral("Shuffle"));
    for (QAction *a : {m_loopAction, m_shuffleAction})
        a->setCheckable(true);
    connect(m_loopAction, &QAction::triggered, this, &Midi::setLoop);
    connect(m_shuffleAction, &QAction::triggered, this, &Midi::setShuffle);
    connect(entry(m_menu, QStringLiteral("Roll out/in")), &QAction::triggered, this,
            [this] { clickWhenFree(cmdExpand); });
    m_menu->addSeparator();
    m_volumeAction = entry(m_menu, QStringLiteral("Volume..."));
    connect(m_volumeAction, &QAction::triggered, this, [this] { clickWhenFree(cmdVolume); });
    connect(entry(m_menu, QStringLiteral("Help"), Qt::Key_F1), &QAction::triggered, this,
            [this] { clickWhenFree(cmdHelp); });
    connect(entry(m_menu, QStringLiteral("About")), &QAction::triggered, this, [this] { clickWhenFree(cmdAbout); });
    m_menu->addSeparator();
    connect(entry(m_menu, QStringLiteral("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q)), &QAction::triggered, this,
            [this] { clickWhenFree(cmdQuit); });
    connect(m_menu, &QMenu::aboutToShow, this, &Midi::updateMenu);
}

void Midi::addMenuAction(QAction *action)
{
    m_menu->insertAction(m_volumeAction, action);
}

QAction *Midi::addWindowAction(const QString &text, const std::function<QWidget *()> &make)
{
    auto *action = new QAction(text, this);
    connect(action, &QAction::triggered, this, [make, open = QPointer<QWidget>()]() mutable {
        if (!open)
            open = make();
        open->show();
        open->raise();
        open->activateWindow();
    });
    addMenuAction(action);
    return action;
}

void Midi::updateMenu()
{
    m_loopAction->setChecked(chkLoop->isChecked());
    m_shuffleAction->setChecked(chkShuffle->isChecked());
    m_shuffleAction->setEnabled(chkShuffle->isEnabled());
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

bool Midi::clickWhenFree(QAbstractButton *button)
{
    if (!acceptsCommands() || !button->isEnabled())
        return false;
    button->click();
    return true;
}

void Midi::installShortcuts()
{
    const auto on = [this](const QKeySequence &keys, auto command) {
        auto *s = new QShortcut(keys, this);
        // Typing a pause length is typing, not commanding the player.
        connect(s, &QShortcut::activated, this, [this, command] {
            if (focusWidget() != txtPause)
                command();
        });
    };
    auto *keyboard = new KeyboardFocus(this);
    on(Qt::Key_Space, [this, keyboard] {
        // A button or box the user moved to with Tab takes Space, as keyboard users
        // expect; the focus a click or the window system left behind does not.
        auto *focused = qobject_cast<QAbstractButton *>(focusWidget());
        if (focused && keyboard->moved())
            focused->click();
        else
            playPause();
    });
    on(QKeySequence(Qt::CTRL | Qt::Key_Right), [this] { press(Button::Next); });
    on(QKeySequence(Qt::CTRL | Qt::Key_Left), [this] { press(Button::Prev); });
    on(QKeySequence(Qt::CTRL | Qt::Key_Period), [this] { press(Button::Stop); });
    on(QKeySequence(Qt::CTRL | Qt::Key_O), [this] { clickWhenFree(cmdOpen); });
    on(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { clickWhenFree(cmdSave); });
    on(QKeySequence(Qt::CTRL | Qt::Key_N), [this] { clickWhenFree(cmdNew); });
    on(Qt::Key_F1, [this] { clickWhenFree(cmdHelp); });
    on(QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { clickWhenFree(cmdQuit); });
    on(Qt::Key_MediaTogglePlayPause, [this] { playPause(); });
    on(Qt::Key_MediaPlay, [this] { press(Button::Play); });
    on(Qt::Key_MediaPause, [this] {
        if (playState() == PlayState::Playing)
            press(Button::Pause);
    });
    on(Qt::Key_MediaStop, [this] { press(Button::Stop); });
    on(Qt::Key_MediaNext, [this] { press(Button::Next); });
    on(Qt::Key_MediaPrevious, [this] { press(Button::Prev); });
    const char *keys[5] = {"Ctrl+Left", "Ctrl+Right", "Space", "Space", "Ctrl+."};
    for (int i = 0; i < 5; ++i) {
        QToolButton *b = MMControl1->button(i);
        b->setToolTip(QStringLiteral("%1 (%2)").arg(b->toolTip(), QLatin1String(keys[i])));
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
        QStringLiteral("Midi files (*.mid *.midi *.kar *.rmi *.smf);;Library files (*.mfl)"));
    if (!files.isEmpty())
        openPaths(files);
}
