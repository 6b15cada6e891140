#pragma once
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>
#include <QPointer>
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
        Closing,      // a running copy is on its way out and took nothing
    };
    // paths: absolute paths (raw bytes, as the file system names them) or URLs.
    Claim claim(const QList<QByteArray> &paths = {});
    QString socketPath() const { return m_path; }

    // What the holder tells a second start of its request.
    enum class Outcome {
        Waiting,   // it cannot be taken yet (a box is open); the last word follows
        Taken,
        Closing,   // the holder closes: nothing was done
    };
    void answer(quint64 request, Outcome outcome);

signals:
    // A second start asks to come to the front and open paths (maybe none).
    // Each is answered through answer(); what is still unanswered when the
    // event loop ends hears Closing.
    void requested(const QList<QByteArray> &paths, quint64 request);

private:
    enum class Answer { Taken, NoServer, Silent, Refused, Closing };
    Answer handOver(const QByteArray &message, qsizetype pathCount, int timeoutMs);
    Claim claimWithoutLock(const QByteArray &message, qsizetype pathCount);
    void listen();
    void onConnection();
    void closeDown();
    struct Caller {
        QPointer<QLocalSocket> socket;
        qsizetype pathCount = 0;
    };
    QString m_path;
    QString m_lockPath;
    int m_lockFd = -1;
    QLocalServer m_server;
    QHash<quint64, Caller> m_unanswered;
    quint64 m_lastRequest = 0;
};
