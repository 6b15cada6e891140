#pragma once
#include <vector>

// Keeps stereo samples at or below a ceiling. The gain starts falling a
// look-ahead before each peak, so it never has to jump, and recovers over
// the release time. The sound comes out later by the look-ahead.
class PeakLimiter {
public:
    // -1 dBFS: room for the 16-bit conversion and for resampling downstream.
    static constexpr float DefaultCeiling = 0.891f;

    explicit PeakLimiter(int sampleRate, float ceiling = DefaultCeiling, double lookAheadMs = 1.5,
                         double releaseMs = 150.0);

    // Limits the block in place (left and right may be the same buffer).
    void process(float *left, float *right, int frames);
    // Forgets the past: the next block starts at full gain with silence
    // ahead of it.
    void reset();
    int latency() const { return m_window - 1; }
    float ceiling() const { return m_ceiling; }

private:
    float pushGain(float needed);
    void delayOnly(float *left, float *right, int frames);

    float m_ceiling;
    float m_release;                      // share of the way back to 1 per sample
    int m_window;                         // look-ahead + 1 samples
    long long m_n = 0;                    // samples taken so far
    int m_pos = 0;                        // m_n modulo the window
    std::vector<float> m_left, m_right;   // the delay line
    // The smallest gain needed within the window: increasing gains below 1
    // with the sample they are due at, oldest first; none means 1.
    std::vector<float> m_minGain;
    std::vector<long long> m_minAt;
    int m_minHead = 0;
    int m_minCount = 0;
    float m_envelope = 1.0f;       // falls at once, rises by the release
    int m_calm = 0;                // samples in a row with the envelope at 1
    std::vector<float> m_recent;   // the envelope's last window
    double m_sum = 0.0;            // of m_recent
};
