#include "playback/core/tailcut.h"
#include <algorithm>
#include <cmath>

TailCut::TailCut(int sampleRate, double maxSeconds, float threshold, double holdSeconds, double fadeSeconds)
    : m_max(std::llround(maxSeconds * sampleRate)), m_hold(std::max(1LL, std::llround(holdSeconds * sampleRate))),
      m_fade(std::clamp(std::llround(fadeSeconds * sampleRate), 1LL, std::max(1LL, m_max))), m_threshold(threshold)
{
}

void TailCut::feed(const float *left, const float *right, int frames)
{
    for (int k = frames - 1; k >= 0; --k) {
        if (std::abs(left[k]) >= m_threshold || std::abs(right[k]) >= m_threshold) {
            m_loudEnd = m_fed + k + 1;
            break;
        }
    }
    m_fed += frames;
}

long long TailCut::keep() const
{
    return std::min(m_loudEnd, m_max);
}

bool TailCut::done() const
{
    // A low note can pass near zero for a while: only a hold of quiet counts.
    return m_fed >= m_max || m_fed - m_loudEnd >= m_hold;
}

float TailCut::gain(long long frame) const
{
    return float(std::clamp(double(m_max - frame) / double(m_fade), 0.0, 1.0));
}
