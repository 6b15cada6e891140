#pragma once
#include "app/services.h"
#include "library/core/openplan.h"
#include "library/core/playlistmodel.h"
#include "library/core/shuffle.h"
#include "playback/core/playstate.h"
#include "player/midi_controls.h"
#include "player/midigeometry.h"
#include <QPointer>
#include <functional>
#include <QTimer>
#include <QWidget>
#include <memory>

class QAbstractButton;
class QAction;
class QContextMenuEvent;
class QKeyEvent;
class QLabel;
class QMenu;
class ClosingDialogs;

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

    // player/midi_startup.cpp: start-up and shut-down.
    void Form_Load();
    void SaveSettings();
    void Form_Unload();
    void cmdQuit_Click();
    // Set once the window was asked to close by the system (not the user).
    void setClosedBySystem(bool b) { m_closedBySystem = b; }
    // The system ends the program (signal, log-out): open boxes close, the
    // handler waiting on one returns, and the window closes as cmdQuit does.
    void endBySystem();
    bool unloaded() const { return m_unloaded; }
    // A close was asked for or is done: nothing new is taken on.
    bool closing() const { return m_closePending || m_unloaded; }

    // player/midi_layout.cpp: layout, appearance and the small windows.
    void Form_Resize();
    void cmdExpand_Click();
    void chkClose_Click();
    void dragMouseDown(Qt::MouseButton button, const QPoint &globalPos = {});
    void Form_MouseMove();
    void cmdHide_Click();
    void cmdColor_Click();
    void cmdHelp_Click();
    void cmdAbout_Click();
    void cmdVolume_Click();
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

    // library/midi_library.cpp: library files and their commands.
    void OpenLib();
    bool SaveLib(QString *error = nullptr);
    void ClearList();
    void cmdNew_Click();
    void cmdOpen_Click();
    void cmdSave_Click();
    void cmdClear_Click();

    // library/midi_browser.cpp: play-list editing and the file browser.
    void cmdAdd_Click();
    void cmdRemove_Click();
    void Drive1_Change();
    void Dir1_Change();
    void File1_DblClick();
    void List1_Click();
    void List1_DblClick();
    // Adds files as cmdAdd does (drops); returns how many were added.
    int addFiles(const QStringList &paths);

    // library/midi_openpaths.cpp: paths given from outside (command line, hand-over, desktop).
    // A song plays, several songs or a folder are added and the first added
    // plays, a library opens and plays; what cannot be used is named in a box.
    // Waits while a handler runs or a box is open. told hears what became of
    // them: waiting (once, when they cannot be taken at once), then taken or
    // dropped because the player closes.
    enum class PathsFate { Waiting, Taken, Dropped };
    void openPaths(const QStringList &pathsOrUrls, std::function<void(PathsFate)> told = {});

    // library/midi_openmid.cpp: opening a selection.
    enum class Opened { File, Failed, NoEntry, Overtaken };
    Opened OpenMid(const QString &previewPath);

    // library/midi_options.cpp: shuffle and the interlude field.
    void chkShuffle_Click();
    void txtPause_Change();
    void txtPause_GotFocus();
    void UpDown1_Change(int step);

    // playback/midi_transport.cpp: the transport buttons and the interlude.
    void MMControl1_PlayClick(int &cancel);
    void MMControl1_PauseClick(int &cancel);
    void MMControl1_StopClick(int &cancel);
    void MMControl1_NextClick(int &cancel);
    void MMControl1_PrevClick(int &cancel);
    // Runs when the interlude timer fires: plays once the wait is over.
    void interludeCheck();
    // One word for what the player does now, from the device and the interlude.
    PlayState playState() const;

    // playback/midi_monitor.cpp: the play monitor and the slider.
    void MMControl1_StatusUpdate();
    void SliderTime_MouseDown();
    void SliderTime_MouseUp();

    // playback/midi_locking.cpp: locking and errors.
    void ComDisable();
    void ComInable();
    void DisplayErrorMessageBox(int error);

    // player/midi_remote.cpp: commands from the keyboard, the menu and the desktop.
    enum class Button { Prev, Next, Play, Pause, Stop };
    // False when a click on the same control would not be taken now.
    bool press(Button button);
    bool playPause();
    bool seekTo(qint64 ms);
    bool seekBy(qint64 ms);
    bool canSeek() const;
    bool setLoop(bool on);
    bool setShuffle(bool on);
    // No handler runs and no box is open: a click would reach the window.
    bool acceptsCommands() const;
    // Why a command from outside would not be taken now, through control (a
    // box or button that may be locked); empty when it would be.
    QString refusal(const QWidget *control = nullptr) const;
    qint64 positionMs() const;
    qint64 lengthMs() const;
    // The file open in the device (a list entry or a preview); empty when none.
    QString openSong() const;

    // player/midi_menu.cpp: the right-click menu and the keyboard.
    // Entries other windows add, placed before Volume....
    void addMenuAction(QAction *action);
    // A menu entry that opens the window `make` builds, one at a time: asked again, the open one comes to the front.
    QAction *addWindowAction(const QString &text, const std::function<QWidget *()> &make);
    void showMenu(const QPoint &globalPos);
    QMenu *menu() const { return m_menu; }

    // Named state, readable by tests and the other windows.
    const PlayListModel &playList() const { return m_list; }
    int selIndex() const { return m_selIndex; }
    void setSelIndex(int i) { m_selIndex = i; }
    QString libFile() const { return m_libFile; }
    void setLibFile(const QString &f) { m_libFile = f; }
    QString libName() const { return m_libName; }
    QString previewFile() const { return m_previewFile; }
    bool playing() const { return m_playing; }
    bool inInterlude() const { return m_interludePending; }
    QString dataDir() const { return m_dataDir; }
    qint64 playerColor() const { return m_backColor; }
    qint64 textColor() const { return m_foreColor; }
    bool lightCorners() const { return m_lightCorners; }
    MediaControl *mediaControl() const { return MMControl1; }

signals:
    // Every change of playState(), once.
    void playStateChanged(PlayState state);
    // Play was moved by hand (the slider, a seek): it goes on from ms.
    void positionJumped(qint64 ms);
    // Another song was opened (or none is open any more).
    void songChanged();
    // The user asked to quit: a window with work under way may ask to keep it, setting cancel.
    void quitAsked(int &cancel);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    friend class BusyGuard;
    // player/midi_controls.cpp
    void buildControls();
    void buildStatusArea();
    void buildSelectionPanel();
    void buildBrowser();
    void nameForScreenReaders();
    QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, int l, int t, int w, int h);

    // player/midi_remote.cpp
    bool setOption(QCheckBox *box, bool on);

    // player/midi_menu.cpp
    void buildMenu();
    void installShortcuts();
    void updateMenu();
    void openFilesFromMenu();
    bool clickWhenFree(QAbstractButton *button);
    bool sliderKey(QKeyEvent *event);

    // player/midi.cpp: wiring and helpers shared by handlers.
    void connectControls();
    void DoEvents();
    void setLabel5(const QString &caption);
    // Label2's text; the blinking marker starts over after it.
    void setLabel2(const QString &text);
    // The play monitor looks at the device: play runs and the slider is not held.
    bool monitorRunning() const;
    void showCaption(const QString &caption);

    // player/midi_startup.cpp
    void settleDataDir();
    void copySamples();
    void restoreColors();
    void restorePosition();
    void restoreOptions();
    // A box as the settings store it: 1 checked, 0 not.
    int checkValue(QCheckBox *box) const;
    void setCheckValue(QCheckBox *box, int value);
    void reopenLibrary();
    void showLibraryCaptions(const QString &label5, const QString &label4, const QString &label1);
    void reportSaveFailure(const QString &what);
    void tell(const QString &text);
    void noteLibraryProblem(const QString &why);

    // player/midi_layout.cpp
    void setPlayerColor(qint64 color);
    void setTextColor(qint64 color);
    void setCorners(bool light);
    void endRoll();

    // library/midi_library.cpp
    bool findPresentEntry();
    // Open Library after its dialog: the library at file opens. False: the
    // edited list could not be kept, so it stays.
    bool openLibraryFile(const QString &file);
    void tellLeftOut(const QStringList &leftOut);
    bool saveUnasked(QString *error);
    bool keepEditsBeforeReplace();
    void saveLibraryAtExit();

    // library/midi_browser.cpp
    void connectBrowser();
    // cmdAdd's add without its opening; returns how many were added.
    int appendFiles(const QStringList &paths);
    // File1_DblClick's preview of the file at path, played when asked.
    void preview(const QString &path, bool play);

    // library/midi_openpaths.cpp
    struct PathsRequest {
        QStringList paths;
        QString workingDir;
        std::function<void(PathsFate)> told;
        bool toldWaiting = false;
    };
    void runPendingPaths();
    void carryOut(const OpenPlan &plan);
    void stopForListChange();
    void playSelection();

    // library/midi_openmid.cpp
    void pointBrowserAt(const QString &path);
    void setSliderMaximum(qint64 seconds);

    // playback/midi_transport.cpp
    void cancelInterlude();
    void setInterludePending(bool pending);
    // The caption and Label2 of a state that shows a word ("(Stopped)").
    void showStateTexts(PlayState state);
    void notePlayState();
    // Play ends where it stands: the stopped texts, nothing pending.
    void endPlay();
    bool playingOrBetweenSongs() const;

    Services m_services;
    std::unique_ptr<ClosingDialogs> m_closingDialogs;
    PlayListModel m_list;
    ShuffleRandom m_random;
    int m_selIndex = 0;
    QString m_libName;
    QString m_libFile;
    QString m_previewFile;
    QString m_docDir;
    QString m_dataDir;
    bool m_playing = false;
    bool m_mouseActivate = false;
    qint64 m_backColor = 0x808080;
    qint64 m_foreColor = 0;
    bool m_lightCorners = false;
    int m_heightTw = MidiGeometry::RolledUpHeightTw;
    bool m_settingsLoaded = false;      // options read: only then written back
    bool m_libraryIncomplete = false;   // the library did not load whole: keep the file
    bool m_listEdited = false;          // entries added or removed since the list was loaded or saved
    QStringList m_leftOutTold;          // entries the user was told a library cannot hold
    QString m_driverErrorShown;         // the output failure last shown; cleared by a good open
    bool m_closedBySystem = false;
    bool m_unloaded = false;
    bool m_closePending = false;
    int m_busy = 0;
    quint64 m_openGeneration = 0;
    // Interlude.
    QTimer m_interludeTimer;
    bool m_interludePending = false;
    PlayState m_lastState = PlayState::Closed;   // as last announced
    QString m_lastSong;                          // likewise
    qint64 m_interludeStart = 0;
    // Roll animation.
    QTimer m_rollTimer;
    bool m_rollingOut = false;
    // The slider was held down while play was running.
    bool m_sliderHeldWhilePlaying = false;
    bool m_markerShown = false;   // the last update showed the time with its marker
    QPointer<QWidget> m_volume;
    // Paths given from outside, waiting for the window to be free.
    QList<PathsRequest> m_pendingPaths;
    bool m_pathsRetry = false;
    QMenu *m_menu = nullptr;
    QAction *m_loopAction = nullptr, *m_shuffleAction = nullptr;
    QAction *m_volumeAction = nullptr;
    // Dragging by hand where the window system will not move the window.
    bool m_manualDrag = false;
    QPoint m_dragOffset;
};

// Marks a handler as running, so a close request waits for it to return.
class BusyGuard {
public:
    explicit BusyGuard(Midi *m) : m_midi(m) { ++m_midi->m_busy; }
    ~BusyGuard();
    BusyGuard(const BusyGuard &) = delete;
    BusyGuard &operator=(const BusyGuard &) = delete;

private:
    Midi *m_midi;
};
