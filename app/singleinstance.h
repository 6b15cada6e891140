#pragma once
#include <QLocalServer>
#include <QObject>
#include <QString>

// One running player per user: a second start asks the first to come to
// the front and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString &name, QObject *parent = nullptr);
    ~SingleInstance() override;
    // True when this process may go on; false when a running copy took over.
    bool claim();
    QString socketPath() const { return m_path; }

signals:
    void activateRequested();

private:
    enum class Answer { Taken, NoServer, Silent };
    Answer handOver(int timeoutMs);
    bool claimWithoutLock();
    void listen();
    void onConnection();
    QString m_path;
    QString m_lockPath;
    int m_lockFd = -1;
    QLocalServer m_server;
};
