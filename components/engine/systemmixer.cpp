#include "components/engine/systemmixer.h"
#include "components/core/synthlevel.h"
#include <algorithm>

namespace {
// A little under the window's refresh period, so each refresh may look.
constexpr qint64 CheckEveryMs = 900;
constexpr int FullScale = 65535;
}

SystemMixer::SystemMixer(SynthLevel *synth, const QByteArray &alsaDevice) : m_synth(synth), m_device(alsaDevice)
{
    m_cards = AlsaMixer::cards();
    m_alsa.open(m_device);
    rebuild();
    m_sinceCheck.start();
}

void SystemMixer::checkCard()
{
    if (m_sinceCheck.isValid() && m_sinceCheck.elapsed() < CheckEveryMs)
        return;
    m_sinceCheck.start();
    const std::vector<int> cards = AlsaMixer::cards();
    const bool gone = m_alsa.isOpen() && !m_alsa.poll();
    // Opening is tried again only when something changed, so a machine
    // without a card does not pay for a failing open every second.
    if (!gone && cards == m_cards)
        return;
    m_cards = cards;
    m_alsa.open(m_device);
    rebuild();
}

void SystemMixer::rebuild()
{
    const QString was = (m_current >= 0 && size_t(m_current) < m_sources.size()) ? m_sources[size_t(m_current)].name
                                                                                 : QString();
    m_sources.clear();
    const auto &elements = m_alsa.elements();
    for (size_t i = 0; i < elements.size(); ++i)
        m_sources.push_back({elements[i].label, false, i});
    if (m_synth)
        m_sources.push_back({QString::fromLatin1(SynthSourceName), true, 0});

    m_current = 0;
    for (size_t i = 0; i < m_sources.size(); ++i)
        if (m_sources[i].name == was)
            m_current = int(i);
    m_nameIndex = 0;

    if (m_sources.empty())
        m_deviceName.clear();
    else if (m_alsa.isOpen())
        m_deviceName = m_alsa.cardName();
    else
        m_deviceName = QStringLiteral("Lyrabox");
}

const SystemMixer::Source *SystemMixer::current()
{
    if (m_current < 0 || size_t(m_current) >= m_sources.size())
        return nullptr;
    return &m_sources[size_t(m_current)];
}

bool SystemMixer::fail()
{
    m_error = true;
    return false;
}

bool SystemMixer::IsOpen() const
{
    return !m_sources.empty();
}
bool SystemMixer::IsReady() const
{
    return !m_deviceName.isEmpty();
}

QString SystemMixer::DeviceName()
{
    checkCard();
    return m_deviceName;
}

int SystemMixer::SourceCount()
{
    return int(m_sources.size());
}

bool SystemMixer::SetNameIndex(int oneBased)
{
    if (oneBased < 1 || size_t(oneBased) > m_sources.size())
        return fail();
    m_nameIndex = oneBased;
    return true;
}

QString SystemMixer::SourceName()
{
    if (m_nameIndex < 1 || size_t(m_nameIndex) > m_sources.size()) {
        fail();
        return {};
    }
    return m_sources[size_t(m_nameIndex - 1)].name;
}

int SystemMixer::SourceIndex()
{
    return m_current;
}

bool SystemMixer::SetSourceIndex(int index)
{
    if (index < 0 || size_t(index) >= m_sources.size())
        return fail();
    m_current = index;
    return true;
}

bool SystemMixer::VolumeEnabled()
{
    const Source *s = current();
    if (!s)
        return fail();
    return s->synth || m_alsa.elements()[s->element].volume;
}

bool SystemMixer::MuteEnabled()
{
    const Source *s = current();
    if (!s)
        return fail();
    return s->synth || m_alsa.elements()[s->element].sw;
}

int SystemMixer::Volume()
{
    const Source *s = current();
    int v = 0;
    if (!s)
        fail();
    else if (s->synth)
        v = std::clamp(m_synth->level(), 0, FullScale);
    else if (!m_alsa.volume(s->element, &v))
        fail();
    return v;
}

bool SystemMixer::SetVolume(int v)
{
    const Source *s = current();
    if (!s || v < 0 || v > FullScale)
        return fail();
    if (s->synth) {
        m_synth->setLevel(v);
        return true;
    }
    return m_alsa.setVolume(s->element, v) || fail();
}

int SystemMixer::Mute()
{
    const Source *s = current();
    int m = 0;
    if (!s)
        fail();
    else if (s->synth)
        m = m_synth->muted() ? 1 : 0;
    else if (!m_alsa.mute(s->element, &m))
        fail();
    return m;
}

bool SystemMixer::SetMute(int m)
{
    const Source *s = current();
    if (!s || (m != 0 && m != 1))
        return fail();
    if (s->synth) {
        m_synth->setMuted(m == 1);
        return true;
    }
    return m_alsa.setMute(s->element, m) || fail();
}

bool SystemMixer::TakeError()
{
    const bool e = m_error;
    m_error = false;
    return e;
}
