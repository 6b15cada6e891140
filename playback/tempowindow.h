#pragma once
#include "playback/core/practice.h"
#include <QWidget>

class PlaySession;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;

// Tempo, key and loop of the open song, set while it plays. It follows the play session:
// another song opened shows that song's choices.
class TempoWindow : public QWidget {
    Q_OBJECT
public:
    explicit TempoWindow(PlaySession *play, QWidget *parent = nullptr);
    // What the loop line says.
    QString loopText() const;

private:
    QPushButton *button(const QString &text, const char *name, const QString &tip);
    void showChoices(const PracticeChoices &c);

    PlaySession *m_play;
    Practice *m_practice;
    QSlider *m_tempoSlider;
    QSpinBox *m_tempo, *m_key;
    QLabel *m_loop;
    QList<QWidget *> m_controls;
};
