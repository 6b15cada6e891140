#pragma once
#include "lyrics/core/songtext.h"

#include <QVector>

class MidiFile;

// The text events of a valid song (names, text, copyright, lyrics, markers,
// cues), each track's in its order, tracks in file order. Times in ms
// through the tempo map of all tracks merged.
QVector<SongTextEvent> readSongTextEvents(const MidiFile &file);

// The words and names of a song already read, as loadSongText gives them;
// path only tells whether it is named as a karaoke file.
SongText readSongText(const MidiFile &file, const QString &path, const QByteArray &encoding = {});
