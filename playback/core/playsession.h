#pragma once
#include "app/core/clock.h"
#include "app/core/failure.h"
#include "library/core/playlist.h"
#include "playback/core/playeroptions.h"
#include "playback/core/practice.h"
#include "playback/core/playstate.h"
#include "playback/core/sequencerdevice.h"
#include <QObject>
#include <QTimer>
#include <functional>

// What playing is: the device, the selection in the play list, the play
// monitor and the interlude. Windows follow it through its signals and
// command it through its functions; it shows nothing itself.
class PlaySession : public QObject {
    Q_OBJECT
public:
    PlaySession(SequencerDevice *device, Clock *clock, const PlayList *list, QObject *parent = nullptr);

    // The device, as the transport strip drives it. Commands return 0 or a media error number.
    enum class Command { Open, Play, Pause, Stop, Close };
    int command(Command command);
    void setFileName(const QString &name) { m_fileName = name; }
    QString fileName() const { return m_fileName; }
    // Where the next Play starts; without a new From, Play resumes.
    void setFrom(qint64 ms);
    qint64 from() const { return m_from; }
    SequencerDevice::Mode mode() const { return m_device->mode(); }
    // The monitor looks every ms while it is above 0.
    void setUpdateInterval(int ms);
    int updateInterval() const { return m_interval; }
    bool monitorRunning() const { return m_interval > 0; }

    // The written transport handlers' work.
    void play();
    void pause();
    void stop();
    void next();
    void previous();
    void interludeCheck();
    void cancelInterlude();
    void statusUpdate();
    // The slider held down and let go at seconds.
    void holdPosition();
    void releasePosition(int seconds);
    bool seekTo(qint64 ms);

    enum class Opened { File, Failed, NoEntry, Overtaken };
    // Opens the list entry at the selection, or previewPath when given.
    Opened openEntry(const QString &previewPath = QString());
    // A file heard without adding it; played when asked.
    void preview(const QString &path, bool play);
    // After the list was dealt again: its first entry waits out the interlude.
    void reopenAfterDeal();
    // Ends what plays or waits; the device is closed.
    void closeSong();
    // Moves the selection to the first present entry from where it stands,
    // wrapping once; false (index 0) when there is none.
    bool findPresentEntry();

    PlayState playState() const;
    bool playingOrBetweenSongs() const;
    bool playing() const { return m_playing; }
    void setPlaying(bool on) { m_playing = on; }
    bool inInterlude() const { return m_interludePending; }
    int selIndex() const { return m_selIndex; }
    void setSelIndex(int i) { m_selIndex = i; }
    QString previewFile() const { return m_previewFile; }
    void setPreviewFile(const QString &name) { m_previewFile = name; }
    qint64 positionMs() const;
    qint64 lengthMs() const;
    // The file open in the device (an entry or a preview); empty when none.
    QString openSong() const;
    bool canSeek() const;

    // The open song's tempo, key and loop.
    Practice *practice() { return &m_practice; }

    PlayerOptions options() const { return m_options; }
    void setOptions(const PlayerOptions &options);
    // Locks or frees the list commands (and the slider with them).
    void lockCommands(bool locked);
    bool commandsAreLocked() const { return m_locked; }
    // Runs when Next passes the end of a shuffled list: deals it again.
    void setDealer(std::function<void()> deal) { m_deal = std::move(deal); }
    // Lets pending events run where the handlers let them (tests may count them).
    void setEventPump(std::function<void()> pump) { m_pump = std::move(pump); }
    void pumpEvents();

    // Handlers running; a close waits for them.
    int busy() const { return m_busy; }
    void enter() { ++m_busy; }
    void leave();
    // The player closes: nothing new is taken on, opens under way give up.
    void shutDown();
    bool isShutDown() const { return m_shutDown; }
    // A close was asked for and waits for the handlers to return.
    void setClosePending(bool pending) { m_closePending = pending; }
    bool closePending() const { return m_closePending; }
    bool closing() const { return m_closePending || m_shutDown; }

signals:
    // Every change of playState(), once, when no handler runs.
    void playStateChanged(PlayState state);
    void songChanged();
    // Play goes on from ms after a move by hand.
    void positionJumped(qint64 ms);
    // The monitor saw play at ms.
    void progress(qint64 ms);
    // A state that shows a word ("(Stopped)") is to be shown now.
    void stateShown(PlayState state);
    // The position shown moves to seconds (a stop, an open, a move while stopped).
    void positionShown(int seconds, bool showTime);
    void commandsLocked(bool locked);
    // Play is about to start: the browser and the panel may follow.
    void aboutToPlay(const QString &entryPath);
    void opening();
    void entrySelected(int index, const QString &path);
    void openFailed();
    void opened(qint64 lengthMs);
    void failure(const Failure &failure);
    // The last handler returned.
    void idle();
    // The user asked to quit: work under way may ask to keep the player, setting cancel.
    void quitAsked(int &cancel);

private:
    int runCommand(Command command);
    void setInterludePending(bool pending);
    void endPlay();
    // The device's fault, if it has one: play stops and the failure is told. False when there was none.
    bool takeFault();
    void notePlayState();
    bool dealAtWrap();
    Opened openFile(const QString &previewPath, quint64 generation);
    void openFailedWith(int error);
    void reportOpenError(int error);

    SequencerDevice *m_device;
    Clock *m_clock;
    const PlayList *m_list;
    PlayerOptions m_options;
    std::function<void()> m_deal;
    std::function<void()> m_pump;
    QString m_fileName;
    qint64 m_from = 0;
    bool m_fromSet = false;
    quint64 m_opens = 0;       // Open commands given so far
    bool m_leftOpen = false;   // the last Open succeeded and no Close followed
    int m_interval = 0;
    QTimer m_monitor;
    QTimer m_interludeTimer;
    bool m_interludePending = false;
    qint64 m_interludeStart = 0;
    int m_selIndex = 0;
    bool m_playing = false;
    QString m_previewFile;
    quint64 m_openGeneration = 0;
    qint64 m_lengthSeconds = 0;
    bool m_opening = false;
    bool m_locked = false;
    bool m_heldWhilePlaying = false;
    QString m_driverErrorShown;   // the output failure last told; cleared by a good open
    int m_busy = 0;
    bool m_shutDown = false;
    bool m_closePending = false;
    PlayState m_lastState = PlayState::Closed;
    QString m_lastSong;
    Practice m_practice;
    qint64 m_lastProgress = -1;   // where the monitor last saw play, to notice a loop's jump
};

// Marks a handler as running, so a close request waits for it to return.
class BusyGuard {
public:
    explicit BusyGuard(PlaySession *s) : m_session(s) { m_session->enter(); }
    ~BusyGuard() { m_session->leave(); }
    BusyGuard(const BusyGuard &) = delete;
    BusyGuard &operator=(const BusyGuard &) = delete;

private:
    PlaySession *m_session;
};
