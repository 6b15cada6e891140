#include "app/unloadall.h"
#include <QApplication>
#include <QPointer>
#include <QWidget>

void UnloadAllForms(QWidget *mainWindow)
{
    QList<QPointer<QWidget>> windows;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w != mainWindow && w->isWindow())
            windows << w;
    }
    for (const QPointer<QWidget> &w : windows) {
        if (w && w->isVisible())
            w->close();
    }
}
