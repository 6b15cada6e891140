#pragma once

// The player's own output level, which the volume window offers as a source
// even where no sound card answers. Safe to call from the window thread
// while the synthesizer renders.
class SynthLevel {
public:
    virtual ~SynthLevel() = default;
    virtual int level() const = 0;   // 0..65535
    virtual void setLevel(int level) = 0;
    virtual bool muted() const = 0;
    virtual void setMuted(bool muted) = 0;
};
