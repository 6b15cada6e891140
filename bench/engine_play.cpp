// Drives the sequencer device for bench/engine_vs_cli.sh.
//   engine_play play <bank> <song> <seconds>   plays (repeating) for that long
//   engine_play next <bank> <song> <rounds> [<other>]
//                                              times Next from song to other (or
//                                              to itself): median and worst, in ms
// Output goes through the file driver into /dev/null.
#include "playback/engine/fluidsequencer.h"
#include <QElapsedTimer>
#include <QString>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
FluidSequencer::Config config(const char *bank)
{
    return {QString::fromLocal8Bit(bank), QStringLiteral("file"), QStringLiteral("/dev/null")};
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
}

int main(int argc, char **argv)
{
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: %s play|next <bank.sf2> <song.mid> <seconds|rounds> [<other.mid>]\n",
                     argv[0]);
        return 2;
    }
    FluidSequencer dev(config(argv[2]));
    const QString song = QString::fromLocal8Bit(argv[3]);
    const int n = QString::fromLatin1(argv[4]).toInt();
    const QString other = argc == 6 ? QString::fromLocal8Bit(argv[5]) : song;
    const int rc = QByteArray(argv[1]) == "next" ? next(dev, song, other, n) : play(dev, song, n);
    if (rc)
        std::fprintf(stderr, "error %d\n", rc);
    return rc ? 1 : 0;
}
