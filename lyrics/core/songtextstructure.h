#pragma once
#include "lyrics/core/songtext.h"

#include <QVector>

// How the text events of a song become its words and names.
namespace songtext {

// A track or sequence name that says nothing about the song ("Track 1",
// "Untitled", "Piano"...).
bool isGenericName(const QString &name);

// The words, title, artists and copyright of a song from its text events.
// The words are the karaoke text (text events with "/" and "\" breaks and
// "@" headers) or the lyric events, whichever has more syllables, from the one
// track that holds most of them. Everything is decoded with encoding, or
// when that is empty with the one chosen over all the song's text.
// karaokeFile: the song's name says it is a karaoke file, so its text events
// are words even without "@" headers.
SongText fromEvents(const QVector<SongTextEvent> &events, const QByteArray &encoding, const QByteArray &localeFallback,
                    bool karaokeFile);

// The user's locale's character set, empty when it says no more than ASCII.
QByteArray localeEncoding();

}
