#pragma once

class QWidget;

// Closes every other open window, each running its own unload once.
void UnloadAllForms(QWidget *mainWindow);
