#include "lyrics/core/encodingfamilies.h"
#include "lyrics/core/textdecoding.h"

#include <QCoreApplication>
#include <iconv.h>
#include <iterator>

namespace textdecoding {
namespace {

enum class Family { Unicode, Latin, Cyrillic, Greek, Hebrew, Arabic, Thai, Vietnamese, EastAsian, Other };
enum Use { Named = 0, Offered = 1, Tried = 2, Both = Offered | Tried };

struct Known {
    const char *name;   // as iconv knows it
    const char *label;
    Family family;
    int use;
    int rarity = 0;   // points a decoding loses for being seldom used for song text
};

// Menu order; within a family, the tried ones in the order they are tried.
const Known known[] = {
    {"UTF-8", QT_TRANSLATE_NOOP("Encoding", "Unicode (UTF-8)"), Family::Unicode, Offered},
    {"WINDOWS-1252", QT_TRANSLATE_NOOP("Encoding", "Western European (Windows-1252)"), Family::Latin, Both},
    {"ISO-8859-15", QT_TRANSLATE_NOOP("Encoding", "Western European (ISO-8859-15)"), Family::Latin, Both},
    {"ISO-8859-1", QT_TRANSLATE_NOOP("Encoding", "Western European (ISO-8859-1)"), Family::Latin, Offered},
    {"WINDOWS-1250", QT_TRANSLATE_NOOP("Encoding", "Central European (Windows-1250)"), Family::Latin, Both},
    {"ISO-8859-2", QT_TRANSLATE_NOOP("Encoding", "Central European (ISO-8859-2)"), Family::Latin, Both},
    {"WINDOWS-1254", QT_TRANSLATE_NOOP("Encoding", "Turkish (Windows-1254)"), Family::Latin, Both},
    {"ISO-8859-9", QT_TRANSLATE_NOOP("Encoding", "Turkish (ISO-8859-9)"), Family::Latin, Offered},
    {"WINDOWS-1257", QT_TRANSLATE_NOOP("Encoding", "Baltic (Windows-1257)"), Family::Latin, Both, 2},
    {"ISO-8859-16", QT_TRANSLATE_NOOP("Encoding", "South-Eastern European (ISO-8859-16)"), Family::Latin, Both, 3},
    {"WINDOWS-1251", QT_TRANSLATE_NOOP("Encoding", "Cyrillic (Windows-1251)"), Family::Cyrillic, Both},
    {"KOI8-R", QT_TRANSLATE_NOOP("Encoding", "Cyrillic (KOI8-R)"), Family::Cyrillic, Both},
    {"KOI8-U", QT_TRANSLATE_NOOP("Encoding", "Cyrillic (KOI8-U)"), Family::Cyrillic, Both, 1},
    {"IBM866", QT_TRANSLATE_NOOP("Encoding", "Cyrillic (DOS 866)"), Family::Cyrillic, Both, 1},
    {"ISO-8859-5", QT_TRANSLATE_NOOP("Encoding", "Cyrillic (ISO-8859-5)"), Family::Cyrillic, Both, 2},
    {"MAC-CYRILLIC", QT_TRANSLATE_NOOP("Encoding", "Cyrillic (Mac)"), Family::Cyrillic, Tried, 3},
    {"WINDOWS-1253", QT_TRANSLATE_NOOP("Encoding", "Greek (Windows-1253)"), Family::Greek, Both},
    {"ISO-8859-7", QT_TRANSLATE_NOOP("Encoding", "Greek (ISO-8859-7)"), Family::Greek, Both},
    {"WINDOWS-1255", QT_TRANSLATE_NOOP("Encoding", "Hebrew (Windows-1255)"), Family::Hebrew, Both},
    {"ISO-8859-8", QT_TRANSLATE_NOOP("Encoding", "Hebrew (ISO-8859-8)"), Family::Hebrew, Both},
    {"WINDOWS-1256", QT_TRANSLATE_NOOP("Encoding", "Arabic (Windows-1256)"), Family::Arabic, Both},
    {"ISO-8859-6", QT_TRANSLATE_NOOP("Encoding", "Arabic (ISO-8859-6)"), Family::Arabic, Tried, 1},
    {"TIS-620", QT_TRANSLATE_NOOP("Encoding", "Thai (TIS-620)"), Family::Thai, Both},
    {"WINDOWS-1258", QT_TRANSLATE_NOOP("Encoding", "Vietnamese (Windows-1258)"), Family::Vietnamese, Both},
    {"CP932", QT_TRANSLATE_NOOP("Encoding", "Japanese (Shift_JIS)"), Family::EastAsian, Both},
    {"EUC-JP", QT_TRANSLATE_NOOP("Encoding", "Japanese (EUC-JP)"), Family::EastAsian, Both},
    {"GB18030", QT_TRANSLATE_NOOP("Encoding", "Chinese Simplified (GB18030)"), Family::EastAsian, Both},
    {"BIG5", QT_TRANSLATE_NOOP("Encoding", "Chinese Traditional (Big5)"), Family::EastAsian, Both},
    {"CP949", QT_TRANSLATE_NOOP("Encoding", "Korean (EUC-KR)"), Family::EastAsian, Both},
    {"BIG5-HKSCS", QT_TRANSLATE_NOOP("Encoding", "Chinese Traditional (Big5-HKSCS)"), Family::EastAsian, Named},
    {"EUC-TW", QT_TRANSLATE_NOOP("Encoding", "Chinese Traditional (EUC-TW)"), Family::EastAsian, Named},
    {"ISO-2022-JP", QT_TRANSLATE_NOOP("Encoding", "Japanese (ISO-2022-JP)"), Family::EastAsian, Named},
    {"ISO-2022-KR", QT_TRANSLATE_NOOP("Encoding", "Korean (ISO-2022-KR)"), Family::EastAsian, Named},
    // Detectors name these for short Latin or Cyrillic texts far more often than songs use them.
    {"ISO-8859-3", QT_TRANSLATE_NOOP("Encoding", "South European (ISO-8859-3)"), Family::Latin, Named, 3},
    {"ISO-8859-4", QT_TRANSLATE_NOOP("Encoding", "Baltic (ISO-8859-4)"), Family::Latin, Named, 3},
    {"ISO-8859-10", QT_TRANSLATE_NOOP("Encoding", "Nordic (ISO-8859-10)"), Family::Latin, Named, 3},
    {"ISO-8859-13", QT_TRANSLATE_NOOP("Encoding", "Baltic (ISO-8859-13)"), Family::Latin, Named, 3},
    {"IBM852", QT_TRANSLATE_NOOP("Encoding", "Central European (DOS 852)"), Family::Latin, Named, 3},
    {"MAC-CENTRALEUROPE", QT_TRANSLATE_NOOP("Encoding", "Central European (Mac)"), Family::Latin, Named, 3},
    {"IBM855", QT_TRANSLATE_NOOP("Encoding", "Cyrillic (DOS 855)"), Family::Cyrillic, Named, 3},
    {"VISCII", QT_TRANSLATE_NOOP("Encoding", "Vietnamese (VISCII)"), Family::Vietnamese, Named, 1},
};

// Names a detector, a locale or an older choice may give for what one of the
// above decodes (the larger Windows forms read the smaller standards right).
const char *const aliases[][2] = {
    {"UTF8", "UTF-8"},
    {"ASCII", "UTF-8"},
    {"US-ASCII", "UTF-8"},
    {"SHIFT_JIS", "CP932"},
    {"SJIS", "CP932"},
    {"SHIFT-JIS", "CP932"},
    {"WINDOWS-31J", "CP932"},
    {"EUC-KR", "CP949"},
    {"UHC", "CP949"},
    {"GB2312", "GB18030"},
    {"GBK", "GB18030"},
    {"EUC-CN", "GB18030"},
    {"CP936", "GB18030"},
    {"BIG-5", "BIG5"},
    {"CP950", "BIG5"},
    {"ISO-8859-8-I", "ISO-8859-8"},
    {"X-MAC-CYRILLIC", "MAC-CYRILLIC"},
    {"CP1251", "WINDOWS-1251"},
    {"CP1252", "WINDOWS-1252"},
    {"ANSI_X3.4-1968", "UTF-8"},
};

const Known *find(const QByteArray &name)
{
    for (const Known &k : known)
        if (name == k.name)
            return &k;
    return nullptr;
}

bool iconvKnows(const QByteArray &name)
{
    const iconv_t cd = iconv_open("UTF-8", name.constData());
    if (cd == iconv_t(-1))
        return false;
    iconv_close(cd);
    return true;
}

}   // namespace

QByteArray iconvName(const QByteArray &name)
{
    QByteArray upper = name.trimmed().toUpper();
    for (const auto &a : aliases)
        if (upper == a[0])
            return a[1];
    if (upper.isEmpty() || find(upper))
        return upper;
    // iconv takes options after "//"; a stored or given name never carries them.
    return !upper.contains('/') && iconvKnows(upper) ? upper : QByteArray();
}

QList<QByteArray> sameFamily(const QByteArray &encoding)
{
    QList<QByteArray> out{encoding};
    const Known *k = find(encoding);
    if (!k)
        return out;
    for (const Known &other : known)
        if (other.family == k->family && (other.use & Tried) && !out.contains(other.name))
            out.append(other.name);
    return out;
}

int rarity(const QByteArray &encoding)
{
    const Known *k = find(encoding);
    return k ? k->rarity : 0;
}

QList<QByteArray> everyFamily()
{
    QList<QByteArray> out;
    for (const Known &k : known)
        if (k.use & Tried)
            out.append(k.name);
    return out;
}

QList<QByteArray> offeredEncodings()
{
    QList<QByteArray> out;
    for (const Known &k : known)
        if (k.use & Offered)
            out.append(k.name);
    return out;
}

QString encodingLabel(const QByteArray &encoding)
{
    const Known *k = find(iconvName(encoding));
    return k ? QCoreApplication::translate("Encoding", k->label) : QString::fromLatin1(encoding);
}

}
