#include "components/closingdialogs.h"
#include "app/core/terminal.h"

Dialogs::Answer ClosingDialogs::message(QWidget *parent, const QString &text, Style style, const QString &title)
{
    if (!m_closing())
        return m_inner->message(parent, text, style, title);
    if (asksYesNo(style))
        return Answer::No;
    // A notice is not lost: it goes where the one who ended the program looks.
    tellTerminal(text);
    return Answer::Ok;
}

std::optional<QString> ClosingDialogs::openFile(QWidget *parent, const QString &title, const QString &initial,
                                                const QString &filter)
{
    return m_closing() ? std::nullopt : m_inner->openFile(parent, title, initial, filter);
}

QStringList ClosingDialogs::openFiles(QWidget *parent, const QString &title, const QString &initial,
                                      const QString &filter)
{
    return m_closing() ? QStringList() : m_inner->openFiles(parent, title, initial, filter);
}

std::optional<QString> ClosingDialogs::saveFile(QWidget *parent, const QString &title, const QString &initial,
                                                const QString &filter)
{
    return m_closing() ? std::nullopt : m_inner->saveFile(parent, title, initial, filter);
}

std::optional<QColor> ClosingDialogs::color(QWidget *parent, const QColor &initial)
{
    return m_closing() ? std::nullopt : m_inner->color(parent, initial);
}

std::optional<QString> ClosingDialogs::folder(QWidget *parent, const QString &title, const QString &initial)
{
    return m_closing() ? std::nullopt : m_inner->folder(parent, title, initial);
}
