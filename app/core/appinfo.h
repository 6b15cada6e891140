#pragma once
#include <QString>

namespace AppInfo {
inline const QString AppName = QStringLiteral("Veltrix Lyrabox");
inline const QString FamilyName = QStringLiteral("Quillon");
inline const QString AppDescription = QStringLiteral(
    "Midi-file library player. User may select midi files from any folder and add them to a "
    "play list, which can then be saved. Current play list is opened when Lyrabox is started. "
    "There are various options of the player including volume controls.");
inline QString FamilySection()
{
    return FamilyName;
}
inline QString StartupSection()
{
    return FamilyName + QStringLiteral("\\Startup");
}
inline QString AppletSection()
{
    return FamilyName + QStringLiteral("\\Applets");
}
// The maker's addresses, kept in one place.
inline const QString WebSite = QStringLiteral("https://www.example.com/veltrix/");
inline const QString UpdatePage = QStringLiteral("https://www.example.com/veltrix/update/");
inline const QString SupportMail = QStringLiteral("support@example.com");
inline constexpr int VersionMajor = LYRABOX_VERSION_MAJOR;
inline constexpr int VersionMinor = LYRABOX_VERSION_MINOR;
inline constexpr int VersionRevision = LYRABOX_VERSION_PATCH;
// As --version shows it after the program's name.
inline QString VersionNumber()
{
    return QStringLiteral("%1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
}
}
