#pragma once
#include "playback/core/notemapper.h"
#include <fluidsynth.h>

// A player's event to the synth, its notes moved by the mapper.
int sendMapped(fluid_synth_t *synth, NoteMapper &mapper, fluid_midi_event_t *event);
// Ends every note the mapper sent, so that no voice remains.
void sendMappedOffs(fluid_synth_t *synth, NoteMapper &mapper);
