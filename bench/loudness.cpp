// Loudness of songs as the engine renders them, before and after the output
// limiter, and the limiter's cost.
//   lyrabox-loudness write <dir> <count> <seconds>   writes dense-N.mid songs
//   lyrabox-loudness measure <bank.sf2> <song>...    renders each song offline
// Rendering follows FluidOutput: blocks of 64 frames, effects mixed into the
// output, the limiter last, 16-bit samples clamped as the file driver does.
#include "bench/densesong.h"
#include "playback/core/midifile.h"
#include "playback/core/peaklimiter.h"
#include "playback/engine/fluidsequencer.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include <fluidsynth.h>

namespace {
constexpr int Block = 64;

struct Result {
    double peakDb = -INFINITY;
    double rmsDb = -INFINITY;
    qint64 clipped = 0;
    qint64 samples = 0;
    double renderSec = 0;
    double limitSec = 0;
};

double db(double v)
{
    return 20.0 * std::log10(v);
}

Result render(const QString &bank, const QByteArray &song, double gain, bool limit)
{
    using Clock = std::chrono::steady_clock;
    Result r;
    fluid_settings_t *s = new_fluid_settings();
    fluid_settings_setint(s, "synth.dynamic-sample-loading", 1);
    fluid_settings_setstr(s, "player.timing-source", "sample");
    fluid_settings_setnum(s, "synth.gain", gain);
    fluid_synth_t *synth = new_fluid_synth(s);
    fluid_player_t *player = new_fluid_player(synth);
    if (fluid_synth_sfload(synth, QFile::encodeName(bank).constData(), 1) == FLUID_FAILED
        || fluid_player_add_mem(player, song.constData(), size_t(song.size())) != FLUID_OK) {
        std::fprintf(stderr, "cannot load the bank or the song\n");
        std::exit(1);
    }
    fluid_player_play(player);
    PeakLimiter limiter(44100);
    std::vector<float> left(Block), right(Block);
    double sumSquares = 0;
    int peak = 0;
    qint64 tail = 2 * 44100;   // release and reverb after the end
    while (tail > 0) {
        if (fluid_player_get_status(player) != FLUID_PLAYER_PLAYING)
            tail -= Block;
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
        float *out[2] = {left.data(), right.data()};
        const auto t0 = Clock::now();
        fluid_synth_process(synth, Block, 2, out, 2, out);
        const auto t1 = Clock::now();
        if (limit)
            limiter.process(left.data(), right.data(), Block);
        const auto t2 = Clock::now();
        r.renderSec += std::chrono::duration<double>(t1 - t0).count();
        r.limitSec += std::chrono::duration<double>(t2 - t1).count();
        for (const auto &buf : {left, right}) {
            for (float v : buf) {
                const int x = int(std::lrint(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
                peak = std::max(peak, std::abs(x));
                sumSquares += double(x) * x;
                r.clipped += std::abs(x) >= 32767;
                ++r.samples;
            }
        }
    }
    r.peakDb = db(peak / 32768.0);
    r.rmsDb = db(std::sqrt(sumSquares / double(r.samples)) / 32768.0);
    delete_fluid_player(player);
    delete_fluid_synth(synth);
    delete_fluid_settings(s);
    return r;
}

int write(const QString &dir, int count, int seconds)
{
    QDir().mkpath(dir);
    for (int i = 0; i < count; ++i) {
        QFile f(QDir(dir).filePath(QStringLiteral("dense-%1.mid").arg(i + 1)));
        const QByteArray bytes = dense::song(i, seconds);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 1;
    }
    return 0;
}

int measure(const QString &bank, const QStringList &songs)
{
    std::printf("%-22s | %8s %8s %8s | %8s %8s %8s | %s\n", "song", "peak", "rms", "clipped", "peak", "rms", "clipped",
                "limiter cost");
    std::printf("%-22s | %26s | %26s |\n", "", "before (dBFS, samples)", "after");
    double rendering = 0, limiting = 0;
    for (const QString &path : songs) {
        const MidiFile midi = MidiFile::load(path);
        if (!midi.isValid()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(midi.error()));
            return 1;
        }
        const QByteArray bytes = midi.playableBytes();
        const Result a = render(bank, bytes, FluidSequencer::PlainGain, false);
        const Result b = render(bank, bytes, FluidSequencer::DefaultGain, true);
        rendering += b.renderSec;
        limiting += b.limitSec;
        std::printf("%-22s | %8.2f %8.2f %8lld | %8.2f %8.2f %8lld | %5.2f%%\n", qPrintable(QFileInfo(path).fileName()),
                    a.peakDb, a.rmsDb, a.clipped, b.peakDb, b.rmsDb, b.clipped, 100.0 * b.limitSec / b.renderSec);
    }
    std::printf("limiter: %.3f s of %.3f s rendering (%.2f%%)\n", limiting, rendering, 100.0 * limiting / rendering);
    return 0;
}
}

int main(int argc, char **argv)
{
    const QByteArray what = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (what == "write" && argc == 5)
        return write(QFile::decodeName(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    if (what == "measure" && argc >= 4) {
        QStringList songs;
        for (int i = 3; i < argc; ++i)
            songs << QFile::decodeName(argv[i]);
        return measure(QFile::decodeName(argv[2]), songs);
    }
    std::fprintf(stderr,
                 "usage: %s write <dir> <count> <seconds>\n"
                 "       %s measure <bank.sf2> <song>...\n",
                 argv[0], argv[0]);
    return 2;
}
