#include "playback/engine/audiofilewriter.h"
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
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
}

std::unique_ptr<AudioFileWriter> AudioFileWriter::create(const QString &target, AudioFormat format, int sampleRate,
                                                         QString *error)
{
    const QFileInfo info(target);
    QByteArray pattern = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()
                                           + QStringLiteral(".XXXXXX.part"));
    const int fd = ::mkostemps(pattern.data(), 5, O_CLOEXEC);
    if (fd < 0) {
        *error = QStringLiteral("Cannot write in the folder %1: %2.").arg(info.absolutePath(), systemReason(errno));
        return nullptr;
    }
    std::unique_ptr<AudioFileWriter> w(new AudioFileWriter(target, QFile::decodeName(pattern), fd));
    ::fchmod(fd, newFileMode());
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
    if (!m_committed)
        ::unlink(QFile::encodeName(m_temp).constData());
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

bool AudioFileWriter::closeFile(QString *error)
{
    const int rc = sf_close(m_file);
    m_file = nullptr;
    if (rc != 0) {
        *error = failure(QString::fromUtf8(sf_error_number(rc)));
        return false;
    }
    // On disk before it takes the name: a crash then leaves the old file or the whole new one.
    const bool synced = ::fdatasync(m_fd) == 0;
    const int err = errno;
    const bool closed = ::close(m_fd) == 0 && synced;
    m_fd = -1;
    if (!closed)
        *error = failure(systemReason(synced ? errno : err));
    return closed;
}

bool AudioFileWriter::commit(bool overwrite, QString *error)
{
    if (!closeFile(error))
        return false;
    const QByteArray from = QFile::encodeName(m_temp);
    const QByteArray to = QFile::encodeName(m_target);
    const int rc = overwrite ? ::rename(from.constData(), to.constData())
                             : renameKeeping(from.constData(), to.constData());
    if (rc != 0) {
        *error = errno == EEXIST ? QStringLiteral("%1 already exists.").arg(m_target) : failure(systemReason(errno));
        return false;
    }
    m_committed = true;
    return true;
}
