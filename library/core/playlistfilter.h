#pragma once
#include <QHash>
#include <QSortFilterProxyModel>
#include <QStringList>

class SongIndex;

// The play list as a find shows it: only the entries whose file name, title, artists or words hold
// every word of the query, case and accents aside. An empty query shows them all.
class PlayListFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    // index may be null: entries are found by their file names.
    explicit PlayListFilter(SongIndex *index, QObject *parent = nullptr);
    void setQuery(const QString &query);
    // Looks again, as songs' texts are read.
    void refresh();
    QString query() const { return m_query; }
    // The list entry shown at row, -1 when none.
    int sourceRow(int row) const { return mapToSource(index(row, 0)).row(); }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override;

private:
    SongIndex *m_index;
    QString m_query;
    QStringList m_words;
    mutable QHash<QString, QString> m_names;   // folded entry names, so a keystroke folds nothing again
};
