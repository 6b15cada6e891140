#include "app/singleinstance.h"
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
constexpr int HandOverMs = 1500;
// How long a start waits for the lock holder to open its socket.
constexpr int ListenWaitMs = 3000;
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
        connect(app, &QCoreApplication::aboutToQuit, &m_server, &QLocalServer::close);
}

SingleInstance::~SingleInstance()
{
    // The socket goes before the lock: once the lock is free the socket
    // path may already belong to the next copy.
    m_server.close();
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

bool SingleInstance::claim()
{
    // The kernel drops the lock when its holder dies, so a crash leaves nothing
    // that blocks. The file itself stays: removing it would let two copies lock
    // two different files.
    m_lockFd = ::open(QFile::encodeName(m_lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd < 0)
        return claimWithoutLock();
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0) {
            // A socket left here belongs to a copy that is gone.
            QLocalServer::removeServer(m_path);
            listen();
            return true;
        }
        const Answer answer = handOver(HandOverMs);
        if (answer == Answer::Taken)
            return false;
        // A holder that takes the connection but never answers is hung; one
        // with no socket is still starting or on its way out.
        if (answer == Answer::Silent || waited.elapsed() > ListenWaitMs) {
            qWarning("Lyrabox is already running but does not answer.");
            return false;
        }
        QThread::msleep(20);
    }
}

bool SingleInstance::claimWithoutLock()
{
    qWarning("Lyrabox: cannot open %s; a second copy may start.", qPrintable(m_lockPath));
    if (handOver(HandOverMs) == Answer::Taken)
        return false;
    listen();
    return true;
}

SingleInstance::Answer SingleInstance::handOver(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(timeoutMs / 3))
        return Answer::NoServer;
    socket.write("activate\n");
    if (!socket.waitForBytesWritten(timeoutMs / 3))
        return Answer::Silent;
    if (socket.waitForReadyRead(timeoutMs))
        return socket.readAll().startsWith("ok") ? Answer::Taken : Answer::NoServer;
    // Closed without a word: the holder is ending, so ask again.
    return socket.state() == QLocalSocket::ConnectedState ? Answer::Silent : Answer::NoServer;
}

void SingleInstance::listen()
{
    // Without the socket the player still runs; it only cannot be called to the front.
    if (!m_server.listen(m_path))
        qWarning("Lyrabox: cannot listen on %s: %s", qPrintable(m_path), qPrintable(m_server.errorString()));
}

void SingleInstance::onConnection()
{
    while (QLocalSocket *s = m_server.nextPendingConnection()) {
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        connect(s, &QLocalSocket::readyRead, this, [this, s] {
            if (!s->canReadLine() || !s->readLine().startsWith("activate"))
                return;
            s->write("ok\n");
            s->flush();
            emit activateRequested();
        });
    }
}
