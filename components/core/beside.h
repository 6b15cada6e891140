#pragma once
#include <QPoint>
#include <QRect>
#include <QSize>

// Where a window of `size` goes next to the player: below, above, right or left,
// the first side where it is whole on the desktop and leaves the player free.
QPoint besidePlayer(const QRect &player, const QSize &size, const QRect &desk);
