#pragma once
#include <QColor>
#include <QString>
#include <optional>

class QWidget;

// Message boxes and the file and colour dialogs, behind one seam.
class Dialogs {
public:
    // Styles as numbers: 0 OK, 4 Yes/No, plus 32 question, 48 exclamation,
    // 64 information. Answers: 1 OK, 6 Yes, 7 No.
    enum { OkOnly = 0, YesNo = 4, Question = 32, Exclamation = 48, Information = 64 };
    enum { Ok = 1, Yes = 6, No = 7 };

    virtual ~Dialogs() = default;
    virtual int message(QWidget *parent, const QString &text, int style, const QString &title) = 0;
    virtual std::optional<QString> openFile(QWidget *parent, const QString &title,
                                            const QString &initial, const QString &filter) = 0;
    // The dialog itself asks before an existing file is replaced.
    virtual std::optional<QString> saveFile(QWidget *parent, const QString &title,
                                            const QString &initial, const QString &filter) = 0;
    virtual std::optional<QColor> color(QWidget *parent, const QColor &initial) = 0;
};

class QtDialogs : public Dialogs {
public:
    int message(QWidget *parent, const QString &text, int style, const QString &title) override;
    std::optional<QString> openFile(QWidget *parent, const QString &title, const QString &initial,
                                    const QString &filter) override;
    std::optional<QString> saveFile(QWidget *parent, const QString &title, const QString &initial,
                                    const QString &filter) override;
    std::optional<QColor> color(QWidget *parent, const QColor &initial) override;
};
