#pragma once
#include <QDBusContext>
#include <QDBusError>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>

class Commands;
class LibrarySession;
class ObservedLevel;
class PlaySession;
class SongTextSource;

// The player on the session bus for desktop media controls (panels, media
// keys, playerctl). Every command goes through the player's commands, as a click would.
class Mpris : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> raise;                         // as a second start does
        std::function<void(const QStringList &)> openUris;   // as the command line does
        std::function<void()> quit;                          // as the system ends the program
        QString desktopEntry;                                // the desktop file's id
    };
    Mpris(PlaySession *play, LibrarySession *library, Commands *commands, ObservedLevel *level, Hooks hooks,
          QObject *parent = nullptr);

    static constexpr const char *ServiceName = "org.mpris.MediaPlayer2.lyrabox";
    static constexpr const char *ObjectPath = "/org/mpris/MediaPlayer2";
    // False, with the reason, when there is no session bus or the name is taken.
    bool registerOnBus(QString *error);

    PlaySession *play() const { return m_play; }
    LibrarySession *library() const { return m_library; }
    // Seeks as the slider does, when the player takes commands now.
    bool seekTo(qint64 ms) const;
    Commands *commands() const { return m_commands; }
    ObservedLevel *level() const { return m_level; }
    const Hooks &hooks() const { return m_hooks; }
    // The properties of each interface as they stand now (Position left out).
    QVariantMap rootProperties() const;
    QVariantMap playerProperties() const;
    QVariantMap metadata() const;
    // Where titles, artists and words come from; without one a song is its file name.
    void setSongText(SongTextSource *source);

    // Answers the call being served with an error that says why it was not
    // carried out (nothing when it did not come over the bus). Always false.
    bool refuse(QDBusError::ErrorType type, const QString &why) const;

    // Sends PropertiesChanged for whatever differs from what was last sent.
    void refresh();
    void announceSeek(qint64 ms);

signals:
    void Seeked(qlonglong position);

private:
    void sendChanges(const QString &interface, const QVariantMap &now, QVariantMap &sent);

    PlaySession *m_play;
    LibrarySession *m_library;
    Commands *m_commands;
    ObservedLevel *m_level;
    SongTextSource *m_songText = nullptr;
    Hooks m_hooks;
    QVariantMap m_sentRoot, m_sentPlayer;
    QString m_lastSong;
};
