#include "lyrics/core/encodingclues.h"
#include "lyrics/core/encodingfamilies.h"

#include <memory>
#include <uchardet.h>

namespace textdecoding {
namespace {

struct Mark {
    const char *tag;
    QList<QByteArray> encodings;   // empty: the family of the first
    bool family;
};

// Marks karaoke makers put in front of the words to say their language.
const Mark &markFor(const QByteArray &tag)
{
    static const Mark marks[] = {
        {"LATIN", {"WINDOWS-1252"}, true},
        {"EU", {"WINDOWS-1252"}, true},
        {"CE", {"WINDOWS-1250"}, true},
        {"TR", {"WINDOWS-1254"}, true},
        {"RU", {"WINDOWS-1251"}, true},
        {"CYR", {"WINDOWS-1251"}, true},
        {"GR", {"WINDOWS-1253"}, true},
        {"EL", {"WINDOWS-1253"}, true},
        {"HE", {"WINDOWS-1255"}, true},
        {"AR", {"WINDOWS-1256"}, true},
        {"TH", {"TIS-620"}, true},
        {"VN", {"WINDOWS-1258"}, true},
        {"JP", {"CP932", "EUC-JP"}, false},
        {"JA", {"CP932", "EUC-JP"}, false},
        {"CHS", {"GB18030"}, false},
        {"GB", {"GB18030"}, false},
        {"CHT", {"BIG5", "BIG5-HKSCS"}, false},
        {"BIG5", {"BIG5", "BIG5-HKSCS"}, false},
        {"KR", {"CP949"}, false},
        {"KO", {"CP949"}, false},
    };
    static const Mark none{"", {}, false};
    for (const Mark &m : marks)
        if (tag == m.tag)
            return m;
    return none;
}

}   // namespace

QList<QByteArray> markedEncodings(const QList<QByteArray> &texts)
{
    for (const QByteArray &t : texts) {
        for (qsizetype at = t.indexOf("{@"); at >= 0; at = t.indexOf("{@", at + 2)) {
            const qsizetype end = t.indexOf('}', at);
            if (end < 0 || end - at > 12)
                continue;
            const Mark &m = markFor(t.mid(at + 2, end - at - 2).toUpper());
            if (!m.encodings.isEmpty())
                return m.family ? sameFamily(m.encodings.first()) : m.encodings;
        }
    }
    return {};
}

QByteArray detectedEncoding(const QByteArray &text)
{
    const std::unique_ptr<uchardet, decltype(&uchardet_delete)> ud(uchardet_new(), uchardet_delete);
    if (!ud || uchardet_handle_data(ud.get(), text.constData(), size_t(text.size())) != 0)
        return {};
    uchardet_data_end(ud.get());
    return iconvName(QByteArray(uchardet_get_charset(ud.get())));
}

}
