// libFuzzer target for the song text: the text events read from a song, the
// words and names made of them, their decoding and the .lrc text. Input that
// the MIDI reader takes is read as a song; any other input is cut into text
// events directly, so that the words and the decoding see any bytes.
//
// The sources are compiled into this unit for coverage, as in fuzz_midifile.cpp.
#include "playback/core/midifile.cpp"
#include "lyrics/core/songtextreader.cpp"
#include "lyrics/core/songtextstructure.cpp"
#include "lyrics/core/lrc.cpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_songtext: %s\n", what);
    std::abort();
}

// Events separated by 0 bytes: the first byte of each gives its track and kind.
QVector<SongTextEvent> cut(const QByteArray &bytes)
{
    static const SongTextEvent::Kind kinds[] = {SongTextEvent::Text,      SongTextEvent::Copyright,
                                                SongTextEvent::TrackName, SongTextEvent::Lyric,
                                                SongTextEvent::Marker,    SongTextEvent::Cue};
    QVector<SongTextEvent> out;
    qint64 ms = 0;
    for (const QByteArray &part : bytes.split('\0')) {
        if (part.isEmpty())
            continue;
        const auto head = uchar(part[0]);
        ms += head >> 4;
        out.push_back({ms, (head >> 3) & 1, kinds[(head & 7) % 6], part.mid(1)});
    }
    return out;
}

void checkWords(const SongText &t)
{
    for (qsizetype i = 0; i < t.lyrics.size(); ++i) {
        const LyricSyllable &s = t.lyrics[i];
        if (s.text.isEmpty() || s.text.contains(u'\n') || s.text.contains(u'\r'))
            fail("a syllable is empty or holds a line end");
        if (i == 0 ? s.before != LyricSyllable::Break::None : s.ms < t.lyrics[i - 1].ms)
            fail("the words are out of order or break before the first syllable");
    }
    if (lrc::text(t).isEmpty() == t.hasLyrics())
        fail("an .lrc text for a song without words, or none for one with words");
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const MidiFile f = MidiFile::parse(bytes);
    QVector<SongTextEvent> events;
    if (f.isValid()) {
        events = readSongTextEvents(f);
        QVector<qint64> last(f.trackCount(), 0);
        for (const SongTextEvent &e : std::as_const(events)) {
            if (e.track < 0 || e.track >= f.trackCount() || e.ms < last[e.track] || e.ms > f.lengthMs())
                fail("a text event outside its track or the song, or out of order");
            last[e.track] = e.ms;
        }
    } else {
        events = cut(bytes);
    }
    const bool kar = size > 0 && (data[0] & 1);
    checkWords(songtext::fromEvents(events, {}, "ISO-8859-1", kar));
    checkWords(songtext::fromEvents(events, size % 3 ? "UTF-8" : "SHIFT_JIS", {}, !kar));
    return 0;
}
