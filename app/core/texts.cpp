#include "app/core/texts.h"
#include "app/core/numbers.h"

namespace Texts {

qint64 wholeSeconds(qint64 ms)
{
    return RoundHalfEven(double(ms) / 1000.0);
}

QString minSec(qint64 seconds)
{
    const qint64 m = seconds / 60;
    const qint64 s = seconds - 60 * m;
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

QString total(qint64 seconds)
{
    return QStringLiteral("Total: ") + minSec(seconds) + QLatin1Char(' ');
}

QString time(qint64 seconds)
{
    return QStringLiteral("Time: ") + minSec(seconds);
}

QString selectionName(const QString &entryText)
{
    QString t = entryText.size() > 4 ? entryText.left(entryText.size() - 4) : entryText;
    if (!t.isEmpty())
        t[0] = t[0].toUpper();
    if (t.size() > 23)
        t = t.left(20) + QStringLiteral("...");
    return t;
}

int headingPointSize(const QString &caption)
{
    return caption.size() > 25 ? 8 : 10;
}

QString libraryName(const QString &libFile)
{
    QString name = libFile.mid(libFile.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.endsWith(QLatin1String(".mfl"), Qt::CaseInsensitive))
        name.chop(4);
    return name;
}

QString libraryHeading(const QString &libName, int count)
{
    return QStringLiteral("%1: %2 files").arg(libName).arg(count);
}

}   // namespace Texts
