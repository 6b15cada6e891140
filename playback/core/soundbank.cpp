#include "playback/core/soundbank.h"
#include <QDir>
#include <QFile>
#include <QtEndian>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool usable(const QString &path)
{
    return soundBankProblem(path).isEmpty();
}

QString header(int fd, const struct stat &st)
{
    if (st.st_size == 0)
        return QStringLiteral("the file is empty");
    char head[12] = {};
    if (::pread(fd, head, sizeof head, 0) != qsizetype(sizeof head) || std::memcmp(head, "RIFF", 4) != 0)
        return QStringLiteral("the file is not a sound bank");
    const bool soundFont = std::memcmp(head + 8, "sfbk", 4) == 0;
    if (!soundFont && std::memcmp(head + 8, "DLS ", 4) != 0)
        return QStringLiteral("the file is not a sound bank");
    const qint64 says = qint64(qFromLittleEndian<quint32>(head + 4)) + 8;
    if (st.st_size < says)
        return QStringLiteral("the file is cut short (%1 of %2 bytes)").arg(st.st_size).arg(says);
    if (soundFont && st.st_size > says)
        return QStringLiteral("the file is longer than its header says (%1, not %2 bytes)").arg(st.st_size).arg(says);
    return {};
}
}

QString soundBankProblem(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("no file is named");
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    // A device is not even opened; a FIFO put in the bank's place after this must not wait for a writer.
    if (::stat(name.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return QStringLiteral("it is not a regular file");
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int err = errno;
        return err == ENOENT || err == ENOTDIR
                   ? QStringLiteral("the file does not exist")
                   : QStringLiteral("the file cannot be read (%1)").arg(QString::fromLocal8Bit(std::strerror(err)));
    }
    QString why;
    if (::fstat(fd, &st) != 0)
        why = QString::fromLocal8Bit(std::strerror(errno));
    else if (!S_ISREG(st.st_mode))
        why = QStringLiteral("it is not a regular file");
    else
        why = header(fd, st);
    ::close(fd);
    return why;
}

QString findSoundBank(const QString &setting)
{
    return findSoundBank(setting, QStringLiteral("/usr/share/sounds/sf2"));
}

QString findSoundBank(const QString &setting, const QString &folder)
{
    if (usable(setting))
        return setting;
    const QDir dir(folder);
    const QString preferred = dir.filePath(QStringLiteral("default-GM.sf2"));
    if (usable(preferred))
        return preferred;
    const QStringList banks = dir.entryList({QStringLiteral("*.sf2")}, QDir::Files, QDir::Name);
    for (const QString &name : banks) {
        if (usable(dir.filePath(name)))
            return dir.filePath(name);
    }
    return {};
}
