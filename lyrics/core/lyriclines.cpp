#include "lyrics/core/lyriclines.h"
#include <algorithm>

namespace lyriclines {

QVector<Line> split(const QVector<LyricSyllable> &syllables)
{
    QVector<Line> lines;
    for (int i = 0; i < syllables.size(); ++i) {
        const LyricSyllable &s = syllables[i];
        if (lines.isEmpty() || s.before != LyricSyllable::Break::None)
            lines.append({i, 0, s.before == LyricSyllable::Break::Paragraph, s.ms});
        ++lines.last().count;
    }
    return lines;
}

Place placeAt(const QVector<Line> &lines, const QVector<LyricSyllable> &syllables, qint64 ms)
{
    const auto after = std::upper_bound(lines.cbegin(), lines.cend(), ms,
                                        [](qint64 at, const Line &l) { return at < l.ms; });
    if (after == lines.cbegin())
        return {};
    Place place{int(after - lines.cbegin()) - 1, 0};
    const Line &line = lines[place.line];
    while (place.sung < line.count && syllables[line.first + place.sung].ms <= ms)
        ++place.sung;
    return place;
}

QString text(const Line &line, const QVector<LyricSyllable> &syllables, int upTo)
{
    QString out;
    const int n = upTo < 0 ? line.count : std::min(upTo, line.count);
    for (int i = 0; i < n; ++i)
        out += syllables[line.first + i].text;
    return out;
}

QString plainText(const QVector<LyricSyllable> &syllables)
{
    QString out;
    for (const Line &line : split(syllables)) {
        if (line.paragraph && !out.isEmpty())
            out += QLatin1Char('\n');
        out += text(line, syllables) + QLatin1Char('\n');
    }
    return out;
}

}
