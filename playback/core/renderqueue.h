#pragma once
#include "playback/core/songrender.h"
#include <QString>
#include <QVector>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Renders a list of songs on worker threads, each worker with its own
// renderer, songs taken in order. The events come on the worker threads.
class RenderQueue {
public:
    struct Events {
        std::function<void(int song)> started;
        std::function<void(int song, double done, double seconds)> progress;
        std::function<void(int song, bool written, const QString &error)> finished;
        std::function<void()> allDone;   // once, after the last worker ended
    };

    RenderQueue(QVector<RenderJob> jobs, SongRenderFactory factory, Events events);
    ~RenderQueue();
    RenderQueue(const RenderQueue &) = delete;
    RenderQueue &operator=(const RenderQueue &) = delete;

    // Starts the workers; with lowPriority they yield to everything else.
    void start(int workers, bool lowPriority = false);
    // From now on only the first n workers take new songs (at least one).
    void limitWorkers(int n);
    // The songs being rendered stop and leave nothing; no new one starts.
    void cancel();
    bool cancelled() const { return m_cancel; }
    // Blocks until every worker has ended.
    void wait();
    // Waits at most that long for every worker to end; false while one still
    // runs (a song that does not notice the cancel).
    bool waitFor(std::chrono::milliseconds limit);
    // Songs no worker took (after a cancel).
    int untouched() const;

private:
    void work(int worker, bool lowPriority);

    // Const: a non-const [] would detach a list the caller still shares, under the workers' feet.
    const QVector<RenderJob> m_jobs;
    SongRenderFactory m_factory;
    Events m_events;
    std::vector<std::thread> m_threads;
    std::atomic<int> m_next{0};
    std::atomic<int> m_allowed{1};
    std::atomic<int> m_running{0};
    std::atomic<bool> m_cancel{false};
    std::mutex m_endLock;
    std::condition_variable m_ended;   // the last worker ended
};
