#include "library/core/midifiles.h"
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace MidiFiles {

QStringList namePatterns()
{
    return {QStringLiteral("*.mid"), QStringLiteral("*.midi"), QStringLiteral("*.kar"), QStringLiteral("*.rmi"),
            QStringLiteral("*.smf")};
}

QString browserPattern()
{
    return namePatterns().join(QLatin1Char(';'));
}

bool hasMidiName(const QString &fileName)
{
    return QDir::match(namePatterns(), fileName);
}

bool hasLibraryName(const QString &fileName)
{
    return fileName.endsWith(QLatin1String(".mfl"), Qt::CaseInsensitive);
}

bool looksLikeMidi(const QByteArray &head)
{
    if (head.startsWith("MThd"))
        return true;
    return head.size() >= 12 && head.startsWith("RIFF") && head.mid(8, 4) == "RMID";
}

bool isMidiFile(const QString &path)
{
    // Only regular files are opened: a FIFO would block the read.
    if (!QFileInfo(path).isFile())
        return false;
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && looksLikeMidi(f.read(12));
}

QStringList midiFilesUnder(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, namePatterns(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    std::sort(out.begin(), out.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return out;
}

}
