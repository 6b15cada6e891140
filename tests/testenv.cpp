#include "testenv.h"
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QMenu>
#include <QWidget>
#include <QtEndian>
#include <csignal>
#include <cstdlib>
#include <sys/resource.h>

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

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);   // the write fails instead of ending the test
    rlimit r{};
    getrlimit(RLIMIT_FSIZE, &r);
    m_old[0] = qint64(r.rlim_cur);
    m_old[1] = qint64(r.rlim_max);
    r.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &r);
}
FileSizeLimit::~FileSizeLimit()
{
    const rlimit r{rlim_t(m_old[0]), rlim_t(m_old[1])};
    setrlimit(RLIMIT_FSIZE, &r);
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

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writesInto(qint64 pid, const QString &dir)
{
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString &fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (QFile::symLinkTarget(fds.filePath(fd)).startsWith(dir + QLatin1Char('/')))
            return true;
    }
    return false;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

namespace {
QString writeSmf(const QString &path, int format, const QVector<QByteArray> &tracks)
{
    QByteArray out("MThd\0\0\0\x06", 8);
    for (int v : {format, int(tracks.size()), 480})
        out.append(char(v >> 8)).append(char(v));
    for (QByteArray trk : tracks) {
        trk += QByteArray("\x00\xFF\x2F\x00", 4);
        out += "MTrk";
        for (int shift : {24, 16, 8, 0})
            out += char(trk.size() >> shift);
        out += trk;
    }
    return writeFile(path, out) ? path : QString();
}
}

QString writeTracks(const QString &path, const QVector<QByteArray> &tracks)
{
    return writeSmf(path, 1, tracks);
}

QString writeMidi(const QString &path, int lengthMs)
{
    // 480 ticks per quarter at 500000 us: 960 ticks a second.
    QByteArray trk("\x00\xC0\x00\x00\x90\x3C\x64", 7);
    const quint32 ticks = quint32(qint64(lengthMs) * 960 / 1000);
    for (int shift = 28; shift > 0; shift -= 7)
        if (ticks >> shift)
            trk += char(0x80 | ((ticks >> shift) & 0x7f));
    trk.append(char(ticks & 0x7f)).append("\x80\x3C\x00", 3);
    return writeSmf(path, 0, {trk});
}

QStringList namelessControls(QWidget *window)
{
    QStringList found;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        // The edit field of a spin box or a combo box is read as part of that (named) box.
        if (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(window) || qobject_cast<QMenu *>(w)
            || qobject_cast<QAbstractSpinBox *>(w->parentWidget()) || qobject_cast<QComboBox *>(w->parentWidget()))
            continue;
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
        if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
            found << w->objectName() + QStringLiteral(" (%1)").arg(QString::fromLatin1(w->metaObject()->className()));
    }
    return found;
}

}   // namespace TestEnv
