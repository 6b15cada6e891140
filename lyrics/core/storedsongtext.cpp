#include "lyrics/core/storedsongtext.h"
#include "components/core/songstore.h"
#include "lyrics/core/textdecoding.h"

StoredSongText::StoredSongText(SongStore *store, QObject *parent) : SongTextSource(parent), m_store(store), m_read(8) {}

SongText StoredSongText::textOf(const QString &path)
{
    if (path.isEmpty())
        return {};
    if (const SongText *known = m_read.object(path))
        return *known;
    auto *text = new SongText(loadSongText(path, chosenEncoding(path)));
    const SongText copy = *text;
    m_read.insert(path, text);
    return copy;
}

void StoredSongText::setStore(SongStore *store)
{
    m_store = store;
    m_read.clear();
}

void StoredSongText::chooseEncoding(const QString &path, const QByteArray &encoding)
{
    if (m_store)
        m_store->setValue(path, QLatin1String(EncodingKey), QString::fromLatin1(encoding));
    // Read again with the choice, even when it could not be kept for next time.
    m_read.remove(path);
    auto *text = new SongText(loadSongText(path, encoding));
    m_read.insert(path, text);
    emit changed(path);
}

QByteArray StoredSongText::chosenEncoding(const QString &path)
{
    return m_store ? m_store->value(path, QLatin1String(EncodingKey)).toLatin1() : QByteArray();
}

QList<QByteArray> StoredSongText::encodings() const
{
    return textdecoding::offeredEncodings();
}
