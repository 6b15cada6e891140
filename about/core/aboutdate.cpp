#include "about/core/aboutdate.h"
#include <QRegularExpression>

namespace AboutDate {

QString CutFileDate(const QString &dateTime)
{
    QString s = dateTime.left(10);
    if (s.size() > 1 && s.at(1) == u'/') {
        s.truncate(9);
        if (s.size() > 3 && s.at(3) == u'/')
            s.truncate(8);
    } else if (s.size() > 4 && s.at(4) == u'/') {
        s.truncate(9);
    }
    return s;
}

QString FileDateText(const QDateTime &modified, const QLocale &locale)
{
    if (!modified.isValid())
        return {};
    QString format = locale.dateFormat(QLocale::ShortFormat);
    // The cut counts on a four-digit year; "yy" alone would leave time digits.
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    const QString date = locale.toString(modified.date(), format);
    const QString time = locale.toString(modified.time(), QLocale::ShortFormat);
    const QString cut = CutFileDate(date + u' ' + time);
    return cut == date ? cut : date;
}

QString FormatUpdateDate(const QDate &date)
{
    return date.isValid() ? date.toString(QStringLiteral("MM-dd-yyyy")) : QString();
}

QDate ParseUpdateDate(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^([0-9]{2})-([0-9]{2})-([0-9]{4})$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return {};
    return QDate(m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt());
}

qint64 DaysBetween(const QDate &from, const QDate &to)
{
    return from.daysTo(to);
}

QString VersionNumber(int major, int minor, int revision)
{
    return QStringLiteral("%1.%2.%3")
        .arg(major)
        .arg(minor, 2, 10, QLatin1Char('0'))
        .arg(revision, 4, 10, QLatin1Char('0'));
}

QString VersionText(int major, int minor, int revision)
{
    return QStringLiteral("Version: ") + VersionNumber(major, minor, revision) + u'*';
}

}
