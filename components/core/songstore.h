#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>

// Choices made for one song (its text encoding; later its tempo, key, loop and channels), kept
// across runs in one SQLite file. A song is known by a hash of its bytes, so a moved or renamed
// song keeps its choices. A store that is missing, damaged, locked or read-only never stops the
// player: it is told once, and every value reads as none.
class SongStore {
public:
    // file: the database; it is made only when a choice is first written.
    explicit SongStore(const QString &file);
    ~SongStore();
    SongStore(const SongStore &) = delete;
    SongStore &operator=(const SongStore &) = delete;

    // What name holds for the song at songPath; empty when nothing was chosen or the store cannot be read.
    QString value(const QString &songPath, const QString &name);
    // Keeps value for the song (empty: forgets it), all or nothing; false when it could not be kept.
    bool setValue(const QString &songPath, const QString &name, const QString &value);
    QString fileName() const { return m_file; }
    // Where the problem goes (the terminal unless a test listens).
    void setTeller(std::function<void(const QString &)> tell) { m_tell = std::move(tell); }

    // Hex SHA-256 of the song's bytes; empty when it is not a readable file of at most 64 MiB.
    static QByteArray songKey(const QString &songPath);
    static constexpr int SchemaVersion = 1;

private:
    bool open(bool create);
    bool prepareSchema();
    QByteArray keyOf(const QString &songPath);
    // Tells why the store is not used, once; a damaged or newer store is then left alone.
    void fail(const QString &why, bool forGood);

    QString m_file;
    QString m_connection;
    std::function<void(const QString &)> m_tell;
    bool m_open = false;
    bool m_broken = false;
    bool m_told = false;
    // The last song hashed, so a song asked about again is not read again.
    QString m_keyPath;
    QDateTime m_keyTime;
    qint64 m_keySize = -1;
    QByteArray m_key;
};
