#include "lyrics/core/textdecoding.h"
#include "lyrics/core/encodingclues.h"
#include "lyrics/core/encodingfamilies.h"
#include "lyrics/core/plausibility.h"

#include <QByteArrayView>
#include <cerrno>
#include <iconv.h>

namespace textdecoding {
namespace {

constexpr QByteArrayView utf8Bom("\xEF\xBB\xBF");
constexpr qsizetype weighedBytes = 64 * 1024;   // enough to tell encodings apart, quick on huge songs
constexpr qint64 clearlyBetter = 12;   // a few odd signs fewer: a short text may read in another script

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

// One converter per thread, kept for the next text of the same song.
class Converter {
public:
    ~Converter() { close(); }
    iconv_t get(const QByteArray &encoding)
    {
        if (encoding != m_name) {
            close();
            m_cd = iconv_open("UTF-8", encoding.constData());
            m_name = encoding;
        }
        if (m_cd != iconv_t(-1))
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);   // back to the initial shift state
        return m_cd;
    }

private:
    void close()
    {
        if (m_cd != iconv_t(-1))
            iconv_close(m_cd);
        m_cd = iconv_t(-1);
    }
    QByteArray m_name;
    iconv_t m_cd = iconv_t(-1);
};

QString convert(iconv_t cd, const QByteArray &bytes)
{
    static const QByteArray replacement("\xEF\xBF\xBD");
    QByteArray out;
    QByteArray chunk(qMax<qsizetype>(64, bytes.size() * 2), Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char *to = chunk.data();
        size_t toLeft = size_t(chunk.size());
        const size_t done = iconv(cd, &in, &inLeft, &to, &toLeft);
        const int error = errno;
        out.append(chunk.constData(), chunk.size() - qsizetype(toLeft));
        if (done != size_t(-1) || error == E2BIG)
            continue;
        // A byte that starts nothing valid here, or a character cut off at the end.
        out.append(replacement);
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Some converters hold back the last letter for a mark that may follow it.
    char *to = chunk.data();
    size_t toLeft = size_t(chunk.size());
    iconv(cd, nullptr, nullptr, &to, &toLeft);
    out.append(chunk.constData(), chunk.size() - qsizetype(toLeft));
    return QString::fromUtf8(out);
}

// The texts as the detector reads them, and the first of them up to weighedBytes.
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
    QString all;
    for (const QByteArray &t : texts)
        all += decode(t, encoding) + QLatin1Char('\n');
    return plausibility(all);
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
    const QByteArray guess = detectedEncoding(texts.join('\n'));
    qint64 score = 0;
    const QByteArray likely = guess.isEmpty() || guess == "UTF-8" ? QByteArray() : mostPlausible(sameFamily(guess), some, &score);
    // Nothing detected, or the detector's script reads as no words at all
    // (short texts): the user's locale, unless another reads clearly better.
    const QByteArray locale = iconvName(localeFallback);
    QList<QByteArray> wider = likely.isEmpty() && !locale.isEmpty() && locale != "UTF-8" ? sameFamily(locale) : QList<QByteArray>{};
    for (const QByteArray &e : everyFamily())
        if (!wider.contains(e) && e != likely)
            wider.append(e);
    qint64 widerScore = 0;
    const QByteArray other = mostPlausible(wider, some, &widerScore);
    return likely.isEmpty() || widerScore > score + clearlyBetter ? other : likely;
}

QString decode(const QByteArray &bytes, const QByteArray &encoding)
{
    const QByteArray name = iconvName(encoding);
    if (name.isEmpty() || name == "UTF-8")
        return QString::fromUtf8(withoutBom(bytes));
    thread_local Converter converter;
    const iconv_t cd = converter.get(name);
    return cd == iconv_t(-1) ? QString::fromUtf8(withoutBom(bytes)) : convert(cd, bytes);
}

}
