#include "components/core/systemtools.h"
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace SystemTools {

QString GetSpecialFolder(int folderId)
{
    if (folderId != 5)
        return {};
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return docs.isEmpty() ? QString() : WithSlash(docs);
}

bool PathExists(const QString &fileName, const QString &folderPath)
{
    if (folderPath.isEmpty())
        return false;
    if (fileName.isEmpty())
        return QFileInfo(folderPath).isDir();
    return QFileInfo::exists(JoinPath(folderPath, fileName));
}

QString SplitPath(const QString &fullPath, bool wantFolder)
{
    const qsizetype slash = fullPath.lastIndexOf(QLatin1Char('/'));
    if (wantFolder)
        return slash < 0 ? QString() : fullPath.left(slash + 1);
    return fullPath.mid(slash + 1);
}

bool IsPresent(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.isFile() && !info.fileName().startsWith(QLatin1Char('.'));
}

QString WithSlash(const QString &folder)
{
    QString f = folder;
    while (f.size() > 1 && f.endsWith(QLatin1Char('/')))
        f.chop(1);
    if (!f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    return f;
}

QString JoinPath(const QString &folder, const QString &name)
{
    return WithSlash(folder) + name;
}

}   // namespace SystemTools
