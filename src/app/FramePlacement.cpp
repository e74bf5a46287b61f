#include "app/FramePlacement.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>

TFramePlacement::TFramePlacement(QWidget& window, QRect outer, TMarginsReader margins)
    : QObject(&window), Window(window), Wanted(outer), Margins(std::move(margins))
{
    if (!Margins)
        Margins = [this] {
            // Before the native window exists there is no frame to know of.
            const QWindow* handle = Window.windowHandle();
            return handle ? handle->frameMargins() : QMargins();
        };
    Apply();
    window.installEventFilter(this);
    // The frame comes with the mapping, which the widget may not see as a move or resize of its
    // own (the client stays where it was put); the native window sees it exposed.
    if (QWindow* handle = window.windowHandle())
        handle->installEventFilter(this);
}

QRect TFramePlacement::ClientBounds(QRect outer, QMargins frame)
{
    const QRect client = outer.marginsRemoved(frame);
    return QRect(client.topLeft(), QSize(std::max(1, client.width()), std::max(1, client.height())));
}

QRect TFramePlacement::FitInto(QRect outer, QRect available)
{
    if (!available.isValid())
        return outer;
    const int width = std::min(outer.width(), available.width());
    const int height = std::min(outer.height(), available.height());
    const int left = std::clamp(outer.left(), available.left(), available.left() + available.width() - width);
    const int top = std::clamp(outer.top(), available.top(), available.top() + available.height() - height);
    return QRect(left, top, width, height);
}

void TFramePlacement::Apply()
{
    Applied = Margins();
    Placed = ClientBounds(Wanted, Applied);
    Window.setGeometry(Placed);
}

bool TFramePlacement::eventFilter(QObject* watched, QEvent* event)
{
    if (!Settled && (watched == &Window || watched == Window.windowHandle()) &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Show ||
         event->type() == QEvent::Expose)) {
        // A window manager may report a partial frame first (the reparenting under way) and the
        // whole one a moment later: each new report places the window again.
        if (Window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized))
            Settled = true; // the window manager's bounds, not ours
        else if (Margins() != Applied)
            Apply();
        else if (Window.geometry() != Placed && !Applied.isNull())
            Settled = true; // moved or resized by the person: theirs from now on
    }
    return QObject::eventFilter(watched, event);
}
