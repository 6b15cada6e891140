#pragma once
#include "playback/core/audioformat.h"
#include "playback/core/channelmix.h"
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

// One song to write as audio.
struct RenderJob {
    QString input;
    QString output;
    AudioFormat format = AudioFormat::Wav;
    bool overwrite = false;          // else an existing output makes the song fail
    bool words = false;              // also the song's words beside the output, as .lrc
    QByteArray wordsEncoding = {};   // as chosen for the song; empty: automatic
    int tempoPercent = 100;          // of the song's own
    int transpose = 0;               // semitones; drums stay
    ChannelMix::Settings mix = {};   // channels muted, soloed, levelled, locked
};

// Renders songs to audio files, one at a time; each worker has its own.
class SongRender {
public:
    // The share of the song rendered (0..1) and the seconds of audio so far.
    using Progress = std::function<void(double done, double seconds)>;

    virtual ~SongRender() = default;
    // Writes the output whole or not at all: false with the reason in
    // *error, and no file left behind. Gives up soon after cancel is set.
    virtual bool render(const RenderJob &job, const std::atomic<bool> &cancel, const Progress &progress,
                        QString *error) = 0;
};

using SongRenderFactory = std::function<std::unique_ptr<SongRender>()>;
