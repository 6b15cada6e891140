#pragma once
#include <QByteArray>
#include <QList>

// What the bytes of a song's text say about their encoding.
namespace textdecoding {
// The encodings a language mark in the texts (such as {@JP}) stands for,
// likeliest first; empty when no text carries a known mark.
QList<QByteArray> markedEncodings(const QList<QByteArray> &texts);
// The statistical detector's guess for the text, as iconv names it; empty
// when it has none that iconv can decode.
QByteArray detectedEncoding(const QByteArray &text);
}
