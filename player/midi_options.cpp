#include "app/core/numbers.h"
#include "library/core/librarysession.h"
#include "player/midi.h"
#include <QCheckBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

void Midi::chkShuffle_Click()
{
    if (chkShuffle->isChecked())
        m_library->deal();
}

void Midi::optionsFromControls()
{
    m_play->setOptions(
        {chkLoop->isChecked(), chkClose->isChecked(), chkShuffle->isChecked(), interludeFromText(txtPause->text())});
}

void Midi::txtPause_Change()
{
    const qint64 v = qBound(qint64(0), RoundHalfEven(SettingToNumber(txtPause->text())), qint64(60));
    const QString text = QString::number(v);
    if (txtPause->text() != text)
        txtPause->setText(text);   // runs this handler once more, which then finds nothing to do
}

void Midi::txtPause_GotFocus()
{
    txtPause->selectAll();
}

void Midi::UpDown1_Change(int step)
{
    if (step == 0)
        return;
    const qint64 v = RoundHalfEven(double(step) + double(SettingToNumber(txtPause->text())));
    txtPause->setText(QString::number(v));
    const QSignalBlocker block(UpDown1);
    UpDown1->setValue(0);
}
