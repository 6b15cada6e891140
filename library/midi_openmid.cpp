#include "app/core/appinfo.h"
#include "app/core/numbers.h"
#include "app/core/texts.h"
#include "components/core/systemtools.h"
#include "library/filebrowser.h"
#include "player/midi.h"
#include "playback/core/mediaerrors.h"
#include "playback/mediacontrol.h"
#include <QLabel>
#include <QSlider>

void Midi::pointBrowserAt(const QString &path)
{
    const QString folder = SystemTools::SplitPath(path, true);
    Drive1->setDriveOf(folder);
    if (Dir1->setPath(folder))
        File1->setPath(Dir1->path());
}

void Midi::setSliderMaximum(qint64 seconds)
{
    SliderTime->setMaximum(int(seconds));
    SliderTime->setTickInterval(int(RoundHalfEven(seconds / 50.0)));
    SliderTime->setPageStep(int(RoundHalfEven(seconds / 10.0)));
}

Midi::Opened Midi::OpenMid(const QString &previewPath)
{
    if (previewPath.isEmpty() && m_selIndex < 0)
        return Opened::NoEntry;   // a double click with nothing selected
    BusyGuard busy(this);
    const quint64 generation = ++m_openGeneration;
    auto overtaken = [this, generation] { return generation != m_openGeneration || m_unloaded; };
    cancelInterlude();
    MMControl1->setUpdateInterval(0);
    MMControl1->setCommand(MediaControl::Command::Stop);
    MMControl1->setCommand(MediaControl::Command::Close);
    ComDisable();
    MMControl1->setMousePointer(MediaControl::MousePointer::Hourglass);
    SliderTime->setEnabled(false);
    MMControl1->setFrom(0);
    SliderTime->setValue(0);
    Label3->setText(Texts::total(0));
    Label1->setText(QStringLiteral("Opening Selection..."));
    DoEvents();
    if (overtaken())
        return Opened::Overtaken;
    QString fileName = previewPath;
    if (previewPath.isEmpty()) {
        m_previewFile.clear();
        if (!findPresentEntry()) {
            m_services.dialogs->message(this, QStringLiteral("Library file not present"), Dialogs::Style::OkOnly,
                                        AppInfo::AppName);
            ComInable();
            DoEvents();
            return Opened::NoEntry;
        }
        List1->setCurrentRow(m_selIndex);
        fileName = m_list.path(m_selIndex);
        pointBrowserAt(fileName);
    }
    MMControl1->setFileName(fileName);
    DoEvents();
    if (overtaken())
        return Opened::Overtaken;
    int error = MMControl1->setCommand(MediaControl::Command::Open);
    if (overtaken())
        return Opened::Overtaken;   // a newer open owns the device now
    MMControl1->setTimeFormat(0);
    const qint64 lengthMs = error ? 0 : MMControl1->length();
    const qint64 seconds = Texts::wholeSeconds(lengthMs);
    if (!error && seconds > 32767)
        error = MediaError::TooLong;
    if (error) {
        MMControl1->setMousePointer(MediaControl::MousePointer::Default);
        DisplayErrorMessageBox(error);
        Label1->setText(QStringLiteral("Failed to open"));
        MMControl1->setCommand(MediaControl::Command::Close);
        ComInable();
        DoEvents();
        return Opened::Failed;
    }
    m_driverErrorShown.clear();
    if (lengthMs == 0)
        m_services.dialogs->message(this, QStringLiteral("Multimedia Error: zero length file"), Dialogs::Style::OkOnly,
                                    AppInfo::AppName);
    MMControl1->setFrom(0);
    setSliderMaximum(seconds);
    Label3->setText(Texts::total(seconds));
    setLabel5(Texts::libraryHeading(m_libName, m_list.count()));
    Label4->setText(QStringLiteral("Midi Library: ") + m_libName);
    Label1->setText(Texts::selectionName(previewPath.isEmpty() ? m_list.name(m_selIndex) : m_previewFile));
    showCaption(Label1->text());
    ComInable();
    DoEvents();
    return overtaken() ? Opened::Overtaken : Opened::File;
}
