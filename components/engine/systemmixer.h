#pragma once
#include "components/core/mixercontrol.h"
#include "components/engine/alsamixer.h"
#include <QByteArray>
#include <QElapsedTimer>
#include <vector>

class SynthLevel;

// The volume window's mixer: the playback controls of the ALSA device
// first, then the player's own synthesizer level ("Lyrabox Synth"), which is
// there even without a sound card. The card is looked at again about once a
// second (from DeviceName), so a card that comes or goes changes
// DeviceName and the source list with it.
class SystemMixer : public MixerControl {
public:
    static inline const char *const SynthSourceName = "Lyrabox Synth";

    // synth may be null: the list then holds the card's controls only.
    explicit SystemMixer(SynthLevel *synth, const QByteArray &alsaDevice = QByteArrayLiteral("default"));

    bool IsOpen() const override;
    bool IsReady() const override;
    QString DeviceName() override;
    int SourceCount() override;
    bool SetNameIndex(int oneBased) override;
    QString SourceName() override;
    int SourceIndex() override;
    bool SetSourceIndex(int index) override;
    bool VolumeEnabled() override;
    bool MuteEnabled() override;
    int Volume() override;
    bool SetVolume(int v) override;
    int Mute() override;
    bool SetMute(int m) override;
    bool TakeError() override;

private:
    struct Source {
        QString name;
        bool synth = false;
        size_t element = 0;   // into the ALSA mixer's elements
    };

    void checkCard();
    void rebuild();
    const Source *current();
    bool fail();

    SynthLevel *m_synth;
    QByteArray m_device;
    AlsaMixer m_alsa;
    std::vector<int> m_cards;
    QElapsedTimer m_sinceCheck;
    std::vector<Source> m_sources;
    QString m_deviceName;
    int m_nameIndex = 0;   // 1-based, 0: none chosen
    int m_current = 0;
    bool m_error = false;
};
