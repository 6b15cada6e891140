#include "export/exportjob.h"
#include <QMetaObject>

ExportJob::ExportJob(QVector<RenderJob> jobs, SongRenderFactory factory, QObject *parent)
    : QObject(parent), m_jobs(jobs), m_percent(size_t(jobs.size()), -1)
{
    // Events come on the workers' threads; queued, they reach this object's.
    RenderQueue::Events e;
    e.started = [this](int song) {
        QMetaObject::invokeMethod(
            this, [this, song] { emit songStarted(song); }, Qt::QueuedConnection);
    };
    e.progress = [this](int song, double done, double) {
        const int percent = int(done * 100);
        if (percent == m_percent[size_t(song)])
            return;
        m_percent[size_t(song)] = percent;
        QMetaObject::invokeMethod(
            this, [this, song, done] { emit songProgress(song, done); }, Qt::QueuedConnection);
    };
    e.finished = [this](int song, bool written, const QString &error) {
        QMetaObject::invokeMethod(
            this, [this, song, written, error] { emit songFinished(song, written, error); }, Qt::QueuedConnection);
    };
    e.allDone = [this] {
        QMetaObject::invokeMethod(
            this, [this] { emit finished(); }, Qt::QueuedConnection);
    };
    m_queue = std::make_unique<RenderQueue>(std::move(jobs), std::move(factory), std::move(e));
}

ExportJob::~ExportJob()
{
    // Before the members go: the workers still use them.
    m_queue.reset();
}

void ExportJob::start(int workers)
{
    m_queue->start(workers, true);
}

void ExportJob::limitWorkers(int n)
{
    m_queue->limitWorkers(n);
}

void ExportJob::cancel()
{
    m_queue->cancel();
}

bool ExportJob::cancelled() const
{
    return m_queue->cancelled();
}

int ExportJob::untouched() const
{
    return m_queue->untouched();
}
