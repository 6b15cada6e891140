#pragma once
#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

// Message boxes and the file and colour dialogs, behind one seam.
class Dialogs {
public:
    // A message box's buttons plus its icon, numbered as written: OK only or
    // Yes/No, and a question, exclamation or information mark.
    enum class Style : int { OkOnly = 0, YesNo = 4, Question = 32, Exclamation = 48, Information = 64 };
    enum class Answer { Ok = 1, Yes = 6, No = 7 };
    friend constexpr Style operator|(Style a, Style b) { return Style(int(a) | int(b)); }
    static constexpr bool asksYesNo(Style s) { return (int(s) & 0x0f) == int(Style::YesNo); }
    static constexpr Style icon(Style s) { return Style(int(s) & 0x70); }

    virtual ~Dialogs() = default;
    virtual Answer message(QWidget *parent, const QString &text, Style style, const QString &title) = 0;
    virtual std::optional<QString> openFile(QWidget *parent, const QString &title, const QString &initial,
                                            const QString &filter) = 0;
    // Several files at once; where a dialog cannot, one.
    virtual QStringList openFiles(QWidget *parent, const QString &title, const QString &initial, const QString &filter)
    {
        const std::optional<QString> one = openFile(parent, title, initial, filter);
        return one ? QStringList{*one} : QStringList{};
    }
    // The dialog itself asks before an existing file is replaced.
    virtual std::optional<QString> saveFile(QWidget *parent, const QString &title, const QString &initial,
                                            const QString &filter) = 0;
    virtual std::optional<QColor> color(QWidget *parent, const QColor &initial) = 0;
    // An existing folder, or nothing when the user backs out.
    virtual std::optional<QString> folder(QWidget *parent, const QString &title, const QString &initial) = 0;
};

class QtDialogs : public Dialogs {
public:
    Answer message(QWidget *parent, const QString &text, Style style, const QString &title) override;
    std::optional<QString> openFile(QWidget *parent, const QString &title, const QString &initial,
                                    const QString &filter) override;
    QStringList openFiles(QWidget *parent, const QString &title, const QString &initial,
                          const QString &filter) override;
    std::optional<QString> saveFile(QWidget *parent, const QString &title, const QString &initial,
                                    const QString &filter) override;
    std::optional<QColor> color(QWidget *parent, const QColor &initial) override;
    std::optional<QString> folder(QWidget *parent, const QString &title, const QString &initial) override;
};
