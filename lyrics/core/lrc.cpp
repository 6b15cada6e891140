#include "lyrics/core/lrc.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace lrc {

namespace {

QString stamp(qint64 ms)
{
    const qint64 cs = std::max<qint64>(ms, 0) / 10;
    return QStringLiteral("%1:%2.%3")
        .arg(cs / 6000, 2, 10, QLatin1Char('0'))
        .arg(cs / 100 % 60, 2, 10, QLatin1Char('0'))
        .arg(cs % 100, 2, 10, QLatin1Char('0'));
}

// A tag's value on one line.
QString tag(const char *name, const QString &value)
{
    return value.isEmpty() ? QString() : QStringLiteral("[%1:%2]\n").arg(QLatin1String(name), value.simplified());
}

}   // namespace

QString text(const SongText &song)
{
    if (!song.hasLyrics())
        return {};
    using Break = LyricSyllable::Break;
    QString out = tag("ti", song.title) + tag("ar", song.artists.join(QLatin1String(", ")));
    for (qsizetype i = 0; i < song.lyrics.size(); ++i) {
        const LyricSyllable &s = song.lyrics[i];
        if (i > 0 && s.before != Break::None)
            out += QLatin1String(s.before == Break::Paragraph ? "\n\n" : "\n");
        if (i == 0 || s.before != Break::None)
            out += u'[' + stamp(s.ms) + u']';
        out += u'<' + stamp(s.ms) + u'>' + s.text;
    }
    return out + u'\n';
}

QString pathBeside(const QString &audio)
{
    const QFileInfo fi(audio);
    return fi.dir().filePath(fi.completeBaseName() + QLatin1String(".lrc"));
}

bool writeBeside(const RenderJob &job, QString *error)
{
    SongText sung = loadSongText(job.input, job.wordsEncoding);
    for (LyricSyllable &s : sung.lyrics)
        s.ms = s.ms * 100 / std::max(job.tempoPercent, 1);
    const QString words = text(sung);
    if (words.isEmpty())
        return true;
    const QString path = pathBeside(job.output);
    const QFileInfo there(path);
    if (there.exists() && (!job.overwrite || !there.isFile())) {
        *error = QStringLiteral("the words were not written: %1 is already there.").arg(path);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(words.toUtf8()) < 0 || !file.commit()) {
        *error = QStringLiteral("the words could not be written to %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

}
