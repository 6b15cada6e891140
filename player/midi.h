#pragma once
#include "app/services.h"
#include "library/core/openplan.h"
#include "library/core/playlistmodel.h"
#include "playback/core/playsession.h"
#include "player/midi_controls.h"
#include "player/midigeometry.h"
#include <QPointer>
#include <functional>
#include <QTimer>
#include <QWidget>
#include <memory>

class QContextMenuEvent;
class QKeyEvent;
class QLabel;
class QMenu;
class QItemSelectionModel;
class ClosingDialogs;
class LibrarySession;
class Commands;
class PlayListFind;

// The player window: handlers and named state. The members are spread over
// files by subsystem; the declarations below are grouped by the file that
// defines them.
class Midi : public QWidget, private MidiControls {
    Q_OBJECT
public:
    explicit Midi(const Services &services, QWidget *parent = nullptr);
    ~Midi() override;

    // The controls, for tests and the windows that sit beside this one.
    const MidiControls &controls() const { return *this; }
    // What plays, what is listed, and the commands every road goes through.
    PlaySession *playSession() const { return m_play; }
    // The entries picked in the play list.
    QItemSelectionModel *listSelection() const;
    LibrarySession *library() const { return m_library; }
    Commands *commands() const { return m_commands; }

    // player/midi_startup.cpp: start-up and shut-down.
    void Form_Load();
    // The system ends the program (signal, log-out): open boxes close, the
    // handler waiting on one returns, and the window closes as cmdQuit does.
    void endBySystem();
    bool unloaded() const { return m_unloaded; }
    // A close was asked for or is done: nothing new is taken on.
    bool closing() const { return m_play->closePending() || m_unloaded; }
    // No handler runs and no box is open: a click would reach the window.
    bool acceptsCommands() const;
    // Why a command from outside would not be taken now; empty when it would be.
    QString refusal() const;

    // player/midi_openpaths.cpp: paths given from outside (command line, hand-over, desktop).
    // A song plays, several songs or a folder are added and the first added
    // plays, a library opens and plays; what cannot be used is named in a box.
    // Waits while a handler runs or a box is open. told hears what became of
    // them: waiting (once, when they cannot be taken at once), then taken or
    // dropped because the player closes.
    enum class PathsFate { Waiting, Taken, Dropped };
    void openPaths(const QStringList &pathsOrUrls, std::function<void(PathsFate)> told = {});

    // player/midi_layout.cpp: the roll, the place and the colours.
    // One tick of the roll animation's timer; finishRoll runs them to the end
    // at once (tests, quitting).
    void rollStep();
    void finishRoll();
    bool rolling() const { return m_rollTimer.isActive(); }
    // Window geometry in twips.
    int heightTw() const { return m_heightTw; }
    int leftTw() const;
    int topTw() const;
    void moveTw(double left, double top);
    void setHeightTw(int tw);
    static QRect screenTw();
    // Keeps the window on the screen after a move or a change of screens.
    void Form_Resize();
    QString dataDir() const { return m_dataDir; }
    qint64 playerColor() const { return m_backColor; }
    qint64 textColor() const { return m_foreColor; }
    // The player's colours as other windows wear them (Window and WindowText).
    QPalette playerColours() const;
    bool lightCorners() const { return m_lightCorners; }
    // player/midi_menu.cpp: the right-click menu.
    QMenu *menu() const { return m_menu; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // The written handlers and procedures, connected to their controls.
    // player/midi_startup.cpp
    void SaveSettings();
    void Form_Unload();
    void cmdQuit_Click();
    // player/midi_layout.cpp
    void cmdExpand_Click();
    void chkClose_Click();
    void dragMouseDown(Qt::MouseButton button, const QPoint &globalPos = {});
    void Form_MouseMove();
    void cmdHide_Click();
    void cmdColor_Click();
    void cmdHelp_Click();
    void cmdAbout_Click();
    void cmdVolume_Click();
    // player/midi_library.cpp: the library session does the work.
    void OpenLib();
    bool SaveLib(QString *error = nullptr);
    void ClearList();
    void cmdNew_Click();
    void cmdOpen_Click();
    void cmdSave_Click();
    void cmdClear_Click();
    void savePlayListAs();
    // player/midi_browser.cpp: play-list editing and the file browser.
    void cmdAdd_Click();
    void cmdRemove_Click();
    void Drive1_Change();
    void Dir1_Change();
    void File1_DblClick();
    void List1_Click();
    void List1_DblClick();
    // The find field over the play list, the panel rolled out first so that it shows.
    void findInList();
    // player/midi_options.cpp: shuffle and the interlude field.
    void chkShuffle_Click();
    void txtPause_Change();
    void txtPause_GotFocus();
    void UpDown1_Change(int step);
    // The session takes the options from the boxes and the field.
    void optionsFromControls();
    // player/midi_transport.cpp: the transport's handlers; the play session does the work.
    using Opened = PlaySession::Opened;
    Opened OpenMid(const QString &previewPath);
    void MMControl1_PlayClick(int &cancel);
    void MMControl1_PauseClick(int &cancel);
    void MMControl1_StopClick(int &cancel);
    void MMControl1_NextClick(int &cancel);
    void MMControl1_PrevClick(int &cancel);
    // Runs when the interlude timer fires: plays once the wait is over.
    void interludeCheck();
    void MMControl1_StatusUpdate();
    void SliderTime_MouseDown();
    void SliderTime_MouseUp();
    // player/midi_locking.cpp: locking the list commands.
    void ComDisable();
    void ComInable();
    // player/midi_menu.cpp
    void showMenu(const QPoint &globalPos);
    void seekBy(qint64 ms);

    // player/midi_controls.cpp
    void buildControls();
    void buildStatusArea();
    void buildSelectionPanel();
    void buildBrowser();
    void nameForScreenReaders();
    QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, int l, int t, int w, int h);

    // player/midi_remote.cpp
    void bindCommands();

    // player/midi_menu.cpp
    void buildMenu();
    void installShortcuts();
    void openFilesFromMenu();
    bool sliderKey(QKeyEvent *event);

    // player/midi.cpp: wiring and helpers shared by handlers.
    void connectControls();
    void DoEvents() { m_play->pumpEvents(); }
    void setLabel5(const QString &caption);
    // Label2's text; the blinking marker starts over after it.
    void setLabel2(const QString &text);
    void showCaption(const QString &caption);

    // player/midi_startup.cpp
    void settleDataDir();
    void copySamples();
    void restoreColors();
    void restorePosition();
    void restoreOptions();

    // player/midi_layout.cpp
    void setPlayerColor(qint64 color);
    void setTextColor(qint64 color);
    void setCorners(bool light);
    void endRoll();
    void rollOut();

    // player/midi_library.cpp
    void connectLibrary();
    // The song name's tool tip: the open song's title and artist, and why the library was not read whole.
    void showSelectionTip();

    // player/midi_browser.cpp
    void connectBrowser();

    // library/midi_openpaths.cpp
    struct PathsRequest {
        QStringList paths;
        QString workingDir;
        std::function<void(PathsFate)> told;
        bool toldWaiting = false;
    };
    void runPendingPaths();

    void pointBrowserAt(const QString &path);

    // playback/midi_transport.cpp: the views of the play session.
    void connectSession();
    // The caption and Label2 of a state that shows a word ("(Stopped)").
    void showStateTexts(PlayState state);
    void showProgress(qint64 ms);
    void showOpening();
    void showOpened(qint64 lengthMs);
    void showFailure(const Failure &failure);
    void showLocked(bool locked);

    Services m_services;
    std::unique_ptr<ClosingDialogs> m_closingDialogs;
    LibrarySession *m_library = nullptr;
    PlaySession *m_play = nullptr;
    QString m_docDir;
    QString m_dataDir;
    QString m_libraryProblem;
    bool m_mouseActivate = false;
    qint64 m_backColor = 0x808080;
    qint64 m_foreColor = 0;
    bool m_lightCorners = false;
    int m_heightTw = MidiGeometry::RolledUpHeightTw;
    bool m_settingsLoaded = false;   // options read: only then written back
    bool m_closedBySystem = false;
    bool m_unloaded = false;
    // Roll animation.
    QTimer m_rollTimer;
    bool m_rollingOut = false;
    bool m_markerShown = false;   // the last update showed the time with its marker
    QPointer<QWidget> m_volume;
    // Paths given from outside, waiting for the window to be free.
    QList<PathsRequest> m_pendingPaths;
    bool m_pathsRetry = false;
    Commands *m_commands = nullptr;
    PlayListFind *m_find = nullptr;
    QMenu *m_menu = nullptr;
    // Dragging by hand where the window system will not move the window.
    bool m_manualDrag = false;
    QPoint m_dragOffset;
};
