#include "library/core/libraryfile.h"
#include "library/core/playlist.h"
#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace LibraryFile {
namespace {

constexpr int MaxIndex = PlayList::Capacity - 1;
constexpr QByteArrayView Bom("\xEF\xBB\xBF");
// The first value is a short number; a longer first line is not one.
constexpr qsizetype MaxIndexLine = 64 * 1024;

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}
bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QString shown(const QString &fileName)
{
    return QDir::toNativeSeparators(fileName);
}

QString tooLarge()
{
    return QStringLiteral("The library file is larger than %1 MiB and is not read.").arg(MaxFileSize / (1024 * 1024));
}

// Libraries made by other programs are often in Windows-1252; deciding per
// value keeps the UTF-8 paths of a mixed file intact.
QString decodeValue(QByteArrayView bytes)
{
    bool ascii = true;
    for (char c : bytes) {
        if (uchar(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return QString::fromLatin1(bytes);

    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder cp1252("windows-1252", QStringDecoder::Flag::Stateless);
    if (cp1252.isValid())
        return cp1252.decode(bytes);
    // Qt without ICU: Latin-1 differs from Windows-1252 only in 0x80-0x9F.
    return QString::fromLatin1(bytes);
}

// Splits the file into values: a quoted value runs to the closing quote (commas
// belong to it), an unquoted one to the first comma or line end. Blank lines
// hold no value.
class ValueReader {
public:
    explicit ValueReader(QByteArrayView bytes) : m_b(bytes) {}

    bool next(QByteArrayView *value)
    {
        const qsizetype size = m_b.size();
        while (m_pos < size && (isBlank(m_b[m_pos]) || isLineEnd(m_b[m_pos])))
            ++m_pos;
        if (m_pos >= size)
            return false;

        if (m_b[m_pos] == '"') {
            const qsizetype start = ++m_pos;
            // A missing closing quote ends the value at the line end, so one
            // stray quote cannot swallow the rest of the file.
            while (m_pos < size && m_b[m_pos] != '"' && !isLineEnd(m_b[m_pos]))
                ++m_pos;
            *value = m_b.sliced(start, m_pos - start);
            while (m_pos < size && m_b[m_pos] != ',' && !isLineEnd(m_b[m_pos]))
                ++m_pos;
        } else {
            const qsizetype start = m_pos;
            while (m_pos < size && m_b[m_pos] != ',' && !isLineEnd(m_b[m_pos]))
                ++m_pos;
            qsizetype end = m_pos;
            while (end > start && isBlank(m_b[end - 1]))
                --end;
            *value = m_b.sliced(start, end - start);
        }
        m_terminated = m_pos < size;
        if (m_terminated && m_b[m_pos] == ',')
            ++m_pos;
        return true;
    }

    // True when the last value ended at a comma or line end, not at the end of the data.
    bool terminated() const { return m_terminated; }

private:
    QByteArrayView m_b;
    qsizetype m_pos = 0;
    bool m_terminated = false;
};

QByteArrayView withoutBom(QByteArrayView bytes)
{
    return bytes.startsWith(Bom) ? bytes.sliced(Bom.size()) : bytes;
}

bool parseIndex(QByteArrayView value, int *index, QString *error)
{
    bool ok = false;
    const qlonglong number = value.toByteArray().toLongLong(&ok, 10);
    if (!ok) {
        QString text = decodeValue(value);
        if (text.size() > 30)
            text = text.left(30) + QStringLiteral("...");
        *error = text.isEmpty()
                     ? QStringLiteral("The first line of the library does not hold the number of the current entry.")
                     : QStringLiteral("The first line of the library is not a number: \"%1\".").arg(text);
        return false;
    }
    if (number < 0 || number > MaxIndex) {
        *error = QStringLiteral("The library's current entry %1 is outside the play list's "
                                "places 0 to %2.")
                     .arg(number)
                     .arg(MaxIndex);
        return false;
    }
    *index = int(number);
    return true;
}

// The file's bytes, never more than the cap and only from a regular file, so
// a FIFO or device named as library cannot hang or flood the reader.
bool openForReading(QFile &file, QString *error)
{
    const QFileInfo info(file.fileName());
    if (!info.exists()) {
        *error = QStringLiteral("Cannot read %1: the file does not exist.").arg(shown(file.fileName()));
        return false;
    }
    if (!info.isFile()) {
        *error = QStringLiteral("Cannot read %1: it is not a file.").arg(shown(file.fileName()));
        return false;
    }
    if (info.size() > MaxFileSize) {
        *error = tooLarge();
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read %1: %2").arg(shown(file.fileName()), file.errorString());
        return false;
    }
    return true;
}

}   // namespace

LibraryContents parse(const QByteArray &bytes)
{
    LibraryContents contents;
    if (bytes.size() > MaxFileSize) {
        contents.error = tooLarge();
        return contents;
    }
    const QByteArrayView text = withoutBom(bytes);
    if (text.isEmpty()) {
        contents.empty = true;
        return contents;
    }

    ValueReader reader(text);
    QByteArrayView value;
    if (!reader.next(&value)) {
        contents.error = QStringLiteral("The library file holds only blank lines.");
        return contents;
    }
    if (!parseIndex(value, &contents.selIndex, &contents.error))
        return contents;

    while (reader.next(&value)) {
        if (contents.paths.size() >= PlayList::Capacity) {
            contents.error = QStringLiteral("The library has more entries than a play list can "
                                            "hold; only the first %1 were loaded.")
                                 .arg(PlayList::Capacity);
            break;
        }
        contents.paths.append(decodeValue(value));
    }
    return contents;
}

LibraryContents read(const QString &fileName)
{
    LibraryContents contents;
    QFile file(fileName);
    if (!openForReading(file, &contents.error))
        return contents;
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        contents.error = QStringLiteral("Cannot read %1: %2").arg(shown(fileName), file.errorString());
        return contents;
    }
    return parse(bytes);   // refuses the bytes of a file that grew past the cap
}

bool readIndex(const QString &fileName, int *selIndex, QString *error)
{
    QString reason;
    QFile file(fileName);
    bool ok = false;
    if (openForReading(file, &reason)) {
        QByteArray head;
        for (;;) {
            const QByteArray chunk = file.read(4096);
            if (file.error() != QFileDevice::NoError) {
                reason = QStringLiteral("Cannot read %1: %2").arg(shown(fileName), file.errorString());
                break;
            }
            head += chunk;
            const QByteArrayView text = withoutBom(head);
            const bool whole = chunk.isEmpty() || file.atEnd();
            ValueReader reader(text);
            QByteArrayView value;
            if (reader.next(&value) && (reader.terminated() || whole)) {
                int index = 0;
                ok = parseIndex(value, &index, &reason);
                if (ok && selIndex)
                    *selIndex = index;
                break;
            }
            if (whole) {
                reason = text.isEmpty() ? QStringLiteral("The library file %1 is empty.").arg(shown(fileName))
                                        : QStringLiteral("The library file holds only blank lines.");
                break;
            }
            if (head.size() > MaxIndexLine) {
                reason = QStringLiteral("The first line of the library is too long to be the "
                                        "number of an entry.");
                break;
            }
        }
    }
    if (!ok && error)
        *error = reason;
    return ok;
}

QByteArray serialize(int selIndex, const QStringList &paths)
{
    if (selIndex < 0 || selIndex > MaxIndex)
        selIndex = 0;
    QByteArray bytes = QByteArray::number(selIndex) + "\r\n";
    for (const QString &path : paths) {
        bytes += '"';
        bytes += path.toUtf8();
        bytes += "\"\r\n";
    }
    return bytes;
}

bool write(const QString &fileName, int selIndex, const QStringList &paths, QString *error)
{
    const auto fail = [&](const QString &reason) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(shown(fileName), reason);
        return false;
    };
    if (paths.isEmpty())
        return fail(QStringLiteral("the play list is empty."));
    if (paths.size() > PlayList::Capacity)
        return fail(QStringLiteral("the play list has more than %1 entries.").arg(PlayList::Capacity));
    for (const QString &path : paths) {
        if (!canStore(path))
            return fail(QStringLiteral("the path %1 holds a double quote or a line break.").arg(path.simplified()));
    }
    const QByteArray bytes = serialize(selIndex, paths);
    if (bytes.size() > MaxFileSize)
        return fail(QStringLiteral("the library would be larger than %1 MiB.").arg(MaxFileSize / (1024 * 1024)));
    QString reason;
    return writeWhole(fileName, bytes, &reason) || fail(reason);
}

bool writeWhole(const QString &fileName, const QByteArray &bytes, QString *reason)
{
    QSaveFile file(fileName);
    bool ok = file.open(QIODevice::WriteOnly);
    // The bytes reach the disk at the flush, and commit() would still rename a
    // short file into place when the disk filled up: look at the flush.
    if (ok && (file.write(bytes) != bytes.size() || !file.flush())) {
        *reason = file.errorString();
        file.cancelWriting();
        return false;
    }
    ok = ok && file.commit();
    if (!ok)
        *reason = file.errorString();
    return ok;
}

bool canStore(const QString &path)
{
    return !path.contains(QLatin1Char('"')) && !path.contains(QLatin1Char('\r')) && !path.contains(QLatin1Char('\n'));
}

Storable storable(const QStringList &paths, int selIndex)
{
    Storable out;
    bool placed = false;
    for (int i = 0; i < paths.size(); ++i) {
        if (!canStore(paths[i])) {
            out.leftOut << paths[i];
            continue;
        }
        if (!placed && i >= selIndex) {
            out.selIndex = int(out.paths.size());
            placed = true;
        }
        out.paths << paths[i];
    }
    if (out.leftOut.isEmpty())
        out.selIndex = selIndex;   // as it stands: the writer decides what it keeps
    else if (!placed)
        out.selIndex = 0;
    return out;
}

}   // namespace LibraryFile
