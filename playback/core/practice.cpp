#include "playback/core/practice.h"

Practice::Practice(SequencerDevice *device, QObject *parent) : QObject(parent), m_device(device)
{
    m_keep.setSingleShot(true);
    m_keep.setInterval(500);
    connect(&m_keep, &QTimer::timeout, this, &Practice::keepNow);
}

Practice::~Practice()
{
    keepNow();
}

void Practice::setStore(PracticeStore *store)
{
    keepNow();
    m_store = store;
}

void Practice::keepNow()
{
    if (!m_keep.isActive())
        return;
    m_keep.stop();
    if (m_store && !m_song.isEmpty())
        m_store->keep(m_song, m_choices);
}

void Practice::songOpened(const QString &path, qint64 lengthMs)
{
    keepNow();
    m_song = path;
    m_length = lengthMs;
    PracticeChoices c = m_store ? m_store->choicesOf(path) : PracticeChoices();
    // A stored loop past this song's end (the store was edited, the song cut) is no loop.
    if (c.loopB > lengthMs || !c.hasLoop())
        c.loopA = c.loopB = -1;
    m_choices = c;
    apply();
    emit changed(m_choices);
}

void Practice::songClosed()
{
    if (m_song.isEmpty())
        return;
    keepNow();
    m_song.clear();
    m_length = 0;
    m_choices = PracticeChoices();
    emit changed(m_choices);
}

void Practice::setTempo(int percent)
{
    PracticeChoices c = m_choices;
    c.tempo = qBound(PracticeChoices::MinTempo, percent, PracticeChoices::MaxTempo);
    choose(c);
}

void Practice::setKey(int semitones)
{
    PracticeChoices c = m_choices;
    c.key = qBound(-PracticeChoices::MaxKey, semitones, PracticeChoices::MaxKey);
    choose(c);
}

void Practice::setLoopA(qint64 ms)
{
    PracticeChoices c = m_choices;
    c.loopA = qBound<qint64>(0, ms, m_length);
    if (c.loopB <= c.loopA)
        c.loopB = -1;
    choose(c);
}

bool Practice::setLoopB(qint64 ms)
{
    ms = qMin(ms, m_length);
    if (ms <= qMax<qint64>(0, m_choices.loopA))
        return false;
    PracticeChoices c = m_choices;
    c.loopB = ms;
    choose(c);
    return true;
}

void Practice::clearLoop()
{
    PracticeChoices c = m_choices;
    c.loopA = c.loopB = -1;
    choose(c);
}

void Practice::reset()
{
    choose(PracticeChoices());
}

void Practice::choose(PracticeChoices choices)
{
    if (m_song.isEmpty() || choices == m_choices)
        return;
    m_choices = choices;
    apply();
    m_keep.start();
    emit changed(m_choices);
}

void Practice::apply()
{
    m_device->setTempoPercent(m_choices.tempo);
    m_device->setTranspose(m_choices.key);
    if (m_choices.hasLoop())
        m_device->setLoop(qMax<qint64>(0, m_choices.loopA), m_choices.loopB);
    else
        m_device->setLoop(-1, -1);
}
