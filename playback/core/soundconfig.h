#pragma once
#include <QString>
#include <QStringList>

// How the synthesizer sounds: the banks, effects and voices. Shared by
// playback and export so an exported song sounds as it plays.
struct SoundConfig {
    enum class BankMode { GM, GS, XG, MMA };
    // What is sent before each song starts.
    enum class SongReset { Program, GM, GS, XG };

    QStringList banks;          // top one first: its presets win
    bool reverb = true;
    double reverbRoom = 0.2, reverbDamp = 0.0, reverbWidth = 0.5, reverbLevel = 0.9;
    bool chorus = true;
    double chorusLevel = 2.0, chorusDepth = 8.0;
    int chorusVoices = 3;
    int polyphony = 256;
    BankMode bankMode = BankMode::GS;
    SongReset songReset = SongReset::Program;
    QString audioDriver;        // empty: FluidSynth's default
    QString audioDevice;        // empty: the driver's default
    int bufferFrames = 0;       // 0: FluidSynth's default period size

    bool operator==(const SoundConfig &) const = default;
};
