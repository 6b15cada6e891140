#include "components/core/songstore.h"
#include "app/core/terminal.h"
#include <QAtomicInt>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

constexpr qint64 kLargestSong = 64LL * 1024 * 1024;
QAtomicInt g_connections;

QString errorText(const QSqlError &e)
{
    return e.databaseText().isEmpty() ? e.text() : e.databaseText();
}

}   // namespace

SongStore::SongStore(const QString &file)
    : m_file(file), m_connection(QStringLiteral("lyrabox-songs-%1").arg(g_connections.fetchAndAddRelaxed(1))),
      m_tell([](const QString &line) { tellTerminal(line); })
{
}

SongStore::~SongStore()
{
    if (!QSqlDatabase::contains(m_connection))
        return;
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

void SongStore::fail(const QString &why, bool forGood)
{
    m_broken = m_broken || forGood;
    if (m_told)
        return;
    m_told = true;
    m_tell(QStringLiteral("song choices are not kept in %1 (%2); the defaults are used").arg(m_file, why));
}

bool SongStore::open(bool create)
{
    if (m_broken)
        return false;
    if (m_open)
        return true;
    // Nothing chosen yet: nothing to read, and no file made for it.
    if (!create && !QFileInfo::exists(m_file))
        return false;
    if (create && !QDir().mkpath(QFileInfo(m_file).absolutePath())) {
        fail(QStringLiteral("its folder cannot be made"), false);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!db.isValid()) {
        fail(QStringLiteral("Qt's SQLite driver is missing"), true);
        return false;
    }
    db.setDatabaseName(m_file);
    // Another player holding a write lock is waited for briefly, never long enough to be felt.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=200"));
    if (!db.open()) {
        fail(errorText(db.lastError()), false);
        return false;
    }
    m_open = prepareSchema();
    if (!m_open)
        db.close();
    return m_open;
}

bool SongStore::prepareSchema()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) {
        const QSqlError e = q.lastError();
        // A file that is not a database stays as it is: the user may want it back.
        const bool damaged = e.nativeErrorCode() == QLatin1String("26") || e.nativeErrorCode() == QLatin1String("11");
        fail(damaged ? QStringLiteral("it is damaged; remove it to start afresh") : errorText(e), damaged);
        return false;
    }
    const int version = q.value(0).toInt();
    if (version > SchemaVersion) {
        fail(QStringLiteral("it was written by a newer Lyrabox"), true);
        return false;
    }
    if (version == SchemaVersion)
        return true;
    if (!db.transaction()) {
        fail(errorText(db.lastError()), false);
        return false;
    }
    if (!q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS song_values (song TEXT NOT NULL, name TEXT NOT NULL, "
                               "value TEXT NOT NULL, PRIMARY KEY (song, name)) WITHOUT ROWID"))
        || !q.exec(QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion)) || !db.commit()) {
        const QString why = errorText(q.lastError().isValid() ? q.lastError() : db.lastError());
        db.rollback();
        fail(why, false);
        return false;
    }
    return true;
}

QByteArray SongStore::songKey(const QString &songPath)
{
    QFile file(songPath);
    const QFileInfo info(songPath);
    if (!info.isFile() || info.size() > kLargestSong || !file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return hash.result().toHex();
}

QByteArray SongStore::keyOf(const QString &songPath)
{
    const QFileInfo info(songPath);
    if (songPath != m_keyPath || info.lastModified() != m_keyTime || info.size() != m_keySize) {
        m_key = songKey(songPath);
        m_keyPath = songPath;
        m_keyTime = info.lastModified();
        m_keySize = info.size();
    }
    return m_key;
}

QString SongStore::value(const QString &songPath, const QString &name)
{
    if (!open(false))
        return {};
    const QByteArray key = keyOf(songPath);
    if (key.isEmpty())
        return {};
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT value FROM song_values WHERE song = ? AND name = ?"));
    q.addBindValue(QString::fromLatin1(key));
    q.addBindValue(name);
    if (!q.exec()) {
        fail(errorText(q.lastError()), false);
        return {};
    }
    return q.next() ? q.value(0).toString() : QString();
}

bool SongStore::setValue(const QString &songPath, const QString &name, const QString &value)
{
    const QByteArray key = keyOf(songPath);
    if (key.isEmpty() || !open(true))
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction()) {
        fail(errorText(db.lastError()), false);
        return false;
    }
    QSqlQuery q(db);
    q.prepare(value.isEmpty()
                  ? QStringLiteral("DELETE FROM song_values WHERE song = ? AND name = ?")
                  : QStringLiteral("INSERT OR REPLACE INTO song_values (song, name, value) VALUES (?, ?, ?)"));
    q.addBindValue(QString::fromLatin1(key));
    q.addBindValue(name);
    if (!value.isEmpty())
        q.addBindValue(value);
    if (!q.exec() || !db.commit()) {
        const QString why = errorText(q.lastError().isValid() ? q.lastError() : db.lastError());
        db.rollback();
        fail(why, false);
        return false;
    }
    return true;
}
