#include "components/windowplace.h"
#include "components/core/beside.h"
#include <QScreen>
#include <QWidget>

void placeBeside(QWidget *window, const QWidget *player)
{
    if (!player)
        return;
    const QScreen *screen = player->screen();
    const QRect desk = screen ? screen->availableVirtualGeometry() : QRect(0, 0, 1024, 768);
    window->move(besidePlayer(player->frameGeometry(), window->frameGeometry().size(), desk));
}
