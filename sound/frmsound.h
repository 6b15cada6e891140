#pragma once
#include "app/services.h"
#include "playback/core/soundconfig.h"
#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;

// The sound window: the stack of sound banks, reverb and chorus, polyphony,
// bank mode, the reset before each song and the audio output. Each change is
// put to use at once through the sound control and stored; one that fails
// is told and the controls go back to what is in use.
class FrmSound : public QWidget {
    Q_OBJECT
public:
    FrmSound(const Services &services, QWidget *player);

    // Beside the player (below it, else above), inside the screen.
    void nameForScreenReaders();

    void cmdAddBank_Click();
    void cmdAddFile_Click();
    void cmdRemoveBank_Click();
    void cmdBankUp_Click();
    void cmdBankDown_Click();
    void cmdDefaults_Click();
    void effectChanged();
    void cmbDriver_Click();
    void outputChanged();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildBanks(class QGridLayout *grid);
    void buildEffects(QGridLayout *grid);
    void buildOutput(QGridLayout *grid);
    // Applies a changed copy of the sound in use; false when it was refused.
    bool change(const std::function<void(SoundConfig &)> &edit);
    void addBank(const QString &path);
    void moveBank(int by);
    // Shows the sound in use.
    void refresh();
    void fillDevices(const QString &driver);
    void showSongBank();

    Services m_services;
    QListWidget *lstBanks;
    QLabel *lblSongBank;
    QComboBox *cmbSystemBanks;
    QPushButton *cmdAddBank, *cmdAddFile, *cmdRemoveBank, *cmdBankUp, *cmdBankDown;
    QCheckBox *chkReverb, *chkChorus;
    QDoubleSpinBox *spnRoom, *spnDamp, *spnWidth, *spnReverbLevel;
    QDoubleSpinBox *spnChorusLevel, *spnChorusDepth;
    QSpinBox *spnChorusVoices, *spnPolyphony;
    QComboBox *cmbBankMode, *cmbSongReset;
    QPushButton *cmdDefaults;
    QComboBox *cmbDriver, *cmbDevice, *cmbBuffer;
    QPushButton *cmdClose;
    bool m_refreshing = false;
    bool m_placed = false;
};
