#pragma once
#include <QByteArray>
#include <QList>
#include <QLocalServer>
#include <QObject>
#include <QString>

// One running player per user: a second start asks the first to come to
// the front, hands it the paths it was given, and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString &name, QObject *parent = nullptr);
    ~SingleInstance() override;

    enum class Claim {
        Holder,       // this process goes on as the one running copy
        HandedOver,   // a running copy took over (and the paths, if any)
        NotTaken,     // a running copy is there but did not acknowledge
    };
    // paths: absolute paths (raw bytes, as the file system names them) or URLs.
    Claim claim(const QList<QByteArray> &paths = {});
    QString socketPath() const { return m_path; }

signals:
    void activateRequested();
    // Emitted after activateRequested, once the sender has been answered.
    void pathsRequested(const QList<QByteArray> &paths);

private:
    enum class Answer { Taken, NoServer, Silent, Refused };
    Answer handOver(const QByteArray &message, qsizetype pathCount, int timeoutMs);
    Claim claimWithoutLock(const QByteArray &message, qsizetype pathCount);
    void listen();
    void onConnection();
    QString m_path;
    QString m_lockPath;
    int m_lockFd = -1;
    QLocalServer m_server;
};
