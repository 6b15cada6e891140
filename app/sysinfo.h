#pragma once
#include <QStringList>

class Dialogs;
class QWidget;

// Desktop system-information tools, tried in this order.
QStringList SysInfoTools();
// Starts the first of those found on PATH, detached; none, or a failed
// start, gives "System Information Is Unavailable At This Time".
void StartSysInfo(Dialogs &dialogs, QWidget *parent = nullptr);
