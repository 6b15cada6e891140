#include "playback/engine/audiofilewriter.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::mutex g_lock;
QSet<QString> g_unfinished;   // named temporary files; under g_lock
QSet<QString> g_swept;        // folders cleared of stale ones; under g_lock

int sndFormat(AudioFormat format)
{
    switch (format) {
    case AudioFormat::Flac: return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    case AudioFormat::Ogg: return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    default: return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    }
}

// What a plain new file would get: the temporary one is made private.
mode_t newFileMode()
{
    static const mode_t mask = [] {
        const mode_t m = ::umask(022);
        ::umask(m);
        return m;
    }();
    return 0666 & ~mask;
}

QString systemReason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// rename(2) that keeps an existing target; where the file system cannot, a
// hard link does the same.
int renameKeeping(const char *from, const char *to)
{
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    if (::link(from, to) != 0)
        return -1;
    ::unlink(from);
    return 0;
}

// An unnamed file can only be given a name through /proc without privileges.
bool canLinkUnnamed()
{
    static const bool can = ::access("/proc/self/fd", X_OK) == 0;
    return can;
}

int linkUnnamed(int fd, const char *to)
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, to, AT_SYMLINK_FOLLOW);
}

// ".<name>.<pid>-XXXXXX.part" beside the target: hidden, and its owner can be told.
QByteArray partPattern(const QString &target)
{
    const QFileInfo info(target);
    return QFile::encodeName(
        QStringLiteral("%1/.%2.%3-XXXXXX.part").arg(info.absolutePath(), info.fileName()).arg(qint64(::getpid())));
}

const QRegularExpression &partName()
{
    static const QRegularExpression re(QStringLiteral("^\\..+\\.(\\d+)-[A-Za-z0-9]{6}\\.part$"));
    return re;
}

bool ownerGone(const QString &name)
{
    bool ok = false;
    const qint64 pid = partName().match(name).captured(1).toLongLong(&ok);
    return ok && pid > 0 && pid <= INT_MAX && pid != ::getpid() && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}
}

std::unique_ptr<AudioFileWriter> AudioFileWriter::create(const QString &target, AudioFormat format, int sampleRate,
                                                         QString *error, Temporary temporary)
{
    const QString folder = QFileInfo(target).absolutePath();
    removeStale(folder);
    int fd = -1;
    if (temporary == Temporary::Unnamed && canLinkUnnamed())
        fd = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    QByteArray named;
    if (fd < 0) {
        named = partPattern(target);
        fd = ::mkostemps(named.data(), 5, O_CLOEXEC);
        if (fd < 0) {
            *error = QStringLiteral("Cannot write in the folder %1: %2.").arg(folder, systemReason(errno));
            return nullptr;
        }
        ::fchmod(fd, newFileMode());
    }
    std::unique_ptr<AudioFileWriter> w(new AudioFileWriter(target, fd));
    if (!named.isEmpty())
        w->setTemporary(QFile::decodeName(named));
    SF_INFO sf{};
    sf.samplerate = sampleRate;
    sf.channels = 2;
    sf.format = sndFormat(format);
    w->m_file = sf_open_fd(fd, SFM_WRITE, &sf, SF_FALSE);
    if (!w->m_file) {
        *error = w->failure(QString::fromUtf8(sf_strerror(nullptr)));
        return nullptr;
    }
    // Over full scale is clipped, not wrapped round.
    sf_command(w->m_file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    if (format == AudioFormat::Ogg) {
        double quality = 0.6;
        sf_command(w->m_file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
    }
    return w;
}

AudioFileWriter::~AudioFileWriter()
{
    if (m_file)
        sf_close(m_file);
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed && !m_temp.isEmpty())
        ::unlink(QFile::encodeName(m_temp).constData());
    setTemporary({});
}

void AudioFileWriter::setTemporary(const QString &path)
{
    std::lock_guard guard(g_lock);
    g_unfinished.remove(m_temp);
    m_temp = path;
    if (!path.isEmpty())
        g_unfinished.insert(path);
}

QString AudioFileWriter::temporaryPath() const
{
    std::lock_guard guard(g_lock);
    return m_temp;
}

void AudioFileWriter::removeUnfinished()
{
    std::lock_guard guard(g_lock);
    for (const QString &path : std::as_const(g_unfinished))
        ::unlink(QFile::encodeName(path).constData());
    g_unfinished.clear();
}

void AudioFileWriter::removeStale(const QString &folder)
{
    std::lock_guard guard(g_lock);
    if (g_swept.contains(folder))
        return;
    g_swept.insert(folder);
    const QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral(".*.part")}, QDir::Files | QDir::Hidden | QDir::System)) {
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        struct stat st {};
        if (ownerGone(name) && ::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid())
            ::unlink(path.constData());
    }
}

QString AudioFileWriter::failure(const QString &what) const
{
    return QStringLiteral("Cannot write %1: %2")
        .arg(m_target, what.endsWith(QLatin1Char('.')) ? what : what + QLatin1Char('.'));
}

bool AudioFileWriter::write(const float *frames, long long count, QString *error)
{
    if (count <= 0)
        return true;
    if (sf_writef_float(m_file, frames, count) == count)
        return true;
    *error = failure(QString::fromUtf8(sf_strerror(m_file)));
    return false;
}

bool AudioFileWriter::finishFile(QString *error)
{
    const int rc = sf_close(m_file);
    m_file = nullptr;
    if (rc != 0) {
        *error = failure(QString::fromUtf8(sf_error_number(rc)));
        return false;
    }
    // On disk before it takes the name: a crash then leaves the old file or the whole new one.
    if (::fdatasync(m_fd) != 0) {
        *error = failure(systemReason(errno));
        return false;
    }
    return true;
}

bool AudioFileWriter::linkTemporary()
{
    // A name like mkostemps' own, so stale ones are known by the same pattern.
    static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const QByteArray pattern = partPattern(m_target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray name = pattern;
        for (qsizetype i = name.size() - 11; i < name.size() - 5; ++i)
            name[i] = Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))];
        if (linkUnnamed(m_fd, name.constData()) == 0) {
            setTemporary(QFile::decodeName(name));
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool AudioFileWriter::commit(bool overwrite, QString *error)
{
    if (!finishFile(error))
        return false;
    const QByteArray to = QFile::encodeName(m_target);
    int rc = 0;
    if (m_temp.isEmpty() && !overwrite) {
        rc = linkUnnamed(m_fd, to.constData());
    } else {
        // An unnamed file replaces the target the same way: first under a name of its own.
        if (m_temp.isEmpty() && !linkTemporary())
            rc = -1;
        const QByteArray from = QFile::encodeName(m_temp);
        if (rc == 0)
            rc = overwrite ? ::rename(from.constData(), to.constData())
                           : renameKeeping(from.constData(), to.constData());
    }
    const int err = errno;
    // Nothing is left to report: fdatasync has seen the data to disk.
    ::close(m_fd);
    m_fd = -1;
    if (rc != 0) {
        *error = err == EEXIST ? QStringLiteral("%1 already exists.").arg(m_target) : failure(systemReason(err));
        return false;
    }
    m_committed = true;
    setTemporary({});
    return true;
}
