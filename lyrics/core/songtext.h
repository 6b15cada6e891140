#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

// Text events as they stand in a song, before any decoding.
struct SongTextEvent {
    enum Kind : quint8 { Text = 1, Copyright = 2, TrackName = 3, Lyric = 5, Marker = 6, Cue = 7 };
    qint64 ms = 0;   // through the song's tempo map
    int track = 0;
    Kind kind = Text;
    QByteArray bytes;
};

// One sung piece of the words: what is shown and when it starts.
struct LyricSyllable {
    enum class Break : quint8 { None, Line, Paragraph };   // what comes before this syllable
    qint64 ms = 0;
    QString text;   // without karaoke break marks or line ends
    Break before = Break::None;
};

// The words and names of a song, decoded.
struct SongText {
    QString title;
    QStringList artists;
    QString copyright;
    QByteArray encoding;             // the name used to decode, as iconv knows it
    QVector<LyricSyllable> lyrics;   // in time order
    bool hasLyrics() const { return !lyrics.isEmpty(); }
};

// Reads the words and names of the song at path and decodes them with
// encoding, or with the encoding chosen for its text when that is empty.
// An unreadable song gives an empty SongText.
SongText loadSongText(const QString &path, const QByteArray &encoding = {});
