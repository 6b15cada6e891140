#include "components/core/beside.h"
#include <algorithm>

QPoint besidePlayer(const QRect &player, const QSize &size, const QRect &desk)
{
    auto onDesk = [&](QPoint at) {
        at.setX(std::clamp(at.x(), desk.left(), std::max(desk.left(), desk.right() + 1 - size.width())));
        at.setY(std::clamp(at.y(), desk.top(), std::max(desk.top(), desk.bottom() + 1 - size.height())));
        return at;
    };
    const QPoint sides[] = {{player.left(), player.bottom() + 1},
                            {player.left(), player.top() - size.height()},
                            {player.right() + 1, player.top()},
                            {player.left() - size.width(), player.top()}};
    for (const QPoint &side : sides) {
        if (!QRect(onDesk(side), size).intersects(player))
            return onDesk(side);
    }
    return onDesk(sides[0]);
}
