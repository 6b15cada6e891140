#pragma once
#include <QString>
#include <QStringList>

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

    // The messages in the order logged, each once.
    QString text() const { return m_lines.join(QLatin1Char(' ')); }

private:
    static void hook(int level, const char *message, void *data);

    FluidLogCapture *m_outer;
    QStringList m_lines;
};
