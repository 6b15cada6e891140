#pragma once
#include <QString>

// Collects the errors FluidSynth logs on this thread while it lives, to tell
// the user why something failed. They still reach the log as before, unless
// the capture is quiet: then neither they nor warnings do. The first capture
// hooks FluidSynth's log and the last one puts back what was there; any
// thread may hold one.
class FluidLogCapture {
public:
    enum class Echo { ToLog, Quiet };
    explicit FluidLogCapture(Echo echo = Echo::ToLog);
    ~FluidLogCapture();
    FluidLogCapture(const FluidLogCapture &) = delete;
    FluidLogCapture &operator=(const FluidLogCapture &) = delete;

    // The first message, ended as a sentence: later ones mostly repeat it
    // in other words. Empty when none came.
    QString firstError() const;

private:
    static void hook(int level, const char *message, void *data);

    FluidLogCapture *m_outer;
    Echo m_echo;
    QString m_first;
};
