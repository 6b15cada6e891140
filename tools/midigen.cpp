// lyrabox-midigen OUTDIR: writes the sample songs (tools/tunes.cpp) into
// OUTDIR, checking each one with the player's own MIDI file reader.
#include "app/core/terminal.h"
#include "playback/core/midifile.h"
#include "tools/tunes.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: lyrabox-midigen OUTDIR\n"
                             "Writes the sample MIDI files into OUTDIR.\n");
        return 2;
    }
    const QString outDir = QFile::decodeName(argv[1]);
    if (!QDir().mkpath(outDir)) {
        tellTerminal(QStringLiteral("cannot create %1").arg(outDir), u"lyrabox-midigen");
        return 1;
    }
    int failures = 0;
    for (const SampleFile &sample : sampleFiles()) {
        const QString path = QDir(outDir).filePath(sample.fileName);
        const MidiFile check = MidiFile::parse(sample.bytes);
        const qint64 ms = check.lengthMs();
        if (!check.isValid() || ms < 20000 || ms > 180000) {
            const QString why = check.isValid() ? QStringLiteral("length out of range") : check.error();
            tellTerminal(QStringLiteral("%1 is not right: %2 (%3 ms)").arg(sample.fileName, why, QString::number(ms)),
                         u"lyrabox-midigen");
            ++failures;
            continue;
        }
        // Leave a file that is already right alone (its date too).
        QFile existing(path);
        if (existing.open(QIODevice::ReadOnly) && existing.size() == sample.bytes.size()
            && existing.readAll() == sample.bytes)
            continue;
        existing.close();
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(sample.bytes) != sample.bytes.size() || !out.commit()) {
            tellTerminal(QStringLiteral("cannot write %1: %2").arg(path, out.errorString()), u"lyrabox-midigen");
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
