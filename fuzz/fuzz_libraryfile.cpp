// Any bytes must parse without a crash, a hang or unbounded memory, and what
// is read must stay within the play list's limits.
#include "library/core/libraryfile.h"
#include "library/core/playlist.h"
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const LibraryContents c = LibraryFile::parse(bytes);
    if (c.paths.size() > PlayList::Capacity || c.selIndex < 0 || c.selIndex >= PlayList::Capacity)
        std::abort();
    if (c.empty && (!c.paths.isEmpty() || !c.error.isEmpty()))
        std::abort();
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
