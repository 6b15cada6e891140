#pragma once
#include "lyrics/core/songtext.h"

#include <QObject>

// Where windows get a song's words: decoded with the encoding remembered for
// that song, if one was chosen by hand.
class SongTextSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual SongText textOf(const QString &path) = 0;
    // Remembers encoding for the song at path (empty: back to the automatic choice).
    virtual void chooseEncoding(const QString &path, const QByteArray &encoding) = 0;
    virtual QByteArray chosenEncoding(const QString &path) = 0;   // empty: automatic
    virtual QList<QByteArray> encodings() const = 0;              // to offer by hand

signals:
    void changed(const QString &path);   // its text reads differently now
};
