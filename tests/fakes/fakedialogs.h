#pragma once
#include "components/dialogs.h"
#include <QColor>
#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Dialogs for tests: every call is recorded and answered from a script.
// An empty script answers like a user who backs out: No to a question,
// OK to a notice, cancel to a file or colour dialog.
class FakeDialogs : public Dialogs {
public:
    struct Message {
        QString text;
        Style style = Style::OkOnly;
        QString title;
    };
    struct FileAsk {
        bool save = false;
        QString title, initial, filter;
    };

    Answer message(QWidget *parent, const QString &text, Style style, const QString &title) override;
    std::optional<QString> openFile(QWidget *parent, const QString &title, const QString &initial,
                                    const QString &filter) override;
    std::optional<QString> saveFile(QWidget *parent, const QString &title, const QString &initial,
                                    const QString &filter) override;
    std::optional<QColor> color(QWidget *parent, const QColor &initial) override;
    std::optional<QString> folder(QWidget *parent, const QString &title, const QString &initial) override;

    // Forgets what was recorded and what was scripted.
    void clear();
    QStringList texts() const;
    // How many messages contained the given text.
    int count(const QString &part) const;
    bool shown(const QString &part) const { return count(part) > 0; }

    // Scripts, taken front first.
    QQueue<Answer> answers;
    QQueue<std::optional<QString>> openResults;
    QQueue<std::optional<QString>> saveResults;
    QQueue<std::optional<QColor>> colorResults;
    QQueue<std::optional<QString>> folderResults;

    // Records.
    QList<Message> messages;
    QList<FileAsk> fileAsks;

    // Runs while a message is "open", as a modal box would let events run.
    std::function<void(const Message &)> onMessage;
    // Runs while any box or dialog is open: "message", "open", "save", "color" or "folder".
    std::function<void(const QString &kind)> onAsk;

private:
    void asked(const char *kind);
};
