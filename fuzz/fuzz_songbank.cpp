// Any bytes as a bank kept beside a song, under a name of any shape: the
// finder finds it by the song's name and the header check takes exactly
// what a RIFF SoundFont of the file's size (or a DLS bank not cut short) is.
#include "playback/core/songbankfinder.h"
#include "playback/core/soundbank.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Which promise broke, for whoever reads a crash.
void require(bool ok, int line = __builtin_LINE())
{
    if (!ok) {
        std::fprintf(stderr, "broken at line %d\n", line);
        std::abort();
    }
}

bool takes(const uint8_t *b, size_t n)
{
    if (n < 12 || std::memcmp(b, "RIFF", 4) != 0)
        return false;
    const quint64 says = quint64(qFromLittleEndian<quint32>(b + 4)) + 8;
    if (std::memcmp(b + 8, "sfbk", 4) == 0)
        return says == n;
    return std::memcmp(b + 8, "DLS ", 4) == 0 && says <= n;
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    if (size < 1)
        return 0;
    // The first byte: the length of the song's base name, then the name, then the bank's bytes.
    const size_t nameLength = std::min<size_t>(data[0] % 24, size - 1);
    QString base = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(nameLength));
    base.remove(u'/').remove(QChar(0));
    const uint8_t *bank = data + 1 + nameLength;
    const size_t bankSize = size - 1 - nameLength;
    const QString folder = dir.path() + QStringLiteral("/f%1").arg(size);
    QDir(folder).removeRecursively();
    require(QDir().mkpath(folder));
    static const char *suffixes[] = {".sf2", ".SF3", ".sf3", ".Sf2"};
    const QString bankPath = folder + u'/' + base + QLatin1String(suffixes[data[0] / 24 % 4]);
    QFile file(bankPath);
    const bool written = file.open(QIODevice::WriteOnly)
                         && file.write(reinterpret_cast<const char *>(bank), qint64(bankSize)) == qint64(bankSize);
    file.close();
    require(soundBankProblem(bankPath).isEmpty() == (written && takes(bank, bankSize)));
    SongBankFinder finder;
    const QString found = finder.find(folder + u'/' + base + QLatin1String(".mid"));
    // A name QFileInfo takes apart differently (a leading dot alone) finds nothing, never another file.
    require(found.isEmpty() || found == bankPath);
    require(!written || base.isEmpty() || found == bankPath);
    QDir(folder).removeRecursively();
    return 0;
}
