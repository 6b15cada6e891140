#include "app/core/numbers.h"
#include "components/core/systemtools.h"
#include "player/midi.h"
#include "playback/mediacontrol.h"
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

namespace {
const QString kStopped = QStringLiteral("(Stopped)");
}

void Midi::MMControl1_PlayClick(int &cancel)
{
    cancel = 1;
    if (MMControl1->mode() == SequencerDevice::NotOpen)
        return;
    BusyGuard busy(this);
    cancelInterlude();
    m_playing = true;
    if (!m_list.path(m_selIndex).isEmpty())
        pointBrowserAt(m_list.path(m_selIndex));
    if (checkValue(chkClose) == 1 && m_heightTw > MidiGeometry::PanelOutAboveTw)
        cmdExpand_Click();
    DoEvents();
    if (m_unloaded)
        return;
    MMControl1->setCommand(QStringLiteral("Play"));
    MMControl1->setUpdateInterval(500);
    ComDisable();
}

void Midi::MMControl1_PauseClick(int &cancel)
{
    cancel = 1;
    if (MMControl1->mode() == SequencerDevice::NotOpen)
        return;
    if (MMControl1->updateInterval() == 0) {
        cancelInterlude();
        MMControl1->setUpdateInterval(500);
        MMControl1->setCommand(QStringLiteral("Play"));
        MMControl1->setUpdateInterval(500);
        ComDisable();
        return;
    }
    MMControl1->setCommand(QStringLiteral("Pause"));
    showCaption(QStringLiteral("Lyrabox (Paused)"));
    Label2->setText(QStringLiteral("(Paused)"));
    MMControl1->setUpdateInterval(0);
}

void Midi::MMControl1_StopClick(int &cancel)
{
    cancel = 1;
    m_playing = false;
    cancelInterlude();
    MMControl1->setUpdateInterval(0);
    MMControl1->setCommand(QStringLiteral("Stop"));
    MMControl1->setFrom(0);
    SliderTime->setValue(0);
    Label2->setText(kStopped);
    showCaption(QStringLiteral("Lyrabox (Stopped)"));
    ComInable();
}

void Midi::MMControl1_NextClick(int &cancel)
{
    cancel = 1;
    BusyGuard busy(this);
    cancelInterlude();
    bool wrapped = false;
    bool nothingPresent = false;
    if (m_selIndex >= m_list.count() - 1) {
        m_selIndex = 0;
        wrapped = true;
        if (checkValue(chkShuffle) == 1) {
            const quint64 opens = m_openGeneration;
            setCheckValue(chkShuffle, 0);
            setCheckValue(chkShuffle, 1);
            // The deal has opened the new first entry already; when it found no file
            // at all, opening again would only repeat its message.
            nothingPresent = opens != m_openGeneration && MMControl1->mode() == SequencerDevice::NotOpen
                && !SystemTools::IsPresent(m_list.path(m_selIndex));
        }
    } else {
        ++m_selIndex;
    }
    if (!m_playing) {
        if (!nothingPresent)
            OpenMid(QString());
        return;
    }
    showCaption(QStringLiteral("Lyrabox (Interlude)"));
    Label2->setText(QStringLiteral("(Interlude)"));
    m_interludeStart = m_s.clock->nowMs();
    const int wanted = m_selIndex;
    const Opened result = nothingPresent ? Opened::NoEntry : OpenMid(QString());
    if (result == Opened::Overtaken)
        return;
    // Passing the end of the list (here or while skipping missing files)
    // ends play unless Loop is on; so does a song that would not open, which
    // would otherwise leave "(Interlude)" with nothing to wait for.
    wrapped = wrapped || m_selIndex < wanted;
    if (result != Opened::File || (wrapped && checkValue(chkLoop) != 1)) {
        endPlay();
        return;
    }
    m_interludePending = true;
    interludeCheck();
}

void Midi::interludeCheck()
{
    if (!m_interludePending)
        return;
    const double waitMs = double(SettingToNumber(txtPause->text())) * 1000.0;
    const qint64 elapsed = m_s.clock->nowMs() - m_interludeStart;
    if (double(elapsed) <= waitMs) {
        m_interludeTimer.start(int(qMin(waitMs - double(elapsed) + 1.0, 61000.0)));
        return;
    }
    m_interludePending = false;
    int cancel = 1;
    MMControl1_PlayClick(cancel);
}

void Midi::endPlay()
{
    m_playing = false;
    Label2->setText(kStopped);
    showCaption(QStringLiteral("Lyrabox (Stopped)"));
}

bool Midi::playingOrBetweenSongs() const
{
    return MMControl1->mode() == SequencerDevice::Playing || m_interludePending;
}

void Midi::cancelInterlude()
{
    m_interludePending = false;
    m_interludeTimer.stop();
}

void Midi::MMControl1_PrevClick(int &cancel)
{
    cancel = 1;
    if (m_interludePending) {
        // Going back during the pause between songs ends play there.
        cancelInterlude();
        endPlay();
    }
    if (MMControl1->mode() == SequencerDevice::Playing) {
        int c = 1;
        MMControl1_StopClick(c);
        MMControl1_PlayClick(c);
    }
    if (MMControl1->mode() == SequencerDevice::Paused)
        MMControl1->setFrom(0);
    if (MMControl1->mode() == SequencerDevice::Stopped) {
        // An emptied list must not leave a negative selection behind.
        if (m_selIndex <= 0)
            m_selIndex = qMax(0, m_list.count() - 1);
        else
            --m_selIndex;
        OpenMid(QString());
    }
}
