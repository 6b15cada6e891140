#pragma once
#include "playback/core/soundconfig.h"
#include <QString>
#include <QStringList>
#include <functional>

class QObject;

// The sound as the sound window changes it: the engine in the program, a
// fake in tests.
class SoundControl {
public:
    virtual ~SoundControl() = default;
    virtual SoundConfig sound() const = 0;
    // Puts the config to use at once, while a song plays too. False with the
    // reason in *error when it could not (a bank that will not load, a driver
    // that will not start); the sound then stays as it was.
    virtual bool setSound(const SoundConfig &config, QString *error) = 0;
    // Sound banks found on the system, by full path.
    virtual QStringList systemBanks() const = 0;
    // An audio driver, and why it does not open now: empty when it does. A
    // busy or stopped sound server can come back, so it is still offered.
    struct AudioDriver {
        QString name;
        QString problem;
        bool operator==(const AudioDriver &) const = default;
    };
    // The audio drivers there are, each tried now without a word on the
    // terminal, and the devices a driver names (empty when it names none).
    virtual QList<AudioDriver> audioDrivers() = 0;
    virtual QStringList audioDevices(const QString &driver) = 0;
    // The bank kept beside the song open now, stacked on top of sound().banks
    // while it is open; empty when there is none.
    virtual QString songBank() const = 0;
    // Runs changed each time songBank() changes, until context is deleted.
    virtual void watchSongBank(QObject *context, std::function<void()> changed) = 0;
};
