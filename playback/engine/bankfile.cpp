#include "playback/engine/bankfile.h"
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
std::mutex g_openLock;
std::vector<BankFile *> g_open;   // under g_openLock

QString systemError(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

bool sameTime(const timespec &a, const timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}
}

// One reader of a bank file. Readers share the bank's descriptor and read
// with pread at their own position. The loader reads a bank's headers a few
// bytes at a time: those reads come from a block read ahead.
struct BankFile::Handle {
    static constexpr fluid_long_long_t ReadAhead = 64 * 1024;
    int fd;
    bool ownsFd;
    off_t pos;
    BankFile *bank;   // null for a file opened by name
    std::vector<char> ahead = {};
    off_t aheadAt = 0;
};

std::unique_ptr<BankFile> BankFile::open(const QString &path, QString *error)
{
    // Not blocking: a FIFO in the bank's place would wait for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    const bool opened = fd >= 0 && ::fstat(fd, &st) == 0;
    if (!opened || !S_ISREG(st.st_mode)) {
        *error = opened ? QStringLiteral("Not a regular file") : systemError(errno);
        if (fd >= 0)
            ::close(fd);
        return nullptr;
    }
    std::unique_ptr<BankFile> bank(new BankFile(path, fd));
    bank->m_size = st.st_size;
    bank->m_changed = st.st_mtim;
    std::lock_guard guard(g_openLock);
    g_open.push_back(bank.get());
    return bank;
}

BankFile::~BankFile()
{
    {
        std::lock_guard guard(g_openLock);
        g_open.erase(std::find(g_open.begin(), g_open.end(), this));
    }
    ::close(m_fd);
}

fluid_sfloader_t *BankFile::newLoader(fluid_settings_t *settings)
{
    fluid_sfloader_t *loader = new_fluid_defsfloader(settings);
    if (loader)
        fluid_sfloader_set_callbacks(loader, &openCallback, &readCallback, &seekCallback, &tellCallback,
                                     &closeCallback);
    return loader;
}

QString BankFile::problem() const
{
    std::lock_guard guard(m_problemLock);
    return m_problem;
}

void BankFile::fail(const QString &why)
{
    {
        std::lock_guard guard(m_problemLock);
        if (m_problem.isEmpty())
            m_problem = why;
    }
    m_broken.store(true, std::memory_order_release);
}

void *BankFile::openCallback(const char *name)
{
    BankFile *bank = nullptr;
    {
        std::lock_guard guard(g_openLock);
        // The newest first: a bank opened again under the same name wins.
        for (auto it = g_open.rbegin(); it != g_open.rend() && !bank; ++it) {
            if (QFile::encodeName((*it)->m_path) == name)
                bank = *it;
        }
    }
    if (!bank) {
        const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
        return fd < 0 ? nullptr : new Handle{fd, true, 0, nullptr};
    }
    // FluidSynth checks the file against what it read at load time only
    // roughly; samples read from a changed file could be anything.
    struct stat st {};
    if (::fstat(bank->m_fd, &st) != 0) {
        bank->fail(systemError(errno));
        return nullptr;
    }
    if (st.st_size != bank->m_size || !sameTime(st.st_mtim, bank->m_changed)) {
        bank->fail(QStringLiteral("the file was changed while in use."));
        return nullptr;
    }
    return new Handle{bank->m_fd, false, 0, bank};
}

int BankFile::readCallback(void *buf, fluid_long_long_t count, void *handle)
{
    auto *h = static_cast<Handle *>(handle);
    auto *to = static_cast<char *>(buf);
    while (count > 0) {
        const off_t in = h->pos - h->aheadAt;
        if (in >= 0 && in < off_t(h->ahead.size())) {
            const auto n = std::min<fluid_long_long_t>(count, fluid_long_long_t(h->ahead.size()) - in);
            std::memcpy(to, h->ahead.data() + in, size_t(n));
            to += n;
            h->pos += off_t(n);
            count -= n;
            continue;
        }
        // Samples are read whole, straight into place.
        const bool small = count < Handle::ReadAhead;
        if (small)
            h->ahead.resize(size_t(Handle::ReadAhead));
        const auto want = small ? Handle::ReadAhead : std::min<fluid_long_long_t>(count, 1 << 30);
        const ssize_t n = ::pread(h->fd, small ? h->ahead.data() : to, size_t(want), h->pos);
        const int err = errno;
        if (small) {
            h->aheadAt = h->pos;
            h->ahead.resize(size_t(std::max<ssize_t>(n, 0)));
        }
        if (n < 0 && err == EINTR)
            continue;
        if (n <= 0) {
            if (h->bank)
                h->bank->fail(n < 0 ? systemError(err) : QStringLiteral("the file ends too early."));
            return FLUID_FAILED;
        }
        if (!small) {
            to += n;
            h->pos += n;
            count -= n;
        }
    }
    return FLUID_OK;
}

int BankFile::seekCallback(void *handle, fluid_long_long_t offset, int origin)
{
    auto *h = static_cast<Handle *>(handle);
    off_t base = 0;
    if (origin == SEEK_CUR) {
        base = h->pos;
    } else if (origin == SEEK_END) {
        struct stat st {};
        if (::fstat(h->fd, &st) != 0)
            return FLUID_FAILED;
        base = st.st_size;
    } else if (origin != SEEK_SET) {
        return FLUID_FAILED;
    }
    if (base + offset < 0)
        return FLUID_FAILED;
    h->pos = base + off_t(offset);
    return FLUID_OK;
}

fluid_long_long_t BankFile::tellCallback(void *handle)
{
    return static_cast<Handle *>(handle)->pos;
}

int BankFile::closeCallback(void *handle)
{
    auto *h = static_cast<Handle *>(handle);
    if (h->ownsFd)
        ::close(h->fd);
    delete h;
    return FLUID_OK;
}
