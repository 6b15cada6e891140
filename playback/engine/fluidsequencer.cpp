#include "playback/engine/fluidsequencer.h"
#include "playback/core/mediaerrors.h"
#include "playback/engine/fluidoutput.h"
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <limits>

FluidSequencer::FluidSequencer(Config config) : m_config(std::move(config)) {}

FluidSequencer::~FluidSequencer()
{
    close();
    m_out.reset();
}

int FluidSequencer::ensureOutput()
{
    // A bank whose file went bad is loaded afresh: it may have been put right.
    if (m_out && !m_out->bankBroken())
        return 0;
    m_out.reset();
    m_lock = nullptr;
    m_pinned.clear();
    m_out = FluidOutput::create({m_config.soundFont, m_config.audioDriver, m_config.audioFile,
                                 m_config.gain, m_config.limiter},
                                &m_openError);
    if (!m_out)
        return MediaError::DriverLoad;
    m_lock = &m_out->lock();
    applyGain();
    return 0;
}

int FluidSequencer::open(const QString &path)
{
    close();
    m_openError.clear();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isReadable())
        return MediaError::InvalidFilename;
    MidiFile song = MidiFile::load(path);
    if (!song.isValid()) {
        m_openError = song.error();
        return MediaError::NotMidiFile;
    }
    // FluidSynth drops tracks past its 128th and counts ticks in an int.
    if (song.trackCount() > MaxTracks) {
        m_openError = QStringLiteral("The song has %1 tracks; at most %2 can be played.")
                          .arg(song.trackCount()).arg(MaxTracks);
        return MediaError::NotMidiFile;
    }
    if (song.lastTick() > std::numeric_limits<int>::max()) {
        m_openError = QStringLiteral("The song is too long to be played: it runs to MIDI tick %1.")
                          .arg(song.lastTick());
        return MediaError::NotMidiFile;
    }
    if (const int rc = ensureOutput())
        return rc;
    m_song = std::move(song);
    m_bytes = m_song.playableBytes();
    m_heldTick = 0;
    m_startTick = 0;
    m_open = true;
    m_mode = Mode::Stopped;
    return 0;
}

void FluidSequencer::close()
{
    if (m_out) {
        std::lock_guard guard(*m_lock);
        dropPlayerLocked();
        silenceLocked();
    }
    m_song = MidiFile();
    m_bytes.clear();
    m_open = false;
    m_mode = Mode::NotOpen;
}

int FluidSequencer::play(qint64 fromMs)
{
    if (!m_open)
        return MediaError::DeviceNotOpen;
    if (fromMs < 0 && mode() == Mode::Playing)
        return 0;
    std::lock_guard guard(*m_lock);
    const qint64 tick = std::min(fromMs < 0 ? currentTickLocked() : m_song.msToTick(double(fromMs)),
                                 m_song.lastTick());
    dropPlayerLocked();
    keepInstrumentsLocked();
    // Controllers of the old position must not leak into the new one. The
    // reset drops sounding voices from the mixer without freeing them; the
    // sounds-off after it frees them (the other order leaks them for good).
    fluid_synth_system_reset(m_out->synth());
    silenceLocked();
    // The old player is gone: a failed start leaves the song stopped where it was asked to start.
    m_heldTick = tick;
    m_mode = Mode::Stopped;
    fluid_player_t *player = new_fluid_player(m_out->synth());
    if (!player)
        return MediaError::NotAvailable;
    if (fluid_player_add_mem(player, m_bytes.constData(), size_t(m_bytes.size())) != FLUID_OK
        || (tick > 0 && fluid_player_seek(player, int(tick)) != FLUID_OK)
        || fluid_player_play(player) != FLUID_OK) {
        delete_fluid_player(player);
        return MediaError::NotAvailable;
    }
    m_started = false;
    fluid_player_set_tick_callback(player, &FluidSequencer::onTick, this);
    m_player = player;
    m_out->setPlayerLocked(player);
    m_startTick = tick;
    m_heldTick = tick;
    m_mode = Mode::Playing;
    return 0;
}

int FluidSequencer::pause()
{
    if (!m_open)
        return MediaError::DeviceNotOpen;
    if (m_mode != Mode::Playing)
        return 0;
    std::lock_guard guard(*m_lock);
    m_heldTick = currentTickLocked();
    dropPlayerLocked();
    silenceLocked();
    m_mode = Mode::Paused;
    return 0;
}

int FluidSequencer::stop()
{
    if (!m_open)
        return MediaError::DeviceNotOpen;
    std::lock_guard guard(*m_lock);
    m_heldTick = currentTickLocked();
    dropPlayerLocked();
    silenceLocked();
    m_mode = Mode::Stopped;
    return 0;
}

qint64 FluidSequencer::position() const
{
    if (!m_open)
        return 0;
    qint64 tick = 0;
    {
        std::lock_guard guard(*m_lock);
        tick = currentTickLocked();
    }
    // FluidSynth lets the clock run on past the last event.
    if (tick >= m_song.lastTick())
        return length();
    return std::min(qint64(std::llround(m_song.tickToMs(tick))), length());
}

qint64 FluidSequencer::length() const
{
    return m_open ? m_song.lengthMs() : 0;
}

SequencerDevice::Mode FluidSequencer::mode() const
{
    if (m_mode == Mode::Playing && m_player) {
        std::lock_guard guard(*m_lock);
        // The output drops a player it had to stop.
        if (fluid_player_get_status(m_player) == FLUID_PLAYER_DONE || m_out->playerLocked() != m_player)
            return Mode::Stopped;
    }
    return m_mode;
}

QString FluidSequencer::takeFault()
{
    if (!m_out)
        return QString();
    std::lock_guard guard(*m_lock);
    const QString fault = m_out->takeFaultLocked();
    if (m_player && m_out->playerLocked() != m_player) {
        m_heldTick = currentTickLocked();
        dropPlayerLocked();
        m_mode = Mode::Stopped;
    }
    return fault;
}

qint64 FluidSequencer::currentTickLocked() const
{
    if (!m_player)
        return m_heldTick;
    // Until the player has taken its seek it still reports tick 0.
    return std::max<qint64>(fluid_player_get_current_tick(m_player), m_startTick);
}

void FluidSequencer::dropPlayerLocked()
{
    if (!m_player)
        return;
    m_out->setPlayerLocked(nullptr);
    fluid_player_stop(m_player);
    delete_fluid_player(m_player);
    m_player = nullptr;
}

void FluidSequencer::keepInstrumentsLocked()
{
    // With dynamic sample loading the reset below would unload every preset
    // in use, and the song's first block would wait for them to load again.
    fluid_synth_t *synth = m_out->synth();
    QVector<std::array<int, 3>> now;
    for (int chan = 0; chan < fluid_synth_count_midi_channels(synth); ++chan) {
        std::array<int, 3> p{};
        if (fluid_synth_get_program(synth, chan, &p[0], &p[1], &p[2]) == FLUID_OK && p[0] > 0
            && !now.contains(p) && fluid_synth_pin_preset(synth, p[0], p[1], p[2]) == FLUID_OK)
            now.append(p);
    }
    for (const auto &p : std::as_const(m_pinned)) {
        if (!now.contains(p))
            fluid_synth_unpin_preset(synth, p[0], p[1], p[2]);
    }
    m_pinned = now;
}

void FluidSequencer::silenceLocked()
{
    // Unlike all-notes-off this also ends notes held by the sustain pedal.
    fluid_synth_all_sounds_off(m_out->synth(), -1);
    // Silence means the reverb too, not a second of it ringing on.
    m_out->hushLocked();
}

void FluidSequencer::setLevel(int level)
{
    m_level = std::clamp(level, 0, 65535);
    applyGain();
}

void FluidSequencer::setMuted(bool muted)
{
    m_muted = muted;
    applyGain();
}

void FluidSequencer::applyGain()
{
    if (!m_out)
        return;
    // Square law: the slider's middle sounds about half as loud, not barely softer.
    const double x = m_level / 65535.0;
    m_out->setScale(m_muted ? 0.0f : float(x * x));
}

int FluidSequencer::onTick(void *self, int)
{
    static_cast<FluidSequencer *>(self)->m_started = true;
    return FLUID_OK;
}

int FluidSequencer::activeVoices() const
{
    return m_out ? fluid_synth_get_active_voice_count(m_out->synth()) : 0;
}

bool FluidSequencer::outputRendering() const
{
    return m_out && m_out->rendering();
}
