// Opening and saving a full library (1001 entries), against plain reads and
// writes of the same bytes measured in the same run.
#include "components/core/systemtools.h"
#include "library/core/libraryfile.h"
#include "library/core/playlist.h"
#include "library/core/playlistfile.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

struct Fixture {
    QTemporaryDir dir;
    QStringList present;       // every entry's file exists
    QStringList halfMissing;   // every second entry's file is gone
    QString presentLib, halfMissingLib;

    Fixture()
    {
        for (int i = 0; i < PlayList::Capacity; ++i) {
            const QString folder = dir.filePath(QStringLiteral("Music/MIDI Collection/Composer %1/Album %2")
                                                    .arg(i / 50, 2, 10, QLatin1Char('0'))
                                                    .arg(i / 10 % 5));
            QDir().mkpath(folder);
            const QString name = QStringLiteral("/Track %1 - A Song With A Longer Title.mid")
                                     .arg(i, 4, 10, QLatin1Char('0'));
            QFile f(folder + name);
            if (f.open(QIODevice::WriteOnly))
                f.write("MThd");
            present << folder + name;
            halfMissing << (i % 2 ? folder + QStringLiteral("/Gone") + name.mid(1) : folder + name);
        }
        presentLib = dir.filePath(QStringLiteral("Present.mfl"));
        halfMissingLib = dir.filePath(QStringLiteral("Half missing.mfl"));
        QString error;
        if (!LibraryFile::write(presentLib, 500, present, &error)
            || !LibraryFile::write(halfMissingLib, 500, halfMissing, &error))
            qFatal("%s", qPrintable(error));
    }
};

Fixture &fixture()
{
    static auto f = std::make_unique<Fixture>();
    return *f;
}

void openLibrary(benchmark::State &state, const QString &fileName, int expectedPresent)
{
    for (auto _ : state) {
        const LibraryContents c = LibraryFile::read(fileName);
        int found = 0;
        for (const QString &path : c.paths)
            found += SystemTools::IsPresent(path) ? 1 : 0;
        if (found != expectedPresent || !c.error.isEmpty()) {
            state.SkipWithError("library did not read back as written");
            break;
        }
        benchmark::DoNotOptimize(found);
    }
}

void BM_OpenLibrary_AllPresent(benchmark::State &state)
{
    openLibrary(state, fixture().presentLib, PlayList::Capacity);
}
void BM_OpenLibrary_HalfMissing(benchmark::State &state)
{
    openLibrary(state, fixture().halfMissingLib, PlayList::Capacity / 2 + 1);
}

void BM_SaveLibrary(benchmark::State &state)
{
    const QString target = fixture().dir.filePath(QStringLiteral("Saved.mfl"));
    QString error;
    for (auto _ : state) {
        if (!LibraryFile::write(target, 500, fixture().present, &error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
    }
}

// References: the same bytes read, and written in place without the atomic
// replace.
void BM_Reference_ReadBytes(benchmark::State &state)
{
    for (auto _ : state) {
        QFile f(fixture().presentLib);
        if (!f.open(QIODevice::ReadOnly)) {
            state.SkipWithError("cannot read");
            break;
        }
        benchmark::DoNotOptimize(f.readAll());
    }
}

void BM_Reference_WriteBytes(benchmark::State &state)
{
    const QByteArray bytes = LibraryFile::serialize(500, fixture().present);
    const QString target = fixture().dir.filePath(QStringLiteral("Plain.mfl"));
    for (auto _ : state) {
        QFile f(target);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            state.SkipWithError("cannot write");
            break;
        }
    }
}

// A play list of 100,000 lines (50,000 songs with #EXTINF), in UTF-8 (0), in
// an 8-bit encoding decoded line by line (1), and with Windows paths of songs
// that did not come along (2): the reader must stay linear.
void BM_ReadPlayList_100000Lines(benchmark::State &state)
{
    QByteArray bytes = "#EXTM3U\r\n";
    for (int i = 0; i < 50000; ++i)
        bytes += "#EXTINF:" + QByteArray::number(i % 600) + ",Composer - A Song With A Longer Title\r\n"
                 + (state.range(0) == 2 ? "C:\\" : "") + "Music\\MIDI Collection\\Album " + QByteArray::number(i / 10)
                 + (state.range(0) == 1 ? "\\Caf\xE9 " : "\\Caf\xC3\xA9 ") + QByteArray::number(i) + ".mid\r\n";
    const int kept = state.range(0) == 2 ? 0 : PlayList::Capacity;
    for (auto _ : state) {
        const PlayListContents c = parsePlayList(bytes, QStringLiteral("/lists"), PlayListFormat::M3u, {});
        if (c.entries.size() != kept || c.problems.size() != 1) {
            state.SkipWithError("unexpected reading");
            break;
        }
    }
}

}   // namespace

BENCHMARK(BM_ReadPlayList_100000Lines)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenLibrary_AllPresent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenLibrary_HalfMissing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveLibrary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reference_ReadBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reference_WriteBytes)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
