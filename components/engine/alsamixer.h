#pragma once
#include <QByteArray>
#include <QString>
#include <vector>

typedef struct _snd_mixer snd_mixer_t;
typedef struct _snd_mixer_elem snd_mixer_elem_t;

// The playback controls of one ALSA mixer device, seen through the simple
// mixer API. Volumes are scaled to 0..65535. Nothing here blocks: the
// device is read and polled without waiting.
class AlsaMixer {
public:
    struct Element {
        QString label;     // what the user sees ("Master" shows as "Main Volume")
        QByteArray name;   // ALSA's own name and index find it again
        unsigned index = 0;
        bool volume = false;
        bool sw = false;   // has an on/off switch, i.e. can be muted
    };

    AlsaMixer() = default;
    ~AlsaMixer();
    AlsaMixer(const AlsaMixer &) = delete;
    AlsaMixer &operator=(const AlsaMixer &) = delete;

    // False when no card answers on that device; the mixer is then closed.
    bool open(const QByteArray &device);
    void close();
    bool isOpen() const { return m_handle != nullptr; }
    const QString &cardName() const { return m_cardName; }
    const std::vector<Element> &elements() const { return m_elements; }

    // Takes pending change events; false when the device has gone away.
    bool poll();

    bool volume(size_t element, int *out) const;
    bool setVolume(size_t element, int value);
    bool mute(size_t element, int *out) const;
    bool setMute(size_t element, int muted);

    // Numbers of the sound cards present now (cheap: no mixer is opened).
    static std::vector<int> cards();

private:
    snd_mixer_elem_t *find(size_t element) const;

    snd_mixer_t *m_handle = nullptr;
    QString m_cardName;
    std::vector<Element> m_elements;
};
