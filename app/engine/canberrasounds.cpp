#include "app/engine/canberrasounds.h"
#include <canberra.h>

namespace {
constexpr unsigned OurId = 1;
}

CanberraSounds::CanberraSounds()
{
    m_pool.setMaxThreadCount(1);
}

CanberraSounds::~CanberraSounds()
{
    m_pool.waitForDone();
    if (m_context)
        ca_context_destroy(m_context);
}

QString CanberraSounds::eventId(WindowSound sound)
{
    switch (sound) {
    case WindowSound::RestoreUp: return QStringLiteral("window-unminimized");
    case WindowSound::RestoreDown: return QStringLiteral("window-unmaximized");
    case WindowSound::Minimize: return QStringLiteral("window-minimized");
    case WindowSound::Maximize: return QStringLiteral("window-maximized");
    }
    return {};
}

void CanberraSounds::play(WindowSound sound, SoundFlags flags)
{
    const QString id = eventId(sound);
    if (id.isEmpty() || m_state == Failed)
        return;
    const bool noStop = hasFlag(flags, SoundFlags::NotOverAPlayingSound);
    if (noStop && m_playing > 0)
        return;
    const QByteArray name = id.toLatin1();
    m_pool.start([this, name, noStop] { playNow(name, noStop); });
}

void CanberraSounds::playNow(const QByteArray &eventId, bool noStop)
{
    if (m_state == Untried) {
        if (ca_context_create(&m_context) == CA_SUCCESS && ca_context_open(m_context) == CA_SUCCESS) {
            m_state = Open;
        } else {
            if (m_context)
                ca_context_destroy(m_context);
            m_context = nullptr;
            m_state = Failed;
        }
    }
    if (m_state != Open)
        return;
    if (m_playing > 0) {
        if (noStop)
            return;
        ca_context_cancel(m_context, OurId);
    }
    ca_proplist *props = nullptr;
    if (ca_proplist_create(&props) != CA_SUCCESS)
        return;
    ca_proplist_sets(props, CA_PROP_EVENT_ID, eventId.constData());
    ca_proplist_sets(props, CA_PROP_CANBERRA_CACHE_CONTROL, "permanent");
    ++m_playing;
    if (ca_context_play_full(m_context, OurId, props, &CanberraSounds::finished, this) != CA_SUCCESS)
        --m_playing;
    ca_proplist_destroy(props);
}

void CanberraSounds::finished(ca_context *, uint32_t, int, void *self)
{
    --static_cast<CanberraSounds *>(self)->m_playing;
}
