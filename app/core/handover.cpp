#include "app/core/handover.h"

namespace HandOver {

namespace {

constexpr int MaxDigits = 9;

// A plain decimal number at from, ended by stop. -1: more bytes needed,
// -2: not a number.
qint64 number(const QByteArray &b, qsizetype from, char stop, qsizetype *end)
{
    qint64 value = 0;
    for (qsizetype i = from; i < b.size(); ++i) {
        const char c = b[i];
        if (c == stop && i > from) {
            *end = i + 1;
            return value;
        }
        if (c < '0' || c > '9' || i - from >= MaxDigits || (i > from && b[from] == '0'))
            return -2;
        value = value * 10 + (c - '0');
    }
    return b.size() - from > MaxDigits ? -2 : -1;
}

Message malformed(const QString &why)
{
    Message m;
    m.status = Message::Status::Malformed;
    m.error = why;
    return m;
}

}

QByteArray encode(const QList<QByteArray> &paths)
{
    if (paths.isEmpty())
        return QByteArrayLiteral("activate\n");
    QByteArray out = "activate " + QByteArray::number(paths.size()) + '\n';
    for (const QByteArray &p : paths)
        out += QByteArray::number(p.size()) + ':' + p + '\n';
    return out;
}

QByteArray answer(qsizetype pathCount)
{
    return pathCount == 0 ? QByteArrayLiteral("ok\n") : "ok " + QByteArray::number(pathCount) + '\n';
}

Message decode(const QByteArray &b)
{
    static const QByteArray word = QByteArrayLiteral("activate");
    const qsizetype seen = qMin(b.size(), word.size());
    if (b.left(seen) != word.left(seen))
        return malformed(QStringLiteral("it does not begin with \"activate\""));
    if (b.size() <= word.size())
        return {};
    qsizetype at = word.size();
    if (b[at] == '\n') {
        Message m;
        m.status = Message::Status::Complete;
        return m;
    }
    if (b[at] != ' ')
        return malformed(QStringLiteral("an unknown word follows \"activate\""));
    const qint64 count = number(b, at + 1, '\n', &at);
    if (count == -1)
        return {};
    if (count <= 0 || count > MaxPaths)
        return malformed(QStringLiteral("the number of paths is not one from 1 to %1").arg(MaxPaths));
    Message m;
    for (qint64 k = 0; k < count; ++k) {
        const qint64 length = number(b, at, ':', &at);
        if (length == -1)
            return {};
        if (length <= 0 || length > MaxPathBytes)
            return malformed(QStringLiteral("path %1 has a bad length").arg(k + 1));
        if (b.size() < at + length + 1)
            return b.size() > MaxMessageBytes ? malformed(QStringLiteral("it is too long")) : Message{};
        const QByteArray path = b.mid(at, length);
        if (path.contains('\0'))
            return malformed(QStringLiteral("path %1 holds a NUL byte").arg(k + 1));
        if (b[at + length] != '\n')
            return malformed(QStringLiteral("path %1 is not ended where its length says").arg(k + 1));
        m.paths << path;
        at += length + 1;
    }
    m.status = Message::Status::Complete;
    return m;
}

}
