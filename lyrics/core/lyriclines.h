#pragma once
#include "lyrics/core/songtext.h"

// The words of a song as the lines a singer reads, and where in them play stands.
namespace lyriclines {

struct Line {
    int first = 0;   // its first syllable
    int count = 0;
    bool paragraph = false;   // a new verse starts with it
    qint64 ms = 0;            // when its first syllable is sung
};

QVector<Line> split(const QVector<LyricSyllable> &syllables);

struct Place {
    int line = 0;   // the line being sung, or the first one before it starts
    int sung = 0;   // its syllables sung so far
};
Place placeAt(const QVector<Line> &lines, const QVector<LyricSyllable> &syllables, qint64 ms);

// A line's text; sung syllables only with upTo (count), all by default.
QString text(const Line &line, const QVector<LyricSyllable> &syllables, int upTo = -1);
// All the words: lines end with a line break, verses are parted by an empty line.
QString plainText(const QVector<LyricSyllable> &syllables);

}
