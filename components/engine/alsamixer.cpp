#include "components/engine/alsamixer.h"
#include "components/engine/quietalsa.h"
#include <alsa/asoundlib.h>
#include <poll.h>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <memory>

namespace {

constexpr int FullScale = 65535;

struct SelemIdFree {
    void operator()(snd_mixer_selem_id_t *id) const { snd_mixer_selem_id_free(id); }
};

int scaleUp(long raw, long lo, long hi)
{
    raw = std::clamp(raw, lo, hi);
    return int(std::lround(double(raw - lo) * FullScale / double(hi - lo)));
}

long scaleDown(int value, long lo, long hi)
{
    value = std::clamp(value, 0, FullScale);
    return lo + std::lround(double(value) * double(hi - lo) / FullScale);
}

bool volumeRange(snd_mixer_elem_t *e, long *lo, long *hi)
{
    return snd_mixer_selem_get_playback_volume_range(e, lo, hi) >= 0 && *hi > *lo;
}

}   // namespace

AlsaMixer::~AlsaMixer()
{
    close();
}

bool AlsaMixer::open(const QByteArray &device)
{
    close();
    const QuietAlsa quietly;
    snd_mixer_t *h = nullptr;
    if (snd_mixer_open(&h, 0) < 0 || !h)
        return false;
    if (snd_mixer_attach(h, device.constData()) < 0 || snd_mixer_selem_register(h, nullptr, nullptr) < 0
        || snd_mixer_load(h) < 0) {
        snd_mixer_close(h);
        return false;
    }
    m_handle = h;

    m_cardName.clear();
    snd_ctl_t *ctl = nullptr;
    snd_ctl_card_info_t *info = nullptr;
    if (snd_ctl_open(&ctl, device.constData(), SND_CTL_NONBLOCK) >= 0 && ctl) {
        if (snd_ctl_card_info_malloc(&info) >= 0 && info) {
            if (snd_ctl_card_info(ctl, info) >= 0) {
                const char *name = snd_ctl_card_info_get_name(info);
                if (name)
                    m_cardName = QString::fromLocal8Bit(name).trimmed();
            }
            snd_ctl_card_info_free(info);
        }
        snd_ctl_close(ctl);
    }
    if (m_cardName.isEmpty())
        m_cardName = QString::fromLocal8Bit(device);

    for (snd_mixer_elem_t *e = snd_mixer_first_elem(h); e; e = snd_mixer_elem_next(e)) {
        if (!snd_mixer_selem_is_active(e))
            continue;
        Element el;
        long lo = 0, hi = 0;
        el.volume = snd_mixer_selem_has_playback_volume(e) && volumeRange(e, &lo, &hi);
        el.sw = snd_mixer_selem_has_playback_switch(e);
        if (!el.volume && !el.sw)
            continue;
        const char *name = snd_mixer_selem_get_name(e);
        if (!name)
            continue;
        el.name = name;
        el.index = snd_mixer_selem_get_index(e);
        // The saved default "Main" has to find the card's master control.
        el.label = el.name == "Master" ? QStringLiteral("Main Volume") : QString::fromLocal8Bit(name);
        if (el.index > 0)
            el.label += QLatin1Char(' ') + QString::number(el.index);
        m_elements.push_back(std::move(el));
    }
    return true;
}

void AlsaMixer::close()
{
    if (m_handle)
        snd_mixer_close(m_handle);
    m_handle = nullptr;
    m_elements.clear();
    m_cardName.clear();
}

bool AlsaMixer::poll()
{
    if (!m_handle)
        return false;
    const int n = snd_mixer_poll_descriptors_count(m_handle);
    if (n < 0)
        return false;
    if (n == 0)
        return true;
    std::vector<pollfd> fds(static_cast<size_t>(n));
    const int got = snd_mixer_poll_descriptors(m_handle, fds.data(), unsigned(n));
    if (got < 0)
        return false;
    if (::poll(fds.data(), nfds_t(got), 0) < 0)
        return errno == EINTR;
    unsigned short revents = 0;
    if (snd_mixer_poll_descriptors_revents(m_handle, fds.data(), unsigned(got), &revents) < 0)
        return false;
    if (revents & (POLLERR | POLLHUP | POLLNVAL))
        return false;
    if (revents & POLLIN)
        return snd_mixer_handle_events(m_handle) >= 0;
    return true;
}

snd_mixer_elem_t *AlsaMixer::find(size_t element) const
{
    if (!m_handle || element >= m_elements.size())
        return nullptr;
    snd_mixer_selem_id_t *raw = nullptr;
    if (snd_mixer_selem_id_malloc(&raw) < 0 || !raw)
        return nullptr;
    std::unique_ptr<snd_mixer_selem_id_t, SelemIdFree> id(raw);
    snd_mixer_selem_id_set_name(id.get(), m_elements[element].name.constData());
    snd_mixer_selem_id_set_index(id.get(), m_elements[element].index);
    return snd_mixer_find_selem(m_handle, id.get());
}

bool AlsaMixer::volume(size_t element, int *out) const
{
    snd_mixer_elem_t *e = find(element);
    if (!e)
        return false;
    if (!m_elements[element].volume) {
        *out = 0;
        return true;
    }
    long lo = 0, hi = 0;
    if (!volumeRange(e, &lo, &hi))
        return false;
    // The loudest channel, so that a balance setting does not read as lower.
    bool any = false;
    long best = lo;
    for (int ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch) {
        const auto c = snd_mixer_selem_channel_id_t(ch);
        long v = 0;
        if (snd_mixer_selem_has_playback_channel(e, c) && snd_mixer_selem_get_playback_volume(e, c, &v) >= 0) {
            best = any ? std::max(best, v) : v;
            any = true;
        }
    }
    if (!any)
        return false;
    *out = scaleUp(best, lo, hi);
    return true;
}

bool AlsaMixer::setVolume(size_t element, int value)
{
    snd_mixer_elem_t *e = find(element);
    long lo = 0, hi = 0;
    if (!e || !m_elements[element].volume || !volumeRange(e, &lo, &hi))
        return false;
    return snd_mixer_selem_set_playback_volume_all(e, scaleDown(value, lo, hi)) >= 0;
}

bool AlsaMixer::mute(size_t element, int *out) const
{
    snd_mixer_elem_t *e = find(element);
    if (!e)
        return false;
    if (!m_elements[element].sw) {
        *out = 0;
        return true;
    }
    bool any = false, on = false;
    for (int ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch) {
        const auto c = snd_mixer_selem_channel_id_t(ch);
        int v = 0;
        if (snd_mixer_selem_has_playback_channel(e, c) && snd_mixer_selem_get_playback_switch(e, c, &v) >= 0) {
            any = true;
            on = on || v != 0;
        }
    }
    if (!any)
        return false;
    // ALSA's switch is "sound on"; muted means every channel is off.
    *out = on ? 0 : 1;
    return true;
}

bool AlsaMixer::setMute(size_t element, int muted)
{
    snd_mixer_elem_t *e = find(element);
    if (!e || !m_elements[element].sw)
        return false;
    return snd_mixer_selem_set_playback_switch_all(e, muted ? 0 : 1) >= 0;
}

std::vector<int> AlsaMixer::cards()
{
    std::vector<int> found;
    int card = -1;
    while (snd_card_next(&card) >= 0 && card >= 0 && found.size() < 64)
        found.push_back(card);
    return found;
}
