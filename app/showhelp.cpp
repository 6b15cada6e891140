#include "app/showhelp.h"
#include "app/core/appinfo.h"
#include "components/dialogs.h"
#include <QFileInfo>
#include <QKeyEvent>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

namespace {
// A window of its own that Escape closes, as the other small windows do.
class HelpBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
            close();
        else
            QTextBrowser::keyPressEvent(event);
    }
};

QString g_helpFile;
QPointer<QTextBrowser> g_helpWindow;
}

void SetHelpFile(const QString &path)
{
    g_helpFile = path;
}
QString HelpFile()
{
    return g_helpFile;
}

void ShowHelp(QWidget *parent, HelpCommand command, int data, Dialogs &dialogs)
{
    if (g_helpFile.isEmpty()) {
        dialogs.message(parent,
                        QStringLiteral("Unable to display Help Contents. There is no Help "
                                       "associated with this project."),
                        Dialogs::Style::Information, AppInfo::AppName);
        return;
    }
    if (command == HelpCommand::Quit) {
        if (g_helpWindow)
            g_helpWindow->close();
        return;
    }

    if (!QFileInfo(g_helpFile).isFile()) {
        dialogs.message(parent,
                        QStringLiteral("Cannot open the help file \"%1\": the file was not found.").arg(g_helpFile),
                        Dialogs::Style::OkOnly, AppInfo::AppName);
        return;
    }
    if (!g_helpWindow) {
        // A child window of the caller, so it never outlives the player.
        auto *w = new HelpBrowser(parent);
        w->setWindowFlag(Qt::Window, true);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->setObjectName(QStringLiteral("HelpWindow"));
        w->setWindowTitle(AppInfo::AppName + QStringLiteral(" Help"));
        w->setOpenExternalLinks(true);
        w->resize(640, 560);
        g_helpWindow = w;
    }
    QUrl url = QUrl::fromLocalFile(QFileInfo(g_helpFile).absoluteFilePath());
    url.setFragment(QStringLiteral("topic%1").arg(data));
    if (g_helpWindow->source().adjusted(QUrl::RemoveFragment) == url.adjusted(QUrl::RemoveFragment))
        g_helpWindow->scrollToAnchor(url.fragment());
    else
        g_helpWindow->setSource(url);
    g_helpWindow->show();
    g_helpWindow->raise();
    g_helpWindow->activateWindow();
}
