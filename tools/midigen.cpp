// lyrabox-midigen OUTDIR: writes the sample songs (tools/tunes.cpp) into
// OUTDIR, checking each one with the player's own MIDI file reader.
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
        std::fprintf(stderr, "lyrabox-midigen: cannot create %s\n", argv[1]);
        return 1;
    }
    int failures = 0;
    for (const SampleFile &sample : sampleFiles()) {
        const QString path = QDir(outDir).filePath(sample.fileName);
        const MidiFile check = MidiFile::parse(sample.bytes);
        const qint64 ms = check.lengthMs();
        if (!check.isValid() || ms < 20000 || ms > 180000) {
            std::fprintf(stderr, "lyrabox-midigen: %s is not right: %s (%lld ms)\n", qPrintable(sample.fileName),
                         qPrintable(check.isValid() ? QStringLiteral("length out of range") : check.error()),
                         static_cast<long long>(ms));
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
            std::fprintf(stderr, "lyrabox-midigen: cannot write %s: %s\n", qPrintable(path),
                         qPrintable(out.errorString()));
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
