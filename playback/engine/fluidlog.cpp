#include "playback/engine/fluidlog.h"
#include <atomic>
#include <mutex>

#include <fluidsynth.h>

namespace {
constexpr int Levels[] = {FLUID_PANIC, FLUID_ERR};

std::mutex g_mutex;
int g_captures = 0;   // under g_mutex
// FluidSynth does not hand back the old function's data: the default
// function, the only one used here, needs none.
std::atomic<fluid_log_function_t> g_previous[FLUID_ERR + 1];
thread_local FluidLogCapture *t_capture = nullptr;
}

FluidLogCapture::FluidLogCapture() : m_outer(t_capture)
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

void FluidLogCapture::hook(int level, const char *message, void *)
{
    if (FluidLogCapture *c = t_capture) {
        const QString line = QString::fromUtf8(message).trimmed();
        if (!line.isEmpty() && !c->m_lines.contains(line))
            c->m_lines << line;
    }
    if (level >= 0 && level <= FLUID_ERR) {
        if (const fluid_log_function_t previous = g_previous[level].load())
            previous(level, message, nullptr);
    }
}
