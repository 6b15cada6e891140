#include "library/core/playlist.h"
#include "components/core/systemtools.h"

QString PlayList::path(int i) const
{
    return i >= 0 && i < count() ? m_paths.at(i) : QString();
}

QString PlayList::name(int i) const
{
    return i >= 0 && i < count() ? m_names.at(i) : QString();
}

bool PlayList::append(const QString &path)
{
    return append(path, SystemTools::SplitPath(path, false));
}

bool PlayList::append(const QString &path, const QString &name)
{
    if (isFull())
        return false;
    m_paths.append(path);
    m_names.append(name);
    return true;
}

void PlayList::removeAt(int i)
{
    if (i < 0 || i >= count())
        return;
    m_paths.removeAt(i);
    m_names.removeAt(i);
}

void PlayList::clear()
{
    m_paths.clear();
    m_names.clear();
}

void PlayList::setPaths(const QStringList &paths)
{
    clear();
    for (const QString &p : paths)
        append(p);
}
