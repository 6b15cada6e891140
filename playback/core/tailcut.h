#pragma once

// Where a song's tail ends: the release and the reverb after its last event
// sound on until they stay below a threshold, and are cut at a maximum.
// Fed the tail's blocks in order; says how much of them to keep.
class TailCut {
public:
    // -60 dBFS; a tail quieter than that for holdSeconds has ended.
    static constexpr float DefaultThreshold = 0.001f;

    explicit TailCut(int sampleRate, double maxSeconds = 5.0, float threshold = DefaultThreshold,
                     double holdSeconds = 0.1, double fadeSeconds = 0.1);

    void feed(const float *left, const float *right, int frames);
    // Frames of the tail to keep so far: up to the last loud sample, at most the maximum.
    long long keep() const;
    // Nothing after keep() can be loud any more, or the maximum is reached.
    bool done() const;
    // The gain for frame i of the tail: 1, falling to 0 over the last fadeSeconds
    // before the maximum, so a note still sounding there ends without a click.
    float gain(long long frame) const;
    long long fed() const { return m_fed; }

private:
    long long m_max;
    long long m_hold;
    long long m_fade;
    float m_threshold;
    long long m_fed = 0;
    long long m_loudEnd = 0;   // just after the last loud frame
};
