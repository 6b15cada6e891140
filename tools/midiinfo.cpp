// lyrabox-midiinfo [--json] [-s BANK]... FILE...: for each file, one line
//   path<TAB>length_ms<TAB>format<TAB>tracks     or
//   path<TAB>error<TAB>reason
// read with the same reader the player uses; with --json one JSON object a
// line with the song's names, words and channels too (with -s, the preset
// the banks play on each channel). Exit status: 0 when every file
// was read, 1 when one was not, 2 for a wrong command line.
#include "app/core/appinfo.h"
#include "app/core/terminal.h"
#include "channels/core/channeluse.h"
#include "lyrics/core/songtextreader.h"
#include "playback/core/midifile.h"
#include "playback/core/soundbank.h"
#include "playback/engine/mappedevents.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <memory>

namespace {

QJsonValue orNull(const QString &s)
{
    return s.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(s);
}

using Synth = std::unique_ptr<fluid_synth_t, decltype(&delete_fluid_synth)>;

// A synth that answers which preset plays, its banks stacked top first; null when one will not load.
Synth bankStack(fluid_settings_t *settings, const QStringList &banks)
{
    Synth synth(new_fluid_synth(settings), &delete_fluid_synth);
    for (qsizetype i = banks.size() - 1; synth && i >= 0; --i)
        if (fluid_synth_sfload(synth.get(), QFile::encodeName(banks[i]).constData(), 1) == FLUID_FAILED)
            return Synth(nullptr, &delete_fluid_synth);
    return synth;
}

QJsonArray channelsJson(const MidiFile &f, fluid_synth_t *synth)
{
    QJsonArray list;
    for (const ChannelUse &u : channelUses(f)) {
        QJsonObject c{{"channel", u.channel + 1}, {"tracks", QJsonArray::fromStringList(u.tracks)},
                      {"program", u.program},     {"bank", u.bank},
                      {"notes", u.notes},         {"drums", u.drums}};
        if (synth) {
            fluid_synth_bank_select(synth, u.channel, u.drums ? 128 : u.bank);
            fluid_synth_program_change(synth, u.channel, u.program);
            const SequencerDevice::ChannelSound sound = channelSoundOf(synth, u.channel);
            c.insert("preset", orNull(sound.preset));
            c.insert("substituted", sound.substituted);
        }
        list.append(c);
    }
    return list;
}

QJsonObject songJson(const QString &path, const MidiFile &f, fluid_synth_t *synth)
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
            {"lyrics", lyrics},
            {"channels", channelsJson(f, synth)}};
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
    const QCommandLineOption bank({"s", "soundfont"},
                                  "With --json, the presets this sound bank plays; repeat for more, the first one on "
                                  "top.",
                                  "BANK");
    p.addOptions({json, bank});
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
    const QStringList banks = p.values(bank);
    for (const QString &b : banks) {
        if (const QString why = soundBankProblem(b); !why.isEmpty()) {
            tellTerminal(QStringLiteral("the sound bank %1 cannot be used: %2.").arg(b, why), u"lyrabox-midiinfo");
            return 2;
        }
    }
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    std::unique_ptr<fluid_settings_t, decltype(&delete_fluid_settings)> settings(new_fluid_settings(),
                                                                                 &delete_fluid_settings);
    fluid_settings_setint(settings.get(), "synth.dynamic-sample-loading", 1);
    const Synth synth = banks.isEmpty() ? Synth(nullptr, &delete_fluid_synth) : bankStack(settings.get(), banks);
    if (!banks.isEmpty() && !synth) {
        tellTerminal(u"the sound banks could not be loaded.", u"lyrabox-midiinfo");
        return 2;
    }
    int status = 0;
    for (const QString &path : files) {
        const MidiFile f = MidiFile::load(path);
        status = f.isValid() ? status : 1;
        if (p.isSet(json)) {
            std::printf("%s\n",
                        QJsonDocument(songJson(path, f, synth.get())).toJson(QJsonDocument::Compact).constData());
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
