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
    walkTracks(reinterpret_cast<const uchar *>(smf.constData()), smf.size(), file.trackCount(),
               [&](int t, qint64 tick, const Event &ev) {
        if (ev.status == 0xff && ev.oddity != Oddity::Cut && isTextMeta(ev.metaType))
            out.push_back({RoundHalfEven(file.tickToMs(tick)), t, SongTextEvent::Kind(ev.metaType),
                           QByteArray(reinterpret_cast<const char *>(ev.payload), qsizetype(ev.payloadLen))});
        return true;
    });
    return out;
}

SongText readSongText(const MidiFile &file, const QString &path, const QByteArray &encoding)
{
    if (!file.isValid())
        return {};
    return songtext::fromEvents(readSongTextEvents(file), encoding, songtext::localeEncoding(),
                                path.endsWith(QLatin1String(".kar"), Qt::CaseInsensitive));
}
