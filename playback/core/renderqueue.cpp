#include "playback/core/renderqueue.h"
#include "lyrics/core/lrc.h"
#include <algorithm>
#include <sys/resource.h>
#include <unistd.h>

RenderQueue::RenderQueue(QVector<RenderJob> jobs, SongRenderFactory factory, Events events)
    : m_jobs(std::move(jobs)), m_factory(std::move(factory)), m_events(std::move(events))
{
}

RenderQueue::~RenderQueue()
{
    cancel();
    wait();
}

void RenderQueue::start(int workers, bool lowPriority)
{
    const int n = std::clamp(workers, 1, int(std::max<qsizetype>(1, m_jobs.size())));
    m_allowed = std::max(m_allowed.load(), n);
    m_running = n;
    for (int i = 0; i < n; ++i)
        m_threads.emplace_back(&RenderQueue::work, this, i, lowPriority);
}

void RenderQueue::limitWorkers(int n)
{
    m_allowed = std::max(1, n);
}

void RenderQueue::cancel()
{
    m_cancel = true;
}

void RenderQueue::wait()
{
    for (std::thread &t : m_threads) {
        if (t.joinable())
            t.join();
    }
}

bool RenderQueue::waitFor(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_endLock);
    return m_ended.wait_for(lock, limit, [this] { return m_running == 0; });
}

int RenderQueue::untouched() const
{
    return std::max(0, int(m_jobs.size()) - std::min(m_next.load(), int(m_jobs.size())));
}

void RenderQueue::work(int worker, bool lowPriority)
{
    // On Linux the nice value of a thread is its own.
    if (lowPriority)
        ::setpriority(PRIO_PROCESS, ::gettid(), 10);
    std::unique_ptr<SongRender> render;
    while (!m_cancel && worker < m_allowed) {
        const int song = m_next++;
        if (song >= m_jobs.size())
            break;
        if (!render)
            render = m_factory();
        if (m_events.started)
            m_events.started(song);
        QString error;
        bool ok = render->render(
            m_jobs[song], m_cancel,
            [&](double done, double seconds) {
            if (m_events.progress)
                m_events.progress(song, done, seconds);
            },
            &error);
        if (ok && m_jobs[song].words
            && !lrc::writeBeside(m_jobs[song].input, m_jobs[song].output, m_jobs[song].overwrite, &error,
                                 m_jobs[song].tempoPercent)) {
            ok = false;
            error = QStringLiteral("%1 was written, but %2").arg(m_jobs[song].output, error);
        }
        if (m_events.finished)
            m_events.finished(song, ok, error);
    }
    render.reset();
    if (--m_running != 0)
        return;
    if (m_events.allDone)
        m_events.allDone();
    std::lock_guard guard(m_endLock);
    m_ended.notify_all();
}
