#include "channels/core/channelchoices.h"
#include "components/core/songstore.h"
#include "playback/core/playsession.h"

namespace {
const QStringList Names = {QStringLiteral("mute"), QStringLiteral("solo"), QStringLiteral("levels"),
                           QStringLiteral("lock")};

QString channelList(const std::array<bool, 16> &on)
{
    QStringList list;
    for (int ch = 0; ch < 16; ++ch)
        if (on[size_t(ch)])
            list << QString::number(ch + 1);
    return list.join(QLatin1Char(','));
}

// Channel numbers 1..16 first in each comma-separated item; others are dropped.
template <class F> void eachItem(const QString &text, F &&take)
{
    for (const QString &item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(QLatin1Char(':'));
        bool ok = false;
        const int ch = parts[0].trimmed().toInt(&ok) - 1;
        if (ok && ch >= 0 && ch < 16)
            take(size_t(ch), parts.mid(1));
    }
}
}

ChannelChoices::ChannelChoices(PlaySession *play, SequencerDevice *device, SongStore *store, QObject *parent)
    : QObject(parent), m_play(play), m_device(device), m_store(store)
{
    connect(play, &PlaySession::opened, this, &ChannelChoices::songOpened);
    connect(play, &PlaySession::songChanged, this, &ChannelChoices::songOpened);
    songOpened();
}

void ChannelChoices::setStore(SongStore *store)
{
    m_store = store;
    m_song.clear();
    songOpened();
}

ChannelMix::Settings ChannelChoices::settings() const
{
    return m_device->channelMix();
}

void ChannelChoices::songOpened()
{
    const QString song = m_play->openSong();
    if (song == m_song)
        return;
    m_song = song;
    QMap<QString, QString> values;
    for (const QString &name : Names)
        if (m_store && !song.isEmpty())
            values[name] = m_store->value(song, name);
    m_device->setChannelMix(fromStore(values));
    emit changed();
}

ChannelMix::Settings ChannelChoices::storedFor(const QString &song) const
{
    QMap<QString, QString> values;
    for (const QString &name : Names)
        if (m_store)
            values[name] = m_store->value(song, name);
    ChannelMix::Settings s = fromStore(values);
    for (ChannelMix::Lock &lock : s.lock)
        if (lock.program < 0)
            lock = {};
    return s;
}

void ChannelChoices::change(const ChannelMix::Settings &settings)
{
    const QMap<QString, QString> before = toStore(m_device->channelMix());
    m_device->setChannelMix(settings);
    const QMap<QString, QString> now = toStore(m_device->channelMix());
    if (m_store && !m_song.isEmpty())
        for (const QString &name : Names)
            if (before.value(name) != now.value(name))
                m_store->setValue(m_song, name, now.value(name));
    emit changed();
}

QMap<QString, QString> ChannelChoices::toStore(const ChannelMix::Settings &s)
{
    QStringList levels, locks;
    for (int ch = 0; ch < 16; ++ch) {
        const auto c = size_t(ch);
        if (s.level[c] != 100)
            levels << QStringLiteral("%1:%2").arg(ch + 1).arg(s.level[c]);
        if (s.lock[c].on)
            locks << QStringLiteral("%1:%2:%3:%4")
                         .arg(ch + 1)
                         .arg(s.lock[c].bankMsb)
                         .arg(s.lock[c].bankLsb)
                         .arg(s.lock[c].program);
    }
    return {{Names[0], channelList(s.muted)},
            {Names[1], channelList(s.solo)},
            {Names[2], levels.join(QLatin1Char(','))},
            {Names[3], locks.join(QLatin1Char(','))}};
}

ChannelMix::Settings ChannelChoices::fromStore(const QMap<QString, QString> &values)
{
    ChannelMix::Settings s;
    eachItem(values.value(Names[0]), [&s](size_t ch, const QStringList &) { s.muted[ch] = true; });
    eachItem(values.value(Names[1]), [&s](size_t ch, const QStringList &) { s.solo[ch] = true; });
    eachItem(values.value(Names[2]), [&s](size_t ch, const QStringList &rest) {
        bool ok = false;
        const int level = rest.value(0).toInt(&ok);
        if (ok)
            s.level[ch] = std::clamp(level, 0, ChannelMix::MaxLevel);
    });
    eachItem(values.value(Names[3]), [&s](size_t ch, const QStringList &rest) {
        const auto number = [&rest](int i, int low) {
            bool ok = false;
            const int v = rest.value(i).toInt(&ok);
            return qint16(ok && v >= low && v <= 127 ? v : -1);
        };
        // A lock whose program was lost holds whatever plays when the song gets there.
        s.lock[ch] = {true, number(0, 0), number(1, 0), number(2, 0)};
    });
    return s;
}
