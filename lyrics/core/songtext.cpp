#include "lyrics/core/songtext.h"
#include "lyrics/core/songtextreader.h"
#include "playback/core/midifile.h"

SongText loadSongText(const QString &path, const QByteArray &encoding)
{
    return readSongText(MidiFile::load(path), path, encoding);
}
