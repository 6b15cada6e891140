#include "fakes/fakemixer.h"

FakeMixer::FakeMixer(const QStringList &names, const QString &dev) : device(dev)
{
    for (const QString &n : names)
        sources.push_back({n});
}

FakeMixer::~FakeMixer()
{
    if (alive)
        *alive = false;
}

bool FakeMixer::fails(const char *op)
{
    if (!failing.contains(QString::fromLatin1(op)))
        return false;
    m_error = true;
    return true;
}

FakeMixer::Source *FakeMixer::cur()
{
    if (current < 0 || size_t(current) >= sources.size()) {
        m_error = true;
        return nullptr;
    }
    return &sources[size_t(current)];
}

QString FakeMixer::DeviceName() { return fails("DeviceName") ? QString() : device; }
int FakeMixer::SourceCount() { return fails("SourceCount") ? 0 : int(sources.size()); }

bool FakeMixer::SetNameIndex(int i)
{
    if (fails("SetNameIndex") || i < 1 || size_t(i) > sources.size())
        return m_error = true, false;
    nameIndex = i;
    return true;
}

QString FakeMixer::SourceName()
{
    if (fails("SourceName") || nameIndex < 1 || size_t(nameIndex) > sources.size())
        return m_error = true, QString();
    return sources[size_t(nameIndex - 1)].name;
}

int FakeMixer::SourceIndex() { return fails("SourceIndex") ? 0 : current; }

bool FakeMixer::SetSourceIndex(int i)
{
    if (fails("SetSourceIndex") || i < 0 || size_t(i) >= sources.size())
        return m_error = true, false;
    current = i;
    return true;
}

bool FakeMixer::VolumeEnabled()
{
    Source *s = fails("VolumeEnabled") ? nullptr : cur();
    return s && s->hasVolume;
}

bool FakeMixer::MuteEnabled()
{
    Source *s = fails("MuteEnabled") ? nullptr : cur();
    return s && s->hasMute;
}

int FakeMixer::Volume()
{
    Source *s = fails("Volume") ? nullptr : cur();
    return s ? s->volume : 0;
}

bool FakeMixer::SetVolume(int v)
{
    Source *s = fails("SetVolume") ? nullptr : cur();
    if (!s || !s->hasVolume)
        return m_error = true, false;
    volumeWrites << v;
    s->volume = v;
    return true;
}

int FakeMixer::Mute()
{
    Source *s = fails("Mute") ? nullptr : cur();
    return s ? s->mute : 0;
}

bool FakeMixer::SetMute(int m)
{
    Source *s = fails("SetMute") ? nullptr : cur();
    if (!s || !s->hasMute)
        return m_error = true, false;
    muteWrites << m;
    s->mute = m;
    return true;
}

bool FakeMixer::TakeError()
{
    const bool e = m_error;
    m_error = false;
    return e;
}
