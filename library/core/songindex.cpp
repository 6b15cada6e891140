#include "library/core/songindex.h"
#include "lyrics/core/lyriclines.h"
#include <QElapsedTimer>
#include <QSet>

SongIndex::SongIndex(Reader read, QObject *parent) : QObject(parent), m_read(std::move(read))
{
    m_slice.setSingleShot(true);
    connect(&m_slice, &QTimer::timeout, this, [this] { readFor(SliceMs); });
}

QString SongIndex::fold(const QString &text)
{
    const QString parts = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(parts.size());
    // By whole characters: marks past U+FFFF come as surrogate pairs.
    for (const uint c : parts.toUcs4()) {
        const QChar::Category cat = QChar::category(c);
        if (cat != QChar::Mark_NonSpacing && cat != QChar::Mark_SpacingCombining && cat != QChar::Mark_Enclosing)
            out += QChar::fromUcs4(c);
    }
    out = out.toCaseFolded();
    // Letters people type without their stroke, which no decomposition takes off.
    static const std::pair<char16_t, const char *> plain[] = {{u'ß', "ss"}, {u'ø', "o"},  {u'ł', "l"}, {u'đ', "d"},
                                                              {u'ı', "i"},  {u'æ', "ae"}, {u'œ', "oe"}};
    for (const auto &[letter, typed] : plain)
        out.replace(QChar(letter), QLatin1String(typed));
    return out;
}

void SongIndex::follow(const QStringList &paths)
{
    if (!m_read)
        return;
    const QSet<QString> listed(paths.cbegin(), paths.cend());
    m_text.removeIf([&](const auto &known) { return !listed.contains(known.key()); });
    m_waiting.clear();
    for (const QString &p : paths) {
        if (!m_text.contains(p))
            m_waiting << p;
    }
    m_waiting.removeDuplicates();
    if (!m_waiting.isEmpty())
        m_slice.start(0);
}

void SongIndex::forget(const QString &path)
{
    if (m_text.remove(path) && m_read) {
        m_waiting << path;
        m_slice.start(0);
    }
}

void SongIndex::readFor(int budgetMs)
{
    QElapsedTimer spent;
    spent.start();
    bool any = false;
    while (!m_waiting.isEmpty() && (budgetMs == 0 || spent.elapsed() < budgetMs)) {
        const QString path = m_waiting.takeFirst();
        const SongText t = m_read(path);
        const QString words = lyriclines::plainText(t.lyrics);
        m_text.insert(path, fold(t.title + u'\n' + t.artists.join(u'\n') + u'\n' + words));
        any = true;
    }
    if (!m_waiting.isEmpty())
        m_slice.start(0);
    if (any)
        emit songsRead();
}
