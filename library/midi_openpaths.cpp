#include "app/core/appinfo.h"
#include "library/core/openplan.h"
#include "player/midi.h"
#include "playback/mediacontrol.h"
#include <QDir>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <utility>

namespace {
// How often waiting paths look whether the window is free.
constexpr int RetryMs = 50;

// One line on stderr, whatever the name holds.
QByteArray oneLine(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1String("\\n")).replace(QLatin1Char('\r'), QLatin1String("\\r"));
    return text.toLocal8Bit();
}
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
    if (m_closePending || m_unloaded) {
        if (!m_pendingPaths.isEmpty())
            std::fprintf(stderr, "lyrabox: closing; %d request(s) to open files dropped.\n",
                         int(m_pendingPaths.size()));
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
        carryOut(OpenPlanner::plan(request.paths, request.workingDir));
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

void Midi::carryOut(const OpenPlan &plan)
{
    BusyGuard busy(m_play);
    for (const QString &problem : plan.problems)
        std::fprintf(stderr, "lyrabox: %s\n", oneLine(problem).constData());
    switch (plan.action) {
    case OpenPlan::Action::Nothing: break;
    case OpenPlan::Action::Preview: preview(plan.files.first(), true); break;
    case OpenPlan::Action::Add: {
        stopForListChange();
        const int first = m_list.count();
        if (appendFiles(plan.files) > 0 && !m_closePending && !m_unloaded) {
            m_play->setSelIndex(first);
            playSelection();
        }
        break;
    }
    case OpenPlan::Action::Library:
        stopForListChange();
        if (!openLibraryFile(plan.files.first()))
            break;
        if (plan.files.size() > 1 && !m_closePending && !m_unloaded)
            addFiles(plan.files.mid(1));
        if (!m_closePending && !m_unloaded && MMControl1->mode() == SequencerDevice::Mode::Stopped) {
            int cancel = 1;
            MMControl1_PlayClick(cancel);
        }
        break;
    }
    // Told after the rest has started, so a bad name does not hold up the music.
    for (const QString &problem : plan.problems) {
        if (m_closePending || m_unloaded)
            break;
        m_services.dialogs->message(this, problem, Dialogs::Style::Exclamation, AppInfo::AppName);
    }
}

// Add and Open Library are locked while a song plays or pauses: stop it first,
// as the user would.
void Midi::stopForListChange()
{
    if (cmdAdd->isEnabled())
        return;
    int cancel = 1;
    MMControl1_StopClick(cancel);
}

// As a double click on the selected entry while playing.
void Midi::playSelection()
{
    m_play->setUpdateInterval(0);
    if (OpenMid(QString()) == Opened::File) {
        int cancel = 1;
        MMControl1_PlayClick(cancel);
    }
}
