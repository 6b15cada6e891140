#include "app/core/numbers.h"
#include <cmath>
#include <limits>

namespace {

bool isHex(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
           || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'));
}

// "&H" + hex digits, read as a 32-bit value the way the stored colours were
// written (so &H8000000F is negative).
bool leadingHex(const QString &v, double *out)
{
    if (v.size() < 3 || v[0] != QLatin1Char('&') || v[1].toUpper() != QLatin1Char('H'))
        return false;
    qsizetype end = 2;
    quint64 n = 0;
    while (end < v.size() && isHex(v[end]) && end - 2 < 16) {
        n = n * 16 + quint64(QString(v[end]).toUInt(nullptr, 16));
        ++end;
    }
    if (end == 2)
        return false;
    if (end - 2 <= 4)
        *out = double(qint16(quint16(n)));
    else if (end - 2 <= 8)
        *out = double(qint32(quint32(n)));
    else
        *out = double(n);
    return true;
}

// Longest leading decimal number: sign, digits, point, exponent. One scan.
bool leadingDecimal(const QString &v, double *out)
{
    qsizetype i = 0, n = v.size();
    while (i < n && v[i] == QLatin1Char(' '))
        ++i;
    const qsizetype start = i;
    if (i < n && (v[i] == QLatin1Char('+') || v[i] == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    while (i < n && v[i].isDigit() && v[i].unicode() < 128) {
        ++i;
        ++digits;
    }
    if (i < n && v[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && v[i].isDigit() && v[i].unicode() < 128) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    qsizetype end = i;
    if (i < n && (v[i] == QLatin1Char('e') || v[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < n && (v[j] == QLatin1Char('+') || v[j] == QLatin1Char('-')))
            ++j;
        const qsizetype expStart = j;
        while (j < n && v[j].isDigit() && v[j].unicode() < 128)
            ++j;
        if (j > expStart)
            end = j;
    }
    const double d = std::strtod(v.mid(start, end - start).toLatin1().constData(), nullptr);
    *out = d;
    return true;
}

}   // namespace

float SettingToNumber(const QString &value)
{
    if (value.isEmpty() || value == QLatin1String("False"))
        return 0.0f;
    if (value == QLatin1String("True"))
        return 1.0f;
    double d = 0;
    if (!leadingHex(value, &d) && !leadingDecimal(value, &d))
        return 0.0f;
    if (!std::isfinite(d))
        return 0.0f;
    const double maxF = double(std::numeric_limits<float>::max());
    if (d > maxF || d < -maxF)
        return 0.0f;
    return float(d);
}

qint64 RoundHalfEven(double v)
{
    if (!std::isfinite(v))
        return 0;
    constexpr double limit = 9.2e18;
    if (v > limit)
        return qint64(limit);
    if (v < -limit)
        return -qint64(limit);
    return qint64(std::nearbyint(v));   // default rounding mode: to nearest, ties to even
}

qint16 ClampTo16(qint64 v)
{
    return qint16(qBound(qint64(-32768), v, qint64(32767)));
}
