#include "app/commands.h"
#include <QAbstractButton>
#include <QAction>
#include <QPointer>
#include <QWidget>

namespace {

struct Entry {
    Commands::Id id;
    const char *text;
    QList<QKeySequence> keys;
    bool checkable = false;
};

QList<Entry> entries()
{
    using C = Commands;
    const auto ctrl = [](Qt::Key key) { return QKeySequence(Qt::CTRL | key); };
    return {
        {C::PlayPause, "Play/Pause", {Qt::Key_Space, Qt::Key_MediaTogglePlayPause}},
        {C::Play, "Play", {Qt::Key_MediaPlay}},
        {C::Pause, "Pause", {Qt::Key_MediaPause}},
        {C::Stop, "Stop", {ctrl(Qt::Key_Period), Qt::Key_MediaStop}},
        {C::Next, "Next", {ctrl(Qt::Key_Right), Qt::Key_MediaNext}},
        {C::Previous, "Previous", {ctrl(Qt::Key_Left), Qt::Key_MediaPrevious}},
        {C::OpenFiles, "Open files...", {}},
        {C::OpenLibrary, "Open Library...", {ctrl(Qt::Key_O)}},
        {C::SaveLibrary, "Save Library...", {ctrl(Qt::Key_S)}},
        {C::SavePlayList, "Save play list as...", {}},
        {C::NewLibrary, "New Library", {ctrl(Qt::Key_N)}},
        {C::Add, "Add to play list", {}},
        {C::Remove, "Remove from play list", {}},
        {C::Clear, "Clear play list", {}},
        {C::Find, "Find...", {ctrl(Qt::Key_F)}},
        {C::Shuffle, "Shuffle", {}, true},
        {C::Loop, "Loop", {}, true},
        {C::Roll, "Roll out/in", {}},
        {C::Volume, "Volume...", {}},
        {C::Lyrics, "Lyrics...", {ctrl(Qt::Key_L)}},
        {C::TempoKey, "Tempo and key...", {ctrl(Qt::Key_T)}},
        {C::Channels, "Channels...", {ctrl(Qt::Key_K)}},
        {C::Colour, "Change Color...", {}},
        {C::Help, "Help", {Qt::Key_F1}},
        {C::About, "About", {}},
        {C::Minimize, "Minimize", {}},
        {C::Quit, "Quit", {ctrl(Qt::Key_Q)}},
    };
}

// Opens the window make builds, one at a time: asked again, the open one comes to the front.
std::function<void()> windowOpener(const std::function<QWidget *()> &make)
{
    return [make, open = QPointer<QWidget>()]() mutable {
        if (!open)
            open = make();
        open->show();
        open->raise();
        open->activateWindow();
    };
}

}   // namespace

Commands::Commands(QObject *parent) : QObject(parent)
{
    for (const Entry &e : entries()) {
        auto *a = new QAction(QString::fromLatin1(e.text), this);
        a->setShortcuts(e.keys);
        // Shown beside a menu entry; the window's own shortcuts do the work, so typing stays typing.
        a->setShortcutContext(Qt::WidgetShortcut);
        a->setCheckable(e.checkable);
        connect(a, &QAction::triggered, this, [this, id = e.id] { triggered(id); });
        m_actions[e.id] = a;
    }
}

void Commands::bind(Id id, QAbstractButton *button, std::function<bool()> when)
{
    QAction *a = m_actions[id];
    button->setEnabled(a->isEnabled());
    connect(a, &QAction::enabledChanged, button, &QWidget::setEnabled);
    if (!a->isCheckable()) {
        m_run[id] = [button, when = std::move(when)] {
            if (!when || when())
                button->click();
        };
        return;
    }
    // The box holds the state: it runs its handler when ticked, and the action shows it.
    a->setChecked(button->isChecked());
    connect(button, &QAbstractButton::toggled, this, [this, a, id](bool on) {
        a->setChecked(on);
        emit checkedChanged(id, on);
    });
    m_run[id] = [a, button] { button->setChecked(a->isChecked()); };
}

void Commands::bind(Id id, std::function<void()> run)
{
    m_run[id] = std::move(run);
}

void Commands::triggered(Id id)
{
    QAction *a = m_actions[id];
    // The menu triggers actions itself, so the gate is kept here as well as in run.
    if (!refusal().isEmpty() || !m_run[id]) {
        if (a->isCheckable())
            a->setChecked(!a->isChecked());
        return;
    }
    m_run[id]();
}

QString Commands::refusal() const
{
    return m_gate ? m_gate() : QString();
}

QString Commands::refusal(Id id) const
{
    if (QString why = refusal(); !why.isEmpty())
        return why;
    const QAction *a = m_actions[id];
    if (a->isEnabled())
        return {};
    if (id == Shuffle)
        return QStringLiteral("Shuffle is locked while a song plays; stop it first.");
    return QStringLiteral("%1 is not available now.").arg(a->iconText());
}

bool Commands::run(Id id)
{
    if (!refusal(id).isEmpty())
        return false;
    m_actions[id]->trigger();
    return true;
}

bool Commands::setChecked(Id id, bool on)
{
    return isChecked(id) == on || run(id);
}

bool Commands::isChecked(Id id) const
{
    return m_actions[id]->isChecked();
}

QAction *Commands::addWindow(const QString &text, const std::function<QWidget *()> &make)
{
    auto *action = new QAction(text, this);
    connect(action, &QAction::triggered, this, windowOpener(make));
    emit windowAdded(action);
    return action;
}

void Commands::bindWindow(Id id, const std::function<QWidget *()> &make)
{
    bind(id, windowOpener(make));
}
