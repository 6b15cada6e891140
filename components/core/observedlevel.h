#pragma once
#include "components/core/synthlevel.h"
#include <QObject>

// The synth level with a signal: the volume window and the desktop's controls
// both set it, and each must hear of the other's change.
class ObservedLevel : public QObject, public SynthLevel {
    Q_OBJECT
public:
    explicit ObservedLevel(SynthLevel *inner) : m_inner(inner) {}
    int level() const override { return m_inner->level(); }
    void setLevel(int level) override
    {
        const bool differs = level != m_inner->level();
        m_inner->setLevel(level);
        if (differs)
            emit changed();
    }
    bool muted() const override { return m_inner->muted(); }
    void setMuted(bool muted) override
    {
        const bool differs = muted != m_inner->muted();
        m_inner->setMuted(muted);
        if (differs)
            emit changed();
    }

signals:
    void changed();

private:
    SynthLevel *m_inner;
};
