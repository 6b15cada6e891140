#include "components/dialogs.h"
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

int QtDialogs::message(QWidget *parent, const QString &text, int style, const QString &title)
{
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    const int icon = style & 0x70;
    box.setIcon(icon == Question ? QMessageBox::Question
                : icon == Exclamation ? QMessageBox::Warning
                : icon == Information ? QMessageBox::Information
                                      : QMessageBox::NoIcon);
    if ((style & 0x0f) == YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? Yes : No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Ok;
}

std::optional<QString> QtDialogs::openFile(QWidget *parent, const QString &title,
                                           const QString &initial, const QString &filter)
{
    const QString f = QFileDialog::getOpenFileName(parent, title, initial, filter);
    return f.isEmpty() ? std::nullopt : std::optional<QString>(f);
}

std::optional<QString> QtDialogs::saveFile(QWidget *parent, const QString &title,
                                           const QString &initial, const QString &filter)
{
    const QString f = QFileDialog::getSaveFileName(parent, title, initial, filter);
    return f.isEmpty() ? std::nullopt : std::optional<QString>(f);
}

std::optional<QColor> QtDialogs::color(QWidget *parent, const QColor &initial)
{
    const QColor c = QColorDialog::getColor(initial, parent);
    return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
}
