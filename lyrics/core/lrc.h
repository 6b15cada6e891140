#pragma once
#include "lyrics/core/songtext.h"
#include "playback/core/songrender.h"

// The words of a song as timed lines for music players (.lrc, with the time
// of each syllable).
namespace lrc {

// "[ti:title]", "[ar:artist]", then each line of the words as "[mm:ss.xx]"
// and its syllables, each after its "<mm:ss.xx>"; an empty line between
// paragraphs. Empty when the song has no words.
QString text(const SongText &song);

// Where the words of the audio file go: beside it, named as it with ".lrc".
QString pathBeside(const QString &audio);

// Writes the words of the song beside its audio file, whole or not at all;
// a file already there is kept unless overwrite (a pipe or device always).
// A song without words writes nothing. False with the reason in *error.
// The times follow the audio, rendered at the job's tempo.
bool writeBeside(const RenderJob &job, QString *error);

}
