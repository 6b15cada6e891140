#include "library/core/librarysession.h"
#include "library/core/openplan.h"
#include "player/midi.h"
#include "playback/mediacontrol.h"
#include <QDir>
#include <QTimer>
#include <QToolButton>
#include "app/core/terminal.h"
#include <utility>

namespace {
// How often waiting paths look whether the window is free.
constexpr int RetryMs = 50;
}

void Midi::openPaths(const QStringList &pathsOrUrls, std::function<void(PathsFate)> told)
{
    if (pathsOrUrls.isEmpty())
        return;
    // Relative paths mean where they were given, not where the window is later.
    m_pendingPaths << PathsRequest{pathsOrUrls, QDir::currentPath(), std::move(told)};
    runPendingPaths();
}

// A click would reach the window now: no handler runs, no box is open.
void Midi::runPendingPaths()
{
    if (m_play->closePending() || m_unloaded) {
        if (!m_pendingPaths.isEmpty())
            tellTerminal(QStringLiteral("closing; %1 request(s) to open files dropped.").arg(m_pendingPaths.size()));
        // Taken off first: whoever hears of it may ask again.
        const QList<PathsRequest> dropped = std::exchange(m_pendingPaths, {});
        for (const PathsRequest &request : dropped)
            if (request.told)
                request.told(PathsFate::Dropped);
        return;
    }
    while (!m_pendingPaths.isEmpty() && acceptsCommands()) {
        const PathsRequest request = m_pendingPaths.takeFirst();
        if (request.told)
            request.told(PathsFate::Taken);
        m_library->carryOut(OpenPlanner::plan(request.paths, request.workingDir));
    }
    for (PathsRequest &request : m_pendingPaths) {
        if (request.told && !std::exchange(request.toldWaiting, true))
            request.told(PathsFate::Waiting);
    }
    if (m_pendingPaths.isEmpty() || m_pathsRetry)
        return;
    m_pathsRetry = true;
    QTimer::singleShot(RetryMs, this, [this] {
        m_pathsRetry = false;
        runPendingPaths();
    });
}
