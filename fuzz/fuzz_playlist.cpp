// Any bytes must read as a play list without a crash, a hang or unbounded
// memory, into entries a library can take: absolute clean paths without
// control characters, never another list. What the reader gives, the .m3u8
// writer writes so that it reads back the same. The first byte picks the
// format and the user's locale.
#include "library/core/playlist.h"
#include "library/core/playlistfile.h"
#include <QDir>
#include <cstdlib>

namespace {

bool acceptable(const PlayListEntry &e)
{
    if (!e.path.startsWith(QLatin1Char('/')) || QDir::cleanPath(e.path) != e.path || e.title != e.title.trimmed())
        return false;
    for (QChar c : e.path + e.title) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return !isPlayListFile(e.path) && !e.path.endsWith(QLatin1String(".mfl"), Qt::CaseInsensitive);
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static const QByteArray locales[] = {"", "UTF-8", "KOI8-R", "EUC-JP", "bogus"};
    static const PlayListFormat formats[] = {PlayListFormat::M3u, PlayListFormat::M3u8, PlayListFormat::Pls};
    const PlayListFormat format = formats[data[0] % 3];
    const QByteArray locale = locales[(data[0] / 3) % std::size(locales)];
    const QString folder = QStringLiteral("/nowhere/lists");   // no drive path is found beside it
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const PlayListContents c = parsePlayList(bytes, folder, format, locale);
    if (c.entries.size() > PlayList::Capacity || (!c.error.isEmpty() && !(c.entries.isEmpty() && c.problems.isEmpty())))
        std::abort();
    for (const PlayListEntry &e : c.entries) {
        if (!acceptable(e))
            std::abort();
    }
    const PlayListContents back = parsePlayList(serializePlayListM3u8(c.entries, folder), folder, PlayListFormat::M3u8,
                                                {});
    if (back.entries != c.entries || !back.problems.isEmpty() || !back.error.isEmpty())
        std::abort();
    return 0;
}
