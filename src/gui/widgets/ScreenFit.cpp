#include "gui/widgets/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace px {

QSize SizeWithin(QSize size, QSize room, QMargins frame)
{
    return room.isValid() ? size.boundedTo(room.shrunkBy(frame)) : size;
}

void FitToScreen(QWidget& window)
{
    const QScreen* screen =
        window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->availableGeometry();
    // Before the window manager has framed the window its frame reads as none: take a title
    // bar's height and a border so the first showing fits too.
    QMargins frame =
        window.windowHandle() != nullptr ? window.windowHandle()->frameMargins() : QMargins();
    if (frame.isNull()) {
        const int border = window.style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
        frame = QMargins(border, window.style()->pixelMetric(QStyle::PM_TitleBarHeight) + border,
                         border, border);
    }
    const QSize fitted = SizeWithin(window.size(), area.size(), frame);
    if (fitted != window.size())
        window.resize(fitted.expandedTo(window.minimumSize()));
    // The frame's top left corner inside the area, the window no further right or down than
    // the area allows.
    QPoint at = window.pos();
    at.setX(std::clamp(
        at.x(), area.left(),
        std::max(area.left(), area.right() + 1 - frame.left() - window.width() - frame.right())));
    at.setY(std::clamp(
        at.y(), area.top(),
        std::max(area.top(), area.bottom() + 1 - frame.top() - window.height() - frame.bottom())));
    window.move(at);
}

} // namespace px
