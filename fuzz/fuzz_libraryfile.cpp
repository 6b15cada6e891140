// Any bytes must parse without a crash, a hang or unbounded memory, and what
// is read must stay within the play list's limits. The start-up's quick read
// of the index (readIndex, from a file) must agree with the full parse.
#include "library/core/libraryfile.h"
#include "library/core/playlist.h"
#include <QDir>
#include <QFile>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

// One file per fuzzing process, rewritten for each input.
const QString &indexFile()
{
    static const QString path = [] {
        const QString p = QDir::temp().filePath(QStringLiteral("fuzz_libraryfile-%1.mfl").arg(::getpid()));
        std::atexit([] { QFile::remove(indexFile()); });
        return p;
    }();
    return path;
}

void checkReadIndex(const QByteArray &bytes, const LibraryContents &c)
{
    const QByteArray name = QFile::encodeName(indexFile());
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() || ::close(fd) != 0)
        std::abort();
    int index = -1;
    QString error;
    const bool ok = LibraryFile::readIndex(indexFile(), &index, &error);
    if (!ok && error.isEmpty())
        std::abort();   // a refusal says why
    // Only a first line past the quick read's cap may make the two differ.
    const bool parsed = !c.empty && (c.error.isEmpty() || !c.paths.isEmpty());
    if (ok && (!parsed || index != c.selIndex))
        std::abort();
    if (!ok && parsed && bytes.size() <= 64 * 1024)
        std::abort();
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const LibraryContents c = LibraryFile::parse(bytes);
    if (c.paths.size() > PlayList::Capacity || c.selIndex < 0 || c.selIndex >= PlayList::Capacity)
        std::abort();
    if (c.empty && (!c.paths.isEmpty() || !c.error.isEmpty()))
        std::abort();
    checkReadIndex(bytes, c);
    // What the writer produces from a clean read must read back the same.
    if (c.error.isEmpty() && !c.paths.isEmpty()) {
        bool storable = true;
        for (const QString &p : c.paths)
            storable = storable && LibraryFile::canStore(p);
        if (storable) {
            const LibraryContents back = LibraryFile::parse(LibraryFile::serialize(c.selIndex, c.paths));
            if (back.selIndex != c.selIndex || back.paths != c.paths || !back.error.isEmpty())
                std::abort();
        }
    }
    return 0;
}
