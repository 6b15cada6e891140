#pragma once
#include <QByteArray>
#include <QVector>
#include <QtGlobal>
#include <array>

// Moves the notes of a song by a number of semitones as they are sent, and
// keeps drum parts where they are. It remembers what each note-on sent, so
// the note's off, its aftertouch and a stop end the key that sounds even when
// the transpose changed in between. One song's messages at a time, on one thread.
class NoteMapper {
public:
    static constexpr int MaxTranspose = 24;

    struct Message {
        quint8 status = 0;
        quint8 data1 = 0;
        quint8 data2 = 0;
        bool operator==(const Message &) const = default;
    };
    // At most two: a repeated note-on ends its key first when that moved.
    struct Out {
        std::array<Message, 2> at;
        int count = 0;
    };

    NoteMapper() { reset(); }
    // Clamped to -24..24; notes sounding keep their key.
    void setTranspose(int semitones);
    int transpose() const { return m_transpose; }

    // What to send for a channel message (none when the note would leave 0..127).
    Out map(Message in);
    // A system exclusive message, with or without its F0 and F7: resets and
    // drum parts. A GM reset gives the offs of the notes it forgets, for
    // synths that do not end them.
    QVector<Message> sysex(const QByteArray &data);
    // A GM, GS or XG reset, with or without its F0 and F7.
    static bool isReset(const QByteArray &data);
    // GS "use for rhythm part": the channel it names (-1 for other messages) and whether drums.
    static int rhythmPart(const QByteArray &message, bool *drums);
    // The synth put the channel's preset in its drum bank (or out of it).
    void setDrumBank(int channel, bool drums);
    bool drums(int channel) const;
    // Note-offs for every note sounding; forgets them.
    QVector<Message> offs();
    // Back to a new song's state: nothing sounds, only channel 10 plays drums.
    void reset();

private:
    static constexpr qint16 Silent = -1;
    void forgetNotes(int channel);
    int target(int channel, int key) const;

    int m_transpose = 0;
    std::array<std::array<qint16, 128>, 16> m_sent{};   // the key each sounding note went out as
    std::array<bool, 16> m_drums{};                     // by channel 10, GS or XG messages
    std::array<bool, 16> m_drumBank{};
    std::array<qint16, 16> m_bankMsb{};   // bank select waiting for a program change
};
