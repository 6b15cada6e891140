#include "desktop/mpris.h"
#include "app/commands.h"
#include "components/core/observedlevel.h"
#include "desktop/core/mprisvalues.h"
#include "desktop/mprisadaptors.h"
#include "desktop/mprisproperties.h"
#include "library/core/librarysession.h"
#include "lyrics/core/lyriclines.h"
#include "lyrics/core/songtextsource.h"
#include "playback/core/playsession.h"
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <QMetaProperty>
#include <QUrl>

namespace {

const QString kRootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

// Every property an adaptor offers, read as the bus would read it.
QVariantMap readAll(const QObject *adaptor)
{
    QVariantMap map;
    const QMetaObject *meta = adaptor->metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (qstrcmp(p.name(), "Position") != 0)   // clients ask for it; it is never announced
            map.insert(QString::fromLatin1(p.name()), p.read(adaptor));
    }
    return map;
}

}   // namespace

Mpris::Mpris(PlaySession *play, LibrarySession *library, Commands *commands, ObservedLevel *level, Hooks hooks,
             QObject *parent)
    : QObject(parent), m_play(play), m_library(library), m_commands(commands), m_level(level), m_hooks(std::move(hooks))
{
    new MprisRoot(this);
    new MprisPlayer(this);
    new MprisProperties(this);
    connect(play, &PlaySession::playStateChanged, this, &Mpris::refresh);
    connect(play, &PlaySession::positionJumped, this, &Mpris::announceSeek);
    connect(play, &PlaySession::songChanged, this, [this] {
        refresh();
        announceSeek(m_play->positionMs());
    });
    connect(level, &ObservedLevel::changed, this, &Mpris::refresh);
    connect(play->practice(), &Practice::changed, this, &Mpris::refresh);
    connect(m_commands, &Commands::checkedChanged, this, &Mpris::refresh);
    const PlayListModel *list = &library->list();
    connect(list, &QAbstractItemModel::rowsInserted, this, &Mpris::refresh);
    connect(list, &QAbstractItemModel::rowsRemoved, this, &Mpris::refresh);
    connect(list, &QAbstractItemModel::modelReset, this, &Mpris::refresh);
    m_sentRoot = rootProperties();
    m_sentPlayer = playerProperties();
}

bool Mpris::seekTo(qint64 ms) const
{
    return m_commands->refusal().isEmpty() && m_play->seekTo(ms);
}

bool Mpris::registerOnBus(QString *error)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        *error = QStringLiteral("no session bus: %1").arg(bus.lastError().message());
        return false;
    }
    if (!bus.registerObject(QString::fromLatin1(ObjectPath), this, QDBusConnection::ExportAdaptors)
        || !bus.registerService(QString::fromLatin1(ServiceName))) {
        *error = QStringLiteral("the name %1 could not be taken: %2")
                     .arg(QString::fromLatin1(ServiceName), bus.lastError().message());
        return false;
    }
    return true;
}

QVariantMap Mpris::rootProperties() const
{
    return readAll(findChild<MprisRoot *>());
}

QVariantMap Mpris::playerProperties() const
{
    return readAll(findChild<MprisPlayer *>());
}

QVariantMap Mpris::metadata() const
{
    const QString song = m_play->openSong();
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(MprisValues::trackId(song))));
    if (song.isEmpty())
        return map;
    map.insert(QStringLiteral("mpris:length"), MprisValues::toMicro(m_play->lengthMs()));
    const SongText text = m_songText ? m_songText->textOf(song) : SongText();
    // The song's own title, else the name the strip shows, but whole: a panel has its own room.
    QString title = text.title.isEmpty() ? QFileInfo(song).completeBaseName() : text.title;
    if (!title.isEmpty() && text.title.isEmpty())
        title[0] = title[0].toUpper();
    map.insert(QStringLiteral("xesam:title"), title);
    if (!text.artists.isEmpty())
        map.insert(QStringLiteral("xesam:artist"), text.artists);
    if (text.hasLyrics())
        map.insert(QStringLiteral("xesam:asText"), lyriclines::plainText(text.lyrics));
    map.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(song).toString(QUrl::FullyEncoded));
    if (!m_library->libName().isEmpty())
        map.insert(QStringLiteral("xesam:album"), m_library->libName());
    return map;
}

void Mpris::setSongText(SongTextSource *source)
{
    m_songText = source;
    if (source)
        connect(source, &SongTextSource::changed, this, [this](const QString &path) {
            if (path == m_play->openSong())
                refresh();
        });
    refresh();
}

bool Mpris::refuse(QDBusError::ErrorType type, const QString &why) const
{
    if (calledFromDBus())
        sendErrorReply(type, why);
    return false;
}

void Mpris::refresh()
{
    sendChanges(kRootInterface, rootProperties(), m_sentRoot);
    sendChanges(kPlayerInterface, playerProperties(), m_sentPlayer);
}

void Mpris::sendChanges(const QString &interface, const QVariantMap &now, QVariantMap &sent)
{
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (sent.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    sent = now;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(ObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

void Mpris::announceSeek(qint64 ms)
{
    emit Seeked(MprisValues::toMicro(ms));
}
