#include "playback/engine/fluidsequencer.h"
#include "app/core/terminal.h"
#include "playback/core/mediaerrors.h"
#include "playback/engine/fluidoutput.h"
#include "playback/engine/mappedevents.h"
#include "playback/engine/soundsetup.h"
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <limits>

FluidSequencer::FluidSequencer(Config config) : m_config(std::move(config)), m_sound(m_config.sound)
{
    if (m_sound.banks.isEmpty() && !m_config.soundFont.isEmpty())
        m_sound.banks = QStringList{m_config.soundFont};
    if (m_sound.audioDriver.isEmpty())
        m_sound.audioDriver = m_config.audioDriver;
}

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
    m_out = FluidOutput::create({m_sound, m_config.audioFile, m_config.gain, m_config.limiter}, &m_openError);
    if (!m_out)
        return MediaError::DriverLoad;
    m_lock = &m_out->lock();
    m_out->setFaultNotice(faultNotice());
    m_out->setTranspose(m_transpose);
    {
        std::lock_guard guard(*m_lock);
        m_out->setChannelMixLocked(m_mix);
    }
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
        m_openError =
            QStringLiteral("The song has %1 tracks; at most %2 can be played.").arg(song.trackCount()).arg(MaxTracks);
        return MediaError::NotMidiFile;
    }
    if (song.lastTick() > std::numeric_limits<int>::max()) {
        m_openError = QStringLiteral("The song is too long to be played: it runs to MIDI tick %1.")
                          .arg(song.lastTick());
        return MediaError::NotMidiFile;
    }
    if (const int rc = ensureOutput())
        return rc;
    stackSongBank(m_songBanks.find(path));
    m_song = std::move(song);
    m_bytes = m_song.playableBytes();
    m_heldTick = 0;
    m_startTick = 0;
    m_open = true;
    m_mode = Mode::Stopped;
    showSongBank(m_out->heard().songBank());
    return 0;
}

void FluidSequencer::stackSongBank(const QString &bank)
{
    FluidOutput::Synth &synth = m_out->heard();
    // The same bank for the next song stays; the user's banks always do.
    if (bank == synth.songBank())
        return;
    QString why;
    bool loaded = false;
    {
        std::lock_guard guard(*m_lock);
        // A pinned preset would keep the unloaded bank's samples.
        m_pinned.removeIf([id = synth.songBankId(), this](const std::array<int, 3> &p) {
            if (p[0] != id)
                return false;
            fluid_synth_unpin_preset(m_out->synth(), p[0], p[1], p[2]);
            return true;
        });
        loaded = synth.setSongBank(bank, &why);
    }
    const QString told = bank + QLatin1Char('\n') + why;
    if (!loaded && !m_toldBanks.contains(told)) {
        m_toldBanks.insert(told);
        tellTerminal(QStringLiteral("The sound bank %1 beside the song is not used: %2").arg(bank, why));
    }
}

void FluidSequencer::showSongBank(const QString &bank)
{
    if (bank == m_songBankShown)
        return;
    m_songBankShown = bank;
    std::erase_if(m_songBankWatchers, [](const auto &w) { return w.first.isNull(); });
    // A copy: a watcher may add another.
    const auto watchers = m_songBankWatchers;
    for (const auto &[context, changed] : watchers) {
        if (context)
            changed();
    }
}

void FluidSequencer::watchSongBank(QObject *context, std::function<void()> changed)
{
    m_songBankWatchers.emplace_back(context, std::move(changed));
}

void FluidSequencer::close()
{
    if (m_out) {
        std::lock_guard guard(*m_lock);
        dropPlayerLocked();
        silenceLocked();
        m_loopA = m_loopB = -1;
    }
    m_song = MidiFile();
    m_bytes.clear();
    m_open = false;
    m_mode = Mode::NotOpen;
    showSongBank({});
}

int FluidSequencer::play(qint64 fromMs)
{
    if (!m_open)
        return MediaError::DeviceNotOpen;
    if (fromMs < 0 && mode() == Mode::Playing)
        return 0;
    std::lock_guard guard(*m_lock);
    const qint64 tick = std::min(fromMs < 0 ? currentTickLocked() : m_song.msToTick(double(fromMs)), m_song.lastTick());
    dropPlayerLocked();
    keepInstrumentsLocked();
    // Controllers of the old position must not leak into the new one. The
    // reset drops sounding voices from the mixer without freeing them; the
    // sounds-off after it frees them (the other order leaks them for good).
    sendSongReset(m_out->synth(), m_sound.songReset);
    m_out->keepControlDefaultsLocked();
    silenceLocked();
    // The old player is gone: a failed start leaves the song stopped where it was asked to start.
    m_heldTick = tick;
    m_mode = Mode::Stopped;
    return startPlayerLocked(tick);
}

int FluidSequencer::startPlayerLocked(qint64 tick)
{
    fluid_player_t *player = new_fluid_player(m_out->synth());
    if (!player)
        return MediaError::NotAvailable;
    if (fluid_player_add_mem(player, m_bytes.constData(), size_t(m_bytes.size())) != FLUID_OK
        || (tick > 0 && fluid_player_seek(player, int(tick)) != FLUID_OK) || fluid_player_play(player) != FLUID_OK) {
        delete_fluid_player(player);
        return MediaError::NotAvailable;
    }
    m_started = false;
    fluid_player_set_tempo(player, FLUID_PLAYER_TEMPO_INTERNAL, m_tempoPercent / 100.0);
    fluid_player_set_tick_callback(player, &FluidSequencer::onTick, this);
    m_player = player;
    m_out->setPlayerLocked(player);
    m_startTick = tick;
    m_heldTick = tick;
    m_seenTick = tick;
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

void FluidSequencer::setFaultListener(std::function<void()> listener)
{
    m_faultListener = std::move(listener);
    if (!m_faultContext)
        m_faultContext = std::make_unique<QObject>();
    if (m_out)
        m_out->setFaultNotice(faultNotice());
}

std::function<void()> FluidSequencer::faultNotice()
{
    QObject *context = m_faultContext.get();
    if (!context)
        return {};
    // Posted: the render thread must not run the player's code. Once the
    // context is gone with this device, what was posted is dropped with it.
    return [this, context] {
        QMetaObject::invokeMethod(
            context,
            [this] {
            if (m_faultListener)
                m_faultListener();
            },
            Qt::QueuedConnection);
    };
}

qint64 FluidSequencer::currentTickLocked() const
{
    if (!m_player)
        return m_heldTick;
    // Until the player has taken its seek it still reports tick 0.
    return std::max<qint64>(fluid_player_get_current_tick(m_player), m_startTick);
}

void FluidSequencer::setTempoPercent(int percent)
{
    percent = std::clamp(percent, 25, 200);
    if (!m_lock) {
        m_tempoPercent = percent;
        return;
    }
    std::lock_guard guard(*m_lock);
    m_tempoPercent = percent;
    if (m_player)
        fluid_player_set_tempo(m_player, FLUID_PLAYER_TEMPO_INTERNAL, percent / 100.0);
}

void FluidSequencer::setTranspose(int semitones)
{
    m_transpose = std::clamp(semitones, -NoteMapper::MaxTranspose, NoteMapper::MaxTranspose);
    if (m_out)
        m_out->setTranspose(m_transpose);
}

void FluidSequencer::setChannelMix(const ChannelMix::Settings &mix)
{
    m_mix = mix;
    if (!m_out)
        return;
    std::lock_guard guard(*m_lock);
    m_out->setChannelMixLocked(mix);
    m_mix = m_out->channelMixLocked();
}

ChannelMix::Settings FluidSequencer::channelMix() const
{
    return m_mix;
}

const ChannelActivity *FluidSequencer::channelActivity() const
{
    return m_out ? &m_out->activity() : nullptr;
}

SequencerDevice::ChannelSound FluidSequencer::channelSound(int channel) const
{
    if (!m_out || channel < 0 || channel >= 16)
        return {};
    std::lock_guard guard(*m_lock);
    return channelSoundOf(m_out->synth(), channel);
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
        if (fluid_synth_get_program(synth, chan, &p[0], &p[1], &p[2]) == FLUID_OK && p[0] > 0 && !now.contains(p)
            && fluid_synth_pin_preset(synth, p[0], p[1], p[2]) == FLUID_OK)
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

void FluidSequencer::setLoop(qint64 aMs, qint64 bMs)
{
    if (!m_open)
        return;
    const bool on = aMs >= 0 && bMs > aMs;
    std::lock_guard guard(*m_lock);
    m_loopA = on ? m_song.msToTick(double(aMs)) : -1;
    m_loopB = on ? std::min(m_song.msToTick(double(bMs)), m_song.lastTick()) : -1;
    // B set as play passes it (the user's reaction lags the music): the jump comes at once.
    const qint64 now = currentTickLocked();
    if (on && m_player && now >= m_loopB && now < m_song.msToTick(double(bMs) + 1000.0))
        m_seenTick = m_loopB - 1;
}

// On the render thread, under the lock, after the player sent the events up to tick.
int FluidSequencer::onTick(void *data, int tick)
{
    auto *self = static_cast<FluidSequencer *>(data);
    self->m_started = true;
    self->loopLocked(tick);
    return FLUID_OK;
}

void FluidSequencer::loopLocked(qint64 tick)
{
    const qint64 step = tick - m_seenTick;
    const bool before = m_seenTick < m_loopB;
    m_seenTick = tick;
    // The jump is taken a block early rather than late: nothing of B or after is heard.
    // Play started past B runs on to the end.
    if (m_loopB <= m_loopA || !before || tick + std::max<qint64>(step, 1) < m_loopB || !m_player)
        return;
    fluid_synth_t *synth = m_out->synth();
    m_out->endNotesLocked();
    fluid_synth_all_sounds_off(synth, -1);
    // The seek sends the controllers and programs of the song up to A again;
    // pedals, bends and volumes that A's part never set are let go.
    for (int chan = 0; chan < fluid_synth_count_midi_channels(synth); ++chan)
        fluid_synth_cc(synth, chan, 121, 0);
    m_out->sendControlDefaultsLocked();
    if (fluid_player_seek(m_player, int(m_loopA)) == FLUID_OK) {
        m_startTick = m_loopA;
        m_seenTick = m_loopA;
    }
}

FluidSequencer::ChannelPreset FluidSequencer::channelPreset(int channel) const
{
    ChannelPreset p;
    if (!m_out)
        return p;
    std::lock_guard guard(*m_lock);
    // The preset itself: a reset picks one without naming its bank to the channel.
    fluid_preset_t *preset = fluid_synth_get_channel_preset(m_out->synth(), channel);
    if (!preset)
        return p;
    p.bank = fluid_preset_get_banknum(preset);
    p.program = fluid_preset_get_num(preset);
    if (fluid_sfont_t *font = fluid_preset_get_sfont(preset))
        p.bankFile = QFile::decodeName(fluid_sfont_get_name(font));
    return p;
}

int FluidSequencer::activeVoices() const
{
    return m_out ? fluid_synth_get_active_voice_count(m_out->synth()) : 0;
}

bool FluidSequencer::outputRendering() const
{
    return m_out && m_out->rendering();
}

bool FluidSequencer::setSound(const SoundConfig &config, QString *error)
{
    if (!m_out) {
        // Nothing made yet: making it now tries the banks and the driver.
        const SoundConfig before = std::exchange(m_sound, config);
        if (ensureOutput() == 0)
            return true;
        *error = std::exchange(m_openError, QString());
        m_sound = before;
        return false;
    }
    if (!config.sameSynth(m_sound)) {
        if (!changeSynth(config, error))
            return false;
        showSongBank(m_open ? m_out->heard().songBank() : QString());
    } else {
        std::lock_guard guard(*m_lock);
        applySoundLive(m_out->synth(), config);
    }
    const SoundConfig before = std::exchange(m_sound, config);
    if (config.sameOutput(before) || m_out->restartOutput(config, error))
        return true;
    m_sound.audioDriver = before.audioDriver;
    m_sound.audioDevice = before.audioDevice;
    m_sound.bufferFrames = before.bufferFrames;
    return false;
}

bool FluidSequencer::changeSynth(const SoundConfig &config, QString *error)
{
    auto fresh = m_out->makeSynth(config, error);
    if (!fresh)
        return false;
    // The song's own bank stays on top of the new stack.
    if (QString why; m_open && !fresh->setSongBank(m_songBankShown, &why))
        tellTerminal(QStringLiteral("The sound bank %1 beside the song is not used: %2").arg(m_songBankShown, why));
    // The channels' instruments are chosen on the new synth before it is
    // heard, so their samples load here and not in the audio thread; the
    // player's seek then selects them again as the song set them.
    fluid_synth_t *now = fresh->synth();
    const int channels = fluid_synth_count_midi_channels(now);
    QVector<std::array<int, 2>> programs(channels, {-1, -1});
    {
        std::lock_guard guard(*m_lock);
        for (int chan = 0; chan < std::min(channels, fluid_synth_count_midi_channels(m_out->synth())); ++chan) {
            int sfont = 0;
            fluid_synth_get_program(m_out->synth(), chan, &sfont, &programs[chan][0], &programs[chan][1]);
        }
    }
    QVector<std::array<int, 3>> pinned;
    for (int chan = 0; chan < channels; ++chan) {
        std::array<int, 3> p{};
        if (programs[chan][0] < 0 || fluid_synth_bank_select(now, chan, programs[chan][0]) != FLUID_OK
            || fluid_synth_program_change(now, chan, programs[chan][1]) != FLUID_OK
            || fluid_synth_get_program(now, chan, &p[0], &p[1], &p[2]) != FLUID_OK || p[0] <= 0 || pinned.contains(p))
            continue;
        if (fluid_synth_pin_preset(now, p[0], p[1], p[2]) == FLUID_OK)
            pinned.append(p);
    }

    std::unique_ptr<FluidOutput::Synth> old;
    std::lock_guard guard(*m_lock);
    const bool playing = m_mode == Mode::Playing && m_player && m_out->playerLocked() == m_player
                         && fluid_player_get_status(m_player) != FLUID_PLAYER_DONE;
    const qint64 tick = currentTickLocked();
    dropPlayerLocked();
    old = m_out->swapSynthLocked(std::move(fresh));
    m_pinned = pinned;
    m_heldTick = tick;
    if (playing) {
        sendSongReset(m_out->synth(), config.songReset);
        if (startPlayerLocked(tick) != 0)
            m_mode = Mode::Stopped;
    }
    return true;
}

QStringList FluidSequencer::systemBanks() const
{
    return findSystemBanks();
}

QList<SoundControl::AudioDriver> FluidSequencer::audioDrivers()
{
    // Tried again, the driver in use could be refused as busy by itself.
    const QString inUse = m_out ? m_out->driverName() : QString();
    QList<AudioDriver> drivers;
    for (const QString &name : compiledAudioDrivers()) {
        // The file driver is for tests and machines without sound.
        if (name != QLatin1String("file") || name == inUse)
            drivers.append({name, name == inUse ? QString() : audioDriverProblem(name)});
    }
    return drivers;
}

QStringList FluidSequencer::audioDevices(const QString &driver)
{
    return audioDeviceOptions(driver);
}
