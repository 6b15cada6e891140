#pragma once
#include "components/dialogs.h"
#include <functional>

// Dialogs that stop asking once the program is on its way out: a box that
// opened after a close request would outlive the window it belongs to.
// Refused asks answer as a user who backs out (No, OK, cancel).
class ClosingDialogs : public Dialogs {
public:
    ClosingDialogs(Dialogs *inner, std::function<bool()> closing) : m_inner(inner), m_closing(std::move(closing)) {}

    Answer message(QWidget *parent, const QString &text, Style style, const QString &title) override;
    std::optional<QString> openFile(QWidget *parent, const QString &title, const QString &initial,
                                    const QString &filter) override;
    QStringList openFiles(QWidget *parent, const QString &title, const QString &initial,
                          const QString &filter) override;
    std::optional<QString> saveFile(QWidget *parent, const QString &title, const QString &initial,
                                    const QString &filter) override;
    std::optional<QColor> color(QWidget *parent, const QColor &initial) override;
    std::optional<QString> folder(QWidget *parent, const QString &title, const QString &initial) override;

private:
    Dialogs *m_inner;
    std::function<bool()> m_closing;
};
