#pragma once
#include <QObject>

class QWidget;

// Whether the focus in a window was last moved with the keyboard (Tab), so
// the user sees it and means it; any click in the window takes that back.
class KeyboardFocus : public QObject {
public:
    explicit KeyboardFocus(QWidget *window);
    bool moved() const { return m_moved; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    bool m_moved = false;
};
