#include "library/core/playlistfile.h"
#include "library/core/libraryfile.h"
#include "library/core/playlist.h"
#include "lyrics/core/songtextstructure.h"
#include "lyrics/core/textdecoding.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringDecoder>
#include <QUrl>
#include <array>

namespace {

constexpr QByteArrayView Bom("\xEF\xBB\xBF");

enum Problem { NotFile, Foreign, Nested, Control, BadUtf8, Full, ProblemCount };

// Counted per kind, so a list of 100,000 bad lines gives a few sentences, not 100,000.
class Problems {
public:
    void add(Problem kind, const QString &example, int count = 1)
    {
        if (count > 0 && m_count[kind] == 0)
            m_example[kind] = example.size() > 80 ? example.left(80) + QStringLiteral("...") : example;
        m_count[kind] += count;
    }
    QStringList sentences() const
    {
        static const char *const what[ProblemCount][2] = {
            {"%1 entry is a web address or another link, not a file, and was left out",
             "%1 entries are web addresses or other links, not files, and were left out"},
            {"%1 entry is not a path on this computer and was left out",
             "%1 entries are not paths on this computer and were left out"},
            {"%1 entry names another play list or library, which a play list does not open, and was left out",
             "%1 entries name other play lists or libraries, which a play list does not open, and were left out"},
            {"%1 entry holds control characters and was left out",
             "%1 entries hold control characters and were left out"},
            {"%1 entry holds bytes that are not UTF-8, shown as \uFFFD",
             "%1 entries hold bytes that are not UTF-8, shown as \uFFFD"},
            {"%1 entry is beyond the %2 songs a play list holds and was left out",
             "%1 entries are beyond the %2 songs a play list holds and were left out"},
        };
        QStringList out;
        for (int k = 0; k < ProblemCount; ++k) {
            if (m_count[k] > 0)
                out << QString::fromUtf8(what[k][m_count[k] > 1])
                               .replace(QLatin1String("%1"), QString::number(m_count[k]))
                               .replace(QLatin1String("%2"), QString::number(PlayList::Capacity))
                           + QStringLiteral(" (first: %1).").arg(m_example[k]);
        }
        return out;
    }

private:
    std::array<int, ProblemCount> m_count{};
    std::array<QString, ProblemCount> m_example;
};

bool hasControl(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    }
    return false;
}

// Spaces and stray byte order marks (from lists pasted together) around a line.
QString stripped(const QString &line)
{
    const auto blank = [](QChar c) { return c.isSpace() || c.unicode() == 0xFEFF; };
    qsizetype start = 0, end = line.size();
    while (start < end && blank(line[start]))
        ++start;
    while (end > start && blank(line[end - 1]))
        --end;
    return line.sliced(start, end - start);
}

QString cleanTitle(QString title)
{
    for (QChar &c : title) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    }
    return stripped(title);
}

// "http:", "file:" - but not "C:", a drive.
qsizetype schemeLength(const QString &text)
{
    if (text.isEmpty() || !text[0].isLetter() || text[0].unicode() >= 0x80)
        return 0;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == ':')
            return i >= 2 ? i : 0;
        const bool ok = (c < 0x80 && QChar(c).isLetterOrNumber()) || c == '+' || c == '-' || c == '.';
        if (!ok)
            return 0;
    }
    return 0;
}

bool isDrivePath(const QString &text)
{
    return text.size() >= 2 && text[0].unicode() < 0x80 && text[0].isLetter() && text[1] == QLatin1Char(':')
           && (text.size() == 2 || text[2] == QLatin1Char('\\') || text[2] == QLatin1Char('/'));
}

bool namesAList(const QString &path)
{
    return isPlayListFile(path) || path.endsWith(QLatin1String(".mfl"), Qt::CaseInsensitive);
}

class Resolver {
public:
    Resolver(const QString &folder, PlayListContents *out, Problems *problems)
        : m_folder(QDir::cleanPath(folder)), m_out(out), m_problems(problems)
    {
    }

    // Entries left out unread, past what a play list holds; example is the lowest numbered.
    void beyond(int count, const QString &example) { m_problems->add(Full, example, count); }

    void add(const QString &line, const QString &title, int seconds)
    {
        const QString text = stripped(line);
        if (text.isEmpty())
            return;
        if (m_out->entries.size() >= PlayList::Capacity)
            return m_problems->add(Full, text);
        QString path;
        if (!resolve(text, &path))
            return;
        m_out->entries.append({path, cleanTitle(title), seconds});
    }

private:
    bool resolve(const QString &text, QString *path)
    {
        if (hasControl(text))
            return refuse(Control, text);
        if (const qsizetype n = schemeLength(text)) {
            if (text.first(n).compare(QLatin1String("file"), Qt::CaseInsensitive) != 0) {
                // "Artist: Song.mid" is a name; only "x://" is taken for a link.
                if (QStringView(text).sliced(n + 1).startsWith(QLatin1String("//")))
                    return refuse(NotFile, text);
                return relative(text, path);
            }
            const QUrl url(text);
            const QString host = url.host();
            if (!url.isValid()
                || !(host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0))
                return refuse(Foreign, text);
            *path = url.path(QUrl::FullyDecoded);
            if (!path->startsWith(QLatin1Char('/')) || hasControl(*path))   // ":/x" is absolute to Qt: a resource
                return refuse(hasControl(*path) ? Control : Foreign, text);
            if (isDrivePath(path->sliced(1)) && !besideList(path->sliced(1), path))   // file:///C:/Music/a.mid
                return refuse(Foreign, text);
        } else if (isDrivePath(text) || text.startsWith(QLatin1String("\\\\"))) {
            if (!besideList(text, path))
                return refuse(Foreign, text);
        } else if (text.startsWith(QLatin1Char('/'))) {
            *path = text;
        } else {
            return relative(text, path);
        }
        return checked(text, path);
    }

    bool relative(const QString &text, QString *path)
    {
        *path = m_folder + QLatin1Char('/') + QString(text).replace(QLatin1Char('\\'), QLatin1Char('/'));
        return checked(text, path);
    }

    bool checked(const QString &text, QString *path)
    {
        *path = QDir::cleanPath(*path);
        if (namesAList(*path))
            return refuse(Nested, text);
        return true;
    }

    // A list carried over from Windows with its songs: "E:\Music\a.mid" may lie
    // as Music/a.mid or a.mid beside the list. Nothing else is guessed.
    bool besideList(const QString &text, QString *path)
    {
        // Each guess costs a look at the disk: a long list none of whose
        // songs came along stops being searched.
        if (!isDrivePath(text) || (m_found == 0 && m_missed >= 64))
            return false;
        const QString tail = text.mid(2).replace(QLatin1Char('\\'), QLatin1Char('/'));
        for (const QString &candidate :
             {m_folder + QLatin1Char('/') + tail, m_folder + QLatin1Char('/') + QFileInfo(tail).fileName()}) {
            if (QFileInfo(candidate).isFile()) {
                *path = candidate;
                ++m_found;
                return true;
            }
        }
        ++m_missed;
        return false;
    }

    bool refuse(Problem kind, const QString &text)
    {
        m_problems->add(kind, text);
        return false;
    }

    QString m_folder;
    PlayListContents *m_out;
    Problems *m_problems;
    int m_found = 0, m_missed = 0;
};

// Line text in the file's encoding: .m3u8 is UTF-8; the others UTF-8 when the
// whole file is, else the locale's 8-bit encoding.
class LineDecoder {
public:
    LineDecoder(QByteArrayView bytes, PlayListFormat format, const QByteArray &localeEncoding, Problems *problems)
        : m_problems(problems)
    {
        if (format == PlayListFormat::M3u8)
            return;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString whole = utf8.decode(bytes);   // decodes only when converted
        Q_UNUSED(whole);
        if (!utf8.hasError())
            return;
        m_legacy = true;
        m_encoding = localeEncoding.isEmpty() || localeEncoding.compare("UTF-8", Qt::CaseInsensitive) == 0
                         ? QByteArray("windows-1252")
                         : localeEncoding;
        m_decoder = QStringDecoder(m_encoding.constData(), QStringDecoder::Flag::Stateless);
    }

    QString operator()(QByteArrayView line)
    {
        bool ascii = true;
        for (char c : line)
            ascii = ascii && uchar(c) < 0x80;
        if (ascii)
            return QString::fromLatin1(line);
        if (m_legacy)
            return m_decoder.isValid() ? m_decoder.decode(line) : textdecoding::decode(line.toByteArray(), m_encoding);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8.decode(line);
        if (utf8.hasError())
            m_problems->add(BadUtf8, text.trimmed());
        return text;
    }

private:
    Problems *m_problems;
    bool m_legacy = false;
    QByteArray m_encoding;
    QStringDecoder m_decoder;
};

template <typename F> void forEachLine(QByteArrayView bytes, F f)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        if (i == bytes.size() || bytes[i] == '\n' || bytes[i] == '\r') {
            if (i > start)
                f(bytes.sliced(start, i - start));
            start = i + 1;
        }
    }
}

int lengthOf(QStringView text)
{
    bool ok = false;
    const double seconds = text.trimmed().toDouble(&ok);
    return ok && seconds >= 0 && seconds < 1e7 ? int(seconds + 0.5) : -1;
}

void readM3u(QByteArrayView bytes, LineDecoder &decode, Resolver &resolver)
{
    QString title;
    int seconds = -1;
    forEachLine(bytes, [&](QByteArrayView raw) {
        const QString line = stripped(decode(raw));
        if (line.startsWith(QLatin1Char('#'))) {
            if (line.startsWith(QLatin1String("#EXTINF:"), Qt::CaseInsensitive)) {
                const QStringView info = QStringView(line).sliced(8);
                const qsizetype comma = info.indexOf(QLatin1Char(','));
                // "#EXTINF:123 key=value,Title": the length is the first word.
                const QStringView head = comma < 0 ? info : info.first(comma);
                const qsizetype space = head.trimmed().indexOf(QLatin1Char(' '));
                seconds = lengthOf(space < 0 ? head : head.trimmed().first(space));
                title = comma < 0 ? QString() : info.sliced(comma + 1).toString();
            }
            return;
        }
        resolver.add(line, title, seconds);
        title.clear();
        seconds = -1;
    });
}

void readPls(QByteArrayView bytes, LineDecoder &decode, Resolver &resolver)
{
    struct Item {
        QString file, title;
        int seconds = -1;
    };
    QMap<quint64, Item> items;   // by N; a later line for the same N wins
    bool inList = true;          // keys before any section are read too
    int dropped = 0;
    std::pair<quint64, QString> lowestDropped{UINT64_MAX, {}};
    forEachLine(bytes, [&](QByteArrayView raw) {
        const QString line = stripped(decode(raw));
        if (line.startsWith(QLatin1Char('['))) {
            inList = line.compare(QLatin1String("[playlist]"), Qt::CaseInsensitive) == 0;
            return;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inList || eq <= 0)
            return;
        const QString key = line.first(eq).trimmed().toLower();
        const QString value = line.sliced(eq + 1);
        for (const char *name : {"file", "title", "length"}) {
            const QLatin1String prefix(name);
            if (!key.startsWith(prefix))
                continue;
            bool ok = false;
            const quint64 n = QStringView(key).sliced(prefix.size()).toULongLong(&ok);
            if (!ok)
                return;
            Item &item = items[n];
            if (prefix.front() == 'f')
                item.file = value;
            else if (prefix.front() == 't')
                item.title = value;
            else
                item.seconds = lengthOf(value);
            // Only the lowest numbers can be read: a huge list keeps no more in memory.
            if (items.size() > 4 * PlayList::Capacity) {
                const auto last = std::prev(items.end());
                if (const QString file = stripped(last->file); !file.isEmpty()) {
                    ++dropped;
                    lowestDropped = std::min(lowestDropped, {last.key(), file});
                }
                items.erase(last);
            }
            return;
        }
    });
    for (const Item &item : std::as_const(items))
        resolver.add(item.file, item.title, item.seconds);
    // After the kept ones, which are lower numbered and may be beyond too.
    resolver.beyond(dropped, lowestDropped.second);
}

// Why bytes are no play list at all, or empty when they may be one.
QString notText(QByteArrayView bytes)
{
    qsizetype control = 0;
    for (char c : bytes) {
        if (c == '\0')
            return QStringLiteral("it holds NUL bytes, so it is binary data.");
        if ((uchar(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == '\x7F')
            ++control;
    }
    if (control * 10 > bytes.size())
        return QStringLiteral("it is mostly not text (%1 of its %2 bytes are control codes).")
            .arg(control)
            .arg(bytes.size());
    return {};
}

}   // namespace

bool isPlayListFile(const QString &path, PlayListFormat *format)
{
    // Asked of every entry of a long list: no QFileInfo here.
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || path.indexOf(QLatin1Char('/'), dot) >= 0)
        return false;
    const QStringView suffix = QStringView(path).sliced(dot + 1);
    PlayListFormat f;
    if (suffix.compare(QLatin1String("m3u"), Qt::CaseInsensitive) == 0)
        f = PlayListFormat::M3u;
    else if (suffix.compare(QLatin1String("m3u8"), Qt::CaseInsensitive) == 0)
        f = PlayListFormat::M3u8;
    else if (suffix.compare(QLatin1String("pls"), Qt::CaseInsensitive) == 0)
        f = PlayListFormat::Pls;
    else
        return false;
    if (format)
        *format = f;
    return true;
}

PlayListContents parsePlayList(const QByteArray &bytes, const QString &folder, PlayListFormat format,
                               const QByteArray &localeEncoding)
{
    PlayListContents out;
    if (bytes.size() > LibraryFile::MaxFileSize) {
        out.error = QStringLiteral("The play list is larger than %1 MiB and is not read.")
                        .arg(LibraryFile::MaxFileSize / (1024 * 1024));
        return out;
    }
    // Notepad's "Unicode" is UTF-16 with its byte order mark: read as the same text in UTF-8.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(bytes.startsWith("\xFF") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        return parsePlayList(QString(utf16.decode(QByteArrayView(bytes).sliced(2))).toUtf8(), folder, format,
                             localeEncoding);
    }
    const QByteArrayView text = bytes.startsWith(Bom) ? QByteArrayView(bytes).sliced(Bom.size()) : bytes;
    if (const QString why = notText(text); !why.isEmpty()) {
        out.error = QStringLiteral("This is not a play list: ") + why;
        return out;
    }
    Problems problems;
    LineDecoder decode(text, format, localeEncoding, &problems);
    Resolver resolver(folder, &out, &problems);
    if (format == PlayListFormat::Pls)
        readPls(text, decode, resolver);
    else
        readM3u(text, decode, resolver);
    out.problems = problems.sentences();
    return out;
}

PlayListContents readPlayList(const QString &path)
{
    PlayListContents out;
    const QString shown = QDir::toNativeSeparators(path);
    PlayListFormat format;
    const QFileInfo info(path);
    if (!isPlayListFile(path, &format))
        out.error = QStringLiteral("Cannot read %1: only .m3u, .m3u8 and .pls play lists are read.").arg(shown);
    else if (!info.exists())
        out.error = QStringLiteral("Cannot read %1: the file does not exist.").arg(shown);
    else if (!info.isFile())   // a FIFO or device cannot hang the reader
        out.error = QStringLiteral("Cannot read %1: it is not a file.").arg(shown);
    if (!out.error.isEmpty())
        return out;
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.read(LibraryFile::MaxFileSize + 1);
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        out.error = QStringLiteral("Cannot read %1: %2").arg(shown, file.errorString());
        return out;
    }
    return parsePlayList(bytes, info.absolutePath(), format, songtext::localeEncoding());
}

namespace {

// Whether the reader would take line for something else than the path it spells.
bool misread(const QString &line)
{
    const bool relative = !line.startsWith(QLatin1Char('/'));   // absolute lines keep their backslashes
    return line.startsWith(QLatin1Char('#')) || line != stripped(line) || hasControl(line)
           || (relative && (line.contains(QLatin1Char('\\')) || schemeLength(line) > 0 || isDrivePath(line)));
}

// The line that names path in a list in folder, read back as the same path:
// relative below the folder, else absolute, else a file URL.
QByteArray lineFor(const QString &path, const QString &folder)
{
    const QString rel = QDir(folder).relativeFilePath(path);
    const bool below = !rel.startsWith(QLatin1String("../")) && rel != QLatin1String("..") && QDir::isRelativePath(rel);
    if (below && !misread(rel))
        return rel.toUtf8();
    // A URL of "/C:/x" would be read as the Windows path C:/x.
    if (!misread(path) || isDrivePath(path.mid(1)))
        return path.toUtf8();
    return QUrl::fromLocalFile(path).toEncoded();
}

}   // namespace

QByteArray serializePlayListM3u8(const QList<PlayListEntry> &entries, const QString &folder)
{
    QByteArray bytes = "#EXTM3U\n";
    const QString dir = QDir::cleanPath(folder);
    for (const PlayListEntry &e : entries) {
        bytes += "#EXTINF:" + QByteArray::number(e.seconds < 0 ? -1 : e.seconds) + ',' + cleanTitle(e.title).toUtf8()
                 + '\n';
        bytes += lineFor(QDir::cleanPath(e.path), dir) + '\n';
    }
    return bytes;
}

bool writePlayListM3u8(const QString &path, const QList<PlayListEntry> &entries, QString *error)
{
    const auto fail = [&](const QString &reason) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), reason);
        return false;
    };
    QString reason;
    return LibraryFile::writeWhole(path, serializePlayListM3u8(entries, QFileInfo(path).absolutePath()), &reason)
           || fail(reason);
}
