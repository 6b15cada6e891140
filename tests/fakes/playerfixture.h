#pragma once
#include "fakes/fakeclock.h"
#include "fakes/fakedialogs.h"
#include "fakes/fakesequencer.h"
#include "fakes/fakesongtext.h"
#include "app/services.h"
#include "app/commands.h"
#include "library/core/librarysession.h"
#include "player/midi.h"
#include <QPushButton>
#include <QStringList>
#include <QToolButton>
#include <memory>

// A player window on fakes: manual clock, scripted dialogs, fake sequencer,
// settings in a fresh INI file, a program folder with a few sample songs.
struct PlayerFixture {
    // ownDataDir: give the case its own data folder (else the documents default).
    explicit PlayerFixture(bool ownDataDir = true);
    ~PlayerFixture();
    // Builds the window and runs its start-up.
    Midi &start();
    // Closes the window as the quit button does.
    void quit();
    // Writes MIDI files (fake-playable) in the data folder and returns their paths.
    QStringList songs(const QStringList &names);
    QString dir() const { return m_dir; }
    // Starts the window with these songs listed; lengthMs, when above 0, for each of them.
    Midi &startWith(const QStringList &names, qint64 lengthMs = 0);
    // Moves the clock on and lets the monitor and the interlude look, as their timers would.
    void tick(qint64 ms);
    // Clicks a transport button: "Prev", "Next", "Play", "Pause" or "Stop".
    void press(const QString &button);
    // Double-clicks a song of the data folder in the file list, to hear it without adding it.
    void preview(const QString &name);

    FakeClock clock;
    FakeDialogs dialogs;
    FakeSequencer device{&clock};
    SilentSounds sounds;
    FakeSongText songText;
    std::unique_ptr<SettingsStore> settings;
    Services services;
    std::unique_ptr<Midi> midi;

private:
    QString m_dir;
};
