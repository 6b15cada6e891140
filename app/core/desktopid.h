#pragma once
#include <QString>

namespace AppInfo {
// The name the desktop knows the program by: its desktop entry (DesktopId + ".desktop"),
// icon and metainfo. Set once in the build.
inline const QString DesktopId = QStringLiteral(LYRABOX_DESKTOP_ID);
}
