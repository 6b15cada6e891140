#include "fakes/fakemixer.h"

FakeMixer::FakeMixer(const QStringList &names, const QString &dev) : device(dev)
{
    for (const QString &n : names)
        sources.push_back({n});
}

bool FakeMixer::ok(const char *op)
{
    if (failing.contains(QLatin1String(op)))
        m_error = true;
    return !failing.contains(QLatin1String(op));
}

FakeMixer::Source *FakeMixer::src(const char *op)
{
    if ((op && !ok(op)) || current < 0 || size_t(current) >= sources.size())
        return m_error = true, nullptr;
    return &sources[size_t(current)];
}

bool FakeMixer::SetNameIndex(int i)
{
    if (!ok("SetNameIndex") || i < 1 || size_t(i) > sources.size())
        return m_error = true, false;
    m_nameIndex = i;
    return true;
}

QString FakeMixer::SourceName()
{
    if (!ok("SourceName") || m_nameIndex < 1 || size_t(m_nameIndex) > sources.size())
        return m_error = true, QString();
    return sources[size_t(m_nameIndex - 1)].name;
}

bool FakeMixer::SetSourceIndex(int i)
{
    if (!ok("SetSourceIndex") || i < 0 || size_t(i) >= sources.size())
        return m_error = true, false;
    current = i;
    return true;
}

bool FakeMixer::SetVolume(int v)
{
    Source *s = src("SetVolume");
    if (!s)
        return false;
    volumeWrites << v;
    s->volume = v;
    return true;
}

bool FakeMixer::SetMute(int m)
{
    Source *s = src("SetMute");
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
