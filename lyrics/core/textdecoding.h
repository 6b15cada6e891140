#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

// Picks one encoding for all the text of a song and decodes with it.
namespace textdecoding {
// texts: every text event's bytes of one song. localeFallback: the encoding
// used when nothing better is known (the user's locale). Gives the name as
// iconv knows it; text that is plain ASCII or valid UTF-8 gives "UTF-8".
QByteArray chooseEncoding(const QList<QByteArray> &texts, const QByteArray &localeFallback);
// Bytes that do not belong to encoding become U+FFFD; an encoding iconv does
// not know reads as UTF-8 the same way. A UTF-8 byte order mark is dropped.
QString decode(const QByteArray &bytes, const QByteArray &encoding);
// The encodings a user may pick by hand, in the order of the menu.
QList<QByteArray> offeredEncodings();
// A name a user understands, such as "Cyrillic (Windows-1251)".
QString encodingLabel(const QByteArray &encoding);
}
