#include "fakes/fakedialogs.h"

Dialogs::Answer FakeDialogs::message(QWidget *, const QString &text, Style style, const QString &title)
{
    const Message m{text, style, title};
    messages.append(m);
    if (onMessage)
        onMessage(m);
    asked("message");
    if (!answers.isEmpty())
        return answers.dequeue();
    return asksYesNo(style) ? Answer::No : Answer::Ok;
}

std::optional<QString> FakeDialogs::openFile(QWidget *, const QString &title, const QString &initial,
                                             const QString &filter)
{
    fileAsks.append({false, title, initial, filter});
    asked("open");
    return openResults.isEmpty() ? std::nullopt : openResults.dequeue();
}

std::optional<QString> FakeDialogs::saveFile(QWidget *, const QString &title, const QString &initial,
                                             const QString &filter)
{
    fileAsks.append({true, title, initial, filter});
    asked("save");
    return saveResults.isEmpty() ? std::nullopt : saveResults.dequeue();
}

std::optional<QColor> FakeDialogs::color(QWidget *, const QColor &)
{
    asked("color");
    return colorResults.isEmpty() ? std::nullopt : colorResults.dequeue();
}

std::optional<QString> FakeDialogs::folder(QWidget *, const QString &, const QString &)
{
    asked("folder");
    return folderResults.isEmpty() ? std::nullopt : folderResults.dequeue();
}

void FakeDialogs::asked(const char *kind)
{
    if (onAsk)
        onAsk(QLatin1String(kind));
}

void FakeDialogs::clear()
{
    *this = FakeDialogs();
}

QStringList FakeDialogs::texts() const
{
    QStringList out;
    for (const Message &m : messages)
        out << m.text;
    return out;
}

int FakeDialogs::count(const QString &part) const
{
    return int(texts().filter(part).size());
}
