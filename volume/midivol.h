#pragma once
#include "app/services.h"
#include <QComboBox>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <memory>

class QCheckBox;
class QPushButton;
class QSlider;
class QTimer;

// The source list; says when its drop-down list opens and closes, since the
// refresh must wait while the user browses it.
class MixerCombo : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;
    void hidePopup() override;
    bool listShown() const { return m_shown; }

signals:
    void dropDown();
    void closeUp();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void listClosed();
    bool m_shown = false;
    bool m_watching = false;
};

// The volume window: picks a mixer source, sets its volume and mute, follows
// the mixer once a second and closes itself when the mouse has left it alone.
class MidiVol : public QWidget {
    Q_OBJECT
public:
    MidiVol(const Services &services, QWidget *player, const QPoint &volumeButtonPos);
    ~MidiVol() override;

    void Form_MouseMove();
    void cmdClose_Click();
    void cmbMixer_Click();
    void cmbMixer_DropDown();
    void cmbMixer_CloseUp();
    void cmbMixer_Scroll();
    void chkMute_Click();
    void sldrVol_MouseDown();
    void sldrVol_MouseMove();
    void sldrVol_MouseUp();
    void tmrMix_Timer();
    void MixerGet();

    int idleTicks() const { return m_idleTicks; }
    QString mixerSource() const { return m_mixerSource; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void Form_Load(QWidget *player, const QPoint &volumeButtonPos);
    void Form_Unload();
    void setTimerEnabled(bool on);
    void mixerFailed();

    Services m_services;
    QPushButton *cmdClose;
    MixerCombo *cmbMixer;
    QCheckBox *chkMute;
    QSlider *sldrVol;
    QTimer *tmrMix;

    std::unique_ptr<MixerControl> m_mixer;
    QString m_lastDeviceName;
    QString m_currentDeviceName;
    int m_idleTicks = 0;
    QString m_mixerSource;
    bool m_unloaded = false;
};
