#pragma once
#include "playback/core/playsession.h"
#include <QWidget>

class QToolButton;

// The transport strip: five buttons (Prev, Next, Play, Pause, Stop) over the
// play session, and the properties the player drives it by. Commands return
// 0 or a media error number instead of raising.
class MediaControl : public QWidget {
    Q_OBJECT
public:
    MediaControl(PlaySession *session, QWidget *parent = nullptr);

    void setDeviceType(const QString &type) { m_deviceType = type; }
    QString deviceType() const { return m_deviceType; }
    QString fileName() const { return m_session->fileName(); }

    using Command = PlaySession::Command;
    int setCommand(Command command) { return m_session->command(command); }
    void setFrom(qint64 ms) { m_session->setFrom(ms); }
    qint64 from() const { return m_session->from(); }
    SequencerDevice::Mode mode() const { return m_session->mode(); }
    void setUpdateInterval(int ms) { m_session->setUpdateInterval(ms); }
    int updateInterval() const { return m_session->updateInterval(); }
    // Pointers as numbered for the control: the hourglass while a file opens.
    enum class MousePointer { Default = 0, Hourglass = 11, Custom = 99 };
    void setMousePointer(MousePointer pointer);
    MousePointer mousePointer() const { return m_pointer; }

    QToolButton *button(int i) const { return m_buttons[i]; }

signals:
    void PrevClick(int &cancel);
    void NextClick(int &cancel);
    void PlayClick(int &cancel);
    void PauseClick(int &cancel);
    void StopClick(int &cancel);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buttonPressed(int i);
    PlaySession *m_session;
    QToolButton *m_buttons[5] = {};
    QString m_deviceType;
    MousePointer m_pointer = MousePointer::Default;
};
