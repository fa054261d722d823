#pragma once

#include <QMargins>
#include <QSize>

class QWidget;

namespace px {

// A window's size cut to the room a screen gives, its frame (title bar, borders) counted.
QSize SizeWithin(QSize size, QSize room, QMargins frame);

// Cuts a top-level window to the available area of its screen and moves it inside, so no
// button lies where a small screen cannot show it. Call it when the window is shown: the frame
// is known from then on.
void FitToScreen(QWidget& window);

} // namespace px
