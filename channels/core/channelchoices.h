#pragma once
#include "playback/core/channelmix.h"
#include <QMap>
#include <QObject>
#include <QString>

class PlaySession;
class SequencerDevice;
class SongStore;

// The channel choices of the open song: given to the device as a song opens
// and remembered for the song whenever they change.
class ChannelChoices : public QObject {
    Q_OBJECT
public:
    // store may be null: nothing is remembered.
    ChannelChoices(PlaySession *play, SequencerDevice *device, SongStore *store, QObject *parent = nullptr);
    void setStore(SongStore *store);
    ChannelMix::Settings settings() const;
    void change(const ChannelMix::Settings &settings);
    // What is kept for a song, as an export plays it: a lock without its program is left out.
    ChannelMix::Settings storedFor(const QString &song) const;

    // The store's names and values for the choices; none for a channel left as it is.
    static QMap<QString, QString> toStore(const ChannelMix::Settings &settings);
    static ChannelMix::Settings fromStore(const QMap<QString, QString> &values);

signals:
    void changed();

private:
    void songOpened();

    PlaySession *m_play;
    SequencerDevice *m_device;
    SongStore *m_store;
    QString m_song;
};
