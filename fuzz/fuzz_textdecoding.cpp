// Any bytes in a song's text events must choose an encoding and decode
// without a crash or a hang, into text no longer than the bytes allow.
// The first byte picks the user's locale and an encoding picked by hand;
// a zero byte ends one text event.
#include "lyrics/core/textdecoding.h"
#include <cstdlib>

namespace {

void checkDecode(const QByteArray &bytes, const QByteArray &encoding)
{
    const QString text = textdecoding::decode(bytes, encoding);
    if (text.size() > 2 * bytes.size() + 2)
        std::abort();
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static const QList<QByteArray> offered = textdecoding::offeredEncodings();
    static const QByteArray locales[] = {"UTF-8", "ISO-8859-1", "KOI8-R", "EUC-JP", "", "ANSI_X3.4-1968", "bogus"};
    const QByteArray locale = locales[data[0] % std::size(locales)];
    const QByteArray byHand = offered[data[0] % offered.size()];
    const QList<QByteArray> texts = QByteArray(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1))
                                        .split('\0');
    const QByteArray chosen = textdecoding::chooseEncoding(texts, locale);
    if (chosen.isEmpty())
        std::abort();
    for (const QByteArray &t : texts) {
        checkDecode(t, chosen);
        checkDecode(t, byHand);
        // Text chosen as UTF-8 reads back to its bytes, less a leading byte order mark.
        if (chosen == "UTF-8"
            && textdecoding::decode(t, chosen).toUtf8() != (t.startsWith("\xEF\xBB\xBF") ? t.mid(3) : t))
            std::abort();
    }
    return 0;
}
