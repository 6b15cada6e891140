#include "library/core/playlistfilter.h"
#include "library/core/playlistmodel.h"
#include "library/core/songindex.h"

PlayListFilter::PlayListFilter(SongIndex *index, QObject *parent) : QSortFilterProxyModel(parent), m_index(index) {}

void PlayListFilter::refresh()
{
    if (!m_words.isEmpty())
        invalidateRowsFilter();
}

void PlayListFilter::setQuery(const QString &query)
{
    if (query == m_query)
        return;
    m_query = query;
    m_words = SongIndex::fold(query).simplified().split(u' ', Qt::SkipEmptyParts);
    invalidateRowsFilter();
}

bool PlayListFilter::filterAcceptsRow(int row, const QModelIndex &parent) const
{
    if (m_words.isEmpty())
        return true;
    const QModelIndex entry = sourceModel()->index(row, 0, parent);
    const QString name = entry.data().toString();
    auto folded = m_names.constFind(name);
    if (folded == m_names.cend())
        folded = m_names.insert(name, SongIndex::fold(name));
    const QString text = m_index ? m_index->textOf(entry.data(PlayListModel::PathRole).toString()) : QString();
    return std::all_of(m_words.cbegin(), m_words.cend(),
                       [&](const QString &w) { return folded->contains(w) || text.contains(w); });
}
