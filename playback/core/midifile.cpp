#include "playback/core/midifile.h"
#include "playback/core/midifile_walk.h"
#include "app/core/numbers.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace midifile_detail;

namespace {

constexpr quint32 DefaultTempo = 500000;

QString trackText(int track, int tracks)
{
    return tracks > 1 ? QStringLiteral("Track %1 of %2").arg(track).arg(tracks) : QStringLiteral("The track");
}

QString walkErrorText(WalkError e, int track, int tracks, qint64 offset)
{
    const QString t = trackText(track, tracks);
    switch (e) {
    case WalkError::LongNumber:
        return QStringLiteral("%1 is damaged: a time or length at byte %2 is longer than four bytes.")
            .arg(t)
            .arg(offset);
    case WalkError::NoRunningStatus:
        return QStringLiteral("%1 is damaged: the event at byte %2 has no status byte and no running status to use.")
            .arg(t)
            .arg(offset);
    case WalkError::BadDataByte:
        return QStringLiteral("%1 is damaged: the event at byte %2 has a value out of range.").arg(t).arg(offset);
    case WalkError::Truncated:   // the walk ends the track instead
    case WalkError::None: break;
    }
    return {};
}

bool isPrintableId(const uchar *id)
{
    for (int i = 0; i < 4; ++i)
        if (id[i] < 0x20 || id[i] > 0x7e)
            return false;
    return true;
}

}   // namespace

class MidiFileParser {
public:
    static MidiFile parse(const QByteArray &bytes);

private:
    // Where the reader is in the SMF and what the tracks read so far found.
    struct Scan {
        const uchar *b;
        qint64 n;
        qint64 base;   // offset of the SMF in the file, for the error texts
        qint64 pos = 0;
        int tracks = 0;
        quint32 smpteTempo = 0;
        bool rewrite = false;
        bool sorted = true;
        qint64 lastTick = 0;
    };

    static QString parseSmf(MidiFile &f, const QByteArray &smf, qint64 base);
    static QString parseHeader(MidiFile &f, Scan &s);
    static QString findTrack(Scan &s, int t);
    static QString readTrack(QVector<MidiFile::TempoChange> &tempo, Scan &s, int t);
    static void buildTempoMap(MidiFile &f, bool sorted);
};

MidiFile MidiFileParser::parse(const QByteArray &bytes)
{
    MidiFile f;
    const qint64 n = bytes.size();
    if (n == 0) {
        f.m_error = QStringLiteral("The file is empty.");
        return f;
    }
    if (n > MidiFile::MaxFileSize) {
        f.m_error = QStringLiteral("The file is too large for a MIDI file (the limit is 64 MiB).");
        return f;
    }
    const auto *b = reinterpret_cast<const uchar *>(bytes.constData());
    QByteArray smf;
    qint64 base = 0;
    if (n >= 4 && std::memcmp(b, "RIFF", 4) == 0) {
        if (n < 12) {
            f.m_error = QStringLiteral("The RIFF-MIDI header is cut short.");
            return f;
        }
        if (std::memcmp(b + 8, "RMID", 4) != 0) {
            f.m_error = QStringLiteral("This is a RIFF file, but not a RIFF-MIDI file.");
            return f;
        }
        // The RIFF size field is often wrong in files found in the wild:
        // the chunks are followed to the end of the file instead.
        qint64 pos = 12;
        bool found = false;
        while (n - pos >= 8) {
            const uchar *id = b + pos;
            const qint64 len = le32(b + pos + 4);
            pos += 8;
            if (len > n - pos) {
                if (std::memcmp(id, "data", 4) == 0)
                    f.m_error = QStringLiteral("The MIDI data chunk of this RIFF-MIDI file has a bad length "
                                               "(it claims %1 bytes, but only %2 remain).")
                                    .arg(len)
                                    .arg(n - pos);
                else
                    f.m_error = QStringLiteral("This RIFF-MIDI file has a chunk with a bad length "
                                               "(it claims %1 bytes, but only %2 remain).")
                                    .arg(len)
                                    .arg(n - pos);
                return f;
            }
            if (std::memcmp(id, "data", 4) == 0) {
                smf = bytes.mid(pos, len);
                base = pos;
                found = true;
                break;
            }
            pos += len + (len & 1);
        }
        if (!found) {
            f.m_error = QStringLiteral("This RIFF-MIDI file has no MIDI data chunk.");
            return f;
        }
    } else {
        smf = bytes;
    }
    const QString error = parseSmf(f, smf, base);
    if (!error.isEmpty()) {
        MidiFile bad;
        bad.m_error = error;
        return bad;
    }
    f.m_smf = smf;
    f.m_error.clear();
    return f;
}

QString MidiFileParser::parseSmf(MidiFile &f, const QByteArray &smf, qint64 base)
{
    Scan s{reinterpret_cast<const uchar *>(smf.constData()), smf.size(), base};
    if (QString error = parseHeader(f, s); !error.isEmpty())
        return error;
    s.rewrite = f.m_rewrite;
    for (int t = 1; t <= s.tracks; ++t) {
        if (QString error = findTrack(s, t); !error.isEmpty())
            return error;
        if (QString error = readTrack(f.m_tempo, s, t); !error.isEmpty())
            return error;
    }
    f.m_lastTick = s.lastTick;
    f.m_rewrite = s.rewrite;
    if (s.smpteTempo) {
        f.m_tempo.clear();
        f.m_tempo.push_back({0, qint64(s.smpteTempo), 0.0});
    } else {
        buildTempoMap(f, s.sorted);
    }
    return {};
}

// Leaves s.pos at the first chunk after the header.
QString MidiFileParser::parseHeader(MidiFile &f, Scan &s)
{
    const qint64 n = s.n;
    const uchar *b = s.b;
    if (n == 0)
        return QStringLiteral("The MIDI data is empty.");
    if (n < 4 || std::memcmp(b, "MThd", 4) != 0)
        return QStringLiteral("This is not a MIDI file (it does not start with a MIDI header).");
    if (n < 14)
        return QStringLiteral("The MIDI header is cut short.");
    const qint64 headerLen = be32(b + 4);
    if (headerLen < 6)
        return QStringLiteral("The MIDI header has a bad length (%1 bytes; it needs 6).").arg(headerLen);
    if (headerLen > n - 8)
        return QStringLiteral("The MIDI header has a bad length (it claims %1 bytes, past the end of the file).")
            .arg(headerLen);
    const int format = be16(b + 8);
    const int tracks = be16(b + 10);
    const quint16 division = be16(b + 12);
    if (format > 2)
        return QStringLiteral("Unsupported MIDI file format %1 (only formats 0, 1 and 2 exist).").arg(format);
    if (tracks == 0)
        return QStringLiteral("The MIDI file has no tracks.");
    f.m_format = format;
    f.m_tracks = tracks;
    s.tracks = tracks;
    f.m_rewrite = headerLen != 6;
    s.pos = 8 + headerLen;
    if (division & 0x8000) {
        const int fps = -int(qint8(division >> 8));
        const int perFrame = division & 0xff;
        if (fps != 24 && fps != 25 && fps != 29 && fps != 30)
            return QStringLiteral("The MIDI file has an unknown SMPTE frame rate (%1 frames a second).").arg(fps);
        if (perFrame == 0)
            return QStringLiteral("The MIDI file has a bad SMPTE time division (0 ticks a frame).");
        f.m_smpte = true;
        f.m_rewrite = true;
        // 29.97 frames a second: 30 nominal frames, each 1.001 times longer.
        f.m_division = (fps == 29 ? 30 : fps) * perFrame;
        s.smpteTempo = fps == 29 ? 1001000 : 1000000;
    } else {
        if (division == 0)
            return QStringLiteral("The MIDI file has a bad time division (0 ticks a quarter note).");
        f.m_division = division;
    }
    return {};
}

// Moves s.pos past the header of the next track chunk, skipping chunks of
// other kinds.
QString MidiFileParser::findTrack(Scan &s, int t)
{
    const int tracks = s.tracks;
    const qint64 n = s.n;
    for (;;) {
        if (n - s.pos < 8)
            return QStringLiteral("The file is cut short: it ends before track %1 of %2.").arg(t).arg(tracks);
        const uchar *id = s.b + s.pos;
        const qint64 len = be32(s.b + s.pos + 4);
        if (!isPrintableId(id))
            return QStringLiteral("The file is damaged: unreadable data at byte %1, where track %2 of %3 should begin.")
                .arg(s.base + s.pos)
                .arg(t)
                .arg(tracks);
        s.pos += 8;
        if (std::memcmp(id, "MTrk", 4) == 0)
            return {};
        if (len > n - s.pos)
            return QStringLiteral("The file has a chunk with a bad length before track %1 of %2 "
                                  "(it claims %3 bytes, but only %4 remain).")
                .arg(t)
                .arg(tracks)
                .arg(len)
                .arg(n - s.pos);
        s.pos += len;
        s.rewrite = true;
    }
}

// Reads the track whose data starts at s.pos and leaves s.pos at the next chunk.
QString MidiFileParser::readTrack(QVector<MidiFile::TempoChange> &tempo, Scan &s, int t)
{
    const uchar *b = s.b;
    const qint64 n = s.n;
    bool &rewrite = s.rewrite;
    const quint32 smpteTempo = s.smpteTempo;
    const qint64 statedEnd = s.pos + be32(b + s.pos - 4);
    const qint64 dataEnd = trackDataEnd(b, n, s.pos, statedEnd);
    const uchar *start = b + s.pos;
    const uchar *end = b + dataEnd;
    qint64 tick = 0;
    const qint64 firstTempo = tempo.size();
    const uchar *at = start;
    bool forgiven = false;
    const WalkError e = walkTrack(
        start, end,
        [&](const Event &ev) {
        tick += ev.delta;
        if (ev.status >= 0xf0) {
            if (ev.status == 0xf7) {
                rewrite = true;
            } else if (ev.status == 0xff) {
                if (!metaLengthOk(ev.metaType, ev.payloadLen)) {
                    rewrite = true;
                } else if (ev.metaType == 0x51) {
                    quint32 micros = 0;
                    if (!usableTempo(ev, micros))
                        rewrite = true;
                    else if (!smpteTempo)
                        tempo.push_back({tick, qint64(micros), 0.0});
                }
            }
        }
        return true;
        },
        at, forgiven);
    if (e != WalkError::None)
        return walkErrorText(e, t, s.tracks, s.base + (at - b));
    if (firstTempo > 0 && tempo.size() > firstTempo && tempo[firstTempo].tick < tempo[firstTempo - 1].tick)
        s.sorted = false;
    s.lastTick = std::max(s.lastTick, tick);
    s.pos = nextChunkAt(b, n, dataEnd, at - b);
    if (forgiven || dataEnd != statedEnd || s.pos != dataEnd)
        rewrite = true;
    return {};
}

void MidiFileParser::buildTempoMap(MidiFile &f, bool sorted)
{
    QVector<MidiFile::TempoChange> &tempo = f.m_tempo;
    if (!sorted)
        std::stable_sort(tempo.begin(), tempo.end(),
                         [](const MidiFile::TempoChange &a, const MidiFile::TempoChange &b) {
            return a.tick < b.tick;
        });
    // Compact in place: one entry per tick (the last one wins), starting at
    // tick 0 with the default tempo, no entry that repeats the tempo before it.
    const qsizetype raw = tempo.size();
    tempo.push_back({});   // room for the entry at tick 0
    std::move_backward(tempo.begin(), tempo.begin() + raw, tempo.end());
    tempo[0] = {0, DefaultTempo, 0.0};
    qsizetype out = 0;
    for (qsizetype i = 1; i <= raw; ++i) {
        const MidiFile::TempoChange c = tempo[i];
        if (c.tick == tempo[out].tick)
            tempo[out].microsPerQuarter = c.microsPerQuarter;
        else if (c.microsPerQuarter != tempo[out].microsPerQuarter)
            tempo[++out] = c;
    }
    tempo.resize(out + 1);
    const double perTick = 1.0 / (double(f.m_division) * 1000.0);
    tempo[0].msAtTick = 0.0;
    for (qsizetype i = 1; i < tempo.size(); ++i)
        tempo[i].msAtTick = tempo[i - 1].msAtTick
                            + double(tempo[i].tick - tempo[i - 1].tick) * double(tempo[i - 1].microsPerQuarter)
                                  * perTick;
}

MidiFile MidiFile::parse(const QByteArray &bytes)
{
    return MidiFileParser::parse(bytes);
}

MidiFile MidiFile::load(const QString &path)
{
    MidiFile f;
    if (path.isEmpty()) {
        f.m_error = QStringLiteral("No file name was given.");
        return f;
    }
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int err = errno;
        // Qt reads file names as UTF-8: a name in another encoding cannot be reached.
        if ((err == ENOENT || err == ENOTDIR) && path.contains(QChar::ReplacementCharacter))
            f.m_error = QStringLiteral("The file cannot be opened: its name is not valid UTF-8 text (rename it).");
        else if (err == ENOENT || err == ENOTDIR)
            f.m_error = QStringLiteral("The file does not exist.");
        else if (err == EACCES || err == EPERM)
            f.m_error = QStringLiteral("The file cannot be read (permission denied).");
        else
            f.m_error = QStringLiteral("The file cannot be opened (%1).")
                            .arg(QString::fromLocal8Bit(std::strerror(err)));
        return f;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        f.m_error = S_ISDIR(st.st_mode) ? QStringLiteral("This is a folder, not a file.")
                                        : QStringLiteral("This is not a regular file.");
        return f;
    }
    if (st.st_size > MaxFileSize) {
        ::close(fd);
        f.m_error = QStringLiteral("The file is too large for a MIDI file (the limit is 64 MiB).");
        return f;
    }
    // Read what is there, even if the file changed size since fstat, never
    // more than MaxFileSize + 1 bytes.
    QByteArray bytes;
    qint64 capacity = std::min<qint64>(st.st_size, MaxFileSize) + 1;
    bytes.resize(capacity);
    qint64 got = 0;
    for (;;) {
        if (got == capacity) {
            if (capacity > MaxFileSize)
                break;
            capacity = std::min<qint64>(capacity * 2, MaxFileSize + 1);
            bytes.resize(capacity);
        }
        const ssize_t r = ::read(fd, bytes.data() + got, size_t(capacity - got));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            f.m_error = QStringLiteral("The file cannot be read (%1).").arg(QString::fromLocal8Bit(std::strerror(err)));
            return f;
        }
        if (r == 0)
            break;
        got += r;
    }
    ::close(fd);
    if (got > MaxFileSize) {
        f.m_error = QStringLiteral("The file is too large for a MIDI file (the limit is 64 MiB).");
        return f;
    }
    bytes.resize(got);
    return MidiFileParser::parse(bytes);
}

qint64 MidiFile::lengthMs() const
{
    return RoundHalfEven(tickToMs(m_lastTick));
}

double MidiFile::tickToMs(qint64 tick) const
{
    if (m_tempo.isEmpty() || m_division <= 0 || tick <= 0)
        return 0.0;
    const auto it = std::upper_bound(m_tempo.cbegin(), m_tempo.cend(), tick,
                                     [](qint64 t, const TempoChange &c) { return t < c.tick; });
    const TempoChange &c = *(it - 1);
    return c.msAtTick + double(tick - c.tick) * double(c.microsPerQuarter) / (double(m_division) * 1000.0);
}

qint64 MidiFile::msToTick(double ms) const
{
    if (m_tempo.isEmpty() || m_division <= 0 || !(ms > 0.0))
        return 0;
    // The segment that holds ms: the last change that starts before it.
    const auto it = std::lower_bound(m_tempo.cbegin(), m_tempo.cend(), ms,
                                     [](const TempoChange &c, double v) { return c.msAtTick < v; });
    const TempoChange &c = *(it - 1);   // m_tempo[0].msAtTick == 0 < ms
    const double msPerTick = double(c.microsPerQuarter) / (double(m_division) * 1000.0);
    const double x = (ms - c.msAtTick) / msPerTick;
    constexpr double Limit = 4.0e18;
    if (!(x < Limit))
        return qint64(Limit);
    // Forgive the rounding of a time computed by tickToMs, so that
    // msToTick(tickToMs(t)) == t; never a whole tick, or a time that lies
    // clearly after a tick would be taken for it.
    const double slack = std::min(0.5, 1e-9 * std::max(1.0, x)
                                           + 8.0 * std::numeric_limits<double>::epsilon() * ms / msPerTick);
    qint64 tick = c.tick + qint64(std::ceil(x - slack));
    if (it != m_tempo.cend())
        tick = std::min(tick, it->tick);
    return std::max<qint64>(tick, 0);
}
