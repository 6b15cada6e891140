// lyrabox-midiinfo FILE...: for each file, one line
//   path<TAB>length_ms<TAB>format<TAB>tracks     or
//   path<TAB>error<TAB>reason
// read with the same reader the player uses. Exit status: 0 when every file
// was read, 1 when one was not, 2 when no file was named.
#include "app/core/terminal.h"
#include "playback/core/midifile.h"

#include <QFile>
#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: lyrabox-midiinfo FILE...\n"
                             "Prints for each MIDI file (.mid, .rmi) its length in milliseconds,\n"
                             "format and number of tracks, or why it cannot be read.\n");
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        const QString path = QFile::decodeName(argv[i]);
        const MidiFile f = MidiFile::load(path);
        // Each field on one line without tabs, whatever the name and the reason hold.
        const QByteArray name = terminalLine(path);
        if (f.isValid()) {
            std::printf("%s\t%lld\t%d\t%d\n", name.constData(), static_cast<long long>(f.lengthMs()), f.format(),
                        f.trackCount());
        } else {
            std::printf("%s\terror\t%s\n", name.constData(), terminalLine(f.error()).constData());
            status = 1;
        }
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? status : 1;
}
