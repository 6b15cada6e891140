// Opening and saving a full library (1001 entries), against plain reads and
// writes of the same bytes measured in the same run.
#include "components/core/systemtools.h"
#include "library/core/libraryfile.h"
#include "library/core/playlist.h"
#include "library/core/playlistfile.h"
#include "library/core/playlistfilter.h"
#include "library/core/playlistmodel.h"
#include "library/core/songindex.h"
#include "components/core/songstore.h"
#include "lyrics/core/storedsongtext.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    // The find index reads between events: it needs an application.
    static int argc = 1;
    static char name[] = "bench_library", *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
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


// Words for made-up songs, some with accents, as a song book of a thousand songs would have them.
const char *const Words[] = {"love",  "heart", "night", "amor",      "corazón", "noche",   "été",  "rêve", "Straße",
                             "light", "river", "home",  "Sehnsucht", "día",     "canción", "road", "moon", "sing"};

SongText madeUpSong(int n)
{
    SongText t;
    t.title = QStringLiteral("Song number %1").arg(n);
    t.artists = {QStringLiteral("Singer %1").arg(n % 37)};
    for (int i = 0; i < 300; ++i) {
        const unsigned pick = unsigned(n * 7919 + i * 104729) % std::size(Words);
        t.lyrics.append({i * 400, QString::fromUtf8(Words[pick]) + u' ',
                         i % 8 ? LyricSyllable::Break::None : LyricSyllable::Break::Line});
    }
    return t;
}

// One keystroke in the find field over a full play list whose songs all have words (about 300
// each): the next prefix of the query, the filter looking at every entry again. Query 0 matches
// some songs by their words, 1 matches none (every entry read to its end).
void BM_FindKeystroke(benchmark::State &state)
{
    fixture();   // and its application
    PlayListModel list;
    for (int i = 0; i < PlayList::Capacity; ++i)
        list.append(QStringLiteral("/music/Composer %1/Track %2 - A Song With A Longer Title.mid").arg(i / 50).arg(i));
    SongIndex index(
        [](const QString &path) { return madeUpSong(QFileInfo(path).baseName().section(u' ', 1, 1).toInt()); });
    index.follow(list.paths());
    index.readFor(0);
    PlayListFilter filter(&index);
    filter.setSourceModel(&list);
    const QString query = state.range(0) ? QStringLiteral("corazon zebra") : QStringLiteral("corazon strasse");
    int typed = 0;
    for (auto _ : state) {
        typed = typed % query.size() + 1;
        filter.setQuery(query.left(typed));
        benchmark::DoNotOptimize(filter.rowCount());
    }
}

// Reading the words of 1001 songs for the find index, one small karaoke song each (200 syllables).
void BM_IndexSongWords(benchmark::State &state)
{
    QByteArray track;
    const auto meta = [&track](char type, const QByteArray &text) {
        track += QByteArray("\x00\xFF", 2) + type + char(text.size()) + text;
    };
    meta(3, "A Song To Find");
    for (int i = 0; i < 200; ++i)
        meta(5, QByteArray(Words[i % std::size(Words)]) + ' ');
    track += QByteArray("\x00\xFF\x2F\x00", 4);
    QByteArray song("MThd\0\0\0\6\0\0\0\1\0\x60", 14);
    const quint32 n = quint32(track.size());
    song += "MTrk" + QByteArray(1, char(n >> 24)) + char(n >> 16) + char(n >> 8) + char(n) + track;
    QStringList paths;
    for (int i = 0; i < PlayList::Capacity; ++i) {
        QFile f(fixture().dir.filePath(QStringLiteral("words %1.kar").arg(i)));
        if (!f.open(QIODevice::WriteOnly) || f.write(song) != song.size()) {
            state.SkipWithError("cannot write the songs");
            return;
        }
        paths << f.fileName();
    }
    // As the player reads them: through the song store, which has one choice in it.
    SongStore store(fixture().dir.filePath(QStringLiteral("Song choices.sqlite")));
    store.setValue(paths.first(), QLatin1String(StoredSongText::EncodingKey), QStringLiteral("UTF-8"));
    for (auto _ : state) {
        StoredSongText stored(&store);
        SongIndex index([&stored](const QString &path) { return stored.textOf(path); });
        index.follow(paths);
        index.readFor(0);
        if (!index.textOf(paths.last()).contains(u"corazon")) {
            state.SkipWithError("the words were not read");
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
BENCHMARK(BM_FindKeystroke)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexSongWords)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
