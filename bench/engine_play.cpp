// Drives the sequencer device for bench/engine_vs_cli.sh.
//   engine_play play <bank> <song> <seconds>   plays (repeating) for that long
//   engine_play idle <bank> <song> <seconds>   opens the song, plays 1 s, stops
//                                              and stays stopped for that long
//   engine_play record <bank> <song> <out.wav> plays the song once, to the end,
//                                              into that WAV (for measuring loudness)
//   engine_play next <bank> <song> <rounds> [<other>]
//                                              times Next from song to other (or
//                                              to itself): median and worst, in ms
//   engine_play change <bank> <song> <rounds>  while playing, changes tempo and key that
//                                              often: how long a change waits for the
//                                              block being rendered, median and worst, in ms
// Output goes through the file driver into /dev/null, or the WAV given.
// LYRABOX_BENCH_TEMPO (percent) plays at that tempo.
#include "playback/engine/fluidsequencer.h"
#include <QElapsedTimer>
#include <QString>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
FluidSequencer::Config config(const char *bank, const QString &out)
{
    return {QString::fromLocal8Bit(bank), QStringLiteral("file"), out};
}

int record(FluidSequencer &dev, const QString &song)
{
    if (int rc = dev.open(song))
        return rc;
    dev.play(0);
    while (dev.mode() == SequencerDevice::Mode::Playing && dev.position() < dev.length())
        QThread::msleep(50);
    // The last notes' release and the reverb after them.
    QThread::msleep(2000);
    return 0;
}

int play(FluidSequencer &dev, const QString &song, int seconds)
{
    if (int rc = dev.open(song))
        return rc;
    QElapsedTimer clock;
    clock.start();
    dev.play(0);
    while (clock.elapsed() < seconds * 1000LL) {
        QThread::msleep(100);
        if (dev.position() >= dev.length())
            dev.play(0);
    }
    return 0;
}

int idle(FluidSequencer &dev, const QString &song, int seconds)
{
    if (int rc = dev.open(song))
        return rc;
    dev.play(0);
    QThread::msleep(1000);
    dev.stop();
    QThread::sleep(seconds);
    return 0;
}

// From a song that plays to the first rendered block of the next one.
int next(FluidSequencer &dev, const QString &song, const QString &other, int rounds)
{
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        if (int rc = dev.open(song))
            return rc;
        dev.play(0);
        QThread::msleep(300);
        QElapsedTimer clock;
        clock.start();
        dev.close();
        if (int rc = dev.open(other))
            return rc;
        dev.play(0);
        while (!dev.outputStarted() && clock.elapsed() < 2000)
            QThread::usleep(100);
        ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("next_ms median %.2f max %.2f\n", ms[ms.size() / 2], ms.back());
    return 0;
}
// A change waits for the block being rendered and is in the next one.
int change(FluidSequencer &dev, const QString &song, int rounds)
{
    if (int rc = dev.open(song))
        return rc;
    dev.play(0);
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        QThread::msleep(7);
        QElapsedTimer clock;
        clock.start();
        dev.setTempoPercent(i % 2 ? 100 : 150);
        dev.setTranspose(i % 2 ? 0 : 2);
        ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("change_ms median %.3f p99 %.3f max %.3f\n", ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back());
    return 0;
}
}

int main(int argc, char **argv)
{
    if (argc != 5 && argc != 6) {
        std::fprintf(
            stderr,
            "usage: %s play|idle|record|next|change <bank.sf2> <song.mid> <seconds|out.wav|rounds> [<other.mid>]\n",
            argv[0]);
        return 2;
    }
    const QByteArray what(argv[1]);
    const bool recording = what == "record";
    FluidSequencer dev(config(argv[2], recording ? QString::fromLocal8Bit(argv[4]) : QStringLiteral("/dev/null")));
    if (qEnvironmentVariableIsSet("LYRABOX_BENCH_TEMPO"))
        dev.setTempoPercent(qEnvironmentVariableIntValue("LYRABOX_BENCH_TEMPO"));
    const QString song = QString::fromLocal8Bit(argv[3]);
    const int n = QString::fromLatin1(argv[4]).toInt();
    const QString other = argc == 6 ? QString::fromLocal8Bit(argv[5]) : song;
    const int rc = recording          ? record(dev, song)
                   : what == "next"   ? next(dev, song, other, n)
                   : what == "change" ? change(dev, song, n)
                   : what == "idle"   ? idle(dev, song, n)
                                      : play(dev, song, n);
    if (rc)
        std::fprintf(stderr, "error %d\n", rc);
    return rc ? 1 : 0;
}
