#include "library/core/shuffle.h"

float ShuffleRandom::next()
{
    // 64-bit product: x × 1140671485 overflows 32 bits long before the modulus.
    constexpr quint64 Modulus = quint64(1) << 24;
    m_x = quint32((quint64(m_x) * 1140671485u + 12820163u) % Modulus);
    return float(m_x) / float(Modulus);
}

QStringList shuffleDeal(const QStringList &paths, ShuffleRandom &rnd)
{
    QStringList rest = paths;
    QStringList dealt;
    dealt.reserve(paths.size());
    for (qsizetype n = paths.size() - 1; n >= 0; --n) {
        const float u = rnd.next();
        // In float on purpose: the order must match the one every run has dealt.
        const float scaled = float(n + 1) * u;
        qsizetype r = qsizetype(scaled);
        if (r > n)
            r = n;   // rounding of a draw just below 1 can reach n + 1
        dealt.append(rest.takeAt(r));
    }
    return dealt;
}
