#pragma once
// The sample songs: public-domain tunes (traditional melodies and works of
// composers who died more than a hundred years ago), typed in as note lists
// and arranged for a few General MIDI instruments.
#include <QByteArray>
#include <QString>
#include <QVector>

struct SampleFile {
    QString fileName;   // lower case, e.g. "greensleeves.mid"
    QByteArray bytes;   // the whole file
};

// Every sample, in a fixed order; the same bytes on every run.
QVector<SampleFile> sampleFiles();
