#include "app/singleinstance.h"
#include "app/core/handover.h"
#include "app/core/terminal.h"
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <unistd.h>

namespace {
// The whole exchange with a running copy: connect, send, hear "ok".
constexpr int HandOverMs = 2000;
// How long a start waits for the lock holder to open its socket.
constexpr int ListenWaitMs = 3000;
// A caller that has not finished its message by then is cut off.
constexpr int MessageWaitMs = 5000;

void say(const char *what)
{
    tellTerminal(QString::fromUtf8(what));
}
}

SingleInstance::SingleInstance(const QString &name, QObject *parent) : QObject(parent)
{
    // The runtime folder belongs to the user alone; nobody else can plant a socket there.
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::homePath();
    m_path = dir + QLatin1Char('/') + name + QStringLiteral(".sock");
    m_lockPath = dir + QLatin1Char('/') + name + QStringLiteral(".lock");
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
    // Once the event loop ends nobody answers: a new start then waits for the lock instead.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &SingleInstance::closeDown);
}

SingleInstance::~SingleInstance()
{
    // The socket goes before the lock: once the lock is free the socket
    // path may already belong to the next copy.
    closeDown();
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

void SingleInstance::closeDown()
{
    m_server.close();
    const QList<quint64> left = m_unanswered.keys();
    for (const quint64 request : left)
        answer(request, Outcome::Closing);
}

void SingleInstance::answer(quint64 request, Outcome outcome)
{
    const auto it = m_unanswered.constFind(request);
    if (it == m_unanswered.cend())
        return;
    QLocalSocket *s = it->socket;
    const QByteArray word = outcome == Outcome::Waiting ? QByteArray(HandOver::Waiting)
                            : outcome == Outcome::Taken ? HandOver::answer(it->pathCount)
                                                        : QByteArray(HandOver::Closing);
    if (outcome != Outcome::Waiting)
        m_unanswered.erase(it);
    if (!s || s->state() != QLocalSocket::ConnectedState)
        return;
    s->write(word);
    s->flush();   // the program may end right after
}

SingleInstance::Claim SingleInstance::claim(const QList<QByteArray> &paths)
{
    const QByteArray message = HandOver::encode(paths);
    // The kernel drops the lock when its holder dies, so a crash leaves nothing
    // that blocks. The file itself stays: removing it would let two copies lock
    // two different files.
    m_lockFd = ::open(QFile::encodeName(m_lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd < 0)
        return claimWithoutLock(message, paths.size());
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0) {
            // A socket left here belongs to a copy that is gone.
            QLocalServer::removeServer(m_path);
            listen();
            return Claim::Holder;
        }
        const Answer answer = handOver(message, paths.size(), HandOverMs);
        if (answer == Answer::Taken)
            return Claim::HandedOver;
        if (answer == Answer::Refused) {
            say("the running copy came to the front but did not take the files.");
            return Claim::NotTaken;
        }
        if (answer == Answer::Closing) {
            say(paths.isEmpty() ? "the running copy is closing."
                                : "the running copy is closing and did not open the files; start again once it has "
                                  "ended.");
            return Claim::Closing;
        }
        // A holder that takes the connection but never answers is hung; one
        // with no socket is still starting or on its way out.
        if (answer == Answer::Silent || waited.elapsed() > ListenWaitMs) {
            say(paths.isEmpty() ? "already running but does not answer."
                                : "already running but did not acknowledge the files within 2 s.");
            return Claim::NotTaken;
        }
        QThread::msleep(20);
    }
}

SingleInstance::Claim SingleInstance::claimWithoutLock(const QByteArray &message, qsizetype pathCount)
{
    tellTerminal(QStringLiteral("cannot open %1; a second copy may start.").arg(m_lockPath));
    const Answer answer = handOver(message, pathCount, HandOverMs);
    if (answer == Answer::Taken)
        return Claim::HandedOver;
    if (answer == Answer::Refused)
        return Claim::NotTaken;
    if (answer == Answer::Closing)
        return Claim::Closing;
    listen();
    return Claim::Holder;
}

SingleInstance::Answer SingleInstance::handOver(const QByteArray &message, qsizetype pathCount, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(timeoutMs / 4))
        return Answer::NoServer;
    socket.write(message);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
            return socket.state() == QLocalSocket::ConnectedState ? Answer::Silent : Answer::NoServer;
    }
    QByteArray line;
    for (bool waiting = false; line.isEmpty() || line == HandOver::Waiting;) {
        if (line == HandOver::Waiting && !waiting) {
            waiting = true;
            say("the running copy waits for an answer in an open box; the files open once it is closed.");
        }
        // A holder that waits on a box is alive: no time limit then.
        while (!socket.canReadLine()) {
            if (!socket.waitForReadyRead(waiting ? -1 : int(deadline.remainingTime())))
                // Closed without a word: the holder is ending, so ask again.
                return socket.state() == QLocalSocket::ConnectedState ? Answer::Silent : Answer::NoServer;
        }
        line = socket.readLine();
    }
    if (line == HandOver::answer(pathCount))
        return Answer::Taken;
    if (line == HandOver::Closing)
        return Answer::Closing;
    // An older copy answers "ok" to anything that begins with "activate".
    return pathCount > 0 ? Answer::Refused : line.startsWith("ok") ? Answer::Taken : Answer::NoServer;
}

void SingleInstance::listen()
{
    // Without the socket the player still runs; it only cannot be called to the front.
    if (!m_server.listen(m_path))
        tellTerminal(QStringLiteral("cannot listen on %1: %2").arg(m_path, m_server.errorString()));
}

void SingleInstance::onConnection()
{
    while (QLocalSocket *s = m_server.nextPendingConnection()) {
        // What arrived so far, and whether the message was dealt with.
        struct Caller {
            QByteArray received;
            bool done = false;
        };
        auto caller = std::make_shared<Caller>();
        connect(s, &QLocalSocket::disconnected, s, [caller] {
            if (!caller->done && !caller->received.isEmpty())
                say("a second start went away in the middle of its message; nothing was done.");
            caller->done = true;
        });
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        QTimer::singleShot(MessageWaitMs, s, [s, caller] {
            if (caller->done)
                return;
            caller->done = true;
            say("a second start did not finish its message; nothing was done.");
            s->abort();
        });
        connect(s, &QLocalSocket::readyRead, this, [this, s, caller] {
            if (caller->done) {
                s->readAll();
                return;
            }
            caller->received += s->read(HandOver::MaxMessageBytes + 1 - caller->received.size());
            HandOver::Message m = HandOver::decode(caller->received);
            if (m.status == HandOver::Message::Status::Incomplete) {
                if (caller->received.size() <= HandOver::MaxMessageBytes)
                    return;
                m.status = HandOver::Message::Status::Malformed;
                m.error = QStringLiteral("it is too long");
            }
            caller->done = true;
            if (m.status == HandOver::Message::Status::Malformed) {
                tellTerminal(QStringLiteral("ignored a malformed message from a second start: %1.").arg(m.error));
                s->abort();
                return;
            }
            m_unanswered.insert(++m_lastRequest, {s, m.paths.size()});
            emit requested(m.paths, m_lastRequest);
        });
    }
}
