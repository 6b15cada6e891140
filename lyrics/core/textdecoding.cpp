#include "lyrics/core/textdecoding.h"

#include <QStringDecoder>

namespace textdecoding {

QByteArray chooseEncoding(const QList<QByteArray> &texts, const QByteArray &localeFallback)
{
    for (const QByteArray &t : texts) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        (void)utf8.decode(t);
        if (utf8.hasError())
            return localeFallback.isEmpty() ? QByteArray("ISO-8859-1") : localeFallback;
    }
    return "UTF-8";
}

QString decode(const QByteArray &bytes, const QByteArray &encoding)
{
    if (encoding == "UTF-8")
        return QString::fromUtf8(bytes);
    return QString::fromLatin1(bytes);
}

}
