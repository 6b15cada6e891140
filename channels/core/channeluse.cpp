#include "channels/core/channeluse.h"
#include "playback/core/midifile.h"
#include "playback/core/midifile_walk.h"
#include "playback/core/notemapper.h"
#include <array>

using namespace midifile_detail;

namespace {

struct Track {
    QString name;
    std::array<bool, 16> sends{};
};

void note(ChannelUse &use, int key)
{
    ++use.notes;
    use.lowKey = std::min(use.lowKey, key);
    use.highKey = std::max(use.highKey, key);
}

void channelEvent(std::array<ChannelUse, 16> &uses, std::array<int, 16> &bank, const Event &ev, Track &track)
{
    const int ch = ev.status & 0x0F;
    ChannelUse &use = uses[size_t(ch)];
    track.sends[size_t(ch)] = true;
    switch (ev.status & 0xF0) {
    case 0x90:
        if (ev.payload[1] > 0)
            note(use, ev.payload[0]);
        break;
    case 0xB0:
        if (ev.payload[0] == 0)
            bank[size_t(ch)] = ev.payload[1];
        break;
    case 0xC0:
        if (use.programChanges++ == 0) {
            use.program = ev.payload[0];
            use.bank = bank[size_t(ch)];
        }
        break;
    default: break;
    }
}

// A part the song makes drums (or a voice again) by a GS message; the last one read holds.
void rhythmPart(std::array<bool, 16> &drums, const Event &ev)
{
    bool on = false;
    const QByteArray message(reinterpret_cast<const char *>(ev.payload), qsizetype(ev.payloadLen));
    if (const int ch = NoteMapper::rhythmPart(message, &on); ch >= 0)
        drums[size_t(ch)] = on;
}

}   // namespace

QVector<ChannelUse> channelUses(const MidiFile &file)
{
    std::array<ChannelUse, 16> uses;
    std::array<int, 16> bank{};
    std::array<bool, 16> drums{};
    drums[9] = true;
    if (!file.isValid())
        return {};
    QVector<Track> tracks(file.trackCount());
    const QByteArray smf = file.smfBytes();
    walkTracks(reinterpret_cast<const uchar *>(smf.constData()), smf.size(), file.trackCount(),
               [&](int t, qint64, const Event &ev) {
        Track &track = tracks[t];
        if (ev.oddity == Oddity::Cut)
            return true;
        if (ev.status < 0xF0)
            channelEvent(uses, bank, ev, track);
        else if (ev.status == 0xF0)
            rhythmPart(drums, ev);
        else if (ev.status == 0xFF && ev.metaType == 0x03 && track.name.isEmpty())
            track.name = QString::fromLatin1(reinterpret_cast<const char *>(ev.payload), qsizetype(ev.payloadLen))
                             .trimmed();
        return true;
    });
    QVector<ChannelUse> out;
    for (int ch = 0; ch < 16; ++ch) {
        ChannelUse use = uses[size_t(ch)];
        if (use.notes == 0)
            continue;
        use.channel = ch;
        use.drums = drums[size_t(ch)];
        for (const Track &t : std::as_const(tracks))
            if (t.sends[size_t(ch)] && !t.name.isEmpty() && !use.tracks.contains(t.name))
                use.tracks.append(t.name);
        out.append(use);
    }
    return out;
}

QString instrumentName(int program, bool drums)
{
    static const char *const names[128] = {"Acoustic Grand Piano",
                                           "Bright Acoustic Piano",
                                           "Electric Grand Piano",
                                           "Honky-tonk Piano",
                                           "Electric Piano 1",
                                           "Electric Piano 2",
                                           "Harpsichord",
                                           "Clavinet",
                                           "Celesta",
                                           "Glockenspiel",
                                           "Music Box",
                                           "Vibraphone",
                                           "Marimba",
                                           "Xylophone",
                                           "Tubular Bells",
                                           "Dulcimer",
                                           "Drawbar Organ",
                                           "Percussive Organ",
                                           "Rock Organ",
                                           "Church Organ",
                                           "Reed Organ",
                                           "Accordion",
                                           "Harmonica",
                                           "Tango Accordion",
                                           "Acoustic Guitar (nylon)",
                                           "Acoustic Guitar (steel)",
                                           "Electric Guitar (jazz)",
                                           "Electric Guitar (clean)",
                                           "Electric Guitar (muted)",
                                           "Overdriven Guitar",
                                           "Distortion Guitar",
                                           "Guitar Harmonics",
                                           "Acoustic Bass",
                                           "Electric Bass (finger)",
                                           "Electric Bass (pick)",
                                           "Fretless Bass",
                                           "Slap Bass 1",
                                           "Slap Bass 2",
                                           "Synth Bass 1",
                                           "Synth Bass 2",
                                           "Violin",
                                           "Viola",
                                           "Cello",
                                           "Contrabass",
                                           "Tremolo Strings",
                                           "Pizzicato Strings",
                                           "Orchestral Harp",
                                           "Timpani",
                                           "String Ensemble 1",
                                           "String Ensemble 2",
                                           "Synth Strings 1",
                                           "Synth Strings 2",
                                           "Choir Aahs",
                                           "Voice Oohs",
                                           "Synth Voice",
                                           "Orchestra Hit",
                                           "Trumpet",
                                           "Trombone",
                                           "Tuba",
                                           "Muted Trumpet",
                                           "French Horn",
                                           "Brass Section",
                                           "Synth Brass 1",
                                           "Synth Brass 2",
                                           "Soprano Sax",
                                           "Alto Sax",
                                           "Tenor Sax",
                                           "Baritone Sax",
                                           "Oboe",
                                           "English Horn",
                                           "Bassoon",
                                           "Clarinet",
                                           "Piccolo",
                                           "Flute",
                                           "Recorder",
                                           "Pan Flute",
                                           "Blown Bottle",
                                           "Shakuhachi",
                                           "Whistle",
                                           "Ocarina",
                                           "Lead 1 (square)",
                                           "Lead 2 (sawtooth)",
                                           "Lead 3 (calliope)",
                                           "Lead 4 (chiff)",
                                           "Lead 5 (charang)",
                                           "Lead 6 (voice)",
                                           "Lead 7 (fifths)",
                                           "Lead 8 (bass + lead)",
                                           "Pad 1 (new age)",
                                           "Pad 2 (warm)",
                                           "Pad 3 (polysynth)",
                                           "Pad 4 (choir)",
                                           "Pad 5 (bowed)",
                                           "Pad 6 (metallic)",
                                           "Pad 7 (halo)",
                                           "Pad 8 (sweep)",
                                           "FX 1 (rain)",
                                           "FX 2 (soundtrack)",
                                           "FX 3 (crystal)",
                                           "FX 4 (atmosphere)",
                                           "FX 5 (brightness)",
                                           "FX 6 (goblins)",
                                           "FX 7 (echoes)",
                                           "FX 8 (sci-fi)",
                                           "Sitar",
                                           "Banjo",
                                           "Shamisen",
                                           "Koto",
                                           "Kalimba",
                                           "Bagpipe",
                                           "Fiddle",
                                           "Shanai",
                                           "Tinkle Bell",
                                           "Agogo",
                                           "Steel Drums",
                                           "Woodblock",
                                           "Taiko Drum",
                                           "Melodic Tom",
                                           "Synth Drum",
                                           "Reverse Cymbal",
                                           "Guitar Fret Noise",
                                           "Breath Noise",
                                           "Seashore",
                                           "Bird Tweet",
                                           "Telephone Ring",
                                           "Helicopter",
                                           "Applause",
                                           "Gunshot"};
    if (drums)
        return QStringLiteral("Drums");
    return program >= 0 && program < 128 ? QString::fromLatin1(names[program]) : QString();
}
