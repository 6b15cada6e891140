#include "playback/engine/fluidlog.h"
#include <atomic>
#include <mutex>

#include <fluidsynth.h>

namespace {
constexpr int Levels[] = {FLUID_PANIC, FLUID_ERR, FLUID_WARN};

std::mutex g_mutex;
int g_captures = 0;   // under g_mutex
// FluidSynth does not hand back the old function's data: the default
// function, the only one used here, needs none.
std::atomic<fluid_log_function_t> g_previous[FLUID_WARN + 1];
thread_local FluidLogCapture *t_capture = nullptr;
}

FluidLogCapture::FluidLogCapture(Echo echo) : m_outer(t_capture), m_echo(echo)
{
    {
        std::lock_guard guard(g_mutex);
        if (g_captures++ == 0) {
            for (int level : Levels)
                g_previous[level] = fluid_set_log_function(level, &FluidLogCapture::hook, nullptr);
        }
    }
    t_capture = this;
}

FluidLogCapture::~FluidLogCapture()
{
    t_capture = m_outer;
    std::lock_guard guard(g_mutex);
    if (--g_captures == 0) {
        for (int level : Levels)
            fluid_set_log_function(level, g_previous[level].load(), nullptr);
    }
}

QString FluidLogCapture::firstError() const
{
    if (m_first.isEmpty() || m_first.endsWith(QLatin1Char('.')))
        return m_first;
    return m_first + QLatin1Char('.');
}

void FluidLogCapture::hook(int level, const char *message, void *)
{
    FluidLogCapture *c = t_capture;
    if (c && level <= FLUID_ERR && c->m_first.isEmpty())
        c->m_first = QString::fromUtf8(message).trimmed();
    if (c && c->m_echo == Echo::Quiet)
        return;
    if (level >= 0 && level <= FLUID_WARN) {
        if (const fluid_log_function_t previous = g_previous[level].load())
            previous(level, message, nullptr);
    }
}
