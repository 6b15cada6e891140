#pragma once
#include <QDate>
#include <QElapsedTimer>
#include <QtGlobal>

// Monotonic time and today's date; tests swap in a settable one.
class Clock {
public:
    virtual ~Clock() = default;
    virtual qint64 nowMs() const = 0;
    virtual QDate today() const = 0;
};

class SystemClock : public Clock {
public:
    SystemClock() { m_timer.start(); }
    qint64 nowMs() const override { return m_timer.elapsed(); }
    QDate today() const override { return QDate::currentDate(); }

private:
    QElapsedTimer m_timer;
};
