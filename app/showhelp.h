#pragma once
#include <QString>

class Dialogs;
class QWidget;

// The help file the help window shows; set once at start-up.
void SetHelpFile(const QString &path);
QString HelpFile();

// What the help window is asked to do, numbered as the help engine numbers it.
enum class HelpCommand { ShowTopic = 1, Quit = 2 };

// ShowTopic opens (or raises) the help window at anchor "topic<data>";
// Quit closes it.
void ShowHelp(QWidget *parent, HelpCommand command, int data, Dialogs &dialogs);
