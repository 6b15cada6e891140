// The per-song store: made when first written, read again, shared by moved copies of a song, and never
// in the way when it is damaged, locked or cannot be written. The song text source keeps its choices there.
#include "components/core/songstore.h"
#include "lyrics/core/storedsongtext.h"

#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return QDir().mkpath(QFileInfo(path).path()) && f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A song whose only words are a lyric event in KOI8-R ("Привет" sung at 0 ms).
QByteArray koi8Song()
{
    const QByteArray events = QByteArray::fromHex("00ff0506f0d2c9d7c5d48360ff2f00");
    return QByteArray::fromHex("4d546864000000060000000101e04d54726b000000") + char(events.size()) + events;
}

}   // namespace

class TestSongStore : public QObject {
    Q_OBJECT
private slots:
    void keepsChoices_data()
    {
        QTest::addColumn<QString>("trouble");
        for (const char *row : {"", "damaged", "read-only folder", "locked by another writer", "newer schema"})
            QTest::newRow(*row ? row : "new") << QString::fromLatin1(row);
    }

    void keepsChoices()
    {
        QFETCH(QString, trouble);
        const bool kept = trouble.isEmpty();   // a choice written reads back, also from a new store and a moved song
        QTemporaryDir dir;
        const QString song = dir.filePath("a.mid"), moved = dir.filePath("sub/renamed.kar");
        QVERIFY(write(song, koi8Song()));
        QString file = dir.filePath("data/songs.db");
        if (trouble == "damaged")
            QVERIFY(write(file, QByteArray(4096, 'x')));
        if (trouble == "read-only folder") {
            // Root writes through permissions; no one writes into /proc.
            file = ::geteuid() == 0 ? "/proc/self/songs.db" : dir.filePath("ro/songs.db");
            QVERIFY(QDir().mkpath(dir.filePath("ro")));
            QFile::setPermissions(dir.filePath("ro"), QFile::ReadOwner | QFile::ExeOwner);
        }
        const QByteArray before = read(file);
        QSqlDatabase other;
        if (trouble.startsWith("locked") || trouble == "newer schema") {
            QVERIFY(SongStore(file).setValue(song, "tempo", "90"));
            other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(file);
            QVERIFY(other.open());
            QSqlQuery(other).exec(trouble.startsWith("locked") ? "BEGIN IMMEDIATE" : "PRAGMA user_version = 99");
        }
        QStringList told;
        {
            SongStore store(file);
            store.setTeller([&told](const QString &line) { told << line; });
            StoredSongText source(&store);
            (void)source.textOf(song);
            QCOMPARE(QFile::exists(file), !before.isEmpty() || other.isOpen());   // reading makes no store
            QSignalSpy changed(&source, &SongTextSource::changed);
            QElapsedTimer waited;
            waited.start();
            source.chooseEncoding(song, "KOI8-R");
            QCOMPARE(changed.size(), 1);   // read again with the choice, kept or not
            QCOMPARE(source.textOf(song).lyrics.value(0).text, QString::fromUtf8("Привет"));
            QVERIFY2(waited.elapsed() < 1500, "a locked store is waited for briefly");
            QCOMPARE(store.setValue(song, StoredSongText::EncodingKey, "CP1251"), kept);
            QCOMPARE(store.value(song, StoredSongText::EncodingKey), kept ? "CP1251" : "");
            QCOMPARE(told.size(), kept ? 0 : 1);   // one line, however often it is asked
            QVERIFY2(told.isEmpty() || told[0].contains(file), qPrintable(told.value(0)));
            if (trouble.startsWith("locked"))   // a reader is not kept out by a writer
                QCOMPARE(store.value(song, "tempo"), "90");
        }
        other.close();
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase("other");
        if (trouble == "damaged")
            QCOMPARE(read(file), before);   // left for the user to look at
        if (!kept)
            return;
        QVERIFY(write(moved, read(song)) && QFile::remove(song));
        SongStore reopened(file);
        QCOMPARE(StoredSongText(&reopened).textOf(moved).encoding, "CP1251");
        QVERIFY(reopened.setValue(moved, StoredSongText::EncodingKey, ""));
        QCOMPARE(SongStore(file).value(moved, StoredSongText::EncodingKey), QString());
    }
};

QTEST_GUILESS_MAIN(TestSongStore)
#include "test_core_songstore.moc"
