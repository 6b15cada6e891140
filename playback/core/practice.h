#pragma once
#include "playback/core/sequencerdevice.h"
#include <QObject>
#include <QTimer>
#include <QString>

// How one song is practised: its tempo, key and a stretch played over and over.
struct PracticeChoices {
    static constexpr int MinTempo = 25, MaxTempo = 200, MaxKey = 24;
    int tempo = 100;     // percent of the song's own
    int key = 0;         // semitones
    qint64 loopA = -1;   // ms in the song's own time; -1: from the start
    qint64 loopB = -1;   // ms; -1: no loop
    bool hasLoop() const { return loopB > qMax<qint64>(0, loopA); }
    bool operator==(const PracticeChoices &) const = default;
};

// Where the choices made for each song are kept.
class PracticeStore {
public:
    virtual ~PracticeStore() = default;
    virtual PracticeChoices choicesOf(const QString &songPath) = 0;
    // The song's own (the defaults) forgets what was kept.
    virtual void keep(const QString &songPath, const PracticeChoices &choices) = 0;
};

// The open song's tempo, key and loop: sent to the device as they change and
// again at every open, and kept for the song once the user makes a choice.
// A choice is heard at once and kept half a second later, or as the song closes.
class Practice : public QObject {
    Q_OBJECT
public:
    explicit Practice(SequencerDevice *device, QObject *parent = nullptr);
    ~Practice() override;
    // store may be null: nothing is remembered. What waits to be kept goes to the old one first.
    void setStore(PracticeStore *store);

    // A song was opened into the device: its remembered choices apply.
    void songOpened(const QString &path, qint64 lengthMs);
    // No song is open now: nothing to choose for.
    void songClosed();
    QString song() const { return m_song; }
    PracticeChoices choices() const { return m_choices; }

    void setTempo(int percent);
    void setKey(int semitones);
    // A at ms; a B at or before it goes.
    void setLoopA(qint64 ms);
    // B at ms; false, and nothing changes, when it is not after A.
    bool setLoopB(qint64 ms);
    void clearLoop();
    // Back to the song's own tempo and key, no loop; nothing kept for it.
    void reset();

signals:
    void changed(const PracticeChoices &choices);

private:
    void choose(PracticeChoices choices);
    void apply();
    void keepNow();

    SequencerDevice *m_device;
    PracticeStore *m_store = nullptr;
    QString m_song;
    qint64 m_length = 0;
    PracticeChoices m_choices;
    // A slider's drag is kept once it rests, not at every step.
    QTimer m_keep;
};
