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
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A song whose only words are a lyric event in KOI8-R ("Привет" sung at 0 ms).
QByteArray koi8Song()
{
    const QByteArray word = QByteArray::fromHex("f0d2c9d7c5d4");
    const QByteArray events = QByteArray::fromHex("00ff05") + char(word.size()) + word
                              + QByteArray::fromHex("8360ff2f00");
    QByteArray track = "MTrk" + QByteArray(3, '\0') + char(events.size()) + events;
    return QByteArray::fromHex("4d546864000000060000000101e0") + track;
}

}   // namespace

class TestSongStore : public QObject {
    Q_OBJECT
private slots:
    void keepsChoices_data();
    void keepsChoices();
    void encodingChoiceIsRemembered();
    void chosenEncodingDecodesTheSong();
};

void TestSongStore::keepsChoices_data()
{
    QTest::addColumn<QString>("trouble");
    QTest::addColumn<bool>("kept");   // a choice written now reads back, also from a new store and a moved song
    QTest::newRow("new") << "" << true;
    QTest::newRow("damaged") << "damaged" << false;
    QTest::newRow("read-only folder") << "read-only" << false;
    QTest::newRow("locked by another writer") << "locked" << false;
    QTest::newRow("newer schema") << "newer" << false;
}

void TestSongStore::keepsChoices()
{
    QFETCH(QString, trouble);
    QFETCH(bool, kept);
    QTemporaryDir dir;
    const QString song = dir.filePath("a.mid"), moved = dir.filePath("sub/renamed.kar");
    QVERIFY(write(song, koi8Song()));
    QString file = dir.filePath("data/songs.db");
    if (trouble == "damaged") {
        QVERIFY(QDir().mkpath(dir.filePath("data")) && write(file, QByteArray(4096, 'x')));
    } else if (trouble == "read-only") {
        // Root writes through permissions; no one writes into /proc.
        file = ::geteuid() == 0 ? "/proc/self/songs.db" : dir.filePath("ro/songs.db");
        QVERIFY(QDir().mkpath(dir.filePath("ro")));
        QFile::setPermissions(dir.filePath("ro"), QFile::ReadOwner | QFile::ExeOwner);
    }
    const QByteArray before = read(file);
    QSqlDatabase other;
    if (trouble == "locked" || trouble == "newer") {
        SongStore earlier(file);
        QVERIFY(earlier.setValue(song, "tempo", "90"));
        other = QSqlDatabase::addDatabase("QSQLITE", "other");
        other.setDatabaseName(file);
        QVERIFY(other.open());
        QSqlQuery(other).exec(trouble == "locked" ? "BEGIN IMMEDIATE" : "PRAGMA user_version = 99");
    }
    QStringList told;
    {
        SongStore store(file);
        store.setTeller([&told](const QString &line) { told << line; });
        QCOMPARE(store.value(song, "encoding"), QString());
        QElapsedTimer waited;
        waited.start();
        QCOMPARE(store.setValue(song, "encoding", "KOI8-R"), kept);
        QVERIFY2(waited.elapsed() < 1500, "a locked store is waited for briefly");
        QCOMPARE(store.setValue(song, "encoding", "CP1251"), kept);
        QCOMPARE(store.value(song, "encoding"), kept ? "CP1251" : "");
        QCOMPARE(told.size(), kept ? 0 : 1);   // one line, however often it is asked
        if (!told.isEmpty())
            QVERIFY2(told[0].contains(file), qPrintable(told[0]));
        if (trouble == "locked")   // a reader is not kept out by a writer
            QCOMPARE(store.value(song, "tempo"), "90");
    }
    if (other.isOpen()) {
        other.close();
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase("other");
    }
    if (trouble == "damaged")
        QCOMPARE(read(file), before);   // left for the user to look at
    QFile::setPermissions(dir.filePath("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!kept)
        return;
    QVERIFY(QDir().mkpath(dir.filePath("sub")) && QFile::copy(song, moved) && QFile::remove(song));
    SongStore reopened(file);
    QCOMPARE(reopened.value(moved, "encoding"), "CP1251");
    QVERIFY(reopened.setValue(moved, "encoding", ""));
    QCOMPARE(SongStore(file).value(moved, "encoding"), QString());
}

void TestSongStore::encodingChoiceIsRemembered()
{
    QTemporaryDir dir;
    const QString song = dir.filePath("a.kar"), file = dir.filePath("songs.db");
    QVERIFY(write(song, koi8Song()));
    StoredSongText nothingChosen(nullptr);
    QVERIFY(!nothingChosen.encodings().isEmpty());
    QVERIFY(!QFile::exists(file));
    {
        SongStore store(file);
        StoredSongText source(&store);
        (void)source.textOf(song);
        QVERIFY2(!QFile::exists(file), "reading makes no store");
        QSignalSpy changed(&source, &SongTextSource::changed);
        source.chooseEncoding(song, "KOI8-R");
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][0].toString(), song);
    }
    QCOMPARE(SongStore(file).value(song, StoredSongText::EncodingKey), "KOI8-R");
}

// Needs the reader of text events: the words come out in the encoding chosen by hand.
void TestSongStore::chosenEncodingDecodesTheSong()
{
    QTemporaryDir dir;
    const QString song = dir.filePath("a.kar");
    QVERIFY(write(song, koi8Song()));
    SongStore store(dir.filePath("songs.db"));
    StoredSongText(&store).chooseEncoding(song, "KOI8-R");
    const SongText text = StoredSongText(&store).textOf(song);
    QCOMPARE(text.encoding, "KOI8-R");
    QCOMPARE(text.lyrics.value(0).text, QString::fromUtf8("Привет"));
}

QTEST_GUILESS_MAIN(TestSongStore)
#include "test_core_songstore.moc"
