#pragma once
#include "playback/core/notemapper.h"
#include "playback/core/songrender.h"
#include "playback/core/soundconfig.h"
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include <fluidsynth.h>

class PeakLimiter;

// Renders songs to audio files as fast as the machine can: FluidSynth's
// player runs on the synth's sample clock, with no audio output. Sounds as
// playback does: the same banks, effects, gain and output limiter. The file
// holds the song from its first tick and its tail until that stays below
// -60 dBFS, at most 5 s. The bank kept beside a song is stacked on top of
// the others for it, as in playback. Each song gets a synth of its own: a used one
// keeps its clock and effects running, and the same song would come out
// different after another one.
class OfflineRender : public SongRender {
public:
    struct Options {
        SoundConfig sound;
        double gain;           // the synth's, as the player sets it
        bool limiter = true;   // as the player's output
        int sampleRate = 44100;
        // Takes the line telling of a bank beside a song that is not used;
        // none: the terminal.
        std::function<void(const QString &)> notice = {};
    };

    explicit OfflineRender(Options options);
    ~OfflineRender() override;
    OfflineRender(const OfflineRender &) = delete;
    OfflineRender &operator=(const OfflineRender &) = delete;

    bool render(const RenderJob &job, const std::atomic<bool> &cancel, const Progress &progress,
                QString *error) override;

    static constexpr double MaxTailSeconds = 5.0;
    // Renderers with this sound and the player's gain and limiter.
    static SongRenderFactory factory(const SoundConfig &sound);

private:
    static int playEvent(void *data, fluid_midi_event_t *event);
    bool makeSynth(QString *error);
    void stackSongBank(const QString &song);
    void dropSynth();

    Options m_options;
    fluid_settings_t *m_settings = nullptr;
    fluid_synth_t *m_synth = nullptr;
    NoteMapper m_mapper;   // the song's notes, moved by the job's transpose
    ChannelMix m_mix;      // the job's mutes and solos
    std::unique_ptr<PeakLimiter> m_limiter;
};
