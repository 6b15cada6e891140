// The MIDI file reader: throughput on one large file in memory, and the time
// to measure the lengths of 1001 files on disk (a full play list). Each is
// reported with a reference measured in the same run: a plain pass over the
// same bytes, and reading the same files without parsing them.
#include "lyrics/core/songtextreader.h"
#include "playback/core/midifile.h"
#include "tools/smfwriter.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

using smf::vlq;

void be32(QByteArray &out, quint32 v)
{
    smf::appendBe32(out, v);
}

// A words track: a title line, then syllables of made-up words, a line end every sixth.
QByteArray wordsTrack(int syllables)
{
    QByteArray trk;
    trk.append(vlq(0)).append("\xff\x01\x0b@TSome Song", 14);
    for (int i = 0; i < syllables; ++i) {
        const QByteArray s = (i % 6 == 0 ? "/" : "") + QByteArray("la") + QByteArray::number(i % 10);
        trk.append(vlq(120)).append("\xff\x01", 2).append(vlq(quint32(s.size()))).append(s);
    }
    trk.append(vlq(0)).append("\xff\x2f\x00", 3);
    QByteArray out("MTrk");
    be32(out, quint32(trk.size()));
    return out + trk;
}

// A song of made-up but typical content: notes with running status,
// controllers, pitch bends, a little text and sysex, tempo changes.
QByteArray makeSong(quint32 seed, int tracks, int notesPerTrack, int format)
{
    quint32 s = seed * 2654435761u + 1;
    auto rnd = [&s](quint32 n) {
        s = s * 1664525u + 1013904223u;
        return (s >> 8) % n;
    };
    QByteArray out("MThd");
    be32(out, 6);
    out.append(char(0)).append(char(format)).append(char(tracks >> 8)).append(char(tracks));
    out.append(char(480 >> 8)).append(char(480 & 0xff));
    for (int t = 0; t < tracks; ++t) {
        QByteArray trk;
        trk.reserve(notesPerTrack * 9 + 64);
        const int ch = t % 16;
        trk.append(vlq(0)).append("\xff\x03\x05Track", 8);
        trk.append(vlq(0)).append(char(0xc0 | ch)).append(char(rnd(128)));
        trk.append(vlq(0)).append(char(0xb0 | ch)).append(char(7)).append(char(100));
        if (t == 0)
            trk.append(vlq(0)).append("\xf0\x05\x7e\x7f\x09\x01\xf7", 7);
        for (int i = 0; i < notesPerTrack; ++i) {
            if (t == 0 && i % 97 == 0) {
                const quint32 us = 300000 + rnd(400000);
                trk.append(vlq(0))
                    .append("\xff\x51\x03", 3)
                    .append(char(us >> 16))
                    .append(char(us >> 8))
                    .append(char(us));
            }
            if (i % 61 == 0)
                trk.append(vlq(0)).append(char(0xe0 | ch)).append(char(rnd(128))).append(char(64));
            const char key = char(36 + rnd(60));
            trk.append(vlq(rnd(4) * 60)).append(char(0x90 | ch)).append(key).append(char(40 + rnd(80)));
            trk.append(vlq(60 + rnd(400))).append(key).append(char(0));   // running status note off
        }
        trk.append(vlq(0)).append("\xff\x2f\x00", 3);
        out.append("MTrk");
        be32(out, quint32(trk.size()));
        out.append(trk);
    }
    return out;
}

const QByteArray &bigSong()
{
    static const QByteArray song = makeSong(7, 16, 120000, 1);   // about 17 MB
    return song;
}

// 1001 files of the sizes a library holds (a few KB to ~200 KB), written
// once into a temporary folder for the whole run; every third one a
// karaoke file with 400 syllables of words.
struct Library {
    QTemporaryDir dir;
    QStringList paths;
    qint64 bytes = 0;
    Library()
    {
        for (int i = 0; i < 1001; ++i) {
            const int tracks = 1 + int((i * 7) % 16);
            const int notes = 50 + int((i * 7919) % 1500);
            QByteArray song = makeSong(quint32(i), tracks, notes, tracks == 1 ? 0 : 1);
            if (i % 3 == 0 && tracks > 1) {   // one more track
                song[11] = char(tracks + 1);
                song.append(wordsTrack(400));
            }
            const QString path = dir.filePath(QStringLiteral("song-%1.mid").arg(i, 4, 10, QLatin1Char('0')));
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly) || f.write(song) != song.size())
                std::abort();
            paths << path;
            bytes += song.size();
        }
    }
};

Library &library()
{
    static Library lib;
    return lib;
}

void BM_ReaderThroughput(benchmark::State &state)
{
    const QByteArray &song = bigSong();
    for (auto _ : state) {
        const MidiFile f = MidiFile::parse(song);
        if (!f.isValid())
            state.SkipWithError("the generated song is not valid");
        benchmark::DoNotOptimize(f.lengthMs());
    }
    state.SetBytesProcessed(state.iterations() * song.size());
    state.counters["file_MB"] = double(song.size()) / 1e6;
}
BENCHMARK(BM_ReaderThroughput)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Reference: one pass over the same bytes that looks at each of them.
void BM_ReferenceByteScan(benchmark::State &state)
{
    const QByteArray &song = bigSong();
    for (auto _ : state) {
        quint32 statusBytes = 0;
        for (const char c : song)
            statusBytes += (uchar(c) & 0x80) ? 1 : 0;
        benchmark::DoNotOptimize(statusBytes);
    }
    state.SetBytesProcessed(state.iterations() * song.size());
}
BENCHMARK(BM_ReferenceByteScan)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_Lengths1001FromDisk(benchmark::State &state)
{
    Library &lib = library();
    for (auto _ : state) {
        qint64 total = 0;
        for (const QString &path : lib.paths) {
            const MidiFile f = MidiFile::load(path);
            if (!f.isValid())
                state.SkipWithError("a generated file is not valid");
            total += f.lengthMs();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * lib.bytes);
    state.counters["files"] = double(lib.paths.size());
    state.counters["library_MB"] = double(lib.bytes) / 1e6;
}
BENCHMARK(BM_Lengths1001FromDisk)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// What opening a song takes in the core (read, check, the bytes for the
// sequencer), alone and with the song's words and names read too: from the
// song already read, or read again by name.
enum class Words { None, FromSong, ByName };
void BM_Open1001(benchmark::State &state)
{
    Library &lib = library();
    const auto words = Words(state.range(0));
    for (auto _ : state) {
        qint64 total = 0;
        for (const QString &path : lib.paths) {
            const MidiFile f = MidiFile::load(path);
            total += f.playableBytes().size();
            if (words == Words::FromSong)
                total += readSongText(f, path).lyrics.size();
            else if (words == Words::ByName)
                total += loadSongText(path).lyrics.size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.counters["files"] = double(lib.paths.size());
}
BENCHMARK(BM_Open1001)
    ->Arg(int(Words::None))
    ->Arg(int(Words::FromSong))
    ->Arg(int(Words::ByName))
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

// Reference: reading the same 1001 files without parsing them.
void BM_ReferenceRead1001(benchmark::State &state)
{
    Library &lib = library();
    for (auto _ : state) {
        qint64 total = 0;
        for (const QString &path : lib.paths) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly))
                total += f.readAll().size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * lib.bytes);
}
BENCHMARK(BM_ReferenceRead1001)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps each benchmark's CPU time per iteration (the machine may be shared),
// to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs)
            if (r.iterations > 0 && r.run_type == Run::RT_Iteration)
                seconds[r.benchmark_name()] = r.cpu_accumulated_time / double(r.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
};

}   // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto &s = reporter.seconds;
    auto get = [&s](const char *name) {
        const auto it = s.find(name);
        return it == s.end() ? 0.0 : it->second;
    };
    const double parse = get("BM_ReaderThroughput/min_time:2.000");
    const double scan = get("BM_ReferenceByteScan/min_time:2.000");
    const double lengths = get("BM_Lengths1001FromDisk/min_time:2.000");
    const double read = get("BM_ReferenceRead1001/min_time:2.000");
    if (parse > 0 && scan > 0)
        std::printf("reader: %.0f MB/s (CPU time); %.2fx the time of one plain pass over the bytes (%.0f MB/s)\n",
                    double(bigSong().size()) / parse / 1e6, parse / scan, double(bigSong().size()) / scan / 1e6);
    if (lengths > 0 && read > 0)
        std::printf("1001 lengths from disk: %.1f ms CPU; %.2fx the time of only reading the files (%.1f ms)\n",
                    lengths * 1e3, lengths / read, read * 1e3);
    const double open = get("BM_Open1001/0/min_time:2.000");
    const double fromSong = get("BM_Open1001/1/min_time:2.000");
    const double byName = get("BM_Open1001/2/min_time:2.000");
    if (open > 0 && fromSong > 0 && byName > 0)
        std::printf("opening 1001 songs: %.1f ms CPU; with their words from the song read %.1f ms (%.2fx), "
                    "read again by name %.1f ms (%.2fx)\n",
                    open * 1e3, fromSong * 1e3, fromSong / open, byName * 1e3, byName / open);
    benchmark::Shutdown();
    return 0;
}
