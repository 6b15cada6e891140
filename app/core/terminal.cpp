#include "app/core/terminal.h"
#include <QString>
#include <cerrno>
#include <unistd.h>

namespace {
bool shownAsCode(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f)                               // C0, DEL, C1: terminal commands
           || c == 0x2028 || c == 0x2029                                      // line and paragraph separators
           || (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);   // direction overrides
}

void appendCode(QString &out, char32_t c)
{
    switch (c) {
    case '\n': out += QLatin1String("\\n"); return;
    case '\r': out += QLatin1String("\\r"); return;
    case '\t': out += QLatin1String("\\t"); return;
    default: break;
    }
    if (c <= 0xff)
        out += QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
    else
        out += QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
}
}

QByteArray terminalLine(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += ch;
            out += text[++i];
        } else if (ch.isSurrogate() || shownAsCode(ch.unicode())) {
            appendCode(out, ch.unicode());
        } else {
            out += ch;
        }
    }
    return out.toUtf8();
}

void tellTerminal(QStringView text, QStringView prefix)
{
    QByteArray line;
    if (!prefix.isEmpty())
        line = terminalLine(prefix) + ": ";
    line += terminalLine(text) + '\n';
    // One write, so lines of several threads or processes never interleave.
    for (qsizetype done = 0; done < line.size();) {
        const ssize_t n = ::write(STDERR_FILENO, line.constData() + done, size_t(line.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;   // nowhere to tell it
        done += n;
    }
}
