#include "app/core/numbers.h"
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
    // A new deal during the pause between songs keeps the pause: its first
    // song plays when the wait is over.
    const bool waiting = m_interludePending;
    if (waiting)
        m_selIndex = 0;
    const Opened result = OpenMid(QString());
    if (!waiting || result == Opened::Overtaken)
        return;
    if (result == Opened::File) {
        setInterludePending(true);
        interludeCheck();
    } else {
        endPlay();
    }
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
