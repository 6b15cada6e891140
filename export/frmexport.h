#pragma once
#include "playback/core/channelmix.h"
#include "playback/core/playstate.h"
#include "playback/core/songrender.h"
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

class Dialogs;
class ExportJob;
class LibrarySession;
class PlaySession;
class PracticeStore;
class QItemSelectionModel;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class SettingsStore;
class SongTextSource;

// Exports the selected play-list entries, the whole list or the open song
// to audio files in a folder, while the player plays on. Shows the song
// being written and the progress of all; Cancel leaves no unfinished file.
// At the end a summary names the files written and what failed. The format
// and folder last used come back the next time.
class FrmExport : public QWidget {
    Q_OBJECT
public:
    // renderers is asked on this thread as each export starts, so the export
    // sounds as the player is set at that moment.
    using Renderers = std::function<SongRenderFactory()>;
    // What it exports from: the sessions, the play list's selection and the window it sits beside.
    struct Player {
        QWidget *window = nullptr;
        PlaySession *play = nullptr;
        LibrarySession *library = nullptr;
        QItemSelectionModel *selection = nullptr;   // the play list's selected entries
        SongTextSource *songText = nullptr;         // songs' titles, shown beside their file names
        PracticeStore *practice = nullptr;          // each song's tempo and key, to render as heard
        // The channel choices kept for a song, for exports as heard; none: not offered.
        std::function<ChannelMix::Settings(const QString &song)> mixOf = {};
    };
    FrmExport(const Player &player, Dialogs *dialogs, SettingsStore *settings, Renderers renderers);
    ~FrmExport() override;

    void cmdFolder_Click();
    void cmdExport_Click();
    void cmdCancel_Click();
    bool running() const { return m_job != nullptr; }
    // The summary last shown; empty before an export ended.
    QString summary() const { return m_summary; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void restoreChoices();
    void storeChoices();
    void playerQuitting(int &cancel);
    void fillChoices();
    QStringList chosenSongs() const;
    void setRunning(bool on);
    void playStateChanged(PlayState state);
    void songStarted(int song);
    void songProgress(int song, double done);
    void songFinished(int song, bool written, const QString &error);
    void exportFinished();
    int workers() const;
    // shown, with the song's title beside it when it has one.
    QString titled(const QString &song, const QString &shown) const;

    Player m_player;
    Dialogs *m_dialogs;
    SettingsStore *m_settings;
    Renderers m_renderers;
    ExportJob *m_job = nullptr;

    QRadioButton *optSelected, *optList, *optOpen;
    QComboBox *cmbFormat;
    QLineEdit *txtFolder;
    QPushButton *cmdFolder, *cmdExport, *cmdCancel;
    QCheckBox *chkLrc, *chkPractice;
    QCheckBox *chkHeard = nullptr;
    QLabel *lblSong;
    QProgressBar *prgAll;

    QVector<double> m_done;   // per song of the running export
    QString m_folder;
    QStringList m_written, m_failed;
    int m_stopped = 0;   // cancelled while being written
    QString m_summary;
    bool m_placed = false;
};

// Puts "Export..." in the player's menu; it opens the export window, or
// brings the open one to the front.
// addWindow puts a menu entry that opens the window its function builds.
using AddWindow = std::function<QAction *(const QString &, const std::function<QWidget *()> &)>;
QAction *addExportAction(const AddWindow &addWindow, const FrmExport::Player &player, Dialogs *dialogs,
                         SettingsStore *settings, FrmExport::Renderers renderers);
