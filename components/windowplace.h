#pragma once

class QWidget;

// Moves a small window next to the player (below, above, right or left), whole on
// the player's screen and not over it. Call once the window is shown: its frame is
// known only then.
void placeBeside(QWidget *window, const QWidget *player);
