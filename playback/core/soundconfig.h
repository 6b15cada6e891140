#pragma once
#include <QString>
#include <QStringList>
#include <optional>

// How the synthesizer sounds: the banks, effects and voices, and where it
// plays. Shared by playback and export so an exported song sounds as it plays.
struct SoundConfig {
    enum class BankMode { GM, GS, XG, MMA };
    // What is sent before each song starts.
    enum class SongReset { Program, GM, GS, XG };

    // The ranges the settings and the window keep to.
    struct Range {
        double low, high;
        bool holds(double v) const { return v >= low && v <= high; }
    };
    static constexpr Range RoomRange{0.0, 1.0}, DampRange{0.0, 1.0}, WidthRange{0.0, 100.0}, ReverbLevelRange{0.0, 1.0},
        ChorusLevelRange{0.0, 10.0}, ChorusDepthRange{0.0, 256.0}, ChorusVoicesRange{0.0, 99.0},
        PolyphonyRange{16.0, 1024.0}, BufferRange{64.0, 8192.0};

    QStringList banks;   // top one first: its presets win
    // Measured with bench/sound_defaults.sh: a larger, damped room at a lower level than
    // FluidSynth's own (0.2, 0, 0.5, 0.9) rings longer but no louder, without the bright
    // metallic edge; chorus at 1.2 instead of 2.0 stops thickening dense songs.
    bool reverb = true;
    double reverbRoom = 0.4, reverbDamp = 0.3, reverbWidth = 0.6, reverbLevel = 0.5;
    bool chorus = true;
    double chorusLevel = 1.2, chorusDepth = 6.0;
    int chorusVoices = 3;
    int polyphony = 256;
    BankMode bankMode = BankMode::GS;
    SongReset songReset = SongReset::Program;
    QString audioDriver;    // empty: FluidSynth's default
    QString audioDevice;    // empty: the driver's default
    int bufferFrames = 0;   // 0: FluidSynth's default period size

    bool operator==(const SoundConfig &) const = default;

    // The effects and polyphony put back to the defaults; banks, modes and output kept.
    SoundConfig withDefaultEffects() const;
    // What a running synth cannot take: a different set of banks or bank mode.
    bool sameSynth(const SoundConfig &other) const;
    bool sameOutput(const SoundConfig &other) const;
};

// The names stored in the settings: "gm", "gs", "xg", "mma"; "program" for the program's own reset.
QString bankModeName(SoundConfig::BankMode mode);
std::optional<SoundConfig::BankMode> bankModeFromName(const QString &name);
QString songResetName(SoundConfig::SongReset reset);
std::optional<SoundConfig::SongReset> songResetFromName(const QString &name);

// Folders where the system and the user keep sound banks: the system's sf2
// and soundfonts folders, the user's data folder, then $XDG_DATA_DIRS.
QStringList systemBankFolders();
// The .sf2/.sf3 files in those folders, each once (by full path).
QStringList findSystemBanks(const QStringList &folders = systemBankFolders());
