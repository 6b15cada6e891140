#pragma once
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>

// Dates and version texts of the about window.
namespace AboutDate {

// Cuts a "short date + time" text to its date part by the fixed rule: first
// 10 characters; with "/" second, 9 (then 8 when the fourth is "/");
// otherwise with "/" fifth, 9.
QString CutFileDate(const QString &dateTime);

// The date of a file as the about window shows it: the locale's short date
// form (two-digit years widened to four) with its time, cut by CutFileDate.
// Where that cut would not leave exactly the date, the date text is shown.
QString FileDateText(const QDateTime &modified, const QLocale &locale);

// "UpdateDate" is kept as MM-dd-yyyy (07-04-2003).
QString FormatUpdateDate(const QDate &date);
// An invalid QDate unless the text is exactly that form and a real day.
QDate ParseUpdateDate(const QString &text);
// Calendar days from one local date to another (negative when `to` is earlier).
qint64 DaysBetween(const QDate &from, const QDate &to);

// "Version: 1.00.0001*" with star, "1.00.0001" without the prefix and star.
QString VersionText(int major, int minor, int revision);
QString VersionNumber(int major, int minor, int revision);

}
