#include "playback/engine/mappedevents.h"

namespace {
int send(fluid_synth_t *synth, const NoteMapper::Message &m)
{
    const int ch = m.status & 0x0F;
    switch (m.status & 0xF0) {
    case 0x80: return fluid_synth_noteoff(synth, ch, m.data1);
    case 0x90:
        return m.data2 ? fluid_synth_noteon(synth, ch, m.data1, m.data2) : fluid_synth_noteoff(synth, ch, m.data1);
    case 0xA0: return fluid_synth_key_pressure(synth, ch, m.data1, m.data2);
    case 0xB0: return fluid_synth_cc(synth, ch, m.data1, m.data2);
    default: return fluid_synth_program_change(synth, ch, m.data1);
    }
}

// FluidSynth keeps a sysex's bytes as it keeps a text's and has a getter only for
// texts: the event passes as a text for the time it takes to read them.
QByteArray sysexBytes(fluid_midi_event_t *event)
{
    void *data = nullptr;
    int size = 0;
    fluid_midi_event_set_type(event, 0x01);
    const bool read = fluid_midi_event_get_text(event, &data, &size) == FLUID_OK && data && size > 0;
    fluid_midi_event_set_type(event, 0xF0);
    return read ? QByteArray(static_cast<const char *>(data), size) : QByteArray();
}

// FluidSynth takes GS resets but not a part made drums (or a voice again): the channel's
// type is set here, and its program chosen anew from the bank that type plays.
void setPart(fluid_synth_t *synth, int ch, bool drums, int program)
{
    fluid_synth_set_channel_type(synth, ch, drums ? CHANNEL_TYPE_DRUM : CHANNEL_TYPE_MELODIC);
    if (!drums)
        fluid_synth_bank_select(synth, ch, 0);
    fluid_synth_program_change(synth, ch, program);
}

// A reset leaves the types as they were: after it only channel 10 plays drums, all at program 0.
void setParts(fluid_synth_t *synth, const QByteArray &message)
{
    bool drums = false;
    const int part = NoteMapper::rhythmPart(message, &drums);
    int font = 0, bank = 0, program = 0;
    if (part >= 0 && fluid_synth_get_program(synth, part, &font, &bank, &program) == FLUID_OK)
        setPart(synth, part, drums, program);
    for (int ch = 0; ch < 16 && NoteMapper::isReset(message); ++ch)
        setPart(synth, ch, ch == 9, 0);
}

// The synth knows which presets come from its drum bank, whatever message put them there.
void noteDrumBank(fluid_synth_t *synth, NoteMapper &mapper, int channel)
{
    int font = 0, bank = 0, program = 0;
    if (fluid_synth_get_program(synth, channel, &font, &bank, &program) == FLUID_OK)
        mapper.setDrumBank(channel, bank == 128);
}
}

int sendMapped(fluid_synth_t *synth, NoteMapper &mapper, ChannelMix &mix, fluid_midi_event_t *event)
{
    const int type = fluid_midi_event_get_type(event);
    const int ch = fluid_midi_event_get_channel(event) & 0x0F;
    NoteMapper::Message in{quint8(type | ch), 0, 0};
    switch (type) {
    case 0x80:
    case 0x90:
    case 0xA0:
        in.data1 = quint8(fluid_midi_event_get_key(event));
        in.data2 = quint8(fluid_midi_event_get_velocity(event));
        break;
    case 0xB0:
        in.data1 = quint8(fluid_midi_event_get_control(event));
        in.data2 = quint8(fluid_midi_event_get_value(event));
        break;
    case 0xC0: in.data1 = quint8(fluid_midi_event_get_program(event)); break;
    default: {
        if (type != 0xF0)
            return fluid_synth_handle_midi_event(synth, event);
        // A reset or a part made drums by a system exclusive message.
        const QByteArray bytes = sysexBytes(event);
        for (auto m : mapper.sysex(bytes))
            if (mix.filter(m))
                send(synth, m);
        const int rc = fluid_synth_handle_midi_event(synth, event);
        setParts(synth, bytes);
        for (int c = 0; c < 16; ++c)
            noteDrumBank(synth, mapper, c);
        if (NoteMapper::isReset(bytes))
            sendMessages(synth, mix.restore());
        return rc;
    }
    }
    NoteMapper::Out out = mapper.map(in);
    int rc = FLUID_OK;
    for (int i = 0; i < out.count; ++i)
        if (mix.filter(out.at[size_t(i)]))
            rc = send(synth, out.at[size_t(i)]);
    if (type == 0xC0)
        noteDrumBank(synth, mapper, ch);
    return rc;
}

void sendMappedOffs(fluid_synth_t *synth, NoteMapper &mapper, ChannelMix &mix)
{
    for (const auto &m : mapper.offs())
        send(synth, m);
    mix.reset();
}

void sendMessages(fluid_synth_t *synth, const QVector<NoteMapper::Message> &messages)
{
    for (const auto &m : messages)
        send(synth, m);
}

SequencerDevice::ChannelSound channelSoundOf(fluid_synth_t *synth, int channel)
{
    int font = 0, bank = 0, program = 0;
    fluid_synth_get_program(synth, channel, &font, &bank, &program);
    fluid_preset_t *preset = fluid_synth_get_channel_preset(synth, channel);
    if (!preset)
        return {QString(), true};
    // The synth asks drum kits of its bank 128 whatever bank the song selected.
    const int plays = fluid_preset_get_banknum(preset);
    return {QString::fromUtf8(fluid_preset_get_name(preset)),
            fluid_preset_get_num(preset) != program || (plays != bank && plays != 128)};
}

void ControlDefaults::read(fluid_synth_t *synth)
{
    for (int ch = 0; ch < ChannelMix::Channels; ++ch) {
        for (size_t i = 0; i < Controls.size(); ++i) {
            int value = 0;
            fluid_synth_get_cc(synth, ch, Controls[i], &value);
            m_value[size_t(ch)][i] = quint8(value);
        }
    }
}

void ControlDefaults::send(fluid_synth_t *synth, ChannelMix &mix) const
{
    for (int ch = 0; ch < ChannelMix::Channels; ++ch) {
        for (size_t i = 0; i < Controls.size(); ++i) {
            NoteMapper::Message m{quint8(0xB0 | ch), Controls[i], m_value[size_t(ch)][i]};
            if (mix.filter(m))   // the level scales the volume as it scales the song's
                ::send(synth, m);
        }
    }
}
