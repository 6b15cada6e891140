#pragma once
#include "playback/core/renderqueue.h"
#include <QObject>
#include <QVector>
#include <memory>
#include <vector>

// Runs an export's songs on worker threads, away from the window, and
// reports on the window's thread. Ends its workers when deleted.
class ExportJob : public QObject {
    Q_OBJECT
public:
    ExportJob(QVector<RenderJob> jobs, SongRenderFactory factory, QObject *parent = nullptr);
    ~ExportJob() override;

    // Workers run below normal priority: the player and the window come first.
    void start(int workers);
    // At most n workers take new songs from now on.
    void limitWorkers(int n);
    void cancel();
    bool cancelled() const;
    // Songs no worker took, once finished.
    int untouched() const;
    const QVector<RenderJob> &jobs() const { return m_jobs; }

signals:
    void songStarted(int song);
    // done: the share of the song rendered, 0..1; in steps of a percent.
    void songProgress(int song, double done);
    void songFinished(int song, bool written, const QString &error);
    void finished();

private:
    QVector<RenderJob> m_jobs;
    std::vector<int> m_percent;   // last one told, per song; each song's own worker writes it
    std::unique_ptr<RenderQueue> m_queue;
};
