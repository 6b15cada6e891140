#include "library/core/playlistmodel.h"

bool PlayListModel::append(const QString &path)
{
    if (isFull())
        return false;
    beginInsertRows({}, count(), count());
    m_list.append(path);
    endInsertRows();
    return true;
}

void PlayListModel::removeAt(int i)
{
    if (i < 0 || i >= count())
        return;
    beginRemoveRows({}, i, i);
    m_list.removeAt(i);
    endRemoveRows();
}

void PlayListModel::clear()
{
    beginResetModel();
    m_list.clear();
    endResetModel();
}

void PlayListModel::setPaths(const QStringList &paths)
{
    beginResetModel();
    m_list.setPaths(paths);
    endResetModel();
}

int PlayListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant PlayListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole: return m_list.name(index.row());
    case PathRole: return m_list.path(index.row());
    default: return {};
    }
}
