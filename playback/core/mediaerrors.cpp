#include "playback/core/mediaerrors.h"

QString mediaErrorText(int number)
{
    switch (number) {
    case MediaError::InvalidDeviceId: return QStringLiteral("Invalid device id.");
    case MediaError::DeviceNotOpen: return QStringLiteral("The device is not open or is not known.");
    case MediaError::DriverLoad: return QStringLiteral("Error load media device driver.");
    case MediaError::NotAvailable: return QStringLiteral("Action not available for this device.");
    case MediaError::InvalidFilename: return QStringLiteral("Invalid filename.");
    case MediaError::NotMidiFile: return QStringLiteral("The file is not a MIDI file that can be played.");
    case MediaError::TooLong: return QStringLiteral("The song is too long to be played.");
    default: break;
    }
    const QString sign = number < 0 ? QStringLiteral("-") : QStringLiteral(" ");
    return QStringLiteral("Unknown error (%1%2).").arg(sign).arg(qAbs(qint64(number)));
}
