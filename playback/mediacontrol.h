#pragma once
#include "playback/core/sequencerdevice.h"
#include <QTimer>
#include <QWidget>

class QToolButton;

// The transport strip over the sequencer: five buttons (Prev, Next, Play,
// Pause, Stop) and the properties the player drives it by. Commands return
// 0 or a media error number instead of raising.
class MediaControl : public QWidget {
    Q_OBJECT
public:
    MediaControl(SequencerDevice *device, QWidget *parent = nullptr);

    void setDeviceType(const QString &type) { m_deviceType = type; }
    QString deviceType() const { return m_deviceType; }
    void setFileName(const QString &name) { m_fileName = name; }
    QString fileName() const { return m_fileName; }
    void setTimeFormat(int format) { m_timeFormat = format; }

    enum class Command { Open, Play, Pause, Stop, Close };
    int setCommand(Command command);

    // Where the next Play starts; without a new From, Play resumes.
    void setFrom(qint64 ms);
    qint64 from() const { return m_from; }
    qint64 position() const;
    qint64 length() const;
    SequencerDevice::Mode mode() const;

    // StatusUpdate comes every interval ms while it is above 0.
    void setUpdateInterval(int ms);
    int updateInterval() const { return m_interval; }
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
    void StatusUpdate();
    // After every command, whatever it did to the device.
    void commandDone();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buttonPressed(int i);
    int runCommand(Command command);
    SequencerDevice *m_device;
    QToolButton *m_buttons[5] = {};
    QTimer m_status;
    QString m_deviceType;
    QString m_fileName;
    int m_timeFormat = 0;
    qint64 m_from = 0;
    bool m_fromSet = false;
    int m_interval = 0;
    MousePointer m_pointer = MousePointer::Default;
    quint64 m_opens = 0;       // Open commands given so far
    bool m_leftOpen = false;   // the last Open succeeded and no Close followed
};
