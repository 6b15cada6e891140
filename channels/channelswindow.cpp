#include "channels/channelswindow.h"
#include "channels/core/channelchoices.h"
#include "playback/core/midifile.h"
#include "playback/core/playsession.h"
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
// A meter falls to a tenth in about a third of a second.
constexpr double Decay = 0.89;
constexpr int MeterSteps = 16;
const char *const Heads[] = {"Ch",   "Tracks", "Song asks for", "Bank plays", "Activity",
                             "Mute", "Solo",   "Level",         "Lock"};

QCheckBox *box(const QString &name, const QString &tip)
{
    auto *b = new QCheckBox;
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setAccessibleName(tip);
    return b;
}
}

// One flat rectangle: a styled progress bar per row, sixty times a second, cost more than the sound.
class MeterBar : public QWidget {
public:
    MeterBar() { setAttribute(Qt::WA_OpaquePaintEvent); }
    int value() const { return m_value; }
    void setValue(int value)
    {
        if (value == m_value)
            return;
        const int low = std::min(value, m_value), high = std::max(value, m_value);
        m_value = value;
        update(xAt(low), 0, xAt(high) - xAt(low) + 1, height());
    }
    QSize sizeHint() const override { return {80, fontMetrics().height()}; }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter p(this);
        p.fillRect(event->rect(), palette().base());
        p.fillRect(QRect(0, 1, xAt(m_value), height() - 2) & event->rect(), palette().highlight());
        p.setPen(palette().mid().color());
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    int xAt(int value) const { return width() * value / MeterSteps; }
    int m_value = 0;
};

ChannelsWindow::ChannelsWindow(PlaySession *play, SequencerDevice *device, ChannelChoices *choices, QWidget *parent)
    : QWidget(parent, Qt::Window), m_play(play), m_device(device), m_choices(choices)
{
    setObjectName(QStringLiteral("ChannelsWindow"));
    setWindowTitle(QStringLiteral("Channels"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *grid = new QGridLayout;
    for (int i = 0; i < int(std::size(Heads)); ++i)
        grid->addWidget(new QLabel(QString::fromLatin1(Heads[i])), 0, i);
    for (int ch = 0; ch < 16; ++ch) {
        m_rows[size_t(ch)] = makeRow(ch);
        const Row &r = m_rows[size_t(ch)];
        const QList<QWidget *> cells = {r.number, r.tracks, r.asks, r.plays, r.meter, r.mute, r.solo, r.level, r.lock};
        for (int i = 0; i < cells.size(); ++i)
            grid->addWidget(cells[i], ch + 1, i);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    m_all = box(QStringLiteral("AllChannels"), QStringLiteral("Show all 16 channels"));
    m_all->setText(QStringLiteral("All 16 channels"));
    m_keyboard = new KeyboardView(this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_all);
    layout->addLayout(grid);
    layout->addWidget(m_keyboard, 1);   // height to spare goes to the keys, not between the rows
    m_timer.setObjectName(QStringLiteral("FrameTimer"));
    m_timer.setInterval(FrameMs);
    connect(&m_timer, &QTimer::timeout, this, &ChannelsWindow::frame);
    connect(m_all, &QCheckBox::toggled, this, &ChannelsWindow::readSong);
    connect(play, &PlaySession::songChanged, this, &ChannelsWindow::readSong);
    connect(play, &PlaySession::playStateChanged, this, &ChannelsWindow::follow);
    connect(choices, &ChannelChoices::changed, this, &ChannelsWindow::showChoices);
    readSong();
    showChoices();
}

ChannelsWindow::Row ChannelsWindow::makeRow(int channel)
{
    const QString n = QString::number(channel + 1);
    Row r{new QLabel(n),
          new QLabel,
          new QLabel,
          new QLabel,
          new MeterBar,
          box(QStringLiteral("Mute") + n, QStringLiteral("Mute channel %1").arg(n)),
          box(QStringLiteral("Solo") + n, QStringLiteral("Solo channel %1").arg(n)),
          box(QStringLiteral("Lock") + n, QStringLiteral("Lock the instrument of channel %1").arg(n)),
          new QSpinBox};
    r.plays->setObjectName(QStringLiteral("Plays") + n);
    r.meter->setObjectName(QStringLiteral("Meter") + n);
    r.meter->setMaximumWidth(80);
    r.meter->setAccessibleName(QStringLiteral("Activity of channel %1").arg(n));
    r.level->setObjectName(QStringLiteral("Level") + n);
    r.level->setRange(0, ChannelMix::MaxLevel);
    r.level->setSuffix(QStringLiteral(" %"));
    r.level->setAccessibleName(QStringLiteral("Level of channel %1").arg(n));
    for (QCheckBox *b : {r.mute, r.solo, r.lock})
        connect(b, &QCheckBox::toggled, this, &ChannelsWindow::choose);
    connect(r.level, &QSpinBox::valueChanged, this, &ChannelsWindow::choose);
    return r;
}

void ChannelsWindow::readSong()
{
    m_uses = {};
    const QString song = m_play->openSong();
    const QVector<ChannelUse> uses = song.isEmpty() ? QVector<ChannelUse>() : channelUses(MidiFile::load(song));
    int low = 127, high = 0;
    for (const ChannelUse &u : uses) {
        m_uses[size_t(u.channel)] = u;
        if (!u.drums) {
            low = std::min(low, u.lowKey);
            high = std::max(high, u.highKey);
        }
    }
    m_keyboard->setRange(low <= high ? low : 48, low <= high ? high : 83);
    for (int ch = 0; ch < 16; ++ch) {
        const ChannelUse &u = m_uses[size_t(ch)];
        const Row &r = m_rows[size_t(ch)];
        const bool used = u.notes > 0;
        r.tracks->setText(u.tracks.join(QStringLiteral(", ")));
        QString asks = used ? instrumentName(u.program, u.drums) : QString();
        if (used && u.bank != 0)
            asks += QStringLiteral(" (bank %1)").arg(u.bank);
        if (u.programChanges > 1)
            asks += QStringLiteral(", %1 changes").arg(u.programChanges - 1);
        r.asks->setText(asks);
        for (QWidget *w :
             {(QWidget *)r.number, (QWidget *)r.tracks, (QWidget *)r.asks, (QWidget *)r.plays, (QWidget *)r.meter,
              (QWidget *)r.mute, (QWidget *)r.solo, (QWidget *)r.level, (QWidget *)r.lock})
            w->setVisible(used || m_all->isChecked() || uses.isEmpty());
    }
    showPresets();
}

void ChannelsWindow::showChoices()
{
    const ChannelMix::Settings s = m_choices->settings();
    for (int ch = 0; ch < 16; ++ch) {
        const Row &r = m_rows[size_t(ch)];
        const auto c = size_t(ch);
        const QSignalBlocker b1(r.mute), b2(r.solo), b3(r.lock), b4(r.level);
        r.mute->setChecked(s.muted[c]);
        r.solo->setChecked(s.solo[c]);
        r.lock->setChecked(s.lock[c].on);
        r.level->setValue(s.level[c]);
    }
}

void ChannelsWindow::choose()
{
    ChannelMix::Settings s = m_choices->settings();
    for (int ch = 0; ch < 16; ++ch) {
        const Row &r = m_rows[size_t(ch)];
        const auto c = size_t(ch);
        s.muted[c] = r.mute->isChecked();
        s.solo[c] = r.solo->isChecked();
        s.level[c] = r.level->value();
        if (s.lock[c].on != r.lock->isChecked())
            s.lock[c] = {r.lock->isChecked(), -1, -1, -1};
    }
    m_choices->change(s);
}

void ChannelsWindow::showPresets()
{
    for (int ch = 0; ch < 16; ++ch) {
        const SequencerDevice::ChannelSound sound = m_device->channelSound(ch);
        QLabel *l = m_rows[size_t(ch)].plays;
        QString text = sound.preset;
        if (sound.substituted)
            text = sound.preset.isEmpty() ? QStringLiteral("(nothing: no preset)")
                                          : QStringLiteral("%1 (stand-in)").arg(sound.preset);
        if (l->text() == text)
            continue;
        l->setText(text);
        l->setToolTip(sound.substituted ? QStringLiteral("The bank lacks the instrument the song asks for.")
                                        : QString());
        QFont f = l->font();
        f.setItalic(sound.substituted);
        l->setFont(f);
    }
}

void ChannelsWindow::frame()
{
    const ChannelActivity *a = m_device->channelActivity();
    if (!a)
        return;
    KeyboardView::Keys keys{};
    for (int ch = 0; ch < 16; ++ch) {
        const auto c = size_t(ch);
        const quint32 ons = a->noteOns[c].load(std::memory_order_relaxed);
        m_levels[c] = ons != m_noteOns[c] ? a->velocity[c].load(std::memory_order_relaxed) : m_levels[c] * Decay;
        m_noteOns[c] = ons;
        // In steps: a bar redrawn for every small fall would cost more than it shows.
        m_rows[c].meter->setValue(int(m_levels[c] * MeterSteps / 127 + 0.5));
        if (!m_uses[c].drums)
            for (size_t w = 0; w < 2; ++w)
                keys[c][w] = a->keys[c][w].load(std::memory_order_relaxed);
    }
    m_keyboard->setKeys(keys);
    if (++m_frames % PresetEveryFrames == 0)
        showPresets();
}

int ChannelsWindow::meter(int channel) const
{
    return m_rows[size_t(channel)].meter->value() * 127 / MeterSteps;
}

QString ChannelsWindow::plays(int channel) const
{
    return m_rows[size_t(channel)].plays->text();
}

bool ChannelsWindow::rowShown(int channel) const
{
    return !m_rows[size_t(channel)].mute->isHidden();
}

void ChannelsWindow::follow()
{
    if (isVisible() && m_play->mode() == SequencerDevice::Mode::Playing)
        return m_timer.start();
    m_timer.stop();
    frame();   // the meters fall quiet, the keys let go
    showPresets();
}

void ChannelsWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    follow();
}

void ChannelsWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timer.stop();
}
