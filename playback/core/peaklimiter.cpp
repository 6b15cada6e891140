#include "playback/core/peaklimiter.h"
#include <algorithm>
#include <cmath>

PeakLimiter::PeakLimiter(int sampleRate, float ceiling, double lookAheadMs, double releaseMs)
    : m_ceiling(ceiling), m_release(float(1.0 - std::exp(-1000.0 / (std::max(releaseMs, 1.0) * sampleRate)))),
      m_window(std::max(1, int(std::lround(lookAheadMs * sampleRate / 1000.0))) + 1)
{
    reset();
}

void PeakLimiter::reset()
{
    m_n = 0;
    m_pos = 0;
    m_left.assign(size_t(m_window), 0.0f);
    m_right.assign(size_t(m_window), 0.0f);
    m_minGain.assign(size_t(m_window), 1.0f);
    m_minAt.assign(size_t(m_window), 0);
    m_minHead = 0;
    m_minCount = 0;
    m_envelope = 1.0f;
    m_calm = m_window;
    m_recent.assign(size_t(m_window), 1.0f);
    m_sum = m_window;
}

// Takes the gain the newest sample needs and returns the gain for the sample
// leaving the delay line now. That one lies in the window of every envelope
// value averaged here, and each of those is at most its need: the average
// is too.
float PeakLimiter::pushGain(float needed)
{
    const int w = m_window;
    if (m_minCount > 0 && m_minAt[size_t(m_minHead)] <= m_n - w) {
        m_minHead = m_minHead + 1 == w ? 0 : m_minHead + 1;
        --m_minCount;
    }
    auto at = [&](int i) { return size_t(m_minHead + i < w ? m_minHead + i : m_minHead + i - w); };
    if (needed < 1.0f) {
        while (m_minCount > 0 && m_minGain[at(m_minCount - 1)] >= needed)
            --m_minCount;
        m_minGain[at(m_minCount)] = needed;
        m_minAt[at(m_minCount)] = m_n;
        ++m_minCount;
    }
    const float lowest = m_minCount > 0 ? m_minGain[size_t(m_minHead)] : 1.0f;

    float rise = m_envelope + (1.0f - m_envelope) * m_release;
    // Rounding would keep it a hair below 1 for good.
    if (rise > 0.999999f)
        rise = 1.0f;
    m_envelope = std::min(lowest, rise);
    m_calm = m_envelope == 1.0f ? std::min(m_calm + 1, w) : 0;
    const auto slot = size_t(m_pos);
    m_sum += m_envelope - m_recent[slot];
    m_recent[slot] = m_envelope;
    if (m_pos == w - 1) {
        // Keep rounding from piling up over hours.
        m_sum = 0.0;
        for (float e : m_recent)
            m_sum += e;
    }
    return float(m_sum / w);
}

void PeakLimiter::process(float *left, float *right, int frames)
{
    if (m_calm == m_window) {
        // Gain 1 all through the window: quiet blocks only pass the delay line.
        float peak = 0.0f;
        for (int k = 0; k < frames; ++k)
            peak = std::max(peak, std::max(std::abs(left[k]), std::abs(right[k])));
        if (peak <= m_ceiling) {
            delayOnly(left, right, frames);
            return;
        }
        m_sum = m_window;
    }
    const int w = m_window;
    for (int k = 0; k < frames; ++k) {
        const float l = left[k];
        const float r = right[k];
        const float peak = std::max(std::abs(l), std::abs(r));
        const float gain = pushGain(peak > m_ceiling ? m_ceiling / peak : 1.0f);
        m_left[size_t(m_pos)] = l;
        m_right[size_t(m_pos)] = r;
        // The window is the look-ahead + 1: the oldest sample sits next.
        m_pos = m_pos + 1 == w ? 0 : m_pos + 1;
        left[k] = m_left[size_t(m_pos)] * gain;
        right[k] = m_right[size_t(m_pos)] * gain;
        ++m_n;
    }
}

void PeakLimiter::delayOnly(float *left, float *right, int frames)
{
    const int w = m_window;
    for (int k = 0; k < frames; ++k) {
        m_left[size_t(m_pos)] = left[k];
        m_right[size_t(m_pos)] = right[k];
        m_pos = m_pos + 1 == w ? 0 : m_pos + 1;
        left[k] = m_left[size_t(m_pos)];
        right[k] = m_right[size_t(m_pos)];
    }
    m_n += frames;
}
