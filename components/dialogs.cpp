#include "components/dialogs.h"
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

Dialogs::Answer QtDialogs::message(QWidget *parent, const QString &text, Style style, const QString &title)
{
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    const Style mark = icon(style);
    box.setIcon(mark == Style::Question      ? QMessageBox::Question
                : mark == Style::Exclamation ? QMessageBox::Warning
                : mark == Style::Information ? QMessageBox::Information
                                             : QMessageBox::NoIcon);
    if (asksYesNo(style)) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

std::optional<QString> QtDialogs::openFile(QWidget *parent, const QString &title, const QString &initial,
                                           const QString &filter)
{
    const QString f = QFileDialog::getOpenFileName(parent, title, initial, filter);
    return f.isEmpty() ? std::nullopt : std::optional<QString>(f);
}

QStringList QtDialogs::openFiles(QWidget *parent, const QString &title, const QString &initial, const QString &filter)
{
    return QFileDialog::getOpenFileNames(parent, title, initial, filter);
}

std::optional<QString> QtDialogs::saveFile(QWidget *parent, const QString &title, const QString &initial,
                                           const QString &filter)
{
    const QString f = QFileDialog::getSaveFileName(parent, title, initial, filter);
    return f.isEmpty() ? std::nullopt : std::optional<QString>(f);
}

std::optional<QColor> QtDialogs::color(QWidget *parent, const QColor &initial)
{
    const QColor c = QColorDialog::getColor(initial, parent);
    return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
}

std::optional<QString> QtDialogs::folder(QWidget *parent, const QString &title, const QString &initial)
{
    const QString d = QFileDialog::getExistingDirectory(parent, title, initial);
    return d.isEmpty() ? std::nullopt : std::optional<QString>(d);
}
