#pragma once
#include <QString>

// Collects the errors FluidSynth logs on this thread while it lives, to tell
// the user why something failed. They still reach the log as before. The
// first capture hooks FluidSynth's log and the last one puts back what was
// there; any thread may hold one.
class FluidLogCapture {
public:
    FluidLogCapture();
    ~FluidLogCapture();
    FluidLogCapture(const FluidLogCapture &) = delete;
    FluidLogCapture &operator=(const FluidLogCapture &) = delete;

    // The first message, ended as a sentence: later ones mostly repeat it
    // in other words. Empty when none came.
    QString firstError() const;

private:
    static void hook(int level, const char *message, void *data);

    FluidLogCapture *m_outer;
    QString m_first;
};
