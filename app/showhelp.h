#pragma once
#include <QString>

class Dialogs;
class QWidget;

// The help file the help window shows; set once at start-up.
void SetHelpFile(const QString &path);
QString HelpFile();

// command 1 opens (or raises) the help window at anchor "topic<data>";
// command 2 closes it. Other commands do nothing.
void ShowHelp(QWidget *parent, int command, int data, Dialogs &dialogs);
