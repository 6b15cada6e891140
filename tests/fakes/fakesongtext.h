#pragma once
#include "lyrics/core/songtextsource.h"
#include <QFileInfo>
#include <QHash>

// Song texts scripted by file name (without folder); encodings chosen are kept and announced.
class FakeSongText : public SongTextSource {
    Q_OBJECT
public:
    using SongTextSource::SongTextSource;
    SongText textOf(const QString &path) override
    {
        SongText t = texts.value(QFileInfo(path).fileName());
        t.encoding = chosen.value(path, t.encoding);
        return t;
    }
    void chooseEncoding(const QString &path, const QByteArray &encoding) override
    {
        chosen[path] = encoding;
        emit changed(path);
    }
    QByteArray chosenEncoding(const QString &path) override { return chosen.value(path); }
    QList<QByteArray> encodings() const override { return {"UTF-8", "KOI8-R"}; }

    QHash<QString, SongText> texts;
    QHash<QString, QByteArray> chosen;
};
