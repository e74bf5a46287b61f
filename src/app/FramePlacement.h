#pragma once

#include <QMargins>
#include <QObject>
#include <QRect>

#include <functional>

class QWidget;

// Puts a top-level window's outer bounds (frame included) where they were asked to be, and keeps
// them there until the window manager's frame is known. Under X11 the frame exists only once the
// window is mapped and reparented, so bounds applied at first show meet zero margins: the client
// area lands where the frame should be, and every start would save a window that is a frame's
// size higher and larger. The placement applies the bounds at once with the margins known then,
// and again whenever the window reports other margins, until the person moves or resizes the
// window or it is maximised.
class TFramePlacement : public QObject
{
    Q_OBJECT

public:
    // The frame margins as the window system reports them now. Empty: the window's own.
    using TMarginsReader = std::function<QMargins()>;

    // Applies `outer` to `window` and watches it (the placement is the window's child).
    TFramePlacement(QWidget& window, QRect outer, TMarginsReader margins = {});

    QRect Outer() const { return Wanted; }
    // True while the placement still waits for the window manager's frame.
    bool Waiting() const { return !Settled; }

    // The client bounds that give `outer` inside a frame of `frame`.
    static QRect ClientBounds(QRect outer, QMargins frame);
    // `outer` made to fit `available`: no larger than it, then moved inside it.
    static QRect FitInto(QRect outer, QRect available);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Apply();

    QWidget& Window;
    QRect Wanted;
    TMarginsReader Margins;
    QMargins Applied;
    QRect Placed;
    bool Settled = false;
};
