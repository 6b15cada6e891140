#include "testenv.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstdlib>

namespace {
QTemporaryDir *g_dir = nullptr;

void put(const char *name, const QString &value)
{
    qputenv(name, value.toLocal8Bit());
}
}

namespace TestEnv {

void setUp()
{
    if (g_dir)
        return;
    g_dir = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/lyrabox-test-XXXXXX"));
    const QString r = g_dir->path();
    for (const char *sub : {"config", "data", "cache", "runtime", "Documents"})
        QDir(r).mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(r + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    put("HOME", r);
    put("XDG_CONFIG_HOME", r + QStringLiteral("/config"));
    put("XDG_DATA_HOME", r + QStringLiteral("/data"));
    put("XDG_CACHE_HOME", r + QStringLiteral("/cache"));
    put("XDG_RUNTIME_DIR", r + QStringLiteral("/runtime"));
    put("XDG_DOCUMENTS_DIR", r + QStringLiteral("/Documents"));
}

QString root()
{
    return g_dir ? g_dir->path() : QString();
}
QString documents()
{
    return root() + QStringLiteral("/Documents");
}
QString samplesDir()
{
    return qEnvironmentVariable("LYRABOX_SAMPLES");
}
QString soundFont()
{
    return qEnvironmentVariable("LYRABOX_TEST_SF2");
}

QVector<qint16> readWav(const QString &path)
{
    QFile f(path);
    const QByteArray b = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    const qsizetype at = b.startsWith("RIFF") ? b.indexOf("data", 12) + 8 : -1;
    QVector<qint16> out(at > 8 ? (b.size() - at) / 2 : 0);
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = qFromLittleEndian<qint16>(b.constData() + at + 2 * i);
    return out;
}

int peak(const QVector<qint16> &s, qsizetype from, qsizetype to)
{
    int p = 0;
    for (qsizetype i = qMax<qsizetype>(0, from); i < (to < 0 ? s.size() : qMin(to, s.size())); ++i)
        p = qMax(p, qAbs(int(s[i])));
    return p;
}

QString writeTracks(const QString &path, const QVector<QByteArray> &tracks)
{
    QByteArray out("MThd\0\0\0\x06\0\x01", 10);
    out += char(tracks.size() >> 8);
    out += char(tracks.size());
    out += "\x01\xE0";
    for (QByteArray trk : tracks) {
        trk += QByteArray("\x00\xFF\x2F\x00", 4);
        out += "MTrk";
        for (int shift : {24, 16, 8, 0})
            out += char(trk.size() >> shift);
        out += trk;
    }
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size() ? path : QString();
}

QString writeMidi(const QString &path, int lengthMs)
{
    // Format 0, 480 ticks per quarter at 500000 us: 960 ticks a second.
    const int ticks = lengthMs * 960 / 1000;
    QByteArray trk;
    auto vlq = [&trk](quint32 v) {
        QByteArray b;
        b.prepend(char(v & 0x7f));
        while (v >>= 7)
            b.prepend(char(0x80 | (v & 0x7f)));
        trk += b;
    };
    vlq(0);
    trk += QByteArray("\xC0\x00", 2);
    vlq(0);
    trk += QByteArray("\x90\x3C\x64", 3);
    vlq(quint32(ticks));
    trk += QByteArray("\x80\x3C\x00", 3);
    vlq(0);
    trk += QByteArray("\xFF\x2F\x00", 3);
    QByteArray out("MThd\0\0\0\x06\0\0\0\x01\x01\xE0", 14);
    out += "MTrk";
    const quint32 n = quint32(trk.size());
    out += char(n >> 24);
    out += char(n >> 16);
    out += char(n >> 8);
    out += char(n);
    out += trk;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(out);
    return path;
}

}   // namespace TestEnv
