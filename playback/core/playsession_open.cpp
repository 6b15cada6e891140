#include "app/core/texts.h"
#include "components/core/systemtools.h"
#include "playback/core/mediaerrors.h"
#include "playback/core/playsession.h"

PlaySession::Opened PlaySession::openEntry(const QString &previewPath)
{
    if (previewPath.isEmpty() && m_selIndex < 0)
        return Opened::NoEntry;   // a double click with nothing selected
    BusyGuard busy(this);
    const quint64 generation = ++m_openGeneration;
    cancelInterlude();
    setUpdateInterval(0);
    command(Command::Stop);
    command(Command::Close);
    m_opening = true;
    lockCommands(true);
    setFrom(0);
    emit opening();
    pumpEvents();
    if (generation != m_openGeneration || m_shutDown)
        return Opened::Overtaken;
    return openFile(previewPath, generation);
}

PlaySession::Opened PlaySession::openFile(const QString &previewPath, quint64 generation)
{
    auto overtaken = [this, generation] { return generation != m_openGeneration || m_shutDown; };
    QString fileName = previewPath;
    if (previewPath.isEmpty()) {
        m_previewFile.clear();
        if (!findPresentEntry()) {
            emit failure({Failure::Kind::Notice, 0, QStringLiteral("Library file not present")});
            lockCommands(false);
            pumpEvents();
            return Opened::NoEntry;
        }
        fileName = m_list->path(m_selIndex);
        emit entrySelected(m_selIndex, fileName);
    }
    m_fileName = fileName;
    pumpEvents();
    if (overtaken())
        return Opened::Overtaken;
    int error = command(Command::Open);
    if (overtaken())
        return Opened::Overtaken;   // a newer open owns the device now
    const qint64 lengthMs = error ? 0 : m_device->length();
    const qint64 seconds = Texts::wholeSeconds(lengthMs);
    if (!error && seconds > 32767)
        error = MediaError::TooLong;
    if (error) {
        openFailedWith(error);
        return Opened::Failed;
    }
    m_driverErrorShown.clear();
    if (lengthMs == 0)
        emit failure({Failure::Kind::Notice, 0, QStringLiteral("Multimedia Error: zero length file")});
    setFrom(0);
    m_lengthSeconds = seconds;
    m_practice.songOpened(m_fileName, lengthMs);
    emit opened(lengthMs);
    lockCommands(false);
    pumpEvents();
    return overtaken() ? Opened::Overtaken : Opened::File;
}

void PlaySession::preview(const QString &path, bool play)
{
    m_previewFile = SystemTools::SplitPath(path, false);
    if (openEntry(path) == Opened::File && play)
        this->play();
}

void PlaySession::openFailedWith(int error)
{
    reportOpenError(error);
    emit openFailed();
    command(Command::Close);
    lockCommands(false);
    pumpEvents();
}

void PlaySession::reportOpenError(int error)
{
    // The first line is the device's number in words, the second why it happened.
    QString text = mediaErrorText(error);
    const QString why = m_device->openError();
    if (!why.isEmpty())
        text += QLatin1Char('\n') + why;
    if (error == MediaError::DriverLoad) {
        // An output that will not start fails every open alike: say it once,
        // and again only when something changed.
        if (text == m_driverErrorShown)
            return;
        m_driverErrorShown = text;
    }
    emit failure({Failure::Kind::OpenError, error, text});
}
