#include "playback/core/storedpractice.h"
#include "components/core/songstore.h"
#include <algorithm>

namespace {
// The store's names, and what each is when nothing was chosen.
struct Field {
    const char *name;
    qint64 PracticeChoices::*ms;
    int PracticeChoices::*number;
};
constexpr Field kFields[] = {{"tempo", nullptr, &PracticeChoices::tempo},
                             {"key", nullptr, &PracticeChoices::key},
                             {"loopA", &PracticeChoices::loopA, nullptr},
                             {"loopB", &PracticeChoices::loopB, nullptr}};

qint64 get(const PracticeChoices &c, const Field &f)
{
    return f.ms ? c.*f.ms : c.*f.number;
}
}   // namespace

PracticeChoices StoredPractice::choicesOf(const QString &songPath)
{
    PracticeChoices c;
    if (!m_store)
        return c;
    for (const Field &f : kFields) {
        bool ok = false;
        const qint64 v = m_store->value(songPath, QLatin1String(f.name)).toLongLong(&ok);
        if (!ok)
            continue;
        if (f.ms)
            c.*f.ms = qMax<qint64>(-1, v);
        else
            c.*f.number = int(std::clamp<qint64>(v, -1000, 1000));
    }
    // Values from a damaged or hand-edited store are brought into range.
    c.tempo = qBound(PracticeChoices::MinTempo, c.tempo, PracticeChoices::MaxTempo);
    c.key = qBound(-PracticeChoices::MaxKey, c.key, PracticeChoices::MaxKey);
    return c;
}

void StoredPractice::keep(const QString &songPath, const PracticeChoices &choices)
{
    if (!m_store)
        return;
    const PracticeChoices own;
    for (const Field &f : kFields) {
        const QString name = QLatin1String(f.name);
        const qint64 v = get(choices, f);
        const QString text = v == get(own, f) ? QString() : QString::number(v);
        // Only what changed is written: a song never chosen for makes no store.
        if (m_store->value(songPath, name) != text)
            m_store->setValue(songPath, name, text);
    }
}
