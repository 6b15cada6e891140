// lyrabox-render [-o OUTPUT] [-f wav|flac|ogg] [-s BANK.sf2]... [-r RATE] [-j JOBS] [-q] [--overwrite] [--lrc]
//                [--tempo PERCENT] [--transpose SEMITONES] [--mute CHANNELS] [--solo CHANNELS] FILE...
// Writes songs as audio files, faster than they play, sounding as the player
// plays them. Exit status: 0 when every song was written, 1 when one was
// not, 2 for a wrong command line.
#include "app/core/appinfo.h"
#include "app/core/terminal.h"
#include "components/core/settingsstore.h"
#include "components/core/soundsettings.h"
#include "playback/core/renderqueue.h"
#include "playback/core/soundbank.h"
#include "playback/engine/audiofilewriter.h"
#include "playback/engine/fluidsequencer.h"
#include "playback/engine/offlinerender.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_signal = 0;
volatile std::sig_atomic_t g_signals = 0;
// After a signal, how long the songs under way get to stop by themselves.
constexpr auto StopGrace = std::chrono::seconds(3);

void onSignal(int sig)
{
    g_signal = sig;
    g_signals = g_signals + 1;
}

// Ends as the signal would have ended the program, leaving no file behind.
[[noreturn]] void endBySignal(int sig)
{
    AudioFileWriter::removeUnfinished();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
    std::_Exit(128 + sig);
}

void catchSignals()
{
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

void say(const QString &line)
{
    tellTerminal(line, u"lyrabox-render");
}

int usage(const QString &why)
{
    say(why);
    tellTerminal(u"Try 'lyrabox-render --help'.", {});
    return 2;
}

struct Command {
    QStringList inputs;
    QString output;
    std::optional<AudioFormat> format;
    QStringList banks;
    int rate = 44100;
    int jobs = 1;
    bool quiet = false;
    bool overwrite = false;
    bool words = false;
    int tempo = 100;
    int transpose = 0;
    ChannelMix::Settings mix;
};

// Channel numbers 1..16, comma-separated; false for anything else.
bool readChannels(const QString &text, std::array<bool, 16> *on)
{
    for (const QString &item : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int ch = item.trimmed().toInt(&ok);
        if (!ok || ch < 1 || ch > 16)
            return false;
        (*on)[size_t(ch - 1)] = true;
    }
    return true;
}

// Empty when the command line is fine, else why not.
QString parse(const QStringList &args, Command *cmd)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Writes MIDI songs as audio files, sounding as Lyrabox plays them."));
    p.addHelpOption();
    p.addVersionOption();
    const QCommandLineOption output({"o", "output"}, "The file to write (one song) or the folder (several).", "OUTPUT");
    const QCommandLineOption format({"f", "format"}, "wav, flac or ogg (default: from the output's name, else wav).",
                                    "FORMAT");
    const QCommandLineOption bank({"s", "soundfont"},
                                  "Sound bank to use instead of the player's; repeat for more, "
                                  "the first one on top.",
                                  "BANK");
    const QCommandLineOption rate({"r", "rate"}, "Sample rate in Hz (default 44100).", "RATE", "44100");
    const QCommandLineOption jobs({"j", "jobs"}, "Songs rendered at once (default: the number of processors).", "JOBS",
                                  QString::number(QThread::idealThreadCount()));
    const QCommandLineOption quiet({"q", "quiet"}, "No progress lines.");
    const QCommandLineOption overwrite("overwrite", "Replace files that are already there.");
    const QCommandLineOption lrc("lrc", "Also write the words of each song that has them beside its audio file, "
                                        "as .lrc (UTF-8, with the time of each syllable).");
    const QCommandLineOption tempo("tempo", "Tempo in percent of the song's own, 25 to 200 (default 100).", "PERCENT",
                                   "100");
    const QCommandLineOption transpose(
        "transpose", "Semitones to move the notes by, -24 to 24; drums stay (default 0).", "SEMITONES", "0");
    const QCommandLineOption mute("mute", "Channels left silent, 1 to 16, comma-separated.", "CHANNELS");
    const QCommandLineOption solo("solo", "The only channels heard, 1 to 16, comma-separated.", "CHANNELS");
    p.addOptions({output, format, bank, rate, jobs, quiet, overwrite, lrc, tempo, transpose, mute, solo});
    p.addPositionalArgument("FILE", "MIDI files (.mid, .rmi).", "FILE...");
    if (!p.parse(args))
        return p.errorText();
    if (p.isSet(QStringLiteral("help")) || p.isSet(QStringLiteral("help-all")))
        p.showHelp(0);
    if (p.isSet(QStringLiteral("version")))
        p.showVersion();
    cmd->inputs = p.positionalArguments();
    if (cmd->inputs.isEmpty())
        return QStringLiteral("no MIDI file named.");
    cmd->output = p.value(output);
    if (p.isSet(format) && !(cmd->format = audioFormatNamed(p.value(format))))
        return QStringLiteral("unknown format \"%1\": wav, flac or ogg.").arg(p.value(format));
    bool ok = false;
    cmd->rate = p.value(rate).toInt(&ok);
    if (!ok || cmd->rate < 8000 || cmd->rate > 192000)
        return QStringLiteral("the rate must be a number of Hz from 8000 to 192000.");
    cmd->jobs = p.value(jobs).toInt(&ok);
    if (!ok || cmd->jobs < 1 || cmd->jobs > 256)
        return QStringLiteral("the number of jobs must be from 1 to 256.");
    cmd->tempo = p.value(tempo).toInt(&ok);
    if (!ok || cmd->tempo < 25 || cmd->tempo > 200)
        return QStringLiteral("the tempo must be a percentage from 25 to 200.");
    cmd->transpose = p.value(transpose).toInt(&ok);
    if (!ok || cmd->transpose < -24 || cmd->transpose > 24)
        return QStringLiteral("the transpose must be a number of semitones from -24 to 24.");
    for (const auto &[option, on] : {std::pair{&mute, &cmd->mix.muted}, std::pair{&solo, &cmd->mix.solo}}) {
        for (const QString &list : p.values(*option))
            if (!readChannels(list, on))
                return QStringLiteral("--%1 takes channel numbers from 1 to 16, comma-separated, not \"%2\".")
                    .arg(option->names().constFirst(), list);
    }
    cmd->banks = p.values(bank);
    for (const QString &b : std::as_const(cmd->banks)) {
        if (const QString why = soundBankProblem(b); !why.isEmpty())
            return QStringLiteral("the sound bank %1 cannot be used: %2.").arg(b, why);
    }
    cmd->quiet = p.isSet(quiet);
    cmd->overwrite = p.isSet(overwrite);
    cmd->words = p.isSet(lrc);
    return {};
}

// What the workers tell the main thread.
struct Board {
    struct Song {
        bool running = false;
        double done = 0, seconds = 0;
        QElapsedTimer clock;
    };
    std::mutex lock;
    std::condition_variable changed;
    QVector<Song> songs;
    QStringList lines;   // finished songs, to be printed
    int failed = 0;
    bool allDone = false;
};

QString speed(const Board::Song &s)
{
    const double wall = s.clock.isValid() ? double(s.clock.nsecsElapsed()) / 1e9 : 0.0;
    return wall > 0.0 ? QStringLiteral("%1x real time").arg(s.seconds / wall, 0, 'f', 1) : QStringLiteral("-");
}

RenderQueue::Events events(Board &b, const QVector<RenderJob> &jobs, bool chatty)
{
    RenderQueue::Events e;
    e.started = [&b](int i) {
        std::lock_guard g(b.lock);
        b.songs[i].running = true;
        b.songs[i].clock.start();
    };
    e.progress = [&b](int i, double done, double seconds) {
        std::lock_guard g(b.lock);
        b.songs[i].done = done;
        b.songs[i].seconds = seconds;
    };
    e.finished = [&b, &jobs, chatty](int i, bool ok, const QString &error) {
        std::lock_guard g(b.lock);
        Board::Song &s = b.songs[i];
        s.running = false;
        if (!ok) {
            ++b.failed;
            b.lines << QStringLiteral("lyrabox-render: %1: %2").arg(jobs[i].input, error);
        } else if (chatty) {
            b.lines << QStringLiteral("%1 -> %2: %3 s, %4")
                           .arg(jobs[i].input, jobs[i].output)
                           .arg(s.seconds, 0, 'f', 1)
                           .arg(speed(s));
        }
        b.changed.notify_all();
    };
    e.allDone = [&b] {
        std::lock_guard g(b.lock);
        b.allDone = true;
        b.changed.notify_all();
    };
    return e;
}

// Prints what came in; the running songs on one line that is written over.
void show(Board &b, const QVector<RenderJob> &jobs, bool chatty)
{
    const char *clear = chatty ? "\r\033[K" : "";
    for (const QString &line : std::as_const(b.lines)) {
        std::fputs(clear, stderr);
        tellTerminal(line, {});
    }
    b.lines.clear();
    if (!chatty)
        return;
    QStringList running;
    for (int i = 0; i < b.songs.size(); ++i) {
        if (b.songs[i].running)
            running << QStringLiteral("%1 %2% %3")
                           .arg(QFileInfo(jobs[i].input).fileName())
                           .arg(int(b.songs[i].done * 100))
                           .arg(speed(b.songs[i]));
    }
    std::fprintf(stderr, "%s%s", clear, terminalLine(running.join(QStringLiteral("  "))).constData());
    std::fflush(stderr);
}

// Renders the songs; false when one failed. On a signal the songs under way
// stop and leave nothing; one that does not stop within StopGrace, or a
// second signal, ends the program at once.
bool run(const QVector<RenderJob> &jobs, const OfflineRender::Options &options, const Command &cmd, int failedBefore)
{
    const bool chatty = !cmd.quiet && ::isatty(STDERR_FILENO);
    Board board;
    board.songs.resize(jobs.size());
    board.failed = failedBefore;
    OfflineRender::Options told = options;
    told.notice = [&board](const QString &line) {
        std::lock_guard g(board.lock);
        board.lines << QStringLiteral("lyrabox-render: ") + line;
    };
    RenderQueue queue(
        jobs, [told] { return std::make_unique<OfflineRender>(told); }, events(board, jobs, chatty));
    queue.start(cmd.jobs);
    std::unique_lock lock(board.lock);
    while (!board.allDone && !g_signal) {
        board.changed.wait_for(lock, std::chrono::milliseconds(200));
        show(board, jobs, chatty);
    }
    lock.unlock();
    if (g_signal) {
        queue.cancel();
        const auto giveUp = std::chrono::steady_clock::now() + StopGrace;
        while (!queue.waitFor(std::chrono::milliseconds(100))) {
            if (g_signals > 1 || std::chrono::steady_clock::now() >= giveUp)
                endBySignal(g_signal);
        }
    }
    queue.wait();
    show(board, jobs, chatty);
    if (chatty)
        std::fprintf(stderr, "\r\033[K");
    return board.failed == 0;
}

}   // namespace

int main(int argc, char **argv)
{
    catchSignals();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lyrabox-render"));
    QCoreApplication::setApplicationVersion(AppInfo::VersionNumber());
    Command cmd;
    if (const QString why = parse(QCoreApplication::arguments(), &cmd); !why.isEmpty())
        return usage(why);
    const ExportPlan plan = planExport(cmd.inputs, cmd.output, cmd.format, QDir::currentPath());
    if (!plan.usageError.isEmpty())
        return usage(plan.usageError);
    if (!plan.folder.isEmpty() && !QDir().mkpath(plan.folder)) {
        say(QStringLiteral("cannot make the folder %1.").arg(plan.folder));
        return 1;
    }

    QStringList problems;
    OfflineRender::Options options{readSoundConfig(SettingsStore(), &problems), FluidSequencer::DefaultGain};
    options.sampleRate = cmd.rate;
    for (const QString &p : std::as_const(problems))
        say(p);
    if (!cmd.banks.isEmpty())
        options.sound.banks = cmd.banks;

    QVector<RenderJob> jobs;
    int failed = 0;
    for (int i = 0; i < cmd.inputs.size(); ++i) {
        if (!plan.problems[i].isEmpty()) {
            say(QStringLiteral("%1: %2").arg(cmd.inputs[i], plan.problems[i]));
            ++failed;
        } else {
            jobs.append({cmd.inputs[i],
                         plan.outputs[i],
                         plan.format,
                         cmd.overwrite,
                         cmd.words,
                         {},
                         cmd.tempo,
                         cmd.transpose,
                         cmd.mix});
        }
    }
    const bool ok = run(jobs, options, cmd, failed);
    if (const int sig = g_signal)
        endBySignal(sig);
    return ok ? 0 : 1;
}
