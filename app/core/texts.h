#pragma once
#include <QString>
#include <QtGlobal>

// The texts the status display and the headings are made of.
namespace Texts {
// Whole seconds of a time in ms, halves to even.
qint64 wholeSeconds(qint64 ms);
// "m:ss" of whole seconds.
QString minSec(qint64 seconds);
// "Total: m:ss " with its trailing blank.
QString total(qint64 seconds);
// "Time: m:ss".
QString time(qint64 seconds);
// Entry text without its extension, first letter upper-cased, cut to 20 + "..."
// when longer than 23. Names of four characters or fewer show whole.
QString selectionName(const QString &entryText);
// Point size of the play-list heading for a caption.
int headingPointSize(const QString &caption);
// File name of a library path without a trailing ".mfl" (any letter case).
QString libraryName(const QString &libFile);
// "<name>: <n> files".
QString libraryHeading(const QString &libName, int count);
}
