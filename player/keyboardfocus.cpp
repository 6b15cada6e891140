#include "player/keyboardfocus.h"
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

KeyboardFocus::KeyboardFocus(QWidget *window) : QObject(window), m_window(window)
{
    // Keys go to whichever child has the focus: only the application sees them all.
    qApp->installEventFilter(this);
}

bool KeyboardFocus::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::MouseButtonPress)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != m_window)
        return false;
    if (type == QEvent::MouseButtonPress) {
        m_moved = false;
    } else {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
            m_moved = true;
    }
    return false;
}
