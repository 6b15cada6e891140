// Stored strings of any shape for a song's practice values and channel
// choices: what is read is within its range, and what is read, kept and
// read again is the same.
#include "channels/core/channelchoices.h"
#include "components/core/songstore.h"
#include "playback/core/storedpractice.h"
#include <QHash>
#include <cstdio>
#include <cstdlib>

// The store as the readers see it, without a database: this unit's own.
namespace {
QHash<QString, QString> stored;
}
SongStore::SongStore(const QString &file) : m_file(file) {}
SongStore::~SongStore() = default;
QString SongStore::value(const QString &, const QString &name)
{
    return stored.value(name);
}
bool SongStore::setValue(const QString &, const QString &name, const QString &value)
{
    stored[name] = value;
    return true;
}

namespace {

// Which promise broke, for whoever reads a crash.
void require(bool ok, int line = __builtin_LINE())
{
    if (!ok) {
        std::fprintf(stderr, "broken at line %d\n", line);
        std::abort();
    }
}

bool inRange(const ChannelMix::Settings &s)
{
    for (int ch = 0; ch < 16; ++ch) {
        const ChannelMix::Lock &l = s.lock[size_t(ch)];
        if (s.level[size_t(ch)] < 0 || s.level[size_t(ch)] > ChannelMix::MaxLevel || l.bankMsb < -1 || l.bankMsb > 127
            || l.bankLsb < -1 || l.bankLsb > 127 || l.program < -1 || l.program > 127)
            return false;
    }
    return true;
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString names[] = {"tempo", "key", "loopA", "loopB", "mute", "solo", "levels", "lock"};
    const QStringList fields = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)).split(u'\n');
    stored.clear();
    QMap<QString, QString> choices;
    for (qsizetype i = 0; i < fields.size() && i < 8; ++i)
        if (i < 4)
            stored[names[i]] = fields[i];
        else
            choices[names[i]] = fields[i];

    SongStore store({});
    StoredPractice practice(&store);
    const PracticeChoices read = practice.choicesOf({});
    require(read.tempo >= PracticeChoices::MinTempo && read.tempo <= PracticeChoices::MaxTempo);
    require(read.key >= -PracticeChoices::MaxKey && read.key <= PracticeChoices::MaxKey);
    require(read.loopA >= -1 && read.loopB >= -1);
    practice.keep({}, read);
    require(practice.choicesOf({}) == read);

    const ChannelMix::Settings s = ChannelChoices::fromStore(choices);
    require(inRange(s));
    require(ChannelChoices::fromStore(ChannelChoices::toStore(s)) == s);
    return 0;
}
