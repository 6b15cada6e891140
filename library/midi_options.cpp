#include "app/core/numbers.h"
#include "library/filebrowser.h"
#include "player/midi.h"
#include <QCheckBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

void Midi::chkShuffle_Click()
{
    if (m_list.isEmpty() || !chkShuffle->isChecked())
        return;
    m_list.setPaths(shuffleDeal(m_list.paths(), m_random));
    List1->clear();
    List1->addItems(m_list.names());
    m_play->reopenAfterDeal();
}

void Midi::optionsFromControls()
{
    m_play->setOptions({chkLoop->isChecked(), chkClose->isChecked(), chkShuffle->isChecked(),
                        interludeFromText(txtPause->text())});
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
