#include "lyrics/core/songtextstructure.h"
#include "lyrics/core/textdecoding.h"

#include <QHash>

#include <algorithm>
#include <clocale>
#include <langinfo.h>

namespace songtext {

namespace {

using Break = LyricSyllable::Break;

bool isHeader(const SongTextEvent &e)
{
    return e.kind == SongTextEvent::Text && e.bytes.startsWith('@');
}

bool isLineEnd(QChar c)
{
    return c == u'\n' || c == u'\r';
}

// Where the text after a language marker ("{@LATIN}", "{@JP}") at i starts, or i.
qsizetype pastLanguageMarker(const QString &text, qsizetype i)
{
    if (!QStringView(text).sliced(i).startsWith(u"{@"))
        return i;
    qsizetype j = i + 2;
    while (j < text.size() && j - i < 24 && (text[j].isLetterOrNumber() || text[j] == u'_' || text[j] == u'-'))
        ++j;
    return j < text.size() && text[j] == u'}' ? j + 1 : i;
}

// Cuts one event's text into syllables at its line ends. Line ends and
// karaoke marks since the last syllable decide the next one's break: one
// ends the line, two (or a "\") the paragraph.
class Splitter {
public:
    explicit Splitter(QVector<LyricSyllable> &out) : m_out(out) {}

    void add(qint64 ms, const QString &text, bool karaoke)
    {
        qsizetype i = 0;
        if (karaoke && !text.isEmpty() && (text[0] == u'/' || text[0] == u'\\')) {
            m_ends = std::max(m_ends, text[0] == u'/' ? 1 : 2);
            i = 1;
        }
        i = pastLanguageMarker(text, i);   // it names the encoding; it is not sung
        while (i < text.size()) {
            while (i < text.size() && isLineEnd(text[i])) {
                // CR LF is one line end.
                if (!(text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n'))
                    ++m_ends;
                ++i;
            }
            const qsizetype start = i;
            while (i < text.size() && !isLineEnd(text[i]))
                ++i;
            if (i > start) {
                // Nothing comes before the first syllable.
                const Break before = m_out.isEmpty() ? Break::None
                                     : m_ends >= 2   ? Break::Paragraph
                                     : m_ends == 1   ? Break::Line
                                                     : Break::None;
                m_out.push_back({ms, text.mid(start, i - start), before});
                m_ends = 0;
            }
        }
    }

private:
    QVector<LyricSyllable> &m_out;
    int m_ends = 0;
};

// The track with the most events that pass (the first of them on a tie), or -1.
template <class Pred> int busiestTrack(const QVector<SongTextEvent> &events, Pred pass)
{
    QHash<int, int> counts;
    int best = -1, most = 0;
    for (const SongTextEvent &e : events) {
        if (!pass(e))
            continue;
        const int c = ++counts[e.track];
        if (c > most || (c == most && e.track < best)) {
            best = e.track;
            most = c;
        }
    }
    return best;
}

QVector<LyricSyllable> syllables(const QVector<SongTextEvent> &events, int track, bool karaoke,
                                 const QByteArray &encoding)
{
    QVector<LyricSyllable> out;
    Splitter split(out);
    for (const SongTextEvent &e : events) {
        if (e.track != track || isHeader(e) || e.kind != (karaoke ? SongTextEvent::Text : SongTextEvent::Lyric))
            continue;
        split.add(e.ms, textdecoding::decode(e.bytes, encoding), karaoke);
    }
    // Tracks are read in time order; a format 2 song's may still overlap.
    std::stable_sort(out.begin(), out.end(),
                     [](const LyricSyllable &a, const LyricSyllable &b) { return a.ms < b.ms; });
    return out;
}

bool hasKaraokeMarks(const QVector<SongTextEvent> &events, int track)
{
    return std::any_of(events.begin(), events.end(), [track](const SongTextEvent &e) {
        return e.track == track && e.kind == SongTextEvent::Text
               && (e.bytes.startsWith('/') || e.bytes.startsWith('\\'));
    });
}

QString clean(const QByteArray &bytes, const QByteArray &encoding)
{
    return textdecoding::decode(bytes, encoding).simplified();
}

void readNames(const QVector<SongTextEvent> &events, const QByteArray &encoding, SongText &out)
{
    QStringList titleLines, copyrights;
    QString firstName;
    bool firstNameSeen = false;
    for (const SongTextEvent &e : events) {
        if (isHeader(e) && e.bytes.startsWith("@T")) {
            titleLines << clean(e.bytes.mid(2), encoding);
        } else if (e.kind == SongTextEvent::Copyright) {
            if (const QString c = clean(e.bytes, encoding); !c.isEmpty())
                copyrights << c;
        } else if (e.kind == SongTextEvent::TrackName && e.track == 0 && !firstNameSeen) {
            firstNameSeen = true;
            firstName = clean(e.bytes, encoding);
        }
    }
    out.title = titleLines.value(0);
    if (titleLines.size() > 1 && !titleLines[1].isEmpty())
        out.artists << titleLines[1];
    if (out.title.isEmpty() && !isGenericName(firstName))
        out.title = firstName;
    out.copyright = copyrights.join(u'\n');
}

}   // namespace

bool isGenericName(const QString &name)
{
    // Numbers and punctuation around a word do not make it a name: "Track 1", "Untitled-2", "(Piano)".
    const auto edge = [](QChar c) { return c.isDigit() || c.isSpace() || c.isPunct() || c.isSymbol(); };
    static const QStringList generic = QStringLiteral("track|untitled|sequence|midi|tempo track|tempo|conductor|"
                                                      "control track|song|new song|title|karaoke|soft karaoke|words|"
                                                      "lyrics|melody|vocal|voice|piano|grand piano|"
                                                      "acoustic grand piano|drums|drum|percussion|bass|guitar|"
                                                      "strings|organ|instrument|system|setup|general midi|gm|gs|xg")
                                           .split(u'|');
    qsizetype from = 0, to = name.size();
    while (from < to && edge(name[from]))
        ++from;
    while (to > from && edge(name[to - 1]))
        --to;
    return from == to || generic.contains(name.mid(from, to - from).toLower());
}

SongText fromEvents(const QVector<SongTextEvent> &events, const QByteArray &encoding, const QByteArray &localeFallback,
                    bool karaokeFile)
{
    SongText out;
    if (encoding.isEmpty()) {
        QList<QByteArray> texts;
        texts.reserve(events.size());
        for (const SongTextEvent &e : events)
            texts << e.bytes;
        out.encoding = textdecoding::chooseEncoding(texts, localeFallback);
    } else {
        out.encoding = encoding;
    }
    readNames(events, out.encoding, out);

    const bool headers = std::any_of(events.begin(), events.end(), isHeader);
    const int karTrack = busiestTrack(
        events, [](const SongTextEvent &e) { return e.kind == SongTextEvent::Text && !isHeader(e); });
    const int lyricTrack = busiestTrack(events, [](const SongTextEvent &e) { return e.kind == SongTextEvent::Lyric; });
    const bool karaoke = karTrack >= 0 && (headers || karaokeFile || hasKaraokeMarks(events, karTrack));
    QVector<LyricSyllable> kar = karaoke ? syllables(events, karTrack, true, out.encoding) : QVector<LyricSyllable>();
    QVector<LyricSyllable> lyr = lyricTrack >= 0 ? syllables(events, lyricTrack, false, out.encoding)
                                                 : QVector<LyricSyllable>();
    out.lyrics = lyr.size() > kar.size() ? std::move(lyr) : std::move(kar);
    return out;
}

QByteArray localeEncoding()
{
    // Asked of a locale object of its own: the program's locale stays as it is.
    static const QByteArray codeset = [] {
        const locale_t loc = ::newlocale(LC_CTYPE_MASK, "", locale_t(nullptr));
        if (!loc)
            return QByteArray();
        QByteArray name(::nl_langinfo_l(CODESET, loc));
        ::freelocale(loc);
        return name == "ANSI_X3.4-1968" || name == "ASCII" ? QByteArray() : name;
    }();
    return codeset;
}

}
