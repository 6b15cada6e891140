#pragma once
#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a Qt signal on the window thread.
class SignalWatch : public QObject {
    Q_OBJECT
public:
    explicit SignalWatch(QObject *parent = nullptr);
    ~SignalWatch() override;

signals:
    void endRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};

// Closes open message boxes and dialogs, so a handler waiting on one returns.
void closeModalWindows();
