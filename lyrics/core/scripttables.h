#pragma once
#include <QtGlobal>

// What the words of each script usually are made of, to tell a right
// decoding from a wrong one. Tables of our own, from general knowledge.
namespace textdecoding {
// Extra points a letter earns for being common in words of its script.
int commonBonus(char32_t c);
// The Latin-script languages whose alphabet has the letter c (lowercase, not ASCII), one bit each.
quint32 latinLanguages(char32_t c);
// True for punctuation and signs usual in song text of any script.
bool usualSign(char32_t c);
}
