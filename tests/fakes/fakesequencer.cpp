#include "fakes/fakesequencer.h"
#include "playback/core/mediaerrors.h"
#include <QFileInfo>

int FakeSequencer::open(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    log << QStringLiteral("open ") + name;
    if (onOpen)
        onOpen(path);
    if (openErrors.contains(name))
        return openErrors.value(name);
    if (!QFileInfo(path).isFile())
        return MediaError::InvalidFilename;
    openFile = path;
    loop = {-1, -1};
    m_length = lengths.value(name, 200000);
    m_mode = Mode::Stopped;
    m_base = 0;
    return 0;
}

void FakeSequencer::close()
{
    log << QStringLiteral("close");
    m_mode = Mode::NotOpen;
    openFile.clear();
}

int FakeSequencer::play(qint64 fromMs)
{
    if (m_mode == Mode::NotOpen)
        return MediaError::DeviceNotOpen;
    log << QStringLiteral("play %1").arg(fromMs);
    if (fromMs < 0 && m_mode == Mode::Playing)
        return 0;   // resuming what plays changes nothing
    if (fromMs >= 0)
        m_base = qMin(fromMs, m_length);
    m_started = m_clock->nowMs();
    m_mode = Mode::Playing;
    return 0;
}

int FakeSequencer::halt(Mode to, const char *command)
{
    if (m_mode == Mode::NotOpen)
        return MediaError::DeviceNotOpen;
    log << QLatin1String(command);
    m_base = position();
    m_mode = to;
    return 0;
}

qint64 FakeSequencer::position() const
{
    if (m_mode != Mode::Playing)
        return m_base;
    return qMin(m_base + (m_clock->nowMs() - m_started), m_length);
}

SequencerDevice::Mode FakeSequencer::mode() const
{
    if (stopsAtEnd && m_mode == Mode::Playing && position() >= m_length)
        return Mode::Stopped;
    return m_mode;
}
