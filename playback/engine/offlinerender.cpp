#include "playback/engine/offlinerender.h"
#include "app/core/terminal.h"
#include "playback/core/midifile.h"
#include "playback/core/peaklimiter.h"
#include "playback/core/songbankfinder.h"
#include "playback/core/tailcut.h"
#include "playback/engine/audiofilewriter.h"
#include "playback/engine/fluidsequencer.h"
#include "playback/engine/mappedevents.h"
#include "playback/engine/soundsetup.h"
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// Frames rendered at a time: large enough that the calls cost nothing.
constexpr int Block = 4096;
// FluidSynth's player drops tracks past this one.
constexpr int MaxTracks = 128;
// The longest song the player opens: 32767 s once rounded to whole seconds.
constexpr qint64 MaxSongMs = 32767499;

QString clockText(qint64 ms)
{
    const qint64 s = (ms + 500) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

// Takes the rendered frames in order: drops the limiter's delay, writes the
// song whole and its tail as far as it is heard.
class Stream {
public:
    Stream(AudioFileWriter &writer, long long songFrames, int delay, int rate)
        : m_writer(writer), m_song(songFrames), m_skip(delay), m_tail(rate, OfflineRender::MaxTailSeconds)
    {
    }

    bool take(const float *left, const float *right, int n, QString *error)
    {
        const int skip = int(std::min<long long>(m_skip, n));
        m_skip -= skip;
        left += skip;
        right += skip;
        n -= skip;
        const int song = int(std::clamp<long long>(m_song - m_written, 0, n));
        if (!put(left, right, song, error))
            return false;
        m_written += song;
        const int rest = n - song;
        if (rest == 0 || m_tail.done())
            return true;
        const long long at = m_tail.fed();
        m_tail.feed(left + song, right + song, rest);
        m_pendingLeft.insert(m_pendingLeft.end(), left + song, left + n);
        m_pendingRight.insert(m_pendingRight.end(), right + song, right + n);
        for (size_t k = m_pendingLeft.size() - size_t(rest), i = 0; k < m_pendingLeft.size(); ++k, ++i) {
            const float g = m_tail.gain(at + qint64(i));
            m_pendingLeft[k] *= g;
            m_pendingRight[k] *= g;
        }
        // What is known to be heard goes out; the quiet rest waits to see if it stays quiet.
        const auto heard = size_t(m_tail.keep() - m_tailWritten);
        if (heard == 0)
            return true;
        if (!put(m_pendingLeft.data(), m_pendingRight.data(), int(heard), error))
            return false;
        m_tailWritten += qint64(heard);
        m_pendingLeft.erase(m_pendingLeft.begin(), m_pendingLeft.begin() + qsizetype(heard));
        m_pendingRight.erase(m_pendingRight.begin(), m_pendingRight.begin() + qsizetype(heard));
        return true;
    }

    bool finished() const { return m_written >= m_song && m_tail.done(); }
    double songDone() const { return m_song > 0 ? double(m_written) / double(m_song) : 1.0; }
    long long frames() const { return m_written + m_tailWritten; }

private:
    bool put(const float *left, const float *right, int n, QString *error)
    {
        m_interleaved.resize(size_t(2 * n));
        for (int k = 0; k < n; ++k) {
            m_interleaved[size_t(2 * k)] = left[k];
            m_interleaved[size_t(2 * k + 1)] = right[k];
        }
        return m_writer.write(m_interleaved.data(), n, error);
    }

    AudioFileWriter &m_writer;
    long long m_song;
    long long m_skip;
    TailCut m_tail;
    long long m_written = 0;
    long long m_tailWritten = 0;
    std::vector<float> m_pendingLeft, m_pendingRight, m_interleaved;
};

QString refusal(const MidiFile &song)
{
    if (!song.isValid())
        return song.error();
    if (song.trackCount() > MaxTracks)
        return QStringLiteral("The song has %1 tracks; at most %2 can be played.")
            .arg(song.trackCount())
            .arg(MaxTracks);
    if (song.lastTick() > std::numeric_limits<int>::max())
        return QStringLiteral("The song is too long to be played: it runs to MIDI tick %1.").arg(song.lastTick());
    if (song.lengthMs() > MaxSongMs)
        return QStringLiteral("The song is too long to be played: it lasts %1; at most %2 can be played.")
            .arg(clockText(song.lengthMs()), clockText(MaxSongMs));
    return {};
}
}

int OfflineRender::playEvent(void *data, fluid_midi_event_t *event)
{
    auto *self = static_cast<OfflineRender *>(data);
    return sendMapped(self->m_synth, self->m_mapper, self->m_mix, event);
}

OfflineRender::OfflineRender(Options options) : m_options(std::move(options)) {}

SongRenderFactory OfflineRender::factory(const SoundConfig &sound)
{
    const Options options{sound, FluidSequencer::DefaultGain};
    return [options] { return std::make_unique<OfflineRender>(options); };
}

OfflineRender::~OfflineRender()
{
    dropSynth();
}

void OfflineRender::dropSynth()
{
    if (m_synth)
        delete_fluid_synth(m_synth);
    if (m_settings)
        delete_fluid_settings(m_settings);
    m_synth = nullptr;
    m_settings = nullptr;
}

bool OfflineRender::makeSynth(QString *error)
{
    dropSynth();
    m_settings = new_fluid_settings();
    if (m_settings) {
        fluid_settings_t *s = m_settings;
        // As the player: a big bank only loads the instruments a song plays.
        fluid_settings_setint(s, "synth.dynamic-sample-loading", 1);
        // The player follows the samples rendered, not the wall clock.
        fluid_settings_setstr(s, "player.timing-source", "sample");
        fluid_settings_setnum(s, "synth.sample-rate", m_options.sampleRate);
        fluid_settings_setnum(s, "synth.gain", m_options.gain);
        applySoundSettings(s, m_options.sound);
        m_synth = newSynth(s);
    }
    if (!m_synth) {
        *error = QStringLiteral("FluidSynth could not set up a synthesizer.");
        dropSynth();
        return false;
    }
    if (!loadBanks(m_synth, m_options.sound.banks, error)) {
        dropSynth();
        return false;
    }
    applySoundLive(m_synth, m_options.sound);
    if (m_options.limiter)
        m_limiter = std::make_unique<PeakLimiter>(m_options.sampleRate);
    return true;
}

void OfflineRender::stackSongBank(const QString &song)
{
    const QString bank = SongBankFinder().find(song);
    QString why;
    if (bank.isEmpty() || loadBank(m_synth, bank, &why) != FLUID_FAILED)
        return;
    const QString line = QStringLiteral("The sound bank %1 beside the song is not used: %2").arg(bank, why);
    if (m_options.notice)
        m_options.notice(line);
    else
        tellTerminal(line);
}

bool OfflineRender::render(const RenderJob &job, const std::atomic<bool> &cancel, const Progress &progress,
                           QString *error)
{
    const MidiFile song = MidiFile::load(job.input);
    if (const QString why = refusal(song); !why.isEmpty()) {
        *error = why;
        return false;
    }
    if (!job.overwrite && QFileInfo::exists(job.output)) {
        *error = QStringLiteral("%1 already exists.").arg(job.output);
        return false;
    }
    // Replacing is for files: a pipe or a device (/dev/null) given as the output stays what it is.
    if (const QFileInfo out(job.output); out.exists() && !out.isFile()) {
        *error = QStringLiteral("%1 is not a regular file; only files are written over.").arg(job.output);
        return false;
    }
    if (!makeSynth(error))
        return false;
    stackSongBank(job.input);
    std::unique_ptr<AudioFileWriter> writer = AudioFileWriter::create(job.output, job.format, m_options.sampleRate,
                                                                      error);
    if (!writer)
        return false;

    const QByteArray bytes = song.playableBytes();
    sendSongReset(m_synth, m_options.sound.songReset);
    fluid_player_t *player = new_fluid_player(m_synth);
    m_mapper.reset();
    m_mapper.setTranspose(job.transpose);
    m_mix.reset();
    sendMessages(m_synth, m_mix.apply(job.mix));
    sendMessages(m_synth, m_mix.restore());
    if (player) {
        fluid_player_set_playback_callback(player, &OfflineRender::playEvent, this);
        fluid_player_set_tempo(player, FLUID_PLAYER_TEMPO_INTERNAL, job.tempoPercent / 100.0);
    }
    if (!player || fluid_player_add_mem(player, bytes.constData(), size_t(bytes.size())) != FLUID_OK
        || fluid_player_play(player) != FLUID_OK) {
        if (player)
            delete_fluid_player(player);
        *error = QStringLiteral("FluidSynth could not play the song.");
        return false;
    }
    const int rate = m_options.sampleRate;
    const auto songFrames = std::llround(song.tickToMs(song.lastTick()) * rate / 1000.0 * 100.0 / job.tempoPercent);
    Stream stream(*writer, songFrames, m_limiter ? m_limiter->latency() : 0, rate);
    std::vector<float> left(Block), right(Block);
    bool ok = true;
    while (ok && !stream.finished()) {
        if (cancel) {
            *error = QStringLiteral("Cancelled.");
            ok = false;
            break;
        }
        fluid_synth_write_float(m_synth, Block, left.data(), 0, 1, right.data(), 0, 1);
        if (m_limiter)
            m_limiter->process(left.data(), right.data(), Block);
        ok = stream.take(left.data(), right.data(), Block, error);
        if (progress)
            progress(std::min(1.0, stream.songDone()), double(stream.frames()) / rate);
    }
    delete_fluid_player(player);
    dropSynth();
    return ok && writer->commit(job.overwrite, error);
}
