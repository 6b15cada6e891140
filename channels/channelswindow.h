#pragma once
#include "channels/core/channeluse.h"
#include "channels/keyboardview.h"
#include <QTimer>
#include <QWidget>
#include <array>

class ChannelChoices;
class PlaySession;
class QCheckBox;
class QLabel;
class QSpinBox;
class MeterBar;
class SequencerDevice;

// One row per channel the song plays (all 16 on request): the tracks that
// feed it, the instrument the song asks for and the preset the bank plays,
// a meter, mute, solo, level and lock; under them the keys sounding now.
// It looks at the device only while it is shown and a song plays.
class ChannelsWindow : public QWidget {
    Q_OBJECT
public:
    ChannelsWindow(PlaySession *play, SequencerDevice *device, ChannelChoices *choices, QWidget *parent = nullptr);

    static constexpr int FrameMs = 16;
    static constexpr int PresetEveryFrames = 30;
    // Looks at the channels now (the timer does this every FrameMs while a song plays).
    void frame();
    bool following() const { return m_timer.isActive(); }
    int meter(int channel) const;
    QString plays(int channel) const;
    bool rowShown(int channel) const;
    KeyboardView *keyboard() const { return m_keyboard; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct Row {
        QLabel *number, *tracks, *asks, *plays;
        MeterBar *meter;
        QCheckBox *mute, *solo, *lock;
        QSpinBox *level;
    };
    Row makeRow(int channel);
    void readSong();
    void showChoices();
    void showPresets();
    void choose();
    void follow();

    PlaySession *m_play;
    SequencerDevice *m_device;
    ChannelChoices *m_choices;
    std::array<Row, 16> m_rows;
    std::array<ChannelUse, 16> m_uses;
    std::array<quint32, 16> m_noteOns{};
    std::array<double, 16> m_levels{};
    QCheckBox *m_all;
    KeyboardView *m_keyboard;
    QTimer m_timer;
    int m_frames = 0;
};
