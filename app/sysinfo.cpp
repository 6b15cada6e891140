#include "app/sysinfo.h"
#include "app/core/appinfo.h"
#include "components/dialogs.h"
#include <QProcess>
#include <QStandardPaths>

QStringList SysInfoTools()
{
    return {QStringLiteral("gnome-system-monitor"), QStringLiteral("kinfocenter"),       QStringLiteral("hardinfo"),
            QStringLiteral("mate-system-monitor"),  QStringLiteral("xfce4-taskmanager"), QStringLiteral("lxtask")};
}

void StartSysInfo(Dialogs &dialogs, QWidget *parent)
{
    for (const QString &tool : SysInfoTools()) {
        const QString path = QStandardPaths::findExecutable(tool);
        if (path.isEmpty())
            continue;
        if (QProcess::startDetached(path, {}))
            return;
        break;
    }
    dialogs.message(parent, QStringLiteral("System Information Is Unavailable At This Time"), Dialogs::Style::OkOnly,
                    AppInfo::AppName);
}
