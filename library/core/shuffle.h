#pragma once
#include <QStringList>

// The 24-bit generator the shuffle draws from: one per program run, never reseeded.
class ShuffleRandom {
public:
    float next();
    quint32 state() const { return m_x; }

private:
    quint32 m_x = 327680;
};

// Deals paths into a new order, drawing exactly one number per entry.
QStringList shuffleDeal(const QStringList &paths, ShuffleRandom &rnd);
