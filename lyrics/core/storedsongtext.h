#pragma once
#include "lyrics/core/songtextsource.h"
#include <QCache>

class SongStore;

// The player's song text: read from the file with the encoding remembered for the song in the
// store, and kept for the few songs asked about last, so every window reads a song once.
class StoredSongText : public SongTextSource {
    Q_OBJECT
public:
    // store may be null: nothing is remembered.
    explicit StoredSongText(SongStore *store, QObject *parent = nullptr);
    SongText textOf(const QString &path) override;
    void chooseEncoding(const QString &path, const QByteArray &encoding) override;
    QByteArray chosenEncoding(const QString &path) override;
    QList<QByteArray> encodings() const override;
    // Where choices are kept from now on (the data folder is known once the player has started).
    void setStore(SongStore *store);

    // The store's name for a song's chosen encoding.
    static constexpr const char *EncodingKey = "encoding";

private:
    SongStore *m_store;
    QCache<QString, SongText> m_read;
};
