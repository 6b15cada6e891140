#include "app/commandline.h"
#include "app/core/appinfo.h"
#include "app/core/terminal.h"
#include <QCommandLineParser>
#include <QFile>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace CommandLine {

namespace {

// Qt's application objects take these (and their values) out of the arguments.
bool qtMayTake(const QString &option)
{
    static const QStringList names{QStringLiteral("platform"),      QStringLiteral("platformpluginpath"),
                                   QStringLiteral("platformtheme"), QStringLiteral("plugin"),
                                   QStringLiteral("qmljsdebugger"), QStringLiteral("qwindowgeometry"),
                                   QStringLiteral("qwindowicon"),   QStringLiteral("qwindowtitle"),
                                   QStringLiteral("reverse"),       QStringLiteral("session"),
                                   QStringLiteral("display"),       QStringLiteral("geometry"),
                                   QStringLiteral("title"),         QStringLiteral("icon"),
                                   QStringLiteral("name"),          QStringLiteral("style"),
                                   QStringLiteral("stylesheet"),    QStringLiteral("widgetcount"),
                                   QStringLiteral("nograb"),        QStringLiteral("dograb"),
                                   QStringLiteral("sync"),          QStringLiteral("visual"),
                                   QStringLiteral("testability")};
    const QString name = option.section(QLatin1Char('='), 0, 0);
    return names.contains(name);
}

struct Parser {
    QCommandLineParser p;
    QCommandLineOption help = p.addHelpOption();
    QCommandLineOption version = p.addVersionOption();
    Parser()
    {
        p.setApplicationDescription(
            QStringLiteral("Plays MIDI files and libraries of them. One song plays at once; several songs or a folder\n"
                           "(with its sub-folders) are added to the play list and the first of them plays; a library\n"
                           "(.mfl) or a play list of another player (.m3u, .m3u8, .pls) is opened and played; a play\n"
                           "list is kept as a library of its name in the data folder. When Lyrabox is already\n"
                           "running, it takes them."));
        p.addPositionalArgument(QStringLiteral("paths"),
                                QStringLiteral("MIDI files, folders, libraries, play lists or file: URLs."),
                                QStringLiteral("[FILE|FOLDER|URL...]"));
    }
};

// The arguments that are not options: all after "--", and "-" itself.
QList<QByteArray> positional(const QList<QByteArray> &args)
{
    QList<QByteArray> out;
    bool optionsEnd = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QByteArray &a = args[i];
        if (!optionsEnd && a == "--")
            optionsEnd = true;
        else if (optionsEnd || a == "-" || !a.startsWith('-'))
            out << a;
    }
    return out;
}

// "." and ".." taken out, as QDir::cleanPath does, but on bytes.
QByteArray clean(const QByteArray &path)
{
    QList<QByteArray> kept;
    for (const QByteArray &part : path.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (!kept.isEmpty())
                kept.removeLast();
            continue;
        }
        kept << part;
    }
    return '/' + kept.join('/');
}

}

QList<QByteArray> arguments(int argc, char **argv)
{
    QList<QByteArray> out;
    for (int i = 0; i < argc; ++i)
        out << QByteArray(argv[i]);
    return out;
}

Request parse(const QList<QByteArray> &args, const QByteArray &workingDir, Stage stage)
{
    Parser parser;
    QStringList decoded;
    for (const QByteArray &a : args)
        decoded << QFile::decodeName(a);
    Request r;
    if (stage == Stage::BeforeQt)
        parser.p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.p.parse(decoded)) {
        const QStringList unknown = parser.p.unknownOptionNames();
        const bool mayBeQt = !unknown.isEmpty() && std::all_of(unknown.begin(), unknown.end(), qtMayTake);
        if (stage == Stage::AfterQt || !mayBeQt) {
            r.action = Action::Error;
            r.error = parser.p.errorText();
        }
        return r;
    }
    if (parser.p.isSet(parser.help) || parser.p.isSet(QStringLiteral("help-all")))
        r.action = Action::Help;
    else if (parser.p.isSet(parser.version))
        r.action = Action::Version;
    else if (stage == Stage::AfterQt)
        for (const QByteArray &a : positional(args))
            r.paths << absolute(a, workingDir);
    return r;
}

QString helpText()
{
    return Parser().p.helpText();
}

QString versionText()
{
    return QStringLiteral("Lyrabox %1\n").arg(AppInfo::VersionNumber());
}

int answer(const Request &request)
{
    switch (request.action) {
    case Action::Help: std::fputs(qPrintable(helpText()), stdout); return 0;
    case Action::Version: std::fputs(qPrintable(versionText()), stdout); return 0;
    case Action::Error:
        tellTerminal(request.error);
        std::fprintf(stderr, "\n%s", qPrintable(helpText()));
        return 2;
    case Action::Run: break;
    }
    return 0;
}

QByteArray workingDir()
{
    std::error_code error;
    const std::filesystem::path dir = std::filesystem::current_path(error);
    return error ? QByteArray("/") : QByteArray::fromStdString(dir.native());
}

QStringList names(const QList<QByteArray> &paths)
{
    QStringList out;
    for (const QByteArray &p : paths)
        out << QFile::decodeName(p);
    return out;
}

QByteArray absolute(const QByteArray &arg, const QByteArray &workingDir)
{
    if (arg.startsWith('/'))
        return clean(arg);
    if (arg.toLower().startsWith("file:")) {
        // Kept in bytes: a name that is not UTF-8 comes percent-encoded.
        const QUrl url = QUrl::fromEncoded(arg);
        const bool here = url.host().isEmpty() || url.host() == QLatin1String("localhost");
        if (url.isValid() && here)
            return clean(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
        return arg;
    }
    const qsizetype colon = arg.indexOf("://");
    if (colon > 0 && QUrl::fromEncoded(arg).isValid())
        return arg;   // another kind of address: the player says it cannot open it
    return clean(workingDir + '/' + arg);
}

}
