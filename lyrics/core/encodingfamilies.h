#pragma once
#include <QByteArray>
#include <QList>

// Which encodings are mistaken for one another, and the names iconv uses.
namespace textdecoding {
// The name iconv knows for a name a detector, a marker or a user gives;
// empty when iconv cannot decode it.
QByteArray iconvName(const QByteArray &name);
// encoding first, then the encodings of its script that detectors confuse it with.
QList<QByteArray> sameFamily(const QByteArray &encoding);
// Points a decoding in encoding loses for being seldom used for song text.
int rarity(const QByteArray &encoding);
// One encoding of every family, to try when nothing else is known.
QList<QByteArray> everyFamily();
}
