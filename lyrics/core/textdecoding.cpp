#include "lyrics/core/textdecoding.h"
#include "lyrics/core/encodingclues.h"
#include "lyrics/core/encodingfamilies.h"
#include "lyrics/core/plausibility.h"

#include <QByteArrayView>
#include <QHash>
#include <QStringDecoder>
#include <cerrno>
#include <iconv.h>

namespace textdecoding {
namespace {

constexpr QByteArrayView utf8Bom("\xEF\xBB\xBF");
constexpr qsizetype weighedBytes = 64 * 1024;   // enough to tell encodings apart, quick on huge songs
constexpr qint64 clearlyBetter = 4;             // an odd sign fewer: a short text may read in another script

QByteArrayView withoutBom(const QByteArray &bytes)
{
    const QByteArrayView v(bytes);
    return v.startsWith(utf8Bom) ? v.sliced(utf8Bom.size()) : v;
}

bool allUtf8(const QList<QByteArray> &texts)
{
    for (const QByteArray &t : texts)
        if (!withoutBom(t).isValidUtf8())
            return false;
    return true;
}

// Converters stay open for the thread's life: opening one loads its tables
// again each time (tens of microseconds), and a song is weighed in many encodings.
class Converters {
public:
    ~Converters()
    {
        for (iconv_t cd : std::as_const(m_open))
            if (cd != iconv_t(-1))
                iconv_close(cd);
    }
    iconv_t get(const QByteArray &encoding)
    {
        auto it = m_open.find(encoding);
        if (it == m_open.end())
            it = m_open.insert(encoding, iconv_open("UTF-8", encoding.constData()));
        if (*it != iconv_t(-1))
            iconv(*it, nullptr, nullptr, nullptr, nullptr);   // back to the initial shift state
        return *it;
    }

private:
    QHash<QByteArray, iconv_t> m_open;   // names iconv knows: a bounded set
};

// Whether a character starts at p. The reader of Korean CP949 reports some
// unassigned pairs as errors only after reading past them.
bool startsCharacter(iconv_t cd, char *p, size_t left)
{
    char *in = p, buffer[32], *to = buffer;
    size_t inLeft = qMin<size_t>(left, 4), toLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    iconv(cd, &in, &inLeft, &to, &toLeft);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return in != p;
}

QString convert(iconv_t cd, const QByteArray &bytes)
{
    static const QByteArray replacement("\xEF\xBF\xBD");
    QByteArray out;
    QByteArray chunk(qMax<qsizetype>(64, bytes.size() * 2), Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char *to = chunk.data(), *from = in;
        size_t toLeft = size_t(chunk.size());
        const size_t done = iconv(cd, &in, &inLeft, &to, &toLeft);
        const int error = errno;
        out.append(chunk.constData(), chunk.size() - qsizetype(toLeft));
        if (done != size_t(-1) || error == E2BIG)
            continue;
        // A byte that starts nothing valid here, or a character cut off at the end.
        out.append(replacement);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (inLeft == 0 || (in != from && startsCharacter(cd, in, inLeft)))
            continue;
        ++in;
        --inLeft;
    }
    // Some converters hold back the last letter for a mark that may follow it.
    char *to = chunk.data();
    size_t toLeft = size_t(chunk.size());
    iconv(cd, nullptr, nullptr, &to, &toLeft);
    out.append(chunk.constData(), chunk.size() - qsizetype(toLeft));
    return QString::fromUtf8(out);
}

// The first texts, up to weighedBytes: what the encodings are weighed on.
QList<QByteArray> sample(const QList<QByteArray> &texts)
{
    QList<QByteArray> out;
    qsizetype size = 0;
    for (const QByteArray &t : texts) {
        if (size >= weighedBytes)
            break;
        out.append(t);
        size += t.size();
    }
    return out;
}

qint64 plausibilityAs(const QList<QByteArray> &texts, const QByteArray &encoding)
{
    // As one text: a newline ends a character cut off at the end of a text as its own end would.
    return plausibility(decode(texts.join('\n'), encoding)) - rarity(encoding);
}

// The first of the most plausible: candidates come likeliest first.
QByteArray mostPlausible(const QList<QByteArray> &candidates, const QList<QByteArray> &texts, qint64 *score = nullptr)
{
    QByteArray best;
    qint64 bestScore = 0;
    for (const QByteArray &c : candidates) {
        const qint64 s = plausibilityAs(texts, c);
        if (best.isEmpty() || s > bestScore) {
            best = c;
            bestScore = s;
        }
    }
    if (score)
        *score = bestScore;
    return best;
}

}   // namespace

QByteArray chooseEncoding(const QList<QByteArray> &texts, const QByteArray &localeFallback)
{
    if (allUtf8(texts))
        return "UTF-8";
    const QList<QByteArray> some = sample(texts);
    const QList<QByteArray> marked = markedEncodings(texts);
    if (!marked.isEmpty())
        return mostPlausible(marked, some);
    // The detector's guess, else the user's locale; another script only when it reads clearly better.
    const QByteArray guess = detectedEncoding(texts.join('\n'));
    const QByteArray locale = iconvName(localeFallback);
    const QByteArray first = !guess.isEmpty() && guess != "UTF-8" ? guess : locale != "UTF-8" ? locale : QByteArray();
    const QList<QByteArray> family = first.isEmpty() ? QList<QByteArray>{} : sameFamily(first);
    qint64 score = 0, otherScore = 0;
    const QByteArray likely = mostPlausible(family, some, &score);
    QList<QByteArray> others = everyFamily();
    others.removeIf([&](const QByteArray &e) { return family.contains(e); });
    const QByteArray other = mostPlausible(others, some, &otherScore);
    return likely.isEmpty() || otherScore > score + clearlyBetter ? other : likely;
}

namespace {

// Exactly one byte order mark goes: a second one is text (QString::fromUtf8 would drop it too).
QString fromUtf8(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return utf8.decode(withoutBom(bytes));
}

}   // namespace

QString decode(const QByteArray &bytes, const QByteArray &encoding)
{
    const QByteArray name = iconvName(encoding);
    if (name.isEmpty() || name == "UTF-8")
        return fromUtf8(bytes);
    thread_local Converters converters;
    const iconv_t cd = converters.get(name);
    return cd == iconv_t(-1) ? fromUtf8(bytes) : convert(cd, bytes);
}

}
