#pragma once
#include "app/services.h"
#include "library/core/playlist.h"
#include "library/core/shuffle.h"
#include "playback/core/playstate.h"
#include "player/midigeometry.h"
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;
class MediaControl;
class DirList;
class FileList;
class DriveCombo;
class PlayListBox;
class ClosingDialogs;

// The player window: its state, controls and handlers. The members are
// spread over files by subsystem (player/, library/, playback/).
class Midi : public QWidget {
    Q_OBJECT
public:
    explicit Midi(const Services &services, QWidget *parent = nullptr);
    ~Midi() override;

    // Start-up and shut-down.
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

    // Library.
    void OpenLib();
    bool SaveLib(QString *error = nullptr);
    void ClearList();
    void cmdNew_Click();
    void cmdOpen_Click();
    void cmdSave_Click();
    void cmdClear_Click();

    // Play-list editing and the file browser.
    void cmdAdd_Click();
    void cmdRemove_Click();
    void Drive1_Change();
    void Dir1_Change();
    void File1_DblClick();
    void List1_Click();
    void List1_DblClick();
    // Adds files as cmdAdd does (drops); returns how many were added.
    int addFiles(const QStringList &paths);

    // Opening a selection.
    enum class Opened { File, Failed, NoEntry, Overtaken };
    Opened OpenMid(const QString &previewPath);

    // Shuffle and interlude.
    void chkShuffle_Click();
    void txtPause_Change();
    void txtPause_GotFocus();
    void UpDown1_Change(int step);

    // Transport, monitor and slider.
    void MMControl1_PlayClick(int &cancel);
    void MMControl1_PauseClick(int &cancel);
    void MMControl1_StopClick(int &cancel);
    void MMControl1_NextClick(int &cancel);
    void MMControl1_PrevClick(int &cancel);
    void MMControl1_StatusUpdate();
    void SliderTime_MouseDown();
    void SliderTime_MouseUp();
    // Runs when the interlude timer fires: plays once the wait is over.
    void interludeCheck();
    bool inInterlude() const { return m_interludePending; }
    // One word for what the player does now, from the device and the interlude.
    PlayState playState() const;

    // Locking and errors.
    void ComDisable();
    void ComInable();
    void DisplayErrorMessageBox(int error);

    // Layout and appearance.
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
    // Runs the roll animation to its end at once (tests, quitting).
    void finishRoll();
    bool rolling() const { return m_rollTimer.isActive(); }

    // Window geometry in twips.
    int heightTw() const { return m_heightTw; }
    int leftTw() const;
    int topTw() const;
    void moveTw(double left, double top);
    void setHeightTw(int tw);
    static QRect screenTw();

    // State, readable by tests and the other windows.
    const PlayList &playList() const { return m_list; }
    int selIndex() const { return m_selIndex; }
    void setSelIndex(int i) { m_selIndex = i; }
    QString libFile() const { return m_libFile; }
    void setLibFile(const QString &f) { m_libFile = f; }
    QString libName() const { return m_libName; }
    QString previewFile() const { return m_previewFile; }
    bool playing() const { return m_playing; }
    QString dataDir() const { return m_dataDir; }
    qint64 playerColor() const { return m_backColor; }
    qint64 textColor() const { return m_foreColor; }
    bool lightCorners() const { return m_lightCorners; }
    MediaControl *mediaControl() const { return MMControl1; }

signals:
    // Every change of playState(), once.
    void playStateChanged(PlayState state);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class BusyGuard;
    // Controls, built in midi_controls.cpp.
    void buildControls();
    void buildStatusArea();
    void buildSelectionPanel();
    void buildBrowser();
    void connectControls();
    void connectBrowser();
    QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, int l, int t, int w, int h);

    // Start-up pieces.
    void settleDataDir();
    void copySamples();
    void restoreColors();
    void restorePosition();
    void restoreOptions();
    void reopenLibrary();
    void showLibraryCaptions(const QString &label5, const QString &label4, const QString &label1);
    void reportSaveFailure(const QString &what);
    void tell(const QString &text);
    void noteLibraryProblem(const QString &why);
    void tellLeftOut(const QStringList &leftOut);

    // Helpers shared by handlers.
    void DoEvents();
    void setLabel5(const QString &caption);
    void setPlayerColor(qint64 color);
    void setTextColor(qint64 color);
    void setCorners(bool light);
    void pointBrowserAt(const QString &path);
    int checkValue(QCheckBox *box) const;
    void setCheckValue(QCheckBox *box, int value);
    void cancelInterlude();
    void setInterludePending(bool pending);
    // The caption and Label2 of a state that shows a word ("(Stopped)").
    void showStateTexts(PlayState state);
    void notePlayState();
    // Play ends where it stands: the stopped texts, nothing pending.
    void endPlay();
    bool playingOrBetweenSongs() const;
    void rollStep();
    void endRoll();
    bool findPresentEntry();
    void setSliderMaximum(qint64 seconds);
    void showCaption(const QString &caption);
    void afterHandler();
    void saveLibraryAtExit();

public:
    // Controls (object names as the control names).
    QFrame *SSPanel2 = nullptr;
    QFrame *SSPanel1 = nullptr;
    QLabel *Image1 = nullptr, *Image2 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr;
    QLabel *Label5 = nullptr, *Label6 = nullptr, *Label8 = nullptr;
    QSlider *SliderTime = nullptr;
    MediaControl *MMControl1 = nullptr;
    QToolButton *cmdVolume = nullptr, *cmdExpand = nullptr, *cmdHelp = nullptr;
    QToolButton *cmdHide = nullptr, *cmdQuit = nullptr, *cmdAdd = nullptr, *cmdRemove = nullptr;
    QPushButton *cmdAbout = nullptr, *cmdNew = nullptr, *cmdOpen = nullptr, *cmdSave = nullptr;
    QPushButton *cmdColor = nullptr, *cmdClear = nullptr;
    QLineEdit *txtPause = nullptr;
    QSpinBox *UpDown1 = nullptr;
    DriveCombo *Drive1 = nullptr;
    DirList *Dir1 = nullptr;
    FileList *File1 = nullptr;
    QCheckBox *chkClose = nullptr, *chkLoop = nullptr, *chkShuffle = nullptr;
    PlayListBox *List1 = nullptr;

private:
    Services m_s;
    std::unique_ptr<ClosingDialogs> m_closingDialogs;
    PlayList m_list;
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
    bool m_settingsLoaded = false;   // options read: only then written back
    bool m_libraryIncomplete = false; // the library did not load whole: keep the file
    bool m_listEdited = false;        // entries added or removed since the library loaded
    QStringList m_leftOutTold;        // entries the user was told a library cannot hold
    QString m_driverErrorShown;       // the output failure last shown; cleared by a good open
    bool m_closedBySystem = false;
    bool m_unloaded = false;
    bool m_closePending = false;
    int m_busy = 0;
    quint64 m_openGeneration = 0;
    // Interlude.
    QTimer m_interludeTimer;
    bool m_interludePending = false;
    PlayState m_lastState = PlayState::Closed;   // as last announced
    qint64 m_interludeStart = 0;
    // Roll animation.
    QTimer m_rollTimer;
    bool m_rollingOut = false;
    // The slider was held down while play was running.
    bool m_sliderHeldWhilePlaying = false;
    QPointer<QWidget> m_volume;
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
