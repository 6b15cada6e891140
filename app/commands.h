#pragma once
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <functional>

class QAbstractButton;
class QAction;
class QWidget;

// What the user can ask of the player, one action per command. The buttons, the menu, the keys and
// the desktop all come here, and every road ends in the same handler: a command clicks the control
// it belongs to, so a click and a command cannot differ. Whether a command is available is the
// action's enabled state; the control follows it.
class Commands : public QObject {
    Q_OBJECT
public:
    enum Id {
        PlayPause,
        Play,
        Pause,
        Stop,
        Next,
        Previous,
        OpenFiles,
        OpenLibrary,
        SaveLibrary,
        SavePlayList,
        NewLibrary,
        Add,
        Remove,
        Clear,
        Find,
        Shuffle,
        Loop,
        Roll,
        Volume,
        Lyrics,
        TempoKey,
        Channels,
        Colour,
        Help,
        About,
        Minimize,
        Quit,
        Count
    };
    Q_ENUM(Id)

    explicit Commands(QObject *parent = nullptr);

    QAction *action(Id id) const { return m_actions[id]; }

    // The command clicks button (or ticks it, for a checkable one), and the button is enabled as
    // the command is. when, if given, must hold for the click to happen.
    void bind(Id id, QAbstractButton *button, std::function<bool()> when = {});
    // The command runs run.
    void bind(Id id, std::function<void()> run);
    // Why no command is taken now (a handler runs, a box is open, the player closes); empty when free.
    void setGate(std::function<QString()> gate) { m_gate = std::move(gate); }

    // Why no command would be taken now; empty when free.
    QString refusal() const;
    // Why id would not be taken now; empty when it would.
    QString refusal(Id id) const;
    // Carries the command out as a click would; false, and nothing happens, when refused.
    bool run(Id id);
    // A checkable command put in state on, as ticking its box would; true when it already is.
    bool setChecked(Id id, bool on);
    bool isChecked(Id id) const;

    // A menu entry that opens the window make builds, one at a time: asked again, the open one
    // comes to the front.
    QAction *addWindow(const QString &text, const std::function<QWidget *()> &make);
    // The command id opens that window the same way.
    void bindWindow(Id id, const std::function<QWidget *()> &make);

signals:
    // A window entry was added, for the menu to show.
    void windowAdded(QAction *action);
    // A checkable command's control changed state (not a trigger that was refused).
    void checkedChanged(Commands::Id id, bool on);

private:
    void triggered(Id id);

    QAction *m_actions[Count] = {};
    std::function<void()> m_run[Count];
    std::function<QString()> m_gate;
};
