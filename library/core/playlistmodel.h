#pragma once
#include "library/core/playlist.h"
#include <QAbstractListModel>

// The play list as the views see it: every change goes through here, so a
// view never holds a copy of its own.
class PlayListModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int Capacity = PlayList::Capacity;
    static constexpr int PathRole = Qt::UserRole;

    using QAbstractListModel::QAbstractListModel;

    int count() const { return m_list.count(); }
    bool isEmpty() const { return m_list.isEmpty(); }
    bool isFull() const { return m_list.isFull(); }
    QString path(int i) const { return m_list.path(i); }
    QString name(int i) const { return m_list.name(i); }
    QStringList paths() const { return m_list.paths(); }
    QStringList names() const { return m_list.names(); }
    // The entries alone, for readers that need no signals.
    const PlayList &list() const { return m_list; }

    bool append(const QString &path);
    void removeAt(int i);
    void clear();
    void setPaths(const QStringList &paths);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    PlayList m_list;
};
