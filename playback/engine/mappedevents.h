#pragma once
#include "playback/core/channelmix.h"
#include "playback/core/notemapper.h"
#include "playback/core/sequencerdevice.h"
#include <array>
#include <fluidsynth.h>

// A player's event to the synth, its notes moved by the mapper and shaped by the mix.
int sendMapped(fluid_synth_t *synth, NoteMapper &mapper, ChannelMix &mix, fluid_midi_event_t *event);
// Ends every note the mapper sent, so that no voice remains; the mix starts a new song.
void sendMappedOffs(fluid_synth_t *synth, NoteMapper &mapper, ChannelMix &mix);
// Messages as they are, to the synth.
void sendMessages(fluid_synth_t *synth, const QVector<NoteMapper::Message> &messages);
// The preset the synth plays on a channel, and whether it stands in for a missing one.
SequencerDevice::ChannelSound channelSoundOf(fluid_synth_t *synth, int channel);

// Channel volume, pan and effect sends as a reset left them. Resetting the
// controllers (CC 121) keeps these, so a loop's jump sends them again: a value
// the song first sets after A must not carry round to A.
class ControlDefaults {
public:
    void read(fluid_synth_t *synth);
    void send(fluid_synth_t *synth, ChannelMix &mix) const;

private:
    static constexpr std::array<quint8, 4> Controls{7, 10, 91, 93};
    std::array<std::array<quint8, Controls.size()>, ChannelMix::Channels> m_value{};
};
