// lyrabox-midiinfo [--json] FILE...: for each file, one line
//   path<TAB>length_ms<TAB>format<TAB>tracks     or
//   path<TAB>error<TAB>reason
// read with the same reader the player uses; with --json one JSON object a
// line with the song's names and words too. Exit status: 0 when every file
// was read, 1 when one was not, 2 for a wrong command line.
#include "app/core/appinfo.h"
#include "app/core/terminal.h"
#include "lyrics/core/songtextreader.h"
#include "playback/core/midifile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

QJsonValue orNull(const QString &s)
{
    return s.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(s);
}

QJsonObject songJson(const QString &path, const MidiFile &f)
{
    if (!f.isValid())
        return {{"file", path}, {"error", f.error()}};
    const SongText t = readSongText(f, path);
    static const char *const breaks[] = {"none", "line", "paragraph"};
    QJsonArray lyrics;
    for (const LyricSyllable &s : t.lyrics)
        lyrics.append(QJsonObject{{"ms", s.ms}, {"text", s.text}, {"break", breaks[int(s.before)]}});
    return {{"file", path},
            {"lengthMs", f.lengthMs()},
            {"title", orNull(t.title)},
            {"artist", orNull(t.artists.join(QLatin1String(", ")))},
            {"copyright", orNull(t.copyright)},
            {"encoding", QString::fromLatin1(t.encoding)},
            {"lyrics", lyrics}};
}

}   // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lyrabox-midiinfo"));
    QCoreApplication::setApplicationVersion(AppInfo::VersionNumber());
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Prints for each MIDI file (.mid, .kar, .rmi) its length in "
                                               "milliseconds, format and number of tracks,\nor why it cannot be "
                                               "read."));
    p.addHelpOption();
    p.addVersionOption();
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("One JSON object a line: length, title, artist, copyright, the "
                                                 "encoding of the text and the words with their times."));
    p.addOption(json);
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("MIDI files."), QStringLiteral("FILE..."));
    if (!p.parse(QCoreApplication::arguments())) {
        tellTerminal(p.errorText(), u"lyrabox-midiinfo");
        tellTerminal(u"Try 'lyrabox-midiinfo --help'.", {});
        return 2;
    }
    if (p.isSet(QStringLiteral("help")) || p.isSet(QStringLiteral("help-all")))
        p.showHelp(0);
    if (p.isSet(QStringLiteral("version")))
        p.showVersion();
    const QStringList files = p.positionalArguments();
    if (files.isEmpty()) {
        std::fputs(qPrintable(p.helpText()), stderr);
        return 2;
    }
    int status = 0;
    for (const QString &path : files) {
        const MidiFile f = MidiFile::load(path);
        status = f.isValid() ? status : 1;
        if (p.isSet(json)) {
            std::printf("%s\n", QJsonDocument(songJson(path, f)).toJson(QJsonDocument::Compact).constData());
            continue;
        }
        // Each field on one line without tabs, whatever the name and the reason hold.
        const QByteArray name = terminalLine(path);
        if (f.isValid())
            std::printf("%s\t%lld\t%d\t%d\n", name.constData(), static_cast<long long>(f.lengthMs()), f.format(),
                        f.trackCount());
        else
            std::printf("%s\terror\t%s\n", name.constData(), terminalLine(f.error()).constData());
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? status : 1;
}
