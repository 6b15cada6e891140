#pragma once
#include "app/core/clock.h"
#include <QDate>

// A clock the test sets by hand: nowMs() moves only with advance().
class FakeClock : public Clock {
public:
    explicit FakeClock(QDate day = QDate(2026, 3, 15)) : date(day) {}
    qint64 nowMs() const override { return ms; }
    QDate today() const override { return date; }
    void advance(qint64 deltaMs) { ms += deltaMs; }

    qint64 ms = 0;
    QDate date;
};
