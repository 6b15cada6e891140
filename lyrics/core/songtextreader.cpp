#include "lyrics/core/songtextreader.h"
#include "lyrics/core/songtextstructure.h"
#include "playback/core/midifile.h"
#include "playback/core/midifile_walk.h"

#include "app/core/numbers.h"

#include <cstring>

using namespace midifile_detail;

namespace {

bool isTextMeta(quint8 type)
{
    return (type >= 1 && type <= 3) || (type >= 5 && type <= 7);
}

}   // namespace

QVector<SongTextEvent> readSongTextEvents(const MidiFile &file)
{
    QVector<SongTextEvent> out;
    if (!file.isValid())
        return out;
    const QByteArray smf = file.smfBytes();
    const auto *b = reinterpret_cast<const uchar *>(smf.constData());
    const qint64 n = smf.size();
    qint64 pos = 8 + qint64(be32(b + 4));
    for (int t = 0; t < file.trackCount(); ++t) {
        qint64 len = 0;
        if (!nextTrackChunk(b, n, pos, len))   // the reader took the file
            return out;
        const qint64 dataEnd = trackDataEnd(b, n, pos, pos + len);
        qint64 tick = 0;
        const uchar *at = nullptr;
        bool forgiven = false;
        walkTrack(
            b + pos, b + dataEnd,
            [&](const Event &ev) {
            tick += ev.delta;
            if (ev.status == 0xff && ev.oddity != Oddity::Cut && isTextMeta(ev.metaType))
                out.push_back({RoundHalfEven(file.tickToMs(tick)), t, SongTextEvent::Kind(ev.metaType),
                               QByteArray(reinterpret_cast<const char *>(ev.payload), qsizetype(ev.payloadLen))});
            return true;
            },
            at, forgiven);
        pos = nextChunkAt(b, n, dataEnd, at - b);
    }
    return out;
}

SongText readSongText(const MidiFile &file, const QString &path, const QByteArray &encoding)
{
    if (!file.isValid())
        return {};
    return songtext::fromEvents(readSongTextEvents(file), encoding, songtext::localeEncoding(),
                                path.endsWith(QLatin1String(".kar"), Qt::CaseInsensitive));
}
