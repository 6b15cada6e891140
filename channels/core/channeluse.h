#pragma once
#include <QString>
#include <QStringList>
#include <QVector>

class MidiFile;

// What a song plays on one of its channels, as the file has it.
struct ChannelUse {
    int channel = 0;      // 0..15
    QStringList tracks;   // names of the tracks that send on it
    int program = 0;      // the first one the song selects, else 0
    int bank = 0;         // bank select (MSB) before that program
    int programChanges = 0;
    int notes = 0;        // note-ons
    bool drums = false;   // channel 10, or a part a GS message made drums
    int lowKey = 127, highKey = 0;
};

// The channels that play notes, in channel order.
QVector<ChannelUse> channelUses(const MidiFile &file);

// The General MIDI name of a program (0..127), "Drums" for a drum part.
QString instrumentName(int program, bool drums);
