#include "app/singleinstance.h"
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

SingleInstance::SingleInstance(const QString &name, QObject *parent) : QObject(parent)
{
    // The runtime folder belongs to the user alone; nobody else can plant a socket there.
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::homePath();
    m_path = dir + QLatin1Char('/') + name + QStringLiteral(".sock");
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
}

bool SingleInstance::claim()
{
    if (handOver(1500))
        return false;
    if (listen())
        return true;
    // Someone may have started at the same moment: ask again before
    // treating the socket as left over from a crash.
    if (handOver(1500))
        return false;
    QLocalServer::removeServer(m_path);
    listen();   // without the socket the player still runs
    return true;
}

bool SingleInstance::handOver(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(timeoutMs / 3))
        return false;
    socket.write("activate\n");
    if (!socket.waitForBytesWritten(timeoutMs / 3))
        return false;
    // A hung first copy never answers: then this one starts after the timeout.
    return socket.waitForReadyRead(timeoutMs) && socket.readAll().startsWith("ok");
}

bool SingleInstance::listen()
{
    return m_server.listen(m_path);
}

void SingleInstance::onConnection()
{
    while (QLocalSocket *s = m_server.nextPendingConnection()) {
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        connect(s, &QLocalSocket::readyRead, this, [this, s] {
            if (!s->readAll().startsWith("activate"))
                return;
            s->write("ok\n");
            s->flush();
            emit activateRequested();
        });
    }
}
