// libFuzzer target for the MIDI file reader (playback/core/midifile*.cpp).
// Any bytes: no crash, no hang, no leak; and for a file the reader takes,
// the timing arithmetic and the playable bytes keep their promises: read
// back by the reader to the same song, and plain (nothing forgiven in them).
//
// The reader's sources are compiled into this unit so that libFuzzer's
// coverage instrumentation sees them (lyrabox_core itself is built without
// it); the linker then takes no reader object from the library.
#include "playback/core/midifile.cpp"
#include "playback/core/midifile_playable.cpp"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_midifile: %s\n", what);
    std::abort();
}

// The bytes as a strict reader takes them: a 6-byte header, the declared
// track chunks one after the other, each holding whole events (bytes after
// End of Track are harmless), no event the reader had to forgive or the
// synth would misread.
bool plain(const QByteArray &smf)
{
    const auto *b = reinterpret_cast<const uchar *>(smf.constData());
    const qint64 n = smf.size();
    if (n < 14 || std::memcmp(b, "MThd", 4) != 0 || be32(b + 4) != 6)
        return false;
    qint64 pos = 14;
    for (int t = be16(b + 10); t > 0; --t) {
        if (n - pos < 8 || std::memcmp(b + pos, "MTrk", 4) != 0 || be32(b + pos + 4) > n - pos - 8)
            return false;
        const uchar *end = b + pos + 8 + be32(b + pos + 4);
        bool ok = true;
        const uchar *at = nullptr;
        bool forgiven = false;
        if (walkTrack(
                b + pos + 8, end,
                [&](const Event &ev) {
            ok = ok && ev.oddity == Oddity::None && ev.status != 0xf7
                 && (ev.status != 0xff || metaLengthOk(ev.metaType, ev.payloadLen));
            return ok;
                },
                at, forgiven)
            != WalkError::None
            || !ok || forgiven)
            return false;
        pos = end - b;
    }
    return true;
}

void check(const MidiFile &f)
{
    if (!f.isValid()) {
        if (f.error().isEmpty() || !f.playableBytes().isEmpty() || f.lengthMs() != 0)
            fail("a refused file must say why and offer nothing to play");
        return;
    }
    if (f.lastTick() < 0 || f.lengthMs() < 0 || f.division() <= 0 || f.tempoMap().isEmpty())
        fail("bad numbers in a valid file");
    if (f.tempoMap().first().tick != 0)
        fail("the tempo map must start at tick 0");
    for (qsizetype i = 1; i < f.tempoMap().size(); ++i)
        if (f.tempoMap()[i].tick <= f.tempoMap()[i - 1].tick || f.tempoMap()[i].microsPerQuarter <= 0)
            fail("tempo map out of order");
    // Round trips at a few ticks, and times that never go backwards.
    const qint64 last = f.lastTick();
    double previous = -1.0;
    qint64 ticks[] = {0, 1, last / 3, last / 2, last - 1, last, last + 1};
    std::sort(std::begin(ticks), std::end(ticks));
    for (qint64 t : ticks) {
        if (t < 0)
            continue;
        const double ms = f.tickToMs(t);
        if (!(ms >= 0.0) || ms < previous)
            fail("tickToMs went backwards");
        previous = ms;
        // Only where a tick spans a few units of the last place of the time:
        // days into a song at a tempo of a few microseconds it spans less.
        const bool resolvable = f.tickToMs(t + 1) - ms > 16 * std::numeric_limits<double>::epsilon() * ms;
        if (t < (qint64(1) << 40) && resolvable && f.msToTick(ms) != t)
            fail("msToTick(tickToMs(t)) != t");
    }
    // What the sequencer gets: valid, metrical, same timing, already plain.
    const QByteArray playable = f.playableBytes();
    const MidiFile p = MidiFile::parse(playable);
    if (!p.isValid())
        fail("playable bytes not valid");
    if (p.isSmpte() || p.lastTick() != f.lastTick() || p.lengthMs() != f.lengthMs() || p.trackCount() != f.trackCount()
        || p.format() != f.format())
        fail("playable bytes changed the song");
    if (p.playableBytes() != playable)
        fail("playable bytes need another rewrite");
    if (!plain(playable))
        fail("playable bytes are not plain");
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // No copy: a read past the end of the input is caught by AddressSanitizer.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    check(MidiFile::parse(bytes));
    return 0;
}
