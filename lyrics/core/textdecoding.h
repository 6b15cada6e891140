#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

// Picks one encoding for all the text of a song and decodes with it.
namespace textdecoding {
// texts: every text event's bytes of one song. localeFallback: the encoding
// used when nothing better is known (the user's locale).
QByteArray chooseEncoding(const QList<QByteArray> &texts, const QByteArray &localeFallback);
QString decode(const QByteArray &bytes, const QByteArray &encoding);
}
